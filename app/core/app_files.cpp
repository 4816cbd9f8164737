// The application's declarations (app_files.h), built on first use.
#include "app/core/app_files.h"

#include "app/core/table_descs.h"

namespace dw::app {

ScheduleFile& SCH() {
  static ScheduleFile f(kSchedulePrefix, kScheduleFile, scheduleTableDesc(kSchedulePrefix));
  return f;
}

ScheduleFile& SCH1() {
  static ScheduleFile f(kScheduleTimerPrefix, kScheduleFile,
                        scheduleTableDesc(kScheduleTimerPrefix));
  return f;
}

HistoryFile& HIS() {
  static HistoryFile f("HIS", kHistoryFile, historyTableDesc());
  return f;
}

CategoriesFile& CAT() {
  static CategoriesFile f("CAT", kCategoriesFile, categoriesTableDesc());
  return f;
}

ToDoFile& TDO() {
  static ToDoFile f("TDO", kToDoFile, toDoTableDesc());
  return f;
}

ScriptingFile& SCR() {
  static ScriptingFile f("SCR", kScriptingFile, scriptingTableDesc());
  return f;
}

TagFileNameVariable& tagFileName() {
  static TagFileNameVariable name = [] {
    TagFileNameVariable v;
    v = kTagFileName;
    return v;
  }();
  return name;
}

TagFile& TF_() {
  static TagFile f("TF_", tagFileName().str(), tagTableDesc());
  return f;
}

}  // namespace dw::app
