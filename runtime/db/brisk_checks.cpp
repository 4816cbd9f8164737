// Consistency checks: the single path from a failed check to the halt.
#include "runtime/db/brisk_checks.h"

#include <string>

#include "runtime/lang/errors.h"

namespace dw::db {

void brkbtFail(int number) {
  dw::lang::runtimeError(0, "Internal error : brkbt line " + std::to_string(number));
}

}  // namespace dw::db
