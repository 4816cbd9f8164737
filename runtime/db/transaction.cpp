// The process's transaction: LOGOUT, COMMIT over one or several files with
// the transaction control file, ROLLBACK.  See transaction.h and
// docs/brisk-transactions.md.
#include "runtime/db/transaction.h"

#include <algorithm>
#include <filesystem>

#include "runtime/db/brkbt.h"
#include "runtime/lang/errors.h"

namespace dw::db {

using namespace dw::platform;

namespace {

std::string littleEndian4(std::uint32_t n) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = char((n >> (8 * i)) & 0xFF);
  return s;
}

// Days from 1 January 1970 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = unsigned((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + std::int64_t(doe) - 719468;
}

// The absolute name of the control file as a commit opens it.
std::string absoluteName(const std::string& name) {
  if (!name.empty() && name.front() == '/') return name;
  std::string dir = dw::platform::platform().currentDirectory();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + name;
}

// Replaces the file's 0xFF entry by one naming the transaction.
void writeMark(BriskFile& file, std::uint32_t number, const std::string& controlName) {
  const std::string key(1, kTransactionEntryKey);
  (void)deleteEntry(file, key);
  std::string bytes = key + littleEndian4(number) + controlName;
  bytes.push_back('\0');
  insertEntry(file, Entry(std::move(bytes), 1));
}

}  // namespace

std::uint32_t clockSeconds() {
  const LocalTime t = dw::platform::platform().now();
  const std::int64_t days = daysFromCivil(t.year, t.month, t.day);
  return std::uint32_t(days * 86400 + t.hour * 3600 + t.minute * 60 + t.second);
}

std::optional<TransactionMark> readTransactionMark(BriskFile& file) {
  auto e = findEqual(file, std::string(1, kTransactionEntryKey));
  if (!e) return std::nullopt;
  const std::string_view data = e->data();
  const std::size_t nul = data.find('\0', 4);
  if (data.size() < 5 || nul == std::string_view::npos) return std::nullopt;
  TransactionMark mark;
  for (int i = 3; i >= 0; --i) mark.number = (mark.number << 8) | std::uint8_t(data[i]);
  mark.controlFile = std::string(data.substr(4, nul - 4));
  return mark;
}

Transaction& Transaction::process() {
  static Transaction t;
  return t;
}

void Transaction::enlist(BriskFile& file) {
  if (isEnlisted(file)) return;
  m_files.push_back(&file);
  if (file.readMode()) {
    // A read period holds the shared slot: end it, so that the next access
    // takes the exclusive lock for the whole transaction.
    file.release();
    file.setReadMode(false);
  }
}

bool Transaction::isEnlisted(const BriskFile& file) const {
  return std::find(m_files.begin(), m_files.end(), &file) != m_files.end();
}

void Transaction::finishAll() {
  for (BriskFile* f : m_files) {
    f->setReadMode(true);
    f->release();
  }
  m_files.clear();
}

int Transaction::commit() {
  std::vector<BriskFile*> changed;
  for (BriskFile* f : m_files) {
    if (f->hasChanges()) changed.push_back(f);
  }
  int rc = 0;
  const bool damaged =
      std::any_of(changed.begin(), changed.end(), [](const BriskFile* f) { return f->damaged(); });
  if (damaged) {
    // A file of the transaction was found damaged: none of it is written.
    for (BriskFile* f : changed) f->rollback();
    rc = dw::lang::err::kInvalidDataFile;
  } else if (changed.size() == 1) {
    rc = int(changed.front()->commit());
  } else if (changed.size() > 1) {
    rc = commitSeveral(changed);
  }
  finishAll();
  return rc;
}

