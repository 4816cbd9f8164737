// The two-phase commit.
//
// Crash-safety invariants (E0 = end of data of the header at offset 0 when
// the commit starts; P = the pending range the commit records):
//
//  1. Until the header at offset 0 is rewritten with P set, nothing below
//     E0 is touched: pages placed at or beyond E0 are written in place (the
//     old header does not describe those bytes), every other page and the
//     new header are written as copies into P, which lies at or beyond both
//     E0 and the new end of data.
//  2. The copies in P are flushed before the header at offset 0 records P,
//     and that header write is one 512-byte sector, so it is either the old
//     header or the old header with P set.
//  3. Once offset 0 records P (and that is flushed) the commit is decided:
//     every copy in P carries its own offset, so the whole new state can be
//     rebuilt from P alone; copying them in place is idempotent.
//  4. Phase 2 writes only inside the new layout (below P) and resets P only
//     after a flush, so the pending copies stay valid until they are no
//     longer needed.  It writes nothing at offset 0 before that flush:
//     offset 0 keeps recording P (phase 1's header) until the pages are
//     durable, and then takes the new header with P reset, in one write.
//  5. File data stays below 2^31, where the lock bytes begin.
//
//  6. A file's first commit writes the empty header at offset 0 and flushes
//     it before anything else, so a file whose first 512 bytes are zero
//     never legitimately holds data after them.
//  7. Bytes past P are never read: the zeros written there ahead of need
//     (reserveBeyond) only spare later commits from growing the file.
//
// What recovery (recovery.cpp) finds after a crash, by the moment it came:
//  - during the first commit's header write: a file of zeros (or nothing),
//    which is a new file;
//  - during phase 1, before the header at offset 0 records P: the old header
//    with an empty pending range; the file is in its state before the
//    commit (bytes beyond E0 are unused by it);
//  - after P is recorded, during phase 2 or before P is reset: copies are
//    put back in place from P and P is reset: the state after the commit;
//    a reader (read mode) reads the changed pages from their copies instead;
//  - after P is reset: the state after the commit.
// A failed write in phase 1 abandons the commit: the header at offset 0 is
// put back as it was, the cache is dropped and the error is returned.
#include <algorithm>
#include <vector>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brisk_file.h"

namespace dw::db {

using namespace dw::platform;

namespace {

// Byte ranges that follow each other are written with one operating-system
// write: the pending copies of a commit always do, pages in place often do
// (a region's pages are back to back).  Nothing is written before finish()
// or before a range that does not continue the gathered one arrives.
class WriteGather {
 public:
  explicit WriteGather(BriskFile& file) : m_file(file) {}
  void add(std::uint64_t at, const void* bytes, std::size_t length) {
    if (!m_bytes.empty() && (at != m_at + m_bytes.size() || m_bytes.size() >= kMaxGather)) {
      finish();
    }
    if (m_bytes.empty()) m_at = at;
    const auto* b = static_cast<const std::uint8_t*>(bytes);
    m_bytes.insert(m_bytes.end(), b, b + length);
  }
  // Writes what is gathered; false when the write failed (the file object
  // keeps the error).
  bool finish() {
    if (m_bytes.empty()) return m_ok;
    m_ok = m_file.writeAt(m_at, m_bytes.size(), m_bytes.data()) && m_ok;
    m_bytes.clear();
    return m_ok;
  }

