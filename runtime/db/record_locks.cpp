// HOLD, RELEASE, LOCK and UNLOCK over the file object's named locks; see
// record_locks.h.
#include "runtime/db/record_locks.h"

#include <chrono>
#include <thread>

#include "runtime/lang/errors.h"

namespace dw::db {

using dw::platform::LockKind;

namespace {

class PlatformRetry final : public LockRetry {
 public:
  std::uint32_t now() override { return dw::platform::platform().hundredthsSinceStart(); }
  void pause() override { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }
};

// Tries the named lock until it is taken or `limit` hundredths have passed
// since `start` (no limit when unset).  A limit of 0 tries once.
bool takeRetrying(BriskFile& file, std::uint32_t n, std::optional<std::uint64_t> limit,
                  LockRetry& retry) {
  const std::uint32_t start = retry.now();
  while (true) {
    if (file.lockNamed(n, LockKind::Exclusive)) return true;
    if (limit && std::uint32_t(retry.now() - start) >= *limit) return false;
    retry.pause();
  }
}

std::optional<std::uint64_t> limitOf(std::int32_t seconds) {
  if (seconds < 0) return std::nullopt;
  return std::uint64_t(seconds) * 100;
}

}  // namespace

std::uint32_t namedLockOf(const StoredNumber& stored) {
  const std::uint32_t n = std::uint32_t(stored[0]) | std::uint32_t(stored[1]) << 8 |
                          std::uint32_t(stored[2]) << 16 | std::uint32_t(stored[3]) << 24;
  return n + 1;
}

LockRetry& defaultLockRetry() {
  static PlatformRetry retry;
  return retry;
}

void RecordHold::arm(std::int32_t seconds) {
  m_armed = true;
  m_seconds = seconds < 0 ? kHoldForever : seconds;
}

int RecordHold::onRead(BriskFile& file, const StoredNumber& record, LockRetry& retry) {
  release(file);
  if (!m_armed) return 0;
  m_armed = false;
  if (!takeRetrying(file, namedLockOf(record), limitOf(m_seconds), retry)) {
    return dw::lang::err::kRecordHeld;
  }
  m_held = record;
  return 0;
}

void RecordHold::release(BriskFile& file) {
  if (!m_held) return;
  file.unlockNamed(namedLockOf(*m_held));
  m_held.reset();
}

int RecordHold::lockForChange(BriskFile& file, const StoredNumber& record, int refusal) {
  if (m_held == record) return 0;
  release(file);
  if (!file.lockNamed(namedLockOf(record), LockKind::Exclusive)) return refusal;
  m_held = record;
  return 0;
}

int TableLock::lock(BriskFile& file, const StoredNumber& table, TableLockWait wait,
                    std::int32_t seconds, LockRetry& retry) {
  if (m_table) return -1;
  const auto limit = wait == TableLockWait::Forever ? std::nullopt : limitOf(std::max(0, seconds));
  if (!takeRetrying(file, namedLockOf(table), limit, retry)) return dw::lang::err::kFileLocked;
  m_table = table;
  return 0;
}

int TableLock::unlock(BriskFile& file) {
  if (!m_table) return -1;
  file.unlockNamed(namedLockOf(*m_table));
  m_table.reset();
  return 0;
}

}  // namespace dw::db
