// The delete and update routines of the Schedule table (through SCH, or
// SCH1 for the timer work), which carry a task's script steps with it: the
// Scripting records whose SCR:ID is the task's SCH:ID.
//
// Both open Scripting through the user counts when the process does not
// hold it (creating it when missing) and run in one transaction over the
// Schedule and Scripting tables.  Delete removes the steps first, then the
// task; update writes the task, then moves the steps to the task's new
// identifier when it changed (the old one is the task as stored, read
// before the transaction).  A failure on a step is message 31 for the
// "Scripting" file and rolls everything back.
//
// Threads: a runtime thread holding the Runtime lock.
#include <cstring>

#include "app/core/file_routines_internal.h"
#include "runtime/lang/errors.h"

namespace dw::app {

namespace {

// Positions Scripting at the first step of task `id`; whether there is one
// (its record then in SCR's buffer), or the error of the read.
int firstStep(std::int64_t id, bool& found) {
  ScriptingFile& scr = SCR();
  found = false;
  scr.clear();
  scr->ID.set(id);
  int rc = scr.setByValue(scr_key::kKeyID);
  if (rc == 0) rc = scr.next();
  if (rc == lang::err::kRecordNotAvailable) return 0;
  if (rc != 0) return rc;
  found = scr->ID.get() == id;
  return 0;
}

int stepError(std::string_view operation, int rc, detail::Report& report) {
  report = [operation] {
    standardError(stdmsg::kProcessError, {}, kScriptingLabel, {}, operation);
  };
  return rc;
}

int deleteSteps(std::int64_t id, detail::Report& report) {
  ScriptingFile& scr = SCR();
  for (;;) {
    bool found = false;
    if (int rc = firstStep(id, found)) return stepError(kDeleteOperation, rc, report);
    if (!found) return 0;
    if (int rc = scr.erase()) return stepError(kDeleteOperation, rc, report);
  }
}

int moveSteps(std::int64_t from, std::int64_t to, detail::Report& report) {
  ScriptingFile& scr = SCR();
  for (;;) {
    bool found = false;
    if (int rc = firstStep(from, found)) return stepError(kPutOperation, rc, report);
    if (!found) return 0;
    scr->ID.set(to);
    if (int rc = scr.put()) return stepError(kPutOperation, rc, report);
  }
}

}  // namespace

int deleteScheduleRecord() {
  return deleteScheduleRecord(SCH());
}

int deleteScheduleRecord(ScheduleFile& file) {
  detail::RoutineSpec spec;
  spec.file = &file;
  spec.label = kScheduleLabel;
  spec.operation = detail::Operation::Delete;
  spec.related = &SCR();
  spec.before = [&file](detail::Report& report) { return deleteSteps(file->ID.get(), report); };
  return detail::runRoutine(spec);
}

int updateScheduleRecord() {
  return updateScheduleRecord(SCH());
}

int updateScheduleRecord(ScheduleFile& file) {
  std::int64_t oldId = 0;
  if (const auto stored = detail::storedRecord(file)) {
    ScheduleRecord old;
    std::memcpy(&old, stored->data(), sizeof old);
    oldId = old.ID.get();
  }
  detail::RoutineSpec spec;
  spec.file = &file;
  spec.label = kScheduleLabel;
  spec.operation = detail::Operation::Update;
  spec.related = &SCR();
  spec.after = [&file, oldId](detail::Report& report) -> int {
    const std::int64_t newId = file->ID.get();
    if (oldId == 0 || oldId == newId) return 0;
    return moveSteps(oldId, newId, report);
  };
  return detail::runRoutine(spec);
}

}  // namespace dw::app
