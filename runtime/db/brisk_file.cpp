// The file object: opening, header refresh, page reads, raw I/O and the
// number counter.  Placement, commit, recovery and locks have files of
// their own.
#include "runtime/db/brisk_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/transaction.h"

namespace dw::db {

using namespace dw::platform;

BriskFile::BriskFile(std::unique_ptr<File> file, const std::string& path,
                     const BriskOptions& options)
    : m_file(std::move(file)),
      m_path(path),
      m_readMode(options.readMode),
      m_locking(options.locking) {
  if (!options.password.empty()) m_cipher.emplace(options.password);
  // Every opener, tools included, keeps the copies of an unfinished
  // transaction from being completed (transaction.h).
  m_openTransaction = [](BriskFile& f) { return transactionStillOpen(f); };
  // Slots stay inside the 1023 bytes the exclusive lock covers.
  m_slot = dw::platform::platform().hundredthsSinceStart() % 1023;
}

BriskFile::~BriskFile() {
  if (m_held != Held::None && m_file) {
    (void)m_file->unlock(m_held == Held::Shared ? kLockBase + m_slot : kLockBase,
                         m_held == Held::Shared ? 1 : 1023);
  }
}

OsResult<std::unique_ptr<BriskFile>> BriskFile::open(const std::string& path,
                                                     const BriskOptions& options,
                                                     Disposition disposition) {
  OpenMode mode{options.readOnlyHandle ? Access::Read : Access::ReadWrite, options.share};
  auto file = dw::platform::platform().open(path, mode, disposition);
  if (!file) return OsResult<std::unique_ptr<BriskFile>>::failure(file.error());
  return std::unique_ptr<BriskFile>(new BriskFile(std::move(*file), path, options));
}

int BriskFile::refreshHeader() {
  if (m_headerLoaded) return 0;
  m_trusting = false;
  if (m_locking == Locking::Shared) {
    const bool ok = m_readMode ? lockShared(LockWait::Wait) : lockExclusive(LockWait::Wait);
    if (!ok) return kRefreshInvalid;
  }
  std::uint8_t buf[kHeaderSize];
  auto read = m_file->readAt(0, buf, kHeaderSize);
  if (!read) brkbtFail(check::kReadFailed);
  const std::size_t got = *read;
  Header disk;
  m_refreshFault.clear();
  if (got == kHeaderSize && m_lastReadValid &&
      std::memcmp(buf, m_lastRead.data(), kHeaderSize) == 0) {
    // The bytes of the last sound header read (the usual case: nobody
    // committed since): its decoded form stands, checks included.
    m_headerOnDisk = true;
    return adoptHeader(m_lastReadHeader);
  }
  m_lastReadValid = false;
  std::memcpy(m_lastRead.data(), buf, std::min<std::size_t>(got, kHeaderSize));
  // Zero bytes where the header belongs (checked before deciphering).
  const bool allZero = got == kHeaderSize &&
                       std::all_of(buf, buf + kHeaderSize, [](std::uint8_t b) { return b == 0; });
  if (m_cipher && got == kHeaderSize && !allZero) m_cipher->decipher(buf, kHeaderSize);
  if (got == 0 || (allZero && !dataFollowsHeader())) {
    // A new, empty file.  The first commit writes a header before any page
    // (commit.cpp), so zeros followed by nothing but zeros are all that a
    // file can hold before its first commit.
    disk = Header{};
    m_headerOnDisk = false;
  } else if (allZero) {
    // Zeros where a header belongs, but pages after them: the header of a
    // committed file was overwritten.  Taking it as a new file would lose
    // every entry at the next commit.
    return refuseHeader("the header is all zero bytes but data follows it");
  } else if (got < kHeaderSize) {
    return refuseHeader("the file is shorter than its 512-byte header");
  } else {
    disk = Header::decode(buf);
    if (!disk.magicOk) return refuseHeader("the header does not carry the file's magic");
    if (!disk.regionsValid()) return refuseHeader("the header's region bounds are invalid");
    m_headerOnDisk = true;
    m_lastReadHeader = disk;
    m_lastReadValid = true;
  }
  return adoptHeader(disk);
}

int BriskFile::refreshHeaderTrusting() {
  if (m_headerLoaded) return 0;
  const bool mayTrust = m_locking == Locking::Shared && m_readMode && m_headerCached &&
                        m_lastReadValid && m_held == Held::None && m_pendingCopies.empty() &&
                        m_diskHeader.pendingStart == m_diskHeader.pendingEnd &&
                        m_file->readsSeeOtherWrites();
  if (!mayTrust || !headerIsLastRead()) {
    return refreshHeader();  // somebody committed, or is committing: the usual way
  }
  // Even a header read while another opener writes one: bytes equal to
  // those of the last read mean its commit had not yet reached them, and
  // the cached pages show the file as it was before that commit.
  m_trusting = true;
  m_headerLoaded = true;
  return 0;
}

bool BriskFile::headerIsLastRead() {
  std::uint8_t buf[kHeaderSize];
  auto read = m_file->readAt(0, buf, kHeaderSize);
  return read && *read == kHeaderSize && std::memcmp(buf, m_lastRead.data(), kHeaderSize) == 0;
}

void BriskFile::confirmTrust() {
  m_trusting = false;
  if (m_trustCheckHook) m_trustCheckHook();
  if (lockShared(LockWait::Wait) && headerIsLastRead()) {
    return;  // nobody committed: the period goes on under the lock
  }
  unlockHeld();
  m_headerLoaded = false;
  throw CacheWentStale{};
}

int BriskFile::adoptHeader(const Header& disk) {
  // A writer never works on top of an unfinished commit, even one this
  // object already saw as a reader (from its copies, or discarded as an
  // open transaction's): it finishes or discards it first.
  const bool finishPending = !m_readMode && disk.pendingStart != disk.pendingEnd;
  if (!m_headerCached || disk.changeCounter != m_diskHeader.changeCounter || finishPending) {
    // Another opener committed (or this is the first access): the cache is
    // stale.  A different counter, not only a greater one, means that.
    m_cache.dropAll();
    m_pendingCopies.clear();
    m_header = m_diskHeader = disk;
    m_headerDirty = false;
    m_nextTemp = 0;
    bumpGeneration();
    if (disk.pendingStart != disk.pendingEnd) {
      const int r = recover();
      if (r != 0) {
        m_headerCached = false;
        if (m_refreshFault.empty()) m_refreshFault = "the pending page copies are damaged";
        unlockHeld();
        return r;
      }
    }
  }
  m_headerCached = true;
  m_headerLoaded = true;
  return 0;
}

int BriskFile::refuseHeader(std::string reason) {
  m_refreshFault = std::move(reason);
  unlockHeld();
  return kRefreshInvalid;
}

bool BriskFile::dataFollowsHeader() {
  std::vector<std::uint8_t> buf(64 * 1024);
  for (std::uint64_t at = kHeaderSize;; at += buf.size()) {
    auto got = m_file->readAt(at, buf.data(), buf.size());
    if (!got) brkbtFail(check::kReadFailed);
    if (*got == 0) return false;
    if (std::any_of(buf.begin(), buf.begin() + std::ptrdiff_t(*got),
                    [](std::uint8_t b) { return b != 0; })) {
      return true;
    }
    if (*got < buf.size()) return false;
  }
}

void BriskFile::setReadMode(bool on) {
  // A writer never works in a period on trust: it ends here, and the next
  // refresh takes the exclusive lock.
  if (!on && m_trusting) release();
  const bool becomesWriter = m_readMode && !on;
  m_readMode = on;
  if (!becomesWriter || !m_headerLoaded) return;
  // A reader that saw an unfinished commit (and read its pages from their
  // copies) is becoming a writer without a new access period: it must put
  // the commit in place before it writes anything on top of it.
  if (m_diskHeader.pendingStart == m_diskHeader.pendingEnd) return;
  if (settlePending() != 0) {
    // Could not write: the next access re-reads the header and recovers.
    m_cache.dropAll();
    m_pendingCopies.clear();
    m_headerCached = false;
    m_headerLoaded = false;
    m_headerDirty = false;
    bumpGeneration();
  }
}

void BriskFile::release() {
  unlockHeld();
  m_headerLoaded = false;
  m_trusting = false;
}

CachedPage* BriskFile::readPage(std::int32_t page) {
  if (CachedPage* p = m_cache.find(page)) {
    m_cache.touch(p);
    return p;
  }
  if (page < 0) {
    auto fresh = std::make_unique<CachedPage>();
    fresh->number = page;
    CachedPage* p = m_cache.insert(std::move(fresh));
    markDirty(p);
    return p;
  }
  m_cache.dropBeforeRead();
  return loadPage(page);
}

CachedPage* BriskFile::loadPage(std::int32_t page) {
  const int cls = m_header.classOf(page);
  if (cls == 0 || (page - m_header.regionStart[cls]) % cls != 0) brkbtFail(check::kPageSizeClass);
  const std::size_t bytes = std::size_t(cls) * kUnit;
  std::vector<std::uint8_t> buf(bytes);
  std::uint64_t at = pageOffset(page);
  if (!m_pendingCopies.empty()) {
    auto it = m_pendingCopies.find(std::uint32_t(at));
    if (it != m_pendingCopies.end()) at = it->second;
  }
  if (readAt(at, bytes, buf.data()) != bytes) brkbtFail(check::kShortRead);
  auto fresh = std::make_unique<CachedPage>();
  fresh->number = page;
  fresh->content =
      parseImage(std::string_view(reinterpret_cast<const char*>(buf.data()), bytes), cls);
  fresh->estimate = estimateOf(fresh->content);
  fresh->image.assign(reinterpret_cast<const char*>(buf.data()), bytes);
  fresh->imageCurrent = true;
  return m_cache.insert(std::move(fresh));
}

std::string BriskFile::readRawPage(std::int32_t page, int cls) {
  std::string buf(std::size_t(cls) * kUnit, '\0');
  std::uint64_t at = pageOffset(page);
  auto it = m_pendingCopies.find(std::uint32_t(at));
  if (it != m_pendingCopies.end()) at = it->second;
  if (readAt(at, buf.size(), reinterpret_cast<std::uint8_t*>(buf.data())) != buf.size()) return {};
  return buf;
}

CachedPage* BriskFile::rootPage() {
  if (!m_headerLoaded && refreshHeader() != 0) brkbtFail(check::kRefreshFailedRoot);
  if (m_header.changeCounter == 0) {
    m_header.changeCounter = 1;
    m_header.rootPage = kNoRoot;
    m_headerDirty = true;
  }
  if (m_header.rootPage < 0 && m_cache.find(m_header.rootPage) == nullptr) {
    // A tree never written: a fresh leaf holding the sentinel.
    CachedPage* root = newPage(0);
    root->entries().push_back(PageEntry{Entry{}, 0});
    root->estimate = estimateOf(root->content);
    m_header.rootPage = root->number;
    m_headerDirty = true;
    return root;
  }
  return readPage(m_header.rootPage);
}

void BriskFile::markDirty(CachedPage* page) {
  if (!page->isLeaf()) ++m_innerChanges;
  m_cache.pin(page);
  page->changed();
}

CachedPage* BriskFile::newPage(std::uint8_t level) {
  auto fresh = std::make_unique<CachedPage>();
  fresh->number = --m_nextTemp;
  fresh->content.level = level;
  CachedPage* p = m_cache.insert(std::move(fresh));
  markDirty(p);
  return p;
}

std::array<std::uint8_t, 4> BriskFile::nextNumber() {
  if (m_readMode) brkbtFail(check::kNumberInReadMode);
  auto& n = m_header.numberCounter;
  for (int i = 3; i >= 0; --i) {
    if (++n[i] != 0) break;
  }
  if (n[0] >= 0xFE) brkbtFail(check::kNumberExhausted);
  m_headerDirty = true;
  return n;
}

std::size_t BriskFile::readAt(std::uint64_t offset, std::size_t length, std::uint8_t* buffer) {
  if (length % kCipherBlock != 0) brkbtFail(check::kReadNotBlocks);
  if (m_trusting) confirmTrust();
  auto got = m_file->readAt(offset, buffer, length);
  if (!got) brkbtFail(check::kReadFailed);
  const std::size_t n = *got;
  if (m_cipher) m_cipher->decipher(buffer, n - n % kCipherBlock);
  return n;
}

bool BriskFile::writeAt(std::uint64_t offset, std::size_t length, std::uint8_t* buffer) {
  if (length % kCipherBlock != 0) brkbtFail(check::kWriteNotBlocks);
  if (m_cipher) m_cipher->encipher(buffer, length);
  const OsStatus st = m_file->writeAt(offset, buffer, length);
  if (m_cipher) m_cipher->decipher(buffer, length);
  if (!st) {
    if (m_lastError == 0) m_lastError = st.error();
    return false;
  }
  return true;
}

}  // namespace dw::db
