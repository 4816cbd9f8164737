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
// "Scripting" file and rolls everything back.  A deleted task's tag goes
// with it (forgetScheduleTag).
//
// Update also holds Categories in its transaction and, before the write,
// adds the task's category when the table lacks it (another window or
// dornctl removed it while the task was being edited).  The category
// delete routine looks for tasks in a transaction of its own, so whichever
// commits first, no task is stored under a category the table lacks.  A
// failed add is message 31 for "Categories".
//
// Threads: a runtime thread holding the Runtime lock.
#include <cstring>

#include "app/data/field_types.h"
#include "app/data/script_steps.h"
#include "app/routines/file_routines_internal.h"
#include "app/routines/tag_routines.h"
#include "runtime/lang/errors.h"

namespace dw::app {

namespace {

int stepError(std::string_view operation, int rc, detail::Report& report) {
  report = [operation] {
    standardError(stdmsg::kProcessError, {}, kScriptingLabel, {}, operation);
  };
  return rc;
}

int deleteSteps(std::int64_t id, detail::Report& report) {
  if (int rc = deleteScriptSteps(id)) return stepError(kDeleteOperation, rc, report);
  return 0;
}

int addCategoryOf(ScheduleFile& file, detail::Report& report) {
  if (int rc = addMissingCategory(file->Category.raw())) {
    report = [] { standardError(stdmsg::kProcessError, {}, kCategoriesLabel, {}, kPutOperation); };
    return rc;
  }
  return 0;
}

int moveSteps(std::int64_t from, std::int64_t to, detail::Report& report) {
  if (int rc = moveScriptSteps(from, to)) return stepError(kPutOperation, rc, report);
  return 0;
}

}  // namespace

int addMissingCategory(std::string_view category) {
  if (trimRight(category).empty()) return 0;
  CategoriesFile& cat = CAT();
  const CategoryRecord kept = cat.rec();
  cat.clear();
  cat->Category = category;
  int rc = cat.get(cat_key::kKeyCategory);
  if (rc == lang::err::kRecordNotFound || rc == lang::err::kRecordNotAvailable) {
    cat.clear();
    cat->Category = category;
    rc = cat.add();
  }
  cat.rec() = kept;
  return rc;
}

int deleteScheduleRecord() {
  return deleteScheduleRecord(SCH());
}

int deleteScheduleRecord(ScheduleFile& file) {
  detail::RoutineSpec spec;
  spec.file = &file;
  spec.label = kScheduleLabel;
  spec.operation = detail::Operation::Delete;
  spec.related = {&SCR()};
  spec.before = [&file](detail::Report& report) { return deleteSteps(file->ID.get(), report); };
  const std::uint32_t recordNumber = file.pointer();
  const int rc = detail::runRoutine(spec);
  if (rc == 0) forgetScheduleTag(recordNumber);
  return rc;
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
  spec.related = {&SCR(), &CAT()};
  spec.before = [&file](detail::Report& report) { return addCategoryOf(file, report); };
  spec.after = [&file, oldId](detail::Report& report) -> int {
    const std::int64_t newId = file->ID.get();
    if (oldId == 0 || oldId == newId) return 0;
    return moveSteps(oldId, newId, report);
  };
  return detail::runRoutine(spec);
}

}  // namespace dw::app
