// brk tables FILE: every table of a file (its directory entries) with its
// number, record count and keys with their entry counts and rebuild
// markers; --definition adds each table's definition in the text form
// that brk create reads.  Also the shared opening of a stored table.
#include <cstdio>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_definition.h"
#include "runtime/db/table_entries.h"
#include "runtime/db/table_keys.h"
#include "runtime/lang/errors.h"
#include "tools/brk/brk_commands.h"
#include "tools/brk/brk_definition.h"

namespace dw::brk {

using namespace dw::db;

int openStoredTable(const std::string& name, const BrkArgs& args, bool readOnly,
                    std::unique_ptr<Table>& out) {
  TableOpenOptions o;
  o.readOnly = readOnly;
  o.locking = Locking::Shared;
  o.password = args.password;
  TableDesc stored;
  int rc = readStoredDescription(name, o, stored);
  if (rc == 0) rc = Table::openTable(name, stored, o, out);
  if (rc == 0) return 0;
  const std::string text = rc == 2    ? "no such file or table"
                           : rc == 36 ? "not a valid data file"
                           : rc == 47 ? "the stored definition is damaged"
                                      : "error " + std::to_string(rc);
  std::fprintf(stderr, "brk: cannot open %s: %s\n", name.c_str(), text.c_str());
  return rc == 36 || rc == 47 ? 1 : 2;
}

namespace {

std::string flagText(std::uint8_t flags) {
  std::string s = flags & kKeyDuplicates ? "dup" : "unique";
  if (flags & kKeyOptional) s += ",optional";
  if (flags & kKeyNoCase) s += ",nocase";
  if (flags & kKeyPrimary) s += ",primary";
  if (flags & kKeyIndex) s += ",index";
  if (flags & kKeyDynamic) s += ",dynamic";
  return s;
}

int listTables(const BrkArgs& args) {
  const std::string& path = args.positional[0];
  BriskOptions o;
  o.readMode = true;
  o.readOnlyHandle = true;
  o.password = args.password;
  auto opened = BriskFile::open(path, o);
  if (!opened) {
    std::fprintf(stderr, "brk: cannot open %s (system error %u)\n", path.c_str(), opened.error());
    return 2;
  }
  BriskFile& f = **opened;
  if (f.refreshHeader() != 0) {
    std::printf("%s: not a valid data file (header)\n", path.c_str());
    return 1;
  }
  std::string probe(1, char(kDirectoryByte));
  int tables = 0;
  while (auto e = findNext(f, probe)) {
    if (std::uint8_t(e->key()[0]) != kDirectoryByte) break;
    probe = std::string(e->key());
    ++tables;
    const std::string name(e->key().substr(1));
    if (e->data().size() < 4) {
      std::printf("%s: directory entry without a number\n", name.c_str());
      continue;
    }
    const std::uint32_t t = readBig32(e->data(), 0);
    const TableDesc d = decodeDefinition(readDefinitionStream(f, t));
    TableRef ref{f, t, d, nullptr, {}};
    auto records = readStatistics(ref, kStatsRecords);
    std::printf("%s  number %u  records %s  record length %u  fields %zu  memos %zu  keys %zu\n",
                name.c_str(), t, records ? std::to_string(records->count).c_str() : "?",
                d.recordLength, d.fields.size(), d.memos.size(), d.keys.size());
    for (std::size_t k = 0; k < d.keys.size(); ++k) {
      auto s = readStatistics(ref, std::uint8_t(k));
      std::printf("  key %zu %s (%s)  entries %s  marker %s\n", k, d.keys[k].name.c_str(),
                  flagText(d.keys[k].flags).c_str(), s ? std::to_string(s->count).c_str() : "?",
                  s ? std::to_string(s->marker).c_str() : "?");
    }
    if (args.flag("--definition")) {
      const std::string text = definitionText(d);
      std::printf("%s", text.c_str());
    }
  }
  if (tables == 0) std::printf("%s: no tables\n", path.c_str());
  return 0;
}

}  // namespace

int cmdTables(const BrkArgs& args) {
  if (args.positional.size() != 1) return -1;
  try {
    return listTables(args);
  } catch (const dw::lang::HaltRequested& h) {
    std::printf("%s: damaged: %s\n", args.positional[0].c_str(), h.text.c_str());
    return 1;
  }
}

}  // namespace dw::brk
