// What the delete and update routines of the tables share: the frame of
// one routine (related tables opened and enlisted, the transaction, the
// write, the steps before and after it, commit or roll back), the read of
// a record as it is stored, and the search for a task of a category.
//
// Threads: a runtime thread holding the Runtime lock.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/routines/file_routines.h"

namespace dw::app::detail {

enum class Operation { Delete, Update };

// What a failed step has to tell the user.  It is told only after the
// transaction has been rolled back: a box gives the Runtime lock up while it
// waits, and another thread's writes to the same file would otherwise join
// the transaction and be rolled back with it.
using Report = std::function<void()>;

// A step of a routine: 0 to go on; non-zero stops the routine, which rolls
// the transaction back, runs the step's report (if it set one) and returns
// the number.  The posted error the step left is kept for the report.
using Step = std::function<int(Report& report)>;

struct RoutineSpec {
  db::DeclaredFile* file = nullptr;
  std::string_view label;
  Operation operation = Operation::Update;
  // Opened through the user counts for the routine (created when missing)
  // and enlisted in the transaction beside `file`, in this order (at most
  // two).
  std::vector<db::DeclaredFile*> related;
  Step before;  // inside the transaction, before the write
  Step after;   // after a successful write, before the commit
};

// Runs one delete or update routine: 0 on success, else the error (or -1
// for a refusal by a step) with the transaction rolled back.
int runRoutine(const RoutineSpec& spec);

// The stored image of the file's current record, read through a second
// opener so that the declaration's position, buffers and WATCH copy stay
// as they are; nothing when it cannot be read.  Leaves the posted error.
std::optional<std::string> storedRecord(db::DeclaredFile& file);

// Whether a Schedule task carries this category (compared as the category
// key compares it: case and trailing blanks do not count).  SCH's buffer is
// kept.  A read error other than "no record" gives nullopt with the error
// posted, and `report` set to tell it (message 35 for "Schedule").
std::optional<bool> categoryInUse(std::string_view category, Report& report);

// Case-blind equality of two stored texts, trailing blanks ignored.
bool sameText(std::string_view a, std::string_view b);

}  // namespace dw::app::detail
