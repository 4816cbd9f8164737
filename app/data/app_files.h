// The application's declared files: one process-wide declaration per
// table, each with its record buffer of the exact layout (records.h), its
// memo buffers and its count of users (docs/application-tables.md).
//
// SCH and SCH1 declare the same stored table "SM\!Schedule": SCH for the
// windows and reports, SCH1 for the main frame's timer work only.  Each has
// its own buffer, position and open count, so the timer never moves the
// position of a list the user is scrolling.  Their fields are bound as
// "SCH:Date" / "SCH1:Date", their memos as "SCH:Message" / "SCH1:Message".
//
// Threads: the declarations are shared by every runtime thread and used
// under the Runtime lock.  They are built on first use; a process that
// never touches one never opens its file.
#pragma once

#include "app/data/records.h"
#include "app/data/table_descs.h"
#include "runtime/db/declared_file.h"

namespace dw::app {

// A declaration together with its typed record buffer: file->Date reads
// the buffer, file.open() opens the table.
template <class Record>
class Declared : public db::DeclaredFile {
 public:
  Declared(std::string prefix, std::string name, db::TableDesc desc)
      : db::DeclaredFile(std::move(prefix), std::move(name), std::move(desc), &m_record) {
    clear();
  }
  Record& rec() { return m_record; }
  Record* operator->() { return &m_record; }

 private:
  Record m_record{};
};

using ScheduleFile = Declared<ScheduleRecord>;
using HistoryFile = Declared<HistoryRecord>;
using CategoriesFile = Declared<CategoryRecord>;
using ToDoFile = Declared<ToDoRecord>;
using ScriptingFile = Declared<ScriptingRecord>;
using TagFile = Declared<TagRecord>;

ScheduleFile& SCH();   // the windows' and reports' Schedule
ScheduleFile& SCH1();  // the timer work's Schedule
HistoryFile& HIS();
CategoriesFile& CAT();
ToDoFile& TDO();
ScriptingFile& SCR();
TagFile& TF_();

// The tag file's name variable (50 characters, blank-padded), from which
// TF_ takes its name each time it is opened.
TagFileNameVariable& tagFileName();

// Memo numbers.
inline constexpr std::size_t kMessageMemo = 0;  // SCH:Message, SCH1:Message, HIS:Message

}  // namespace dw::app
