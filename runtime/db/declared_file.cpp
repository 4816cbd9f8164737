// The file layer (declared_file.h): each operation as one driver call with
// the posted error, and the copies between the program's buffers and the
// table object's.
#include "runtime/db/declared_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "runtime/db/field_binding.h"
#include "runtime/db/table_name.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/os_error.h"

namespace dw::db {

namespace {

// The declaration through which the process's transaction was started:
// COMMIT and ROLLBACK belong to the transaction, and the driver takes them
// through any of its control blocks.
DeclaredFile* g_transactionFile = nullptr;

// Posts a driver's result.  A damaged file (36) is named with the check
// that tells what is wrong: "Invalid Data File : SM.BRK is damaged: run
// "brk check SM.BRK"".  An operating-system error that has no text of
// its own (a full disk gives 112, a read-only file system 19) is posted with
// the system's description and the file's name, which tell the user what
// happened and where: "No space left on device: SM.BRK".
void postResult(int rc, const DeclaredFile* file) {
  if (rc == lang::err::kInvalidDataFile && file) {
    // A damaged file: which one, and what to do about it (the text is cut
    // at ERROR()'s length, so briefly).
    const std::string name = splitTableName(file->name()).file;
    lang::postError(
        rc, lang::messageText(rc) + " : " + name + " is damaged: run \"brk check " + name + "\"");
    return;
  }
  if (rc > 0 && rc < lang::err::kPlatformBase && !lang::hasMessageText(rc)) {
    std::string text = platform::osErrorText(static_cast<platform::OsError>(rc));
    if (!text.empty()) {
      if (file) text += ": " + splitTableName(file->name()).file;
      lang::postError(rc, text);
      return;
    }
  }
  lang::postError(rc);
}

// Clears the posted error, runs the operation and posts what it gave.
template <class F>
int posted(F&& operation, const DeclaredFile* file = nullptr) {
  lang::clearError();
  const int rc = operation();
  if (rc != 0) postResult(rc, file);
  return rc;
}

bool readsRecord(int operation) {
  switch (operation) {
    case op::kGetByKey:
    case op::kGetByRecord:
    case op::kGetByRecord2:
    case op::kNext:
    case op::kPrevious:
    case op::kSkip:
    case op::kReget:
    case op::kKeyReget:
      return true;
    default:
      return false;
  }
}

std::string trimmedRight(std::string_view s) {
  const std::size_t end = s.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1));
}

}  // namespace

DeclaredFile::DeclaredFile(std::string prefix, std::string name, TableDesc desc, void* buffer,
                           std::uint8_t attributes)
    : m_prefix(std::move(prefix)), m_buffer(buffer) {
  m_fcb.name = std::move(name);
  m_fcb.declaration = std::move(desc);
  m_fcb.attributes = attributes;
  for (const MemoDesc& m : m_fcb.declaration.memos) {
    m_memos.emplace_back(m.isBlob() ? 0 : m.size, ' ');
  }
}

DeclaredFile::~DeclaredFile() {
  if (g_transactionFile == this) g_transactionFile = nullptr;
}

void DeclaredFile::setName(std::string_view name) {
  m_fcb.name = trimmedRight(name);
}

std::string DeclaredFile::memoText(std::size_t m) const {
  if (desc().memos[m].isBlob()) return m_memos[m];
  return trimmedRight(m_memos[m]);
}

void DeclaredFile::setMemoText(std::size_t m, std::string_view text) {
  std::string& b = m_memos[m];
  if (desc().memos[m].isBlob()) {
    b.assign(text);
    return;
  }
  // In place: the buffer keeps its address for the bound name.
  const std::size_t n = std::min(text.size(), b.size());
  if (n > 0) std::memcpy(b.data(), text.data(), n);
  std::fill(b.begin() + std::ptrdiff_t(n), b.end(), ' ');
}

void DeclaredFile::bindFields() {
  bindRecordFields(desc(), static_cast<char*>(m_buffer));
  for (std::size_t m = 0; m < m_memos.size(); ++m) bindMemo(desc().memos[m], m_memos[m]);
}

void DeclaredFile::clear() {
  clearRecordImage(static_cast<char*>(m_buffer), recordLength(), desc());
  for (std::size_t m = 0; m < m_memos.size(); ++m) {
    if (desc().memos[m].isBlob()) {
      m_memos[m].clear();
    } else {
      std::fill(m_memos[m].begin(), m_memos[m].end(), ' ');
    }
  }
}

void DeclaredFile::copyDown() {
  Table* t = table();
  if (!t) return;
  std::string& r = t->record();
  std::memcpy(r.data(), m_buffer, std::min(r.size(), recordLength()));
  for (std::size_t m = 0; m < m_memos.size() && m < t->memoCount(); ++m) t->memo(m) = m_memos[m];
}

