// Copying, renaming, removing and emptying tables, entry by entry.
//
// A copy gives the target table a new number T in the target file and
// moves every record number up by an offset R (a fresh number of the
// target's counter), so that the copied records cannot collide with
// records already in the target file: data entries and memo segments have
// the record number in their key, key entries end in it, and a statistics
// entry's non-zero rebuild marker names one.
#include "runtime/db/table_copy.h"

#include "runtime/db/brkbt.h"
#include "runtime/db/table_definition.h"
#include "runtime/db/table_entries.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/platform.h"

namespace dw::db {

namespace err = dw::lang::err;

namespace {

void putBig32(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = char(v >> 24);
  s[at + 1] = char(v >> 16);
  s[at + 2] = char(v >> 8);
  s[at + 3] = char(v);
}

// The copy of one entry of the source table as an entry of table t with
// record numbers moved up by r; highest receives the largest record number
// written.
Entry translate(const Entry& e, std::uint32_t t, std::uint32_t r, std::uint32_t& highest) {
  std::string bytes = e.bytes;
  putBig32(bytes, 0, t);
  const std::uint8_t kind = std::uint8_t(bytes[4]);
  auto moveAt = [&](std::size_t at) {
    if (at + 4 > bytes.size()) return;
    const std::uint32_t n = readBig32(bytes, at) + r;
    putBig32(bytes, at, n);
    highest = std::max(highest, n);
  };
  switch (kind) {
    case kKindData:
    case kKindMemo:
      moveAt(5);
      break;
    case kKindDefinition:
      break;
    case kKindStatistics:
      if (bytes.size() >= std::size_t(e.keyLength) + 8) {
        const std::size_t at = e.keyLength + 4;
        auto* p = reinterpret_cast<std::uint8_t*>(bytes.data() + at);
        std::uint32_t marker = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                               (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
        if (marker != 0) {
          marker += r;
          for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(marker >> (8 * i));
        }
      }
      break;
    default:
      // A key entry ends in its record number.
      if (bytes.size() >= 9) moveAt(bytes.size() - 4);
      break;
  }
  return Entry(std::move(bytes), e.keyLength);
}

void deleteAllOf(BriskFile& file, std::uint32_t t) {
  const std::string prefix = tableEntryPrefix(t);
  while (auto e = lastOfPrefix(file, prefix)) deleteEntry(file, e->key());
}

}  // namespace

int copyTable(Table& source, std::string_view targetName, bool rename,
              const TableOpenOptions& options) {
  if (!source.isOpen()) return err::kFileNotOpen;
  const TableName target = splitTableName(targetName);
  const bool wholeFile = !source.name().explicitTable && !target.explicitTable;
  if (wholeFile && target.file != source.name().file) {
    // The operating system's copy first (it needs the source committed,
    // which every operation outside a batch leaves it).
    auto& p = dw::platform::platform();
    const auto st = rename ? p.rename(source.name().file, target.file)
                           : p.copy(source.name().file, target.file);
    if (st) return 0;
  }
  TableFileOptions fo;
  fo.locking = options.locking;
  fo.password = options.password;
  fo.create = true;
  int osError = 0;
  std::shared_ptr<TableFile> tf = TableFile::acquire(target.file, fo, osError);
  if (!tf) return osError ? osError : err::kAccessDenied;
  const LeaveAtEnd leave{*tf, TableFile::claimOf(fo)};
  TableFile& sf = source.tableFile();
  const bool sameFile = &sf == tf.get();
  if (int rc = tf->beginWrite()) return rc;
  if (!sameFile) {
    if (int rc = rename ? sf.beginWrite() : sf.beginRead()) {
      tf->abandonOperation();
      return rc;
    }
  }
  BriskFile& to = tf->file();
  BriskFile& from = sf.file();
  const std::string dir = directoryKey(target.table);
  if (auto existing = findEqual(to, dir)) {
    if (rename || (sameFile && readBig32(existing->data(), 0) == source.number())) {
      if (!sameFile) sf.endOperation();
      tf->endOperation();
      return err::kAccessDenied;
    }
    if (existing->data().size() >= 4) deleteAllOf(to, readBig32(existing->data(), 0));
    deleteEntry(to, dir);
  }
  const std::uint32_t t = numberValue(to.nextNumber());
  const std::uint32_t r = numberValue(to.nextNumber());
  std::uint32_t highest = r;
  const std::string prefix = tableEntryPrefix(source.number());
  std::string probe = prefix;
  while (auto e = findNext(from, probe)) {
    if (e->key().substr(0, 4) != prefix) break;
    probe = std::string(e->key());
    insertEntry(to, translate(*e, t, r, highest));
    if (rename) deleteEntry(from, probe);
  }
  if (highest > numberValue(to.header().numberCounter)) {
    to.mutableHeader().numberCounter = numberBytes(highest);
  }
  // A renamed table is gone from its old name too (its directory entry
  // would otherwise name a table without a definition).
  if (rename) deleteEntry(from, directoryKey(source.name().table));
  std::string entry = dir;
  appendBig32(entry, t);
  insertEntry(to, Entry(entry, dir.size()));
  int rc = 0;
  if (!sameFile) rc = sf.endOperation();
  const int trc = tf->endOperation();
  return trc != 0 ? trc : rc;
}

int removeTable(std::string_view name, const TableDesc& declared, const TableOpenOptions& options) {
  TableOpenOptions o = options;
  o.disposition = OpenDisposition::OpenExisting;
  o.ignoreMismatch = true;
  std::unique_ptr<Table> t;
  if (int rc = Table::openTable(name, declared, o, t)) return rc;
  TableFile& tf = t->tableFile();
  if (int rc = tf.beginWrite()) {
    tf.abandonOperation();
    return rc;
  }
  BriskFile& f = tf.file();
  deleteEntry(f, directoryKey(t->name().table));
  std::string first(1, char(kDirectoryByte));
  auto other = findNext(f, first);
  const bool lastTable = !other || std::uint8_t(other->key()[0]) != kDirectoryByte;
  const std::string path = t->name().file;
  if (lastTable && TableFile::holders(path) == 1) {
    // No table remains: the file itself goes.
    f.rollback();
    tf.abandonOperation();
    t.reset();
    const auto st = dw::platform::platform().remove(path);
    return st ? 0 : int(st.error());
  }
  deleteAllOf(f, t->number());
  int rc = tf.endOperation();
  const int crc = t->closeTable();
  return rc != 0 ? rc : crc;
}

int emptyTable(Table& table) {
  if (!table.isOpen()) return err::kFileNotOpen;
  TableFile& tf = table.tableFile();
  if (int rc = tf.beginWrite()) {
    tf.abandonOperation();
    return rc;
  }
  BriskFile& f = tf.file();
  deleteAllOf(f, table.number());
  writeDefinition(f, table.number(), table.desc());
  createStatistics(table.ref());
  table.clearRecord();
  return tf.endOperation();
}

}  // namespace dw::db
