// Transactions across several Brisk files (LOGOUT, COMMIT, ROLLBACK) and the
// recovery test that decides, after a crash, whether a file's pending copies
// belong to a transaction that never reached its commit point.  The
// protocol, its commit point and what recovery does in each state are
// docs/brisk-transactions.md.
//
// In short: a COMMIT that changed two or more files first lists a
// transaction number in the transaction control file (itself a Brisk file)
// and commits it, then writes into every changed file the entry 0xFF naming
// that number and the control file, runs phase 1 of every file, and then
// removes the number from the control file and commits that: the commit
// point.  Phase 2 of every file follows.  Recovery of a file whose pending
// copies carry such an entry discards them while the control file still
// lists the number and completes them otherwise.
//
// Invariants:
//  - a file object is enlisted at most once; the list is empty after every
//    COMMIT and ROLLBACK, whatever their outcome;
//  - the control file is held (its exclusive lock) from the moment the
//    number is listed until it is removed, so that a recovery in another
//    process that consults it waits for the outcome instead of guessing;
//  - a transaction number is never one the control file lists, never one a
//    changed file's 0xFF entry already names, and rises within a process.
//
// The driver's part: while a file object is enlisted (isEnlisted), the end
// of an operation neither commits nor releases it; COMMIT and ROLLBACK end
// its access period themselves (release, read mode).
//
// Threads: one object per process (Transaction::process()), shared by all
// threads of the program and used only under the Runtime lock, like the
// file objects it lists; it takes no lock of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/db/brisk_file.h"

namespace dw::db {

// Errors of the transaction operations as the driver returns them.
inline constexpr int kLogoutAlreadyActive = 56;  // 'LOGOUT Already Active'
inline constexpr int kNoTransaction = -1;        // COMMIT or ROLLBACK without LOGOUT

// The control file used when SEND "TCF=" named none: in the current
// directory, which is the program's data directory.
inline constexpr const char* kDefaultControlFile = "brisk.tcf";

// The key of the entry through which a file names its transaction.
inline constexpr char kTransactionEntryKey = '\xFF';

// The moments of a multi-file commit, for tests that stop a commit there.
enum class CommitStep : std::uint8_t {
  NumberListed,  // the number is listed and the control file committed
  FilePrepared,  // phase 1 of one changed file is done (index given)
  CommitPoint,   // the number is removed from the control file
  FileApplied,   // phase 2 of one changed file is done (index given)
};

// What a file's 0xFF entry says.
struct TransactionMark {
  std::uint32_t number = 0;
  std::string controlFile;  // as written: an absolute path
};

class Transaction {
 public:
  // The process's transaction object.
  static Transaction& process();

  Transaction() = default;
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // SEND "TCF=": the control file of later commits (relative names are
  // taken from the current directory when a commit opens it; an empty name
  // restores the default).
  void setControlFileName(std::string name) {
    m_controlName = name.empty() ? std::string(kDefaultControlFile) : std::move(name);
  }
  const std::string& controlFileName() const { return m_controlName; }

  // LOGOUT: lists the file object (once) and puts it in write mode; a file
  // in read mode ends its access period first, so that its next access
  // takes the exclusive lock and finishes what a crash may have left.
  void enlist(BriskFile& file);
  bool isEnlisted(const BriskFile& file) const;
  bool empty() const { return m_files.empty(); }

  // COMMIT: 0 or the error that abandoned it (the operating-system error of
  // a failed write, 5 or the open error when the control file cannot be
  // opened, 5 when it is one of the changed files, 36 when it is not a
  // Brisk file).  An abandoned commit drops the
  // changes of every listed file.  Every listed file ends its access period
  // in read mode and the list is emptied.
  int commit();
  // ROLLBACK: every listed file drops its uncommitted changes (pages and
  // header are read again at the next access) and ends its access period.
  void rollback();
  // Takes one file object out of the list, dropping its uncommitted
  // changes (for a file object that goes away during a transaction).
  void withdraw(BriskFile& file);

  // The number of the last multi-file commit (0 before the first).
  std::uint32_t lastNumber() const { return m_lastNumber; }
  // Tests: called at each step of a multi-file commit.
  using StepHook = std::function<void(CommitStep step, std::size_t fileIndex)>;
  void setStepHook(StepHook hook) { m_stepHook = std::move(hook); }

 private:
  int commitSeveral(const std::vector<BriskFile*>& changed);
  void finishAll();
  void step(CommitStep s, std::size_t i) {
    if (m_stepHook) m_stepHook(s, i);
  }

  std::string m_controlName = kDefaultControlFile;
  std::vector<BriskFile*> m_files;
  std::uint32_t m_lastNumber = 0;
  StepHook m_stepHook;
};

// The transaction operations as one declared table makes them.
// `inTransaction` is that table's own "in a transaction" state, which the
// caller keeps (the driver's state bit 0x04).
int logoutTable(Transaction& t, BriskFile& file, bool& inTransaction);  // 0 or 56
int commitTable(Transaction& t, bool& inTransaction);                   // 0, -1 or the error
int rollbackTable(Transaction& t, bool& inTransaction);                 // 0 or -1

// The file's 0xFF entry in the state its tree shows now, if well formed.
std::optional<TransactionMark> readTransactionMark(BriskFile& file);

// The recovery test of a file: true when its pending copies carry a 0xFF
// entry whose number the named control file still lists.  A control file
// that is missing (also beside the data file under its own name) or that
// cannot be read as a sound Brisk file lists nothing.
bool transactionStillOpen(BriskFile& file);
// Installs transactionStillOpen as the file object's recovery test (every
// file object starts with it; this puts it back after a test replaced it).
void enableTransactionRecovery(BriskFile& file);

// The clock's seconds since 1 January 1970 (local time), the base of
// transaction numbers.
std::uint32_t clockSeconds();

}  // namespace dw::db
