// brk build FILE\!TABLE [KEY]: brings a table's keys up to date from their
// rebuild markers, as BUILD does, and commits.  Without KEY every key that
// is not an index is built; with KEY (its name, with or without the table
// prefix, or its number) that key alone, an index included.  The table is
// described by its stored definition.
//
// Exit codes: 0 built; 1 a key refused a duplicate (the lowest refused
// record is named; a later build starts again there), a missing table or
// key, or damage; 2 bad usage or a file that cannot be opened.
#include <cstdio>
#include <string>

#include "runtime/db/table_keys.h"
#include "runtime/db/table_name.h"
#include "runtime/lang/errors.h"
#include "tools/brk/brk_commands.h"
#include "tools/brk/brk_table_access.h"

namespace dw::brk {
namespace {

using namespace dw::db;

void printKey(const TableRef& ref, std::size_t k) {
  const auto s = readStatistics(ref, std::uint8_t(k));
  std::printf("key %zu %-24s %10u entries", k, ref.desc.keys[k].name.c_str(), s ? s->count : 0);
  if (s && s->marker != 0) std::printf(", rebuild marker %u", s->marker);
  std::printf("\n");
}

int build(const BrkArgs& args) {
  const TableName name = splitTableName(args.positional[0]);
  BriskOptions options;
  options.locking = Locking::Shared;
  options.password = args.password;
  auto opened = BriskFile::open(name.file, options);
  if (!opened) {
    std::fprintf(stderr, "brk: cannot open %s (system error %u)\n", name.file.c_str(),
                 opened.error());
    return 2;
  }
  BriskFile& f = **opened;
  if (f.refreshHeader() != 0) {
    std::printf("%s: not a valid data file (header)\n", name.file.c_str());
    return 1;
  }
  auto table = storedTable(f, name.table);
  if (!table) {
    std::printf("%s: no table %s\n", name.file.c_str(), name.table.c_str());
    f.release();
    return 1;
  }
  if (int rc = validateKeys(table->desc)) {
    std::printf("%s: the stored definition of %s is not usable (error %d)\n", name.file.c_str(),
                name.table.c_str(), rc);
    f.release();
    return 1;
  }
  DynamicIndexes none;
  const TableRef ref{f, table->number, table->desc, &none, {}};
  int rc = 0;
  std::vector<std::size_t> built;
  if (args.positional.size() == 2) {
    const int k = findKey(table->desc, args.positional[1]);
    if (k < 0) {
      std::printf("%s: table %s has no key %s\n", name.file.c_str(), name.table.c_str(),
                  args.positional[1].c_str());
      f.release();
      return 1;
    }
    if (table->desc.keys[std::size_t(k)].isDynamic()) {
      std::printf("key %s is a dynamic index: its order is given at run time\n",
                  table->desc.keys[std::size_t(k)].name.c_str());
      f.release();
      return 1;
    }
    rc = buildKey(ref, std::size_t(k));
    built.push_back(std::size_t(k));
  } else {
    rc = buildKeys(ref);
    for (std::size_t k = 0; k < table->desc.keys.size(); ++k) {
      if (!table->desc.keys[k].isIndex() && !table->desc.keys[k].isDynamic()) built.push_back(k);
    }
  }
  // The refused records stay in the file: commit what was built either way.
  OsError err = f.commit();
  if (err == 0) err = f.cutAtEndOfData();
  for (std::size_t k : built) printKey(ref, k);
  f.release();
  if (err != 0) {
    std::fprintf(stderr, "brk: commit failed (system error %u)\n", err);
    return 1;
  }
  if (rc == kErrDuplicateKey) {
    std::printf("Creates Duplicate Key (40): the rebuild marker names the first refused record\n");
    return 1;
  }
  return rc == 0 ? 0 : 1;
}

}  // namespace

int cmdBuild(const BrkArgs& args) {
  if (args.positional.empty() || args.positional.size() > 2) return -1;
  try {
    return build(args);
  } catch (const dw::lang::HaltRequested& h) {
    std::printf("%s: damaged: %s\n", args.positional[0].c_str(), h.text.c_str());
    return 1;
  }
}

}  // namespace dw::brk
