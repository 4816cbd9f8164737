// What the delete and update routines of the tables share: the frame of
// one routine (related table opened and enlisted, the transaction, the
// write, the steps before and after it, commit or roll back), the read of
// a record as it is stored, and the search for a task of a category.
//
// Threads: a runtime thread holding the Runtime lock.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/file_routines.h"

namespace dw::app::detail {

enum class Operation { Delete, Update };

// A step of a routine: 0 to go on; non-zero (already reported to the user)
// stops the routine, which then rolls the transaction back and returns it.
using Step = std::function<int()>;

struct RoutineSpec {
  db::DeclaredFile* file = nullptr;
  std::string_view label;
  Operation operation = Operation::Update;
  // Opened through the user counts for the routine (created when missing)
  // and enlisted in the transaction beside `file`; null for none.
  db::DeclaredFile* related = nullptr;
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
// kept.  A read error other than "no record" is reported (message 35 for
// "Schedule") and returned as nullopt.
std::optional<bool> categoryInUse(std::string_view category);

// Case-blind equality of two stored texts, trailing blanks ignored.
bool sameText(std::string_view a, std::string_view b);

}  // namespace dw::app::detail