void DeclaredFile::copyUp() {
  Table* t = table();
  if (!t) return;
  const std::string& r = t->record();
  std::memcpy(m_buffer, r.data(), std::min(r.size(), recordLength()));
  if (!t->memosRead()) return;
  for (std::size_t m = 0; m < m_memos.size() && m < t->memoCount(); ++m) {
    if (desc().memos[m].isBlob()) {
      m_memos[m] = t->memo(m);
    } else {
      setMemoText(m, t->memo(m));
    }
  }
}

int DeclaredFile::call(int operation, DriverArgs& args) {
  return posted(
      [&] {
        const int rc = driverCall(operation, m_fcb, args);
        if (rc == 0 && readsRecord(operation)) copyUp();
        return rc;
      },
      this);
}

int DeclaredFile::callWithBuffer(int operation, DriverArgs& args) {
  copyDown();
  return call(operation, args);
}

// ---- whole files ----

int DeclaredFile::open(std::uint32_t mode) {
  DriverArgs a;
  a.number = mode;
  return call(op::kOpen, a);
}

int DeclaredFile::create() {
  return call(op::kCreate);
}
int DeclaredFile::close() {
  return call(op::kClose);
}
int DeclaredFile::empty() {
  return call(op::kEmpty);
}
int DeclaredFile::build() {
  return call(op::kBuildAll);
}

int DeclaredFile::buildKey(std::size_t key) {
  DriverArgs a;
  a.key = key;
  return call(op::kBuildKey, a);
}

int DeclaredFile::remove() {
  return call(op::kRemove);
}

int DeclaredFile::copyTo(std::string_view target) {
  DriverArgs a;
  a.text = target;
  return call(op::kCopy, a);
}

int DeclaredFile::renameTo(std::string_view target) {
  DriverArgs a;
  a.text = target;
  return call(op::kRename, a);
}

int DeclaredFile::lock(std::int64_t seconds) {
  DriverArgs a;
  a.number = seconds;
  return call(seconds < 0 ? op::kLock : op::kLockSeconds, a);
}

int DeclaredFile::unlock() {
  return call(op::kUnlock);
}
ReadBatch::ReadBatch(DeclaredFile& file) {
  if (Table* t = file.isOpen() ? file.table() : nullptr) {
    m_file = t->sharedFile();
    m_file->beginReadBatch();
  }
}

ReadBatch::~ReadBatch() {
  if (m_file) m_file->endReadBatch();
}

int DeclaredFile::stream() {
  return call(op::kStream);
}
int DeclaredFile::flush() {
  return call(op::kFlush);
}

std::string DeclaredFile::send(std::string_view option) {
  DriverArgs a;
  a.text = option;
  return call(op::kSend, a) == 0 ? a.reply : std::string();
}

// ---- positions ----

int DeclaredFile::set(std::size_t key) {
  DriverArgs a;
  a.key = key;
  return call(op::kSetKeyEnd, a);
}

int DeclaredFile::setByValue(std::size_t key) {
  DriverArgs a;
  a.key = key;
  return callWithBuffer(op::kSetKeyValue, a);
}

int DeclaredFile::setRecordOrder() {
  return call(op::kSetRecordEnd);
}

int DeclaredFile::setAtRecord(std::uint32_t recordNumber) {
  DriverArgs a;
  a.number = recordNumber;
  return call(op::kSetRecordAt, a);
}

int DeclaredFile::setKeyAtRecord(std::size_t key, std::uint32_t recordNumber) {
  DriverArgs a;
  a.key = key;
  a.number = recordNumber;
  return call(op::kSetKeyAtRecord, a);
}

int DeclaredFile::setByValueAndRecord(std::size_t key, std::uint32_t recordNumber) {
  DriverArgs a;
  a.key = key;
  a.number = recordNumber;
  return callWithBuffer(op::kSetKeyValueRecord, a);
}

int DeclaredFile::next() {
  return call(op::kNext);
}
int DeclaredFile::previous() {
  return call(op::kPrevious);
}

int DeclaredFile::skip(std::int64_t count) {
  DriverArgs a;
  a.number = count;
  return call(op::kSkip, a);
}

bool DeclaredFile::bof() {
  DriverArgs a;
  return call(op::kBof, a) == 0 && a.value == 1;
}

bool DeclaredFile::eof() {
  DriverArgs a;
  return call(op::kEof, a) == 0 && a.value == 1;
}

std::string DeclaredFile::position() {
  DriverArgs a;
  return call(op::kPosition, a) == 0 ? a.reply : std::string();
}

std::string DeclaredFile::keyPosition(std::size_t key) {
  DriverArgs a;
  a.key = key;
  return call(op::kKeyPosition, a) == 0 ? a.reply : std::string();
}

