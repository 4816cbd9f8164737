// One open Brisk file: its header, page cache, placement of pages in the
// file, the two-phase commit, crash recovery, the cipher and the locks.
// The tree on top of it is brkbt.h; the format is docs/brisk-file-format.md.
//
// Life of an access period: refreshHeader() makes the cached header current
// (taking the shared slot or the exclusive lock when the file uses locking),
// the tree reads and changes pages (changed pages are pinned in the cache),
// commit() writes them, release() ends the period and drops the lock.
// A read period may also begin on trust (refreshHeaderTrusting): without the
// lock for as long as the cached pages serve it.
//
// Not thread-safe: one thread uses a file object at a time (the runtime lock
// serialises threads).
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/brisk_format.h"
#include "runtime/db/cipher.h"
#include "runtime/db/leaf_directory.h"
#include "runtime/db/page_cache.h"
#include "runtime/platform/platform.h"

namespace dw::db {

using dw::platform::OsError;

class ParentIndex;  // placement.cpp

// How openers of one file coordinate.
enum class Locking : std::uint8_t {
  None,             // no locks at all (private files, single user)
  Shared,           // readers hold a slot byte, writers the exclusive range, per access period
  ExclusiveWrites,  // no lock at refresh; the exclusive range only while applying a commit
};

struct BriskOptions {
  bool readMode = false;  // file object starts in read mode
  Locking locking = Locking::Shared;
  std::string password;         // empty: not enciphered
  bool readOnlyHandle = false;  // open the operating-system file for reading only
  // What the open denies other openers of the file (other processes, and
  // other file objects of this one).
  dw::platform::Share share = dw::platform::Share::DenyNone;
};

// The refresh result the driver turns into 'Invalid Data File'.
inline constexpr int kRefreshInvalid = 36;

// Thrown by a page read in a period begun on trust when another opener
// committed since the period began: the pages the period has used may
// belong to a different commit than the ones still to be read.  Nothing of
// the file object is changed; whoever began the period undoes what the
// read did so far and does it again in a period that takes the lock.
struct CacheWentStale {};

class BriskFile {
 public:
  // Opens (or, with OpenAlways/CreateAlways, creates) the file.  The header
  // is not read until the first refreshHeader().
  static dw::platform::OsResult<std::unique_ptr<BriskFile>> open(
      const std::string& path, const BriskOptions& options,
      dw::platform::Disposition disposition = dw::platform::Disposition::OpenExisting);
  // A private file object on a new, empty in-memory file (brisk_file_memory.cpp):
  // no locks, nothing reaches the disk, its contents vanish with it.
  static std::unique_ptr<BriskFile> openInMemory(const std::string& name);
  ~BriskFile();
  BriskFile(const BriskFile&) = delete;
  BriskFile& operator=(const BriskFile&) = delete;

  // Header refresh: 0, or kRefreshInvalid for a short file, a wrong magic or
  // damaged pending copies.
  int refreshHeader();
  // A read period begun on trust, for a read that can be undone and done
  // again: when the file uses shared locking on a local file system, this
  // object is in read mode with a header already cached, and the header on
  // disk is byte for byte the one last read, nobody committed since and
  // the cached pages are the file as it stands; the period then takes no
  // lock.  The first page it must read from the disk takes the shared slot
  // and reads the header again: unchanged, the period goes on under the lock;
  // changed, that read throws CacheWentStale.  In every other case this is
  // refreshHeader().  Returns what refreshHeader() returns.
  int refreshHeaderTrusting();
  // Whether the current period runs on trust, without the lock.
  bool trusting() const { return m_trusting; }
  // Tests: runs just before a period on trust takes the lock for a page read.
  void setTrustCheckHook(std::function<void()> hook) { m_trustCheckHook = std::move(hook); }
  // Ends the access period: the lock is released and the header will be
  // re-read (and the cache dropped if another opener committed).
  void release();
  // Takes this file object's part in the operating system's share checks
  // anew (platform File::changeShare).
  dw::platform::OsStatus changeShare(dw::platform::OpenMode mode) {
    return m_file->changeShare(mode);
  }

