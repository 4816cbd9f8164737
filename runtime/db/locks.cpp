// Byte-range locks of a Brisk file.
//
// All lock bytes lie at 2^31 and beyond, where the file never has data (a
// file's data is kept below 2^31, see commit.cpp), so a lock never stops a
// read or write of real data:
//
//   2^31 + slot          1 byte   shared slot of one reader (slot 0..1022)
//   2^31 .. 2^31+1022    1023     the exclusive lock of a writer
//   2^31 + 1024 + n      1 byte   named lock n (records and tables)
//
// A reader holds its own slot byte; a writer's range covers every slot, so
// it waits until no reader holds one and then keeps readers out.  Slots
// start at the clock modulo 1023 and move up (wrapping inside the range)
// when another opener holds the byte, so every slot stays inside the range
// the exclusive lock covers.  Named locks may lie beyond 2^32; offsets are
// 64-bit throughout.
#include <chrono>
#include <thread>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brisk_file.h"

namespace dw::db {

using namespace dw::platform;

namespace {
constexpr std::uint32_t kSlots = 1023;
}

bool BriskFile::lockShared(LockWait wait) {
  if (m_held == Held::Shared) return true;
  while (true) {
    for (std::uint32_t tries = 0; tries < kSlots; ++tries) {
      const OsStatus st =
          m_file->lock(kLockBase + m_slot, 1, LockKind::Exclusive, LockWait::TryOnce);
      if (st) {
        m_held = Held::Shared;
        return true;
      }
      if (st.error() != kLockViolation && st.error() != kSharingViolation) {
        m_lastError = st.error();
        return false;
      }
      m_slot = (m_slot + 1) % kSlots;
      if (wait == LockWait::TryOnce) return false;
    }
    // Every slot is taken: a writer holds the range.  Wait and try again.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool BriskFile::lockExclusive(LockWait wait) {
  if (m_held == Held::Exclusive) return true;
  if (m_held == Held::Shared) unlockHeld();
  while (true) {
    const OsStatus st = m_file->lock(kLockBase, kSlots, LockKind::Exclusive, LockWait::TryOnce);
    if (st) {
      m_held = Held::Exclusive;
      return true;
    }
    if (wait == LockWait::TryOnce ||
        (st.error() != kLockViolation && st.error() != kSharingViolation)) {
      if (st.error() != kLockViolation) m_lastError = st.error();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void BriskFile::unlockHeld() {
  if (m_held == Held::None) return;
  const OsStatus st = m_held == Held::Shared ? m_file->unlock(kLockBase + m_slot, 1)
                                             : m_file->unlock(kLockBase, kSlots);
  m_held = Held::None;
  if (!st) brkbtFail(check::kUnlockFailed);
}

bool BriskFile::lockNamed(std::uint32_t n, LockKind kind) {
  if (kind == LockKind::Shared) brkbtFail(check::kNamedShared);
  return bool(m_file->lock(kLockBase + 1024 + n, 1, LockKind::Exclusive, LockWait::TryOnce));
}

void BriskFile::unlockNamed(std::uint32_t n, LockKind kind) {
  if (kind == LockKind::Shared) brkbtFail(check::kNamedSharedRelease);
  if (!m_file->unlock(kLockBase + 1024 + n, 1)) brkbtFail(check::kUnlockFailed);
}

}  // namespace dw::db
