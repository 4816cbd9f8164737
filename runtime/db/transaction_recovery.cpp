// The recovery test of transactions: whether a file's pending copies belong
// to a transaction that has not reached its commit point.  Called by the
// file object's crash recovery (recovery.cpp) while it looks at the new
// state the copies describe; see docs/brisk-transactions.md for the states
// and the outcome when the control file is missing or damaged.
//
// Same thread rules as the file objects: under the Runtime lock.
#include <filesystem>

#include "runtime/db/brkbt.h"
#include "runtime/db/checker.h"
#include "runtime/db/transaction.h"

namespace dw::db {

using namespace dw::platform;

namespace {

// Opens the control file for reading, waiting while a commit holds it.
// It gets no recovery test of its own: a control file waiting for recovery
// is read from its copies (it never takes part in a transaction).
std::unique_ptr<BriskFile> openControl(const std::string& name) {
  if (name.empty() || !dw::platform::platform().exists(name)) return nullptr;
  BriskOptions options;
  options.readMode = true;
  options.locking = Locking::Shared;
  auto opened = BriskFile::open(name, options, Disposition::OpenExisting);
  if (!opened && (opened.error() == kAccessDenied || opened.error() == kSharingViolation)) {
    // Not writable by us, or held by an opener that denies writing: read
    // it without a lock rather than take it for missing.
    options.readOnlyHandle = true;
    options.locking = Locking::None;
    opened = BriskFile::open(name, options, Disposition::OpenExisting);
  }
  if (!opened) return nullptr;
  (*opened)->setOpenTransactionTest(nullptr);
  return std::move(*opened);
}

// The control file named by the mark: as written, else under its own name
// beside the data file (a data directory moved with its control file).
std::unique_ptr<BriskFile> findControl(const BriskFile& file, const std::string& named) {
  if (auto c = openControl(named)) return c;
  const std::filesystem::path own(file.path());
  const std::string base = std::filesystem::path(named).filename().string();
  if (base.empty()) return nullptr;
  const std::string beside = (own.parent_path() / base).string();
  if (beside == named) return nullptr;
  return openControl(beside);
}

}  // namespace

bool transactionStillOpen(BriskFile& file) {
  const std::optional<TransactionMark> mark = readTransactionMark(file);
  if (!mark) return false;  // an ordinary commit of this file alone
  std::unique_ptr<BriskFile> control = findControl(file, mark->controlFile);
  if (!control) return false;  // a missing control file lists nothing
  // An empty file (never committed) lists nothing.
  if (control->refreshHeader() != 0 || control->header().changeCounter == 0) return false;
  // A damaged control file lists nothing either; check it before reading
  // so that its damage cannot halt the program here.
  bool listed = false;
  if (checkFile(*control).sound) {
    std::string key(4, '\0');
    for (int i = 0; i < 4; ++i) key[i] = char((mark->number >> (8 * i)) & 0xFF);
    listed = findEqual(*control, key).has_value();
  }
  control->release();
  return listed;
}

void enableTransactionRecovery(BriskFile& file) {
  file.setOpenTransactionTest([](BriskFile& f) { return transactionStillOpen(f); });
}

}  // namespace dw::db