  // Pages.  The pointer stays valid until the next readPage of a page not
  // cached (at least the 19 most recently used unpinned pages survive that).
  CachedPage* readPage(std::int32_t page);
  CachedPage* rootPage();
  void markDirty(CachedPage* page);
  CachedPage* newPage(std::uint8_t level);
  void movePage(std::int32_t from, std::int32_t to);
  // Takes a page out of the tree's storage: the last page of its region is
  // moved into its slot.  The page must no longer be referenced.  Returns
  // the former number of the page that now has the freed number (the freed
  // number itself when nothing moved).
  std::int32_t freePage(CachedPage* page);
  // The inner page that references `page` (found by its first key), and
  // in *index, when given, the position of the reference there.
  CachedPage* findParent(CachedPage* page, std::size_t* index = nullptr);
  // The raw image of a placed page (from its pending copy when a reader
  // sees an unfinished commit); empty when it lies beyond the file.
  std::string readRawPage(std::int32_t page, int cls);

  // The next table or record number (big-endian), 1178 at 0xFE000000.
  std::array<std::uint8_t, 4> nextNumber();

  // Two-phase commit: 0 or the operating-system error of a failed write.
  OsError commit();
  // The phases one by one, for a transaction over several files: prepare
  // each file, then apply each; a failed prepare drops the changes and
  // returns the error, cancelPrepared() undoes a prepared file's phase 1.
  bool hasChanges() const;
  OsError prepareCommit();
  void applyCommit();
  void cancelPrepared();
  // Drops every uncommitted change; the header is re-read at the next refresh.
  void rollback();
  // Cuts the operating-system file at the end of data (close and pack).
  OsError cutAtEndOfData();

  // Raw I/O in whole 64-byte blocks, enciphered when a password is set.
  // readAt returns the bytes read (short at the end of the file) and halts
  // on failure; writeAt records a failure in lastError() and returns false.
  std::size_t readAt(std::uint64_t offset, std::size_t length, std::uint8_t* buffer);
  bool writeAt(std::uint64_t offset, std::size_t length, std::uint8_t* buffer);

  // Locks (see locks.cpp for the byte layout).
  bool lockShared(dw::platform::LockWait wait);
  bool lockExclusive(dw::platform::LockWait wait);
  void unlockHeld();
  bool lockNamed(std::uint32_t n, dw::platform::LockKind kind);
  void unlockNamed(std::uint32_t n,
                   dw::platform::LockKind kind = dw::platform::LockKind::Exclusive);
  std::uint32_t slot() const { return m_slot; }

  // The test of crash recovery whether pending copies belong to a
  // transaction that is still open: transactionStillOpen (transaction.h)
  // unless replaced.
  using OpenTransactionTest = std::function<bool(BriskFile&)>;
  void setOpenTransactionTest(OpenTransactionTest test) { m_openTransaction = std::move(test); }

