// Consistency checks: the single path from a failed check to the halt.
#include "runtime/db/brisk_checks.h"

#include <atomic>
#include <string>

#include "runtime/db/table_name.h"
#include "runtime/lang/errors.h"

namespace dw::db {

namespace {

thread_local const std::string* t_checkedFile = nullptr;
std::atomic<DamageObserver> g_damageObserver{nullptr};

// Checks that fail on what the file holds rather than on the engine's own
// state.
bool meansDamage(int number) {
  switch (number) {
    case check::kShortRead:
    case check::kParseEnd:
    case check::kPageSizeClass:
    case check::kEqualKeys:
    case check::kLevelMismatch:
    case check::kRefreshFailed:
    case check::kRefreshFailedRoot:
    case check::kParentIsLeaf:
    case check::kReadNotBlocks:
      return true;
    default:
      return false;
  }
}

}  // namespace

CheckedFile::CheckedFile(const std::string& name) : m_previous(t_checkedFile) {
  t_checkedFile = &name;
}

CheckedFile::~CheckedFile() {
  t_checkedFile = m_previous;
}

void setDamageObserver(DamageObserver observer) {
  g_damageObserver.store(observer);
}

void brkbtFail(int number) {
  constexpr int kInvalidDataFile = 36;
  if (meansDamage(number)) {
    const std::string file =
        t_checkedFile ? splitTableName(*t_checkedFile).file : std::string("the data file");
    if (DamageObserver observer = g_damageObserver.load(); observer && t_checkedFile)
      observer(file);
    dw::lang::runtimeError(kInvalidDataFile, file + " is damaged (check " + std::to_string(number) +
                                                 "). Run \"brk check " + file +
                                                 "\" for the details and restore the " +
                                                 "file from a backup.");
  }
  dw::lang::runtimeError(0, "Internal error : brkbt line " + std::to_string(number));
}

}  // namespace dw::db