int DeclaredFile::reset(std::string_view position) {
  DriverArgs a;
  a.text = position;
  return call(op::kReset, a);
}

int DeclaredFile::resetKey(std::size_t key, std::string_view position) {
  DriverArgs a;
  a.key = key;
  a.text = position;
  return call(op::kKeyReset, a);
}

int DeclaredFile::reget(std::string_view position) {
  DriverArgs a;
  a.text = position;
  return call(op::kReget, a);
}

// ---- records ----

int DeclaredFile::get(std::size_t key) {
  DriverArgs a;
  a.key = key;
  return callWithBuffer(op::kGetByKey, a);
}

int DeclaredFile::getRecord(std::uint32_t recordNumber) {
  DriverArgs a;
  a.number = recordNumber;
  return call(op::kGetByRecord, a);
}

int DeclaredFile::add() {
  DriverArgs a;
  return callWithBuffer(op::kAdd, a);
}

int DeclaredFile::append() {
  DriverArgs a;
  return callWithBuffer(op::kAppend, a);
}

int DeclaredFile::put() {
  DriverArgs a;
  return callWithBuffer(op::kPut, a);
}

int DeclaredFile::putAt(std::uint32_t recordNumber) {
  DriverArgs a;
  a.number = recordNumber;
  return callWithBuffer(op::kPutAt, a);
}

int DeclaredFile::erase() {
  return call(op::kDelete);
}

bool DeclaredFile::duplicate(std::size_t key) {
  DriverArgs a;
  a.key = key;
  return callWithBuffer(op::kDuplicateKey, a) == 0 && a.value == 1;
}

bool DeclaredFile::duplicateAny() {
  DriverArgs a;
  return callWithBuffer(op::kDuplicateAny, a) == 0 && a.value == 1;
}

std::int64_t DeclaredFile::records() {
  DriverArgs a;
  return call(op::kRecords, a) == 0 ? a.value : -1;
}

std::uint32_t DeclaredFile::changeCounter() {
  // Counting the records opens an access period, which reads the header.
  if (!isOpen() || records() < 0 || !table()) return 0;
  return table()->file().header().changeCounter;
}

std::int64_t DeclaredFile::keyRecords(std::size_t key) {
  DriverArgs a;
  a.key = key;
  return call(op::kKeyRecords, a) == 0 ? a.value : -1;
}

std::uint32_t DeclaredFile::pointer() {
  DriverArgs a;
  return call(op::kPointer, a) == 0 ? std::uint32_t(a.value) : 0;
}

int DeclaredFile::hold(std::int64_t seconds) {
  DriverArgs a;
  a.number = seconds;
  return call(op::kHold, a);
}

int DeclaredFile::release() {
  return call(op::kRelease);
}
int DeclaredFile::watch() {
  return call(op::kWatch);
}
int DeclaredFile::noMemo() {
  return call(op::kNoMemo);
}

// ---- transactions ----

namespace {

int endTransaction(int operation) {
  DeclaredFile* f = g_transactionFile;
  g_transactionFile = nullptr;
  return posted(
      [&] {
        if (!f) return kErrPrecondition;
        DriverArgs a;
        return driverCall(operation, f->controlBlock(), a);
      },
      f);
}

// Takes the exclusive lock of the file a LOGOUT has just enlisted, trying
// until `seconds` have passed (-1: without limit): 0 or 32.  Taking every
// file's lock at LOGOUT, in the order the files are named, keeps two
// stations whose transactions name the files in the same order from each
// holding one file and waiting for ever for the other's.
int lockForTransaction(DeclaredFile& f, std::int64_t seconds) {
  BriskFile& file = f.table()->file();
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    if (file.lockExclusive(platform::LockWait::TryOnce)) return 0;
    const auto waited = std::chrono::steady_clock::now() - start;
    if (seconds >= 0 && waited >= std::chrono::seconds(seconds)) return lang::err::kFileLocked;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

int logout(std::int64_t seconds, std::initializer_list<DeclaredFile*> files) {
  return posted([&] {
    DriverArgs a;
    DeclaredFile* enlisted = nullptr;
    for (DeclaredFile* f : files) {
      int rc = driverCall(op::kLogout, f->controlBlock(), a);
      if (rc == 0) {
        enlisted = f;
        rc = lockForTransaction(*f, seconds);
      }
      if (rc != 0) {
        if (enlisted) {
          DriverArgs none;
          driverCall(op::kRollback, enlisted->controlBlock(), none);
        }
        g_transactionFile = nullptr;
        return rc;
      }
      if (!g_transactionFile) g_transactionFile = f;
    }
    return 0;
  });
}

int commit() {
  return endTransaction(op::kCommit);
}
int rollback() {
  return endTransaction(op::kRollback);
}

}  // namespace dw::db