  bool readMode() const { return m_readMode; }
  // Leaving read mode within an access period finishes (or discards) an
  // unfinished commit the reader saw, before anything else is written.
  void setReadMode(bool on);
  // Found damaged: a read failed a check on what the file holds, or its
  // header was refused.  From then on the table layer and the transaction
  // refuse every change (36) and write nothing; the mark lasts as long as
  // this object.
  void markDamaged() { m_damaged.store(true); }
  bool damaged() const { return m_damaged.load(); }
  // Why the last refreshHeader() refused the file (empty when it did not).
  const std::string& refreshFault() const { return m_refreshFault; }
  const Header& header() const { return m_header; }
  Header& mutableHeader() {
    m_headerDirty = true;
    return m_header;
  }
  const std::string& path() const { return m_path; }
  OsError lastError() const { return m_lastError; }
  PageCache& cache() { return m_cache; }
  dw::platform::File& osFile() { return *m_file; }
  // Bumped whenever pages move, split or disappear: cached positions of the
  // tree's in-page shortcuts are only trusted within one generation.
  std::uint64_t treeGeneration() const { return m_generation; }
  void bumpGeneration() { ++m_generation; }
  // Changes whenever the generation does or an inner page changes: the leaf
  // directory is only trusted while it stays the same.
  std::uint64_t shapeVersion() const { return m_generation + m_innerChanges; }
  LeafDirectory& leafDirectory() { return m_leafDirectory; }
  // Statistics of the last successful commit.
  std::uint32_t pagesWrittenLastCommit() const { return m_pagesWritten; }
  // The leaf where the tree last found or changed an entry, for the
  // in-page shortcuts of next, previous, insert and delete.
  std::int32_t hintLeaf() const { return m_hintGeneration == m_generation ? m_hintLeaf : 0; }
  bool hasHint() const { return m_hintValid && m_hintGeneration == m_generation; }
  void setHintLeaf(std::int32_t page) {
    m_hintLeaf = page;
    m_hintValid = true;
    m_hintGeneration = m_generation;
  }
  // The same per region of keys (a table's entries of one kind or one key:
  // the first five bytes), so that a scan of a key keeps its leaf while the
  // records and memos it reads are found elsewhere in the tree.  0: none.
  std::int32_t hintLeafFor(std::string_view key) const {
    const RegionHint* h = liveHint(key);
    return h ? h->leaf : 0;
  }
  void setHintLeaf(std::int32_t page, std::string_view key) {
    setHintLeaf(page);
    const std::uint64_t region = regionOf(key);
    RegionHint& h = m_regionHints[slotOf(region)];
    if (h.region == region && h.leaf == page && h.generation == m_generation) return;
    h.region = region;
    h.leaf = page;
    h.generation = m_generation;
    h.upper = UpperBound::Unknown;  // learnt again by the next walk down
  }
  // The same, also knowing a key above every key of the leaf's range (the
  // separator of its right neighbour when it was found; none: the leaf is
  // the last).  That bound only ever rises while the generation lasts
  // (a neighbour's first key may be deleted; anything else that changes
  // which leaf holds a key bumps the generation), so an insert of a key
  // below it belongs in this leaf even past its last entry.
  void setHintLeaf(std::int32_t page, std::string_view key, const std::string* upper) {
    setHintLeaf(page, key);
    RegionHint& h = m_regionHints[slotOf(regionOf(key))];
    h.upper = upper ? UpperBound::Key : UpperBound::None;
    if (upper) h.upperKey = *upper;
  }
  // Where in its region's hint leaf a step last found an entry: a guess
  // that the caller checks against the leaf's entries before using it (an
  // entry inserted or deleted in the leaf moves the others).
  std::size_t hintIndexFor(std::string_view key) const {
    const RegionHint* h = liveHint(key);
    return h ? h->index : 0;
  }
  void setHintIndex(std::string_view key, std::size_t index) {
    const std::uint64_t region = regionOf(key);
    RegionHint& h = m_regionHints[slotOf(region)];
    if (h.region == region) h.index = index;
  }
  // Whether key lies below the upper bound known for its region's hint leaf.
  bool belowHintUpper(std::string_view key) const {
    const RegionHint* h = liveHint(key);
    if (h == nullptr) return false;
    return h->upper == UpperBound::None ||
           (h->upper == UpperBound::Key && compareKeys(key, h->upperKey) < 0);
  }

 private:
  BriskFile(std::unique_ptr<dw::platform::File> file, const std::string& path,
            const BriskOptions& options);

  // placement.cpp
  void placeDirtyPages();
  void allocate(CachedPage* page, int cls);
  void leavePlace(CachedPage* page);
  void renumber(CachedPage* page, std::int32_t to);

  // commit.cpp
  bool writeHeaderAt(std::uint64_t offset, const Header& h);
  bool flushFile();
  void abandonChanges();
  // Writes zeros past `end` (unused bytes) so that the next commits' copies
  // overwrite bytes the file already has instead of extending it.
  void reserveBeyond(std::uint64_t end);

  // brisk_file.cpp
  int refuseHeader(std::string reason);
  // The second half of a refresh: `disk` is the sound header just read.
  int adoptHeader(const Header& disk);
  bool dataFollowsHeader();

