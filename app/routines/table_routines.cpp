// The delete and update routines of the tables that no other table refers
// to: History, ToDo and Scripting.  Each is the plain routine frame over
// its declaration (file_routines.cpp): a transaction over the one table,
// the write, commit or roll back.
//
// Threads: a runtime thread holding the Runtime lock.
#include "app/routines/file_routines_internal.h"

namespace dw::app {

namespace {

int plain(db::DeclaredFile& file, detail::Operation operation) {
  detail::RoutineSpec spec;
  spec.file = &file;
  spec.label = fileLabel(file);
  spec.operation = operation;
  return detail::runRoutine(spec);
}

}  // namespace

int deleteHistoryRecord() {
  return plain(HIS(), detail::Operation::Delete);
}
int updateHistoryRecord() {
  return plain(HIS(), detail::Operation::Update);
}
int deleteToDoRecord() {
  return plain(TDO(), detail::Operation::Delete);
}
int updateToDoRecord() {
  return plain(TDO(), detail::Operation::Update);
}
int deleteScriptingRecord() {
  return plain(SCR(), detail::Operation::Delete);
}
int updateScriptingRecord() {
  return plain(SCR(), detail::Operation::Update);
}

}  // namespace dw::app
