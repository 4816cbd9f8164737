// Driver operations on whole files and tables: OPEN, CREATE, CLOSE, COPY,
// RENAME, REMOVE, EMPTY, the BUILD variants and PACK, LOGOUT, COMMIT and
// ROLLBACK, LOCK and UNLOCK, STREAM and FLUSH, and SEND.  See driver.h and
// docs/brisk-driver.md.
#include <algorithm>
#include <vector>

#include "runtime/db/brkbt.h"
#include "runtime/db/driver_ops.h"
#include "runtime/db/table_copy.h"
#include "runtime/db/table_entries.h"
#include "runtime/db/table_name.h"
#include "runtime/db/transaction.h"
#include "runtime/lang/chartab.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/os_error.h"
#include "runtime/platform/platform.h"

namespace dw::db::driver_detail {

namespace err = dw::lang::err;

namespace {

// Control blocks whose transaction bit is set: COMMIT and ROLLBACK end the
// process's transaction for all of them.
std::vector<FileControlBlock*>& enlistedBlocks() {
  static std::vector<FileControlBlock*> blocks;
  return blocks;
}

constexpr const char* kNotRecognised = "SEND arg not recognised";

bool blankName(const std::string& name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; });
}

TableDesc declaredDesc(const FileControlBlock& fcb) {
  TableDesc d = fcb.declaration;
  d.oem = fcb.attributes & kAttrOem;
  return d;
}

// What an access mode asks of the file against other openers: write
// access (also to create it), and the denials of its share bits.
ShareClaim claimOf(std::uint32_t mode) {
  ShareClaim c;
  c.write = mode % 4 != 0 || (mode & kModeCreate) != 0;
  const std::uint32_t share = mode & kModeShareMask;
  c.denyRead = share == kModeDenyAll || share == kModeDenyRead;
  c.denyWrite = share == kModeDenyAll || share == kModeDenyWrite;
  return c;
}

TableOpenOptions optionsFor(const FileControlBlock& fcb, OpenDisposition disposition,
                            std::uint32_t mode) {
  TableOpenOptions o;
  o.disposition = disposition;
  o.locking = Locking::Shared;
  o.password = fcb.password;
  o.claim = claimOf(mode);
  return o;
}

// Open errors as the driver returns them: a sharing violation is 5.
int openError(int rc) {
  return rc == int(dw::platform::kSharingViolation) ? err::kAccessDenied : rc;
}

int openFile(FileControlBlock& fcb, const DriverArgs& args) {
  if (blankName(fcb.name)) return kErrInvalidFilename;
  const std::uint32_t mode = std::uint32_t(args.number);
  std::unique_ptr<Table> t;
  const auto disposition =
      mode & kModeCreate ? OpenDisposition::CreateIfMissing : OpenDisposition::OpenExisting;
  int rc = Table::openTable(fcb.name, declaredDesc(fcb), optionsFor(fcb, disposition, mode), t);
  // A file that cannot be written (read-only media, no write permission)
  // can still be read: an open asking only to read takes it read-only.
  if (mode % 4 == 0 && (rc == err::kAccessDenied || rc == int(dw::platform::kWriteProtect))) {
    TableOpenOptions o = optionsFor(fcb, OpenDisposition::OpenExisting, mode);
    o.readOnly = true;
    rc = Table::openTable(fcb.name, declaredDesc(fcb), o, t);
  }
  if (rc != 0) return openError(rc);
  fcb.table = std::move(t);
  fcb.accessMode = mode;
  fcb.holdArmed = false;
  fcb.state &= ~(kStateWrite | kStateDenying);
  if (mode % 4 != 0) fcb.state |= kStateWrite;
  if (mode & (kModeDenyAll | kModeDenyWrite)) fcb.state |= kStateDenying;
  return 0;
}

int closeFile(FileControlBlock& fcb) {
  Table& t = *fcb.table;
  if (fcb.tableLock.locked()) fcb.tableLock.unlock(t.file());
  // CLOSE commits: a stream of this table ends here, even while another
  // table of the file (which shares the batch) stays open.
  const int src = fcb.state & kStateStreaming ? t.endBatch() : 0;
  int rc = t.closeTable();
  if (rc == 0) rc = src;
  fcb.table.reset();
  // Only the access of the last open outlives the close (also when its
  // commit failed): BUILD of a closed file asks for write access and a
  // denying share mode.
  fcb.state &= kStateWrite | kStateDenying;
  fcb.holdArmed = false;
  return rc;
}

