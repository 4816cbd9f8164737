// Record and table locks between openers of one Brisk file: HOLD and
// RELEASE of a record, LOCK and UNLOCK of a table.  Both are named locks of
// the file object (locks.cpp): one byte at 2^31 + 1024 + n + 1, n being the
// record's or table's four stored number bytes read as a little-endian
// number.  Stored numbers stay below 0xFE000000 read big-endian, so the
// little-endian n is at most 0xFFFFFFFD and n + 1 fits 32 bits; the byte
// itself may lie beyond 2^32, far from any data (docs/brisk-transactions.md).
//
// A lock call never waits inside the operating system: waiting means trying
// again after a pause, for as long as the caller's time allows, measured on
// the Runtime's clock in hundredths of a second (LockRetry).
//
// Locks belong to the file object that took them: two file objects (two
// processes, or two opens in one process) exclude each other; two tables on
// one file object exclude each other too, since a named lock is never
// shared.  A RecordHold or TableLock belongs to one table and is used under
// the Runtime lock like the table.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "runtime/db/brisk_file.h"

namespace dw::db {

using StoredNumber = std::array<std::uint8_t, 4>;  // as stored: big-endian

// The named lock of a record or table number: the stored bytes read
// little-endian, plus one.
std::uint32_t namedLockOf(const StoredNumber& stored);

// How a waiting lock passes its time between tries.
class LockRetry {
 public:
  virtual ~LockRetry() = default;
  // The Runtime's clock in hundredths of a second (it may wrap).
  virtual std::uint32_t now() = 0;
  // Between two tries: sleeps briefly, or lets the window system work.
  virtual void pause() = 0;
};
// The platform's clock and a pause of 10 ms.
LockRetry& defaultLockRetry();

// Seconds of a HOLD: -1 keeps trying without limit.
inline constexpr std::int32_t kHoldForever = -1;

// The HOLD of one table: armed by HOLD, taken by the next read, released
// by RELEASE, by PUT, DELETE and ADD, and by any later read of the table.
class RecordHold {
 public:
  // HOLD: the next read takes the record's lock, trying for `seconds`
  // (kHoldForever: without limit; 0: once).
  void arm(std::int32_t seconds);
  bool armed() const { return m_armed; }
  // A read of record `record`: gives up the record held so far, and when
  // armed takes the lock of this one, retrying until the seconds have
  // passed since the read began.  0, or 43 'Record Is Already Held'.  The
  // arming lasts only for this read.
  int onRead(BriskFile& file, const StoredNumber& record, LockRetry& retry = defaultLockRetry());
  // RELEASE, ADD: gives up the held record, if any.
  void release(BriskFile& file);
  std::optional<StoredNumber> held() const { return m_held; }

  // PUT and DELETE of `record`: 0 when it is held here or its lock can be
  // taken now (once), else `refusal` (5 for PUT, 33 for DELETE).  After
  // the change, release() gives up whichever lock the record had.
  int lockForChange(BriskFile& file, const StoredNumber& record, int refusal);

 private:
  bool m_armed = false;
  std::int32_t m_seconds = 0;
  std::optional<StoredNumber> m_held;
};

// How LOCK waits for the table lock.
enum class TableLockWait : std::uint8_t {
  Forever,  // operation 20
  Limited,  // operation 21: at most the given seconds
};

// The LOCK of one table.
class TableLock {
 public:
  // LOCK: 0, 32 'File Is Already Locked' when the time ran out (or at once
  // for a limit of 0 seconds), -1 when this table holds it already.
  int lock(BriskFile& file, const StoredNumber& table, TableLockWait wait, std::int32_t seconds = 0,
           LockRetry& retry = defaultLockRetry());
  // UNLOCK: gives the lock up; -1 when this table does not hold it.
  int unlock(BriskFile& file);
  bool locked() const { return m_table.has_value(); }

 private:
  std::optional<StoredNumber> m_table;
};

}  // namespace dw::db
