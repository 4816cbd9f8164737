// Crash recovery: finishing (or discarding) a commit whose pending copies
// are recorded in the header at offset 0.  See commit.cpp for the states a
// crash can leave and why copying the pending pages in place is safe.
#include <vector>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/brisk_file.h"

namespace dw::db {

using namespace dw::platform;

bool BriskFile::walkPendingCopies(std::map<std::uint32_t, std::uint32_t>& copies) {
  const Header& atZero = m_header;
  if (atZero.pendingStart > atZero.pendingEnd || atZero.pendingEnd > kLockBase) return false;
  std::uint64_t pos = atZero.pendingStart;
  std::uint8_t head[kUnit];
  while (pos < atZero.pendingEnd) {
    if (readAt(pos, kUnit, head) < kPageHeaderSize) return false;
    const std::uint32_t own = getU32(head);
    const std::uint32_t size = roundUpUnits(getU16(head + 4));
    if (size == 0 || size > kMaxPageBytes || pos + size > atZero.pendingEnd ||
        (own != 0 && (own < kHeaderSize || (own - kHeaderSize) % kUnit != 0)) ||
        own + size > atZero.pendingStart) {
      return false;
    }
    copies[own] = std::uint32_t(pos);
    pos += size;
  }
  return true;
}

int BriskFile::recover() {
  // 1. Walk the pending area, noting where each page's copy lies.
  std::map<std::uint32_t, std::uint32_t> copies;
  const Header atZero = m_header;
  if (!walkPendingCopies(copies)) return kRefreshInvalid;
  // 2. The new header is the copy whose own offset is 0.
  auto it = copies.find(0);
  if (it == copies.end()) return kRefreshInvalid;
  std::uint8_t buf[kHeaderSize];
  if (readAt(it->second, kHeaderSize, buf) != kHeaderSize) return kRefreshInvalid;
  const Header fresh = Header::decode(buf);
  if (!fresh.magicOk || !fresh.regionsValid()) return kRefreshInvalid;

  // 3. Copies of a transaction that is still open are thrown away.
  m_header = fresh;
  m_pendingCopies = copies;
  // The test reads the file's own transaction entry from the new state:
  // the header counts as loaded meanwhile so that the tree does not
  // refresh (and recover) again underneath it.
  bool openTransaction = false;
  if (m_openTransaction) {
    m_headerLoaded = true;
    openTransaction = m_openTransaction(*this);
    m_headerLoaded = false;
  }
  m_cache.dropAll();
  bumpGeneration();
  if (openTransaction) {
    m_pendingCopies.clear();
    m_header = atZero;
    if (!m_readMode) {
      Header reset = atZero;
      reset.pendingStart = reset.pendingEnd = reset.endOfData();
      m_lastError = 0;
      if (!writeHeaderAt(0, reset) || !flushFile()) return kRefreshInvalid;
      m_header = reset;
    }
    m_diskHeader = m_header;
    return 0;
  }
  // 4. A reader reads changed pages from their copies; a writer puts them
  //    in place and resets the pending range.
  if (m_readMode) {
    m_diskHeader = atZero;
    m_pendingHeader = fresh;
    return 0;
  }
  m_pendingCopies.clear();
  return applyPendingCopies(copies, fresh);
}

int BriskFile::applyPendingCopies(const std::map<std::uint32_t, std::uint32_t>& copies,
                                  const Header& fresh) {
  const bool exclusive = m_locking == Locking::ExclusiveWrites;
  if (exclusive) (void)lockExclusive(LockWait::Wait);
  m_lastError = 0;
  std::vector<std::uint8_t> page(kMaxPageBytes);
  bool ok = true;
  for (const auto& [own, at] : copies) {
    if (readAt(at, kUnit, page.data()) != kUnit) {
      ok = false;
      break;
    }
    const std::uint32_t size = own == 0 ? kHeaderSize : roundUpUnits(getU16(page.data() + 4));
    if (size > kUnit && readAt(at + kUnit, size - kUnit, page.data() + kUnit) != size - kUnit) {
      ok = false;
      break;
    }
    (void)writeAt(own, size, page.data());
  }
  Header done = fresh;
  done.pendingStart = done.pendingEnd = done.endOfData();
  ok = ok && flushFile() && writeHeaderAt(0, done) && flushFile();
  if (exclusive) unlockHeld();
  if (!ok) return kRefreshInvalid;
  m_header = m_diskHeader = done;
  return 0;
}

int BriskFile::settlePending() {
  if (m_diskHeader.pendingStart == m_diskHeader.pendingEnd) return 0;
  if (m_readMode) return kRefreshInvalid;
  const Header working = m_header;
  int r = 0;
  if (!m_pendingCopies.empty()) {
    // The reader's view is the state after the unfinished commit: put its
    // copies in place, as a writer's refresh would have.
    const auto copies = std::move(m_pendingCopies);
    m_pendingCopies.clear();
    r = applyPendingCopies(copies, m_pendingHeader);
  } else {
    // The copies were discarded (an open transaction's): only the pending
    // range at offset 0 is left to reset.
    Header reset = m_diskHeader;
    reset.pendingStart = reset.pendingEnd = reset.endOfData();
    m_lastError = 0;
    if (writeHeaderAt(0, reset) && flushFile()) {
      m_diskHeader = reset;
    } else {
      r = kRefreshInvalid;
    }
  }
  m_header = working;
  if (r == 0) {
    m_header.pendingStart = m_diskHeader.pendingStart;
    m_header.pendingEnd = m_diskHeader.pendingEnd;
  }
  return r;
}

}  // namespace dw::db