 private:
  static constexpr std::size_t kMaxGather = 1 << 20;
  BriskFile& m_file;
  std::uint64_t m_at = 0;
  std::vector<std::uint8_t> m_bytes;
  bool m_ok = true;
};

// The dirty pages in ascending file order.  Sorted on copies of their
// numbers: a large commit has thousands of pages spread over memory, which
// a comparison reaching into each page would fetch again and again.
std::vector<CachedPage*> inFileOrder(const std::vector<CachedPage*>& pages) {
  std::vector<std::pair<std::int32_t, CachedPage*>> keyed;
  keyed.reserve(pages.size());
  for (CachedPage* p : pages) keyed.emplace_back(p->number, p);
  std::sort(keyed.begin(), keyed.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<CachedPage*> sorted;
  sorted.reserve(keyed.size());
  for (const auto& k : keyed) sorted.push_back(k.second);
  return sorted;
}

}  // namespace

bool BriskFile::writeHeaderAt(std::uint64_t offset, const Header& h) {
  std::uint8_t buf[kHeaderSize];
  h.encode(buf);
  return writeAt(offset, kHeaderSize, buf);
}

bool BriskFile::flushFile() {
  const OsStatus st = m_file->flush();
  if (!st && m_lastError == 0) m_lastError = st.error();
  return bool(st);
}

void BriskFile::abandonChanges() {
  m_preparedOrder.clear();
  m_cache.dropAll();
  m_pendingCopies.clear();
  m_headerCached = false;
  m_headerLoaded = false;
  m_headerDirty = false;
  m_nextTemp = 0;
  bumpGeneration();
}

void BriskFile::reserveBeyond(std::uint64_t end) {
  // A commit that extends the file makes every flush of it record the new
  // size as well, which costs the file system a journal write each time.
  // The bytes past the pending range are unused, so zeros written there
  // ahead of need (an eighth of the file, 4 KiB to 128 KiB) are harmless;
  // a failure to write them is ignored.  The file is cut back at its close.
  // Only a commit that grew the file by less than half that reserves: one
  // that grew it by more (a load, the first commit since the open) would
  // write its next pages over the zeros at once, doubling its writing.
  if (end <= m_reservedEnd) return;
  constexpr std::uint64_t kMin = 4096, kMax = 128 * 1024;
  const std::uint64_t slack = std::clamp<std::uint64_t>(end / 8, kMin, kMax);
  const std::uint64_t grown = end - m_reservedEnd;
  m_reservedEnd = end;
  const std::uint64_t to = std::min<std::uint64_t>(end + slack, kLockBase);
  if (grown > slack / 2 || to <= end) return;
  const std::vector<std::uint8_t> zeros(to - end, 0);
  if (m_file->writeAt(end, zeros.data(), zeros.size())) m_reservedEnd = to;
}

OsError BriskFile::commit() {
  if (!hasChanges()) return 0;
  const OsError err = prepareCommit();
  if (err != 0) return err;
  applyCommit();
  return 0;
}

bool BriskFile::hasChanges() const {
  return !m_cache.dirtyPages().empty() || m_headerDirty;
}

OsError BriskFile::prepareCommit() {
  m_lastError = 0;
  m_prepared.reset();
  // Never commit on top of an unfinished commit recorded at offset 0.
  if (m_diskHeader.pendingStart != m_diskHeader.pendingEnd && settlePending() != 0) {
    const OsError err = m_lastError != 0 ? m_lastError : kWriteFault;
    abandonChanges();
    return err;
  }
  // A new file gets its (empty) header before any page: zeros at offset 0
  // with data after them then always mean damage, never a new file.
  if (!m_headerOnDisk) {
    if (!writeHeaderAt(0, m_diskHeader) || !flushFile()) {
      const OsError err = m_lastError != 0 ? m_lastError : kWriteFault;
      abandonChanges();
      return err;
    }
    m_headerOnDisk = true;
  }
  // A tree that was never written (only the header changed) is stored as
  // the empty state, root -1, not as a root page that has no place.
  if (m_header.changeCounter == 0) m_header.rootPage = kNoRoot;
  const Header old = m_diskHeader;
  const std::uint32_t e0 = old.endOfData();
  placeDirtyPages();
  m_header.pendingStart = m_header.pendingEnd = std::max(m_header.endOfData(), e0);
  ++m_header.changeCounter;
  std::uint64_t pendingEnd = m_header.pendingStart;
  // Both phases write the pages in file order; phase 2 keeps this one.
  std::vector<CachedPage*> order = inFileOrder(m_cache.dirtyPages());
  std::uint64_t total = pendingEnd + kHeaderSize;
  for (CachedPage* p : m_cache.dirtyPages()) {
    if (pageOffset(p->number) < e0) total += p->image.size();
  }
  if (total > kLockBase) {
    m_lastError = kDiskFull;  // the data would reach the lock bytes
  } else {
    // The copies go out as one write, the pages beyond E0 in file order,
    // neighbours together.
    WriteGather copies(*this), inPlace(*this);
    for (CachedPage* p : order) {
      const std::uint64_t at = pageOffset(p->number);
      setImageOwnOffset(p->image, std::uint32_t(at));
      if (at >= e0) {
        inPlace.add(at, p->image.data(), p->image.size());
        p->writtenInPlace = true;  // a failed write abandons the commit
      } else {
        copies.add(pendingEnd, p->image.data(), p->image.size());
        pendingEnd += p->image.size();
      }
    }
    m_header.pendingEnd = std::uint32_t(pendingEnd + kHeaderSize);
    std::uint8_t head[kHeaderSize];
    m_header.encode(head);
    copies.add(pendingEnd, head, kHeaderSize);
    (void)copies.finish();
    (void)inPlace.finish();
    reserveBeyond(m_header.pendingEnd);
  }
  bool decided = false;
  if (m_lastError == 0 && flushFile()) {
    Header marked = old;
    marked.pendingStart = m_header.pendingStart;
    marked.pendingEnd = m_header.pendingEnd;
    decided = writeHeaderAt(0, marked);
    if (decided && !flushFile()) {
      // Not known to be durable: put the old header back so that the
      // commit is not applied later after being reported as failed.
      (void)writeHeaderAt(0, old);
      (void)m_file->flush();
      decided = false;
    }
  }
  if (!decided) {
    const OsError err = m_lastError != 0 ? m_lastError : kWriteFault;
    abandonChanges();
    return err;
  }
  m_prepared = old;
  m_preparedOrder = std::move(order);
  return 0;
}

void BriskFile::cancelPrepared() {
  if (!m_prepared) return;
  (void)writeHeaderAt(0, *m_prepared);
  (void)m_file->flush();
  m_prepared.reset();
  abandonChanges();
}

void BriskFile::applyCommit() {
  if (!m_prepared) return;
  m_prepared.reset();
  m_lastError = 0;
  if (m_locking == Locking::ExclusiveWrites) (void)lockExclusive(LockWait::Wait);
  std::uint32_t pagesWritten = 0;
  WriteGather inPlace(*this);
  for (CachedPage* p : m_preparedOrder) {
    if (!p->writtenInPlace) inPlace.add(pageOffset(p->number), p->image.data(), p->image.size());
    ++pagesWritten;
  }
  m_preparedOrder.clear();
  // Offset 0 still records the pending range (phase 1), so until the pages
  // are flushed a crash finishes the commit from its copies; only then may
  // the header without a pending range replace it.
  (void)inPlace.finish();
  if (flushFile()) {
    Header done = m_header;
    done.pendingStart = done.pendingEnd = done.endOfData();
    if (writeHeaderAt(0, done) && flushFile()) {
      m_header = m_diskHeader = done;
    }
  }
  if (m_locking == Locking::ExclusiveWrites) unlockHeld();
  if (m_lastError != 0) {
    // The commit is decided and durable in its copies: the next refresh
    // finishes it from them, so it is not reported as failed.
    abandonChanges();
    return;
  }
  m_cache.unpinAll();
  m_headerDirty = false;
  m_pagesWritten = pagesWritten;
}

void BriskFile::rollback() {
  abandonChanges();
}

OsError BriskFile::cutAtEndOfData() {
  if (m_header.pendingStart != m_header.pendingEnd || !m_cache.dirtyPages().empty()) return 0;
  auto size = m_file->size();
  if (!size) return size.error();
  const std::uint64_t end = m_header.endOfData();
  if (*size <= end || (*size > 0 && m_header.changeCounter == 0)) return 0;
  const OsStatus st = m_file->truncate(end);
  m_reservedEnd = 0;
  return st ? 0 : st.error();
}

}  // namespace dw::db
