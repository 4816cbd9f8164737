// The file objects of the tables of this process.  Tables that name the
// same file (the file-name strings equal byte for byte) share one BriskFile;
// the last table to close it closes the operating-system file.
//
// Every table operation works inside an access period of its file:
// beginRead() refreshes the header (taking the shared slot when the file
// uses locking), beginWrite() first leaves read mode - ending a read period
// so that the next refresh takes the exclusive lock and finishes what a
// crash left - and endOperation() commits what the operation changed,
// returns the file to read mode and releases it.  While a batch is open
// (beginBatch) endOperation() leaves the period open and the commit waits
// for endBatch().  While a read batch is open (beginReadBatch) the reads of
// a short series share one period begun under the lock, so that the header
// is read once for the series instead of once a read; a write within it
// commits and ends the period as usual, and the next read begins another.
//
// A file object enlisted in the process's transaction (transaction.h) is
// never committed or released here: the end of an operation only ends this
// object's view of the period, and COMMIT or ROLLBACK end the period itself.
//
// Share modes.  Each opener states a ShareClaim: whether it writes and what
// it denies other openers.  The file object holds, in the operating
// system's share checks (platform File::changeShare), the union of the
// claims of the openers it has now, so that a denial holds against every
// other process for as long as one opener of this process asks for it; a
// new opener whose claim conflicts with another process's open is refused
// (kSharingViolation) and the file object's part stays as it was.  Openers
// of one process share the file object and never refuse each other.
//
// The registry is guarded by a mutex of its own; a TableFile itself is used
// by one thread at a time (the runtime lock serialises threads).
#pragma once

#include <memory>
#include <string>

#include "runtime/db/brisk_file.h"

namespace dw::db {

struct ShareClaim {
  bool write = true;  // the opener may change the file
  bool denyRead = false;
  bool denyWrite = false;
};

struct TableFileOptions {
  Locking locking = Locking::None;
  std::string password;
  bool readOnly = false;  // the operating-system file opened for reading only
  bool create = false;    // create the file when it is missing
  ShareClaim claim;       // write is ignored for a read-only file
};

class TableFile {
 public:
  // The shared file object for path, opened when no table of the process
  // holds it, with the opener's claim added to its share.  error receives 0
  // or the operating-system error of the open (kSharingViolation when the
  // claim conflicts with another process's open).  Every successful acquire
  // is paired with leave(claimOf(options)).
  static std::shared_ptr<TableFile> acquire(const std::string& path,
                                            const TableFileOptions& options, int& error);
  static ShareClaim claimOf(const TableFileOptions& options);
  // An opener is done: its claim no longer counts in the file's share.
  void leave(const ShareClaim& claim);
  // How many tables hold the file object now.
  static long holders(const std::string& path);
  ~TableFile();

  BriskFile& file() { return *m_file; }
  const std::string& path() const { return m_path; }
  bool readOnly() const { return m_readOnly; }
  Locking locking() const { return m_locking; }

  // 0, or 36 when the header cannot be read.
  int beginRead();
  // beginRead() for a read that can be undone and done again: outside
  // batches and transactions the period may begin on trust, without the
  // lock (BriskFile::refreshHeaderTrusting), and a page read may then throw
  // CacheWentStale; restartRead() begins the period again under the lock.
  int beginTrustingRead();
  int restartRead();
  // 0, 5 for a read-only file, or 36.
  int beginWrite();
  // 0 or the operating-system error of the commit (its changes are lost).
  int endOperation();
  // Drops the changes of a failed operation and ends its period.
  void abandonOperation();

  int beginBatch();
  int endBatch();
  bool inBatch() const { return m_batchDepth > 0; }
  // A series of reads in one period (a scan's step): 0, or 36 when the
  // header cannot be read.  Every beginReadBatch() takes an endReadBatch().
  int beginReadBatch();
  void endReadBatch();
  // Within a batch: commits what it holds so far and carries on in write
  // mode (a stream whose dirty pages grew too many).  0 or the commit error.
  int commitEarly();
  bool enlisted() const;

  // Commits, cuts the file at its end of data and releases (closing).
  int flushAndCut();

 private:
  TableFile() = default;
  int finish();
  // Both kinds of read period; on trust only when mayTrust.
  int beginReadPeriod(bool mayTrust);
  bool readBatchKeepsPeriod() const;
  // The operating system's open mode for the claims counted below.
  dw::platform::OpenMode shareMode() const;
  void count(const ShareClaim& claim, int by);

  std::unique_ptr<BriskFile> m_file;
  std::string m_path;
  Locking m_locking = Locking::None;
  bool m_readOnly = false;
  bool m_inPeriod = false;
  int m_batchDepth = 0;
  int m_readBatchDepth = 0;
  // The claims of the openers holding the file object.
  int m_writers = 0;
  int m_denyingRead = 0;
  int m_denyingWrite = 0;
};

// Leaves a file object at the end of a scope (short uses of acquire).
struct LeaveAtEnd {
  TableFile& file;
  ShareClaim claim;
  ~LeaveAtEnd() { file.leave(claim); }
};

}  // namespace dw::db