// Opens the declared table for an operation on a closed file.
int openClosed(FileControlBlock& fcb, std::unique_ptr<Table>& t) {
  if (blankName(fcb.name)) return kErrInvalidFilename;
  // Read and write, denying what the last open denied: BUILD of a closed
  // file keeps others out as that open did.
  const std::uint32_t mode = (fcb.accessMode & kModeShareMask) | kModeReadWrite;
  TableOpenOptions o = optionsFor(fcb, OpenDisposition::OpenExisting, mode);
  return openError(Table::openTable(fcb.name, declaredDesc(fcb), o, t));
}

int copyOrRename(FileControlBlock& fcb, const DriverArgs& args, bool rename) {
  if (blankName(args.text)) return kErrInvalidFilename;
  std::unique_ptr<Table> t;
  if (int rc = openClosed(fcb, t)) return rc;
  const TableName from = splitTableName(fcb.name), to = splitTableName(args.text);
  if (rename && !from.explicitTable && !to.explicitTable && from.file != to.file) {
    // A one-table file renamed as a whole: the table was opened only to
    // check it, and the system refuses to rename a file the driver holds.
    if (int rc = t->closeTable()) return rc;
    t.reset();
    if (dw::platform::platform().rename(from.file, to.file)) return 0;
    if (int rc = openClosed(fcb, t)) return rc;  // held elsewhere: entry by entry
  }
  const int rc =
      copyTable(*t, args.text, rename, optionsFor(fcb, OpenDisposition::OpenExisting, kModeShared));
  const int crc = t->isOpen() ? t->closeTable() : 0;
  return rc != 0 ? rc : crc;
}

int createTable(FileControlBlock& fcb) {
  if (!(fcb.attributes & kAttrCreate)) return kErrNoCreateAttribute;
  if (blankName(fcb.name)) return kErrInvalidFilename;
  std::unique_ptr<Table> t;
  if (int rc = Table::openTable(fcb.name, declaredDesc(fcb),
                                optionsFor(fcb, OpenDisposition::CreateAfresh, kModeShared), t)) {
    return openError(rc);
  }
  return t->closeTable();
}

// Runs a change of keys inside a write period and commits it.
template <typename Change>
int inWritePeriod(Table& t, Change change) {
  TableFile& tf = t.tableFile();
  if (int rc = tf.beginWrite()) {
    tf.abandonOperation();
    return rc;
  }
  const int rc = change();
  const int erc = tf.endOperation();
  return rc != 0 ? rc : erc;
}

int buildOperation(int operation, FileControlBlock& fcb, const DriverArgs& args);

// BUILD of a closed file (its last open had write access and denied others):
// the table is opened for the build and closed again.
int buildClosed(int operation, FileControlBlock& fcb, const DriverArgs& args) {
  std::unique_ptr<Table> t;
  if (int rc = openClosed(fcb, t)) return rc;
  fcb.table = std::move(t);
  const int rc = buildOperation(operation, fcb, args);
  const int crc = fcb.table->closeTable();
  fcb.table.reset();
  return rc != 0 ? rc : crc;
}

int buildOperation(int operation, FileControlBlock& fcb, const DriverArgs& args) {
  if (!fcb.table) return buildClosed(operation, fcb, args);
  Table& t = *fcb.table;
  const std::size_t k = args.key;
  switch (operation) {
    case op::kBuildAll:
      return inWritePeriod(t, [&] { return buildKeys(t.ref()); });
    case op::kBuildKey:
      if (k >= t.desc().keys.size()) return kErrPrecondition;
      return inWritePeriod(t, [&] { return buildKey(t.ref(), k); });
    default:  // a dynamic index from its component string
      if (k >= t.desc().keys.size()) return kErrPrecondition;
      if (int rc = t.dynamicIndexes().setComponents(t.desc(), k, args.text)) return rc;
      return inWritePeriod(t, [&] { return buildKey(t.ref(), k); });
  }
}

int pack(FileControlBlock& fcb) {
  Table& t = *fcb.table;
  if (int rc = inWritePeriod(t, [&] { return buildKeys(t.ref()); })) return rc;
  t.cursor().setRecordOrder();
  // A streaming file keeps its batch: it is cut at its close.
  if (fcb.state & kStateStreaming) return 0;
  return t.tableFile().flushAndCut();
}

int lockTable(int operation, FileControlBlock& fcb, const DriverArgs& args) {
  Table& t = *fcb.table;
  const TableLockWait wait =
      operation == op::kLock ? TableLockWait::Forever : TableLockWait::Limited;
  return fcb.tableLock.lock(t.file(), numberBytes(t.number()), wait, std::int32_t(args.number));
}