  // recovery.cpp
  int recover();
  // Makes the header at offset 0 free of a pending range, keeping the
  // working header and the cache (which already show the pending state).
  int settlePending();
  bool walkPendingCopies(std::map<std::uint32_t, std::uint32_t>& copies);
  int applyPendingCopies(const std::map<std::uint32_t, std::uint32_t>& copies, const Header& fresh);
  CachedPage* loadPage(std::int32_t page);
  // A period on trust is about to read the disk: takes the lock and checks
  // the header (see refreshHeaderTrusting).
  void confirmTrust();
  // Whether the header at offset 0 is byte for byte the last one read
  // (m_lastRead, which must be valid).
  bool headerIsLastRead();

  std::unique_ptr<dw::platform::File> m_file;
  std::string m_path;
  Header m_header;      // the working header (changes of this access period)
  Header m_diskHeader;  // the header as at offset 0 after the last refresh or commit
  bool m_headerLoaded = false;
  bool m_trusting = false;  // the period runs without the lock (refreshHeaderTrusting)
  std::function<void()> m_trustCheckHook;
  bool m_headerCached = false;
  bool m_headerDirty = false;
  bool m_readMode = false;
  std::atomic<bool> m_damaged{false};  // set by a check failing on another thread's read
  Locking m_locking = Locking::Shared;
  std::optional<Cipher> m_cipher;
  PageCache m_cache;
  std::int32_t m_nextTemp = 0;
  std::uint32_t m_slot = 0;
  enum class Held : std::uint8_t { None, Shared, Exclusive } m_held = Held::None;
  OsError m_lastError = 0;
  std::map<std::uint32_t, std::uint32_t> m_pendingCopies;  // own offset -> copy position
  Header m_pendingHeader;                                  // the header among those copies
  bool m_headerOnDisk = true;  // false until a header was written at offset 0
  std::string m_refreshFault;
  OpenTransactionTest m_openTransaction;
  std::uint64_t m_generation = 0;
  std::uint64_t m_innerChanges = 0;
  LeafDirectory m_leafDirectory;
  std::uint32_t m_pagesWritten = 0;
  ParentIndex* m_parentIndex = nullptr;      // the parent records of a placement under way
  std::optional<Header> m_prepared;          // the old header while phase 1 is done
  std::vector<CachedPage*> m_preparedOrder;  // its dirty pages in file order, for phase 2
  // The raw bytes of the last header read that passed the checks, and what
  // they decode to: a refresh that reads the same bytes again skips both.
  std::array<std::uint8_t, kHeaderSize> m_lastRead{};
  Header m_lastReadHeader;
  bool m_lastReadValid = false;
  std::uint64_t m_reservedEnd = 0;  // the file is believed to reach this far (speed only)
  std::int32_t m_hintLeaf = 0;
  bool m_hintValid = false;
  std::uint64_t m_hintGeneration = 0;

  enum class UpperBound : std::uint8_t { Unknown, Key, None };
  struct RegionHint {
    std::uint64_t region = ~std::uint64_t(0);  // matches no key
    std::int32_t leaf = 0;
    std::uint64_t generation = 0;
    std::size_t index = 0;  // where in the leaf the last step found an entry (a guess)
    UpperBound upper = UpperBound::Unknown;
    std::string upperKey;
  };
  static constexpr std::size_t kRegionHints = 16;
  static std::uint64_t regionOf(std::string_view key) {
    std::uint64_t r = std::min<std::size_t>(key.size(), 5);  // length in the low byte
    for (std::size_t i = 0; i < 5 && i < key.size(); ++i) {
      r |= std::uint64_t(static_cast<unsigned char>(key[i])) << (8 * (i + 1));
    }
    return r;
  }
  static std::size_t slotOf(std::uint64_t region) {
    return std::size_t((region * 0x9E3779B97F4A7C15ull) >> 60);
  }
  // The hint of key's region when it is of this generation, else null.
  const RegionHint* liveHint(std::string_view key) const {
    const std::uint64_t region = regionOf(key);
    const RegionHint& h = m_regionHints[slotOf(region)];
    return h.region == region && h.generation == m_generation ? &h : nullptr;
  }
  std::array<RegionHint, kRegionHints> m_regionHints{};
};

}  // namespace dw::db
