// The application's declarations (app_files.h), built on first use and
// never destroyed: files still open at exit hold nothing uncommitted (every
// operation commits), and a declaration must outlive every thread that may
// still use it while the process ends.
#include "app/data/app_files.h"

#include "app/data/table_descs.h"

namespace dw::app {

ScheduleFile& SCH() {
  static ScheduleFile& f =
      *new ScheduleFile(kSchedulePrefix, kScheduleFile, scheduleTableDesc(kSchedulePrefix));
  return f;
}

ScheduleFile& SCH1() {
  static ScheduleFile& f = *new ScheduleFile(kScheduleTimerPrefix, kScheduleFile,
                                             scheduleTableDesc(kScheduleTimerPrefix));
  return f;
}

HistoryFile& HIS() {
  static HistoryFile& f = *new HistoryFile("HIS", kHistoryFile, historyTableDesc());
  return f;
}

CategoriesFile& CAT() {
  static CategoriesFile& f = *new CategoriesFile("CAT", kCategoriesFile, categoriesTableDesc());
  return f;
}

ToDoFile& TDO() {
  static ToDoFile& f = *new ToDoFile("TDO", kToDoFile, toDoTableDesc());
  return f;
}

ScriptingFile& SCR() {
  static ScriptingFile& f = *new ScriptingFile("SCR", kScriptingFile, scriptingTableDesc());
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
  static TagFile& f = *new TagFile("TF_", tagFileName().str(), tagTableDesc());
  return f;
}

}  // namespace dw::app