int unlockTable(FileControlBlock& fcb) {
  if (int rc = fcb.tableLock.unlock(fcb.table->file())) return rc;
  // LOCK let the file count as opened denying others; that ends with it
  // unless the open itself denied.
  if (!(fcb.accessMode & (kModeDenyAll | kModeDenyWrite))) fcb.state &= ~kStateDenying;
  return 0;
}

int nextTableName(FileControlBlock& fcb, std::string_view after, std::string& reply) {
  TableFile& tf = fcb.table->tableFile();
  if (int rc = tf.beginRead()) {
    tf.abandonOperation();
    return rc;
  }
  const std::string probe = directoryKey(dw::lang::upper(after));
  auto e = findNext(tf.file(), probe);
  if (e && !e->key().empty() && std::uint8_t(e->key()[0]) == kDirectoryByte) {
    reply = std::string(e->key().substr(1));
  } else {
    reply.clear();
  }
  return tf.endOperation();
}

bool startsWithNoCase(std::string_view text, std::string_view word) {
  return text.size() >= word.size() && dw::lang::upper(text.substr(0, word.size())) == word;
}

int send(FileControlBlock& fcb, DriverArgs& args) {
  const std::string_view option = args.text;
  args.reply.clear();
  if (dw::lang::upper(option) == "REGISTER") {
    args.reply = std::to_string(reinterpret_cast<std::uintptr_t>(&driverRegistration()));
    if (!(fcb.state & kStateOpen)) fcb.flags2 |= kFlagsRegistered;
    return 0;
  }
  if (startsWithNoCase(option, "TCF=")) {
    Transaction::process().setControlFileName(std::string(option.substr(4)));
    return 0;
  }
  if (startsWithNoCase(option, "PNM=") && (fcb.state & kStateOpen)) {
    return nextTableName(fcb, option.substr(4), args.reply);
  }
  args.reply = kNotRecognised;
  return 0;
}

}  // namespace

void joinTransaction(FileControlBlock& fcb) {
  auto& blocks = enlistedBlocks();
  if (std::find(blocks.begin(), blocks.end(), &fcb) == blocks.end()) blocks.push_back(&fcb);
}

void leaveTransaction() {
  for (FileControlBlock* b : enlistedBlocks()) b->state &= ~kStateTransaction;
  enlistedBlocks().clear();
}

void forgetControlBlock(FileControlBlock& fcb) {
  auto& blocks = enlistedBlocks();
  blocks.erase(std::remove(blocks.begin(), blocks.end(), &fcb), blocks.end());
}

int fileOperation(int operation, FileControlBlock& fcb, DriverArgs& args) {
  switch (operation) {
    case op::kOpen:
    case op::kOpen2:
      return openFile(fcb, args);
    case op::kCreate:
      return createTable(fcb);
    case op::kClose:
      return closeFile(fcb);
    case op::kCopy:
      return copyOrRename(fcb, args, false);
    case op::kRename:
      return copyOrRename(fcb, args, true);
    case op::kRemove:
      if (blankName(fcb.name)) return kErrInvalidFilename;
      return openError(removeTable(fcb.name, declaredDesc(fcb),
                                   optionsFor(fcb, OpenDisposition::OpenExisting, kModeShared)));
    case op::kEmpty:
      return emptyTable(*fcb.table);
    case op::kBuildAll:
    case op::kBuildKey:
    case op::kBuildDynamic:
    case op::kBuildDynamic2:
      return buildOperation(operation, fcb, args);
    case op::kPack:
      return pack(fcb);
    case op::kLogout: {
      bool inTransaction = false;
      const int rc = logoutTable(Transaction::process(), fcb.table->file(), inTransaction);
      if (rc == 0) joinTransaction(fcb);
      return rc;
    }
    case op::kCommit: {
      bool inTransaction = true;
      const int rc = commitTable(Transaction::process(), inTransaction);
      leaveTransaction();
      return rc;
    }
    case op::kRollback: {
      bool inTransaction = true;
      const int rc = rollbackTable(Transaction::process(), inTransaction);
      leaveTransaction();
      return rc;
    }
    case op::kLock:
    case op::kLockSeconds:
      return lockTable(operation, fcb, args);
    case op::kUnlock:
      return unlockTable(fcb);
    case op::kStream:
      return fcb.table->beginBatch();
    case op::kFlush:
      return fcb.table->endBatch();
    case op::kSend:
      return send(fcb, args);
    default:
      return kErrUnsupported;
  }
}

}  // namespace dw::db::driver_detail
