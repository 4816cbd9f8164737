// The delete and update routines of the Categories table, which keep every
// task's category in the table: a category that a task uses can neither be
// deleted nor renamed.
//
// Delete: inside a transaction over Categories and Schedule, the category
// is read again by its key, then a task of the category refuses the delete
// (message 13 naming "Schedule") and rolls back.
//
// Update: the category is written; when its name changed (letter case and
// trailing blanks do not count, as in the key), a task under the old name
// refuses the change (message 12), rolls back and puts the old name back
// into the record buffer.  The old name is the category as stored, read
// before the transaction through a second opener, so the declaration's
// WATCH copy still decides whether another station changed it meanwhile.
//
// Threads: a runtime thread holding the Runtime lock.
#include <cstring>

#include "app/routines/file_routines_internal.h"
#include "runtime/lang/errors.h"

namespace dw::app {

namespace {

constexpr int kRefused = -1;

}  // namespace

int deleteCategoriesRecord() {
  CategoriesFile& cat = CAT();
  detail::RoutineSpec spec;
  spec.file = &cat;
  spec.label = kCategoriesLabel;
  spec.operation = detail::Operation::Delete;
  spec.related = {&SCH()};
  spec.before = [&cat](detail::Report& report) -> int {
    if (int rc = cat.get(cat_key::kKeyCategory)) {
      report = [] { standardError(stdmsg::kDeleteError, kCategoriesLabel); };
      return rc;
    }
    const std::optional<bool> used = detail::categoryInUse(cat->Category.raw(), report);
    if (!used) return lang::errorCode() ? lang::errorCode() : kRefused;
    if (*used) {
      report = [] { standardError(stdmsg::kRestrictDelete, kScheduleLabel); };
      return kRefused;
    }
    return 0;
  };
  return detail::runRoutine(spec);
}

int updateCategoriesRecord() {
  CategoriesFile& cat = CAT();
  std::string oldName;
  if (const auto stored = detail::storedRecord(cat)) {
    CategoryRecord old;
    std::memcpy(&old, stored->data(), sizeof old);
    oldName = old.Category.raw();
  }
  detail::RoutineSpec spec;
  spec.file = &cat;
  spec.label = kCategoriesLabel;
  spec.operation = detail::Operation::Update;
  spec.related = {&SCH()};
  spec.after = [&cat, &oldName](detail::Report& report) -> int {
    if (oldName.empty() || detail::sameText(oldName, cat->Category.raw())) return 0;
    const std::optional<bool> used = detail::categoryInUse(oldName, report);
    if (!used) return lang::errorCode() ? lang::errorCode() : kRefused;
    if (*used) {
      cat->Category = oldName;
      report = [] { standardError(stdmsg::kRestrictUpdate, kScheduleLabel); };
      return kRefused;
    }
    return 0;
  };
  return detail::runRoutine(spec);
}

}  // namespace dw::app