int Transaction::commitSeveral(const std::vector<BriskFile*>& changed) {
  auto dropAll = [&] {
    for (BriskFile* f : changed) f->rollback();
  };
  // The control file, created when missing, shared with other processes
  // (access mode 0x142).
  const std::string controlName = absoluteName(m_controlName);
  // The control file cannot be one of the files it decides for: opening it
  // a second time would wait for that file's own exclusive lock.
  for (BriskFile* f : changed) {
    std::error_code ec;
    if (std::filesystem::equivalent(controlName, f->path(), ec)) {
      dropAll();
      return dw::lang::err::kAccessDenied;
    }
  }
  BriskOptions options;
  options.readMode = false;
  options.locking = Locking::Shared;
  auto opened = BriskFile::open(controlName, options, Disposition::OpenAlways);
  if (!opened) {
    dropAll();
    const OsError e = opened.error();
    return e == kSharingViolation ? dw::lang::err::kAccessDenied : int(e);
  }
  std::unique_ptr<BriskFile> control = std::move(*opened);
  if (control->refreshHeader() != 0) {  // also takes its exclusive lock
    dropAll();
    return dw::lang::err::kInvalidDataFile;
  }

  // A number that no listed transaction and no changed file's 0xFF entry
  // has, rising within the process.
  std::vector<std::uint32_t> marked;
  for (BriskFile* f : changed) {
    if (auto m = readTransactionMark(*f)) marked.push_back(m->number);
  }
  std::uint32_t number = std::max(clockSeconds(), m_lastNumber + 1);
  while (number == 0 || findEqual(*control, littleEndian4(number)) ||
         std::find(marked.begin(), marked.end(), number) != marked.end()) {
    ++number;
  }
  m_lastNumber = number;
  insertEntry(*control, Entry(littleEndian4(number), 4));
  if (const OsError e = control->commit()) {
    dropAll();
    return int(e);
  }
  step(CommitStep::NumberListed, 0);

  // Phase 1 of every changed file; the first failure abandons them all.
  for (std::size_t i = 0; i < changed.size(); ++i) {
    writeMark(*changed[i], number, controlName);
    if (const OsError e = changed[i]->prepareCommit()) {
      // The number stays listed: a file whose header could not be put back
      // is still discarded by its recovery.
      for (std::size_t j = 0; j < changed.size(); ++j) {
        if (j < i) changed[j]->cancelPrepared();
        if (j > i) changed[j]->rollback();
      }
      return int(e);
    }
    step(CommitStep::FilePrepared, i);
  }

  // The commit point: the number leaves the control file.
  (void)deleteEntry(*control, littleEndian4(number));
  if (const OsError e = control->commit()) {
    for (BriskFile* f : changed) f->cancelPrepared();
    return int(e);
  }
  control.reset();  // closes it, which ends its lock
  step(CommitStep::CommitPoint, 0);

  for (std::size_t i = 0; i < changed.size(); ++i) {
    // A failed write here is finished from the copies at the next access.
    changed[i]->applyCommit();
    step(CommitStep::FileApplied, i);
  }
  return 0;
}

void Transaction::rollback() {
  for (BriskFile* f : m_files) f->rollback();
  finishAll();
}

void Transaction::withdraw(BriskFile& file) {
  auto it = std::find(m_files.begin(), m_files.end(), &file);
  if (it == m_files.end()) return;
  m_files.erase(it);
  file.rollback();
  file.setReadMode(true);
  file.release();
}

int logoutTable(Transaction& t, BriskFile& file, bool& inTransaction) {
  if (inTransaction) return kLogoutAlreadyActive;
  // A transaction exists to change the file, which a damaged file refuses.
  if (file.damaged()) return dw::lang::err::kInvalidDataFile;
  t.enlist(file);
  inTransaction = true;
  return 0;
}

int commitTable(Transaction& t, bool& inTransaction) {
  if (!inTransaction) return kNoTransaction;
  inTransaction = false;
  return t.commit();
}

int rollbackTable(Transaction& t, bool& inTransaction) {
  if (!inTransaction) return kNoTransaction;
  inTransaction = false;
  t.rollback();
  return 0;
}

}  // namespace dw::db
