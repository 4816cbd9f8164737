// brk sample FILE N: a new file of N entries shaped like a table's, for
// trying the storage layer and the checker on files of any size.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/db/brisk_file.h"
#include "runtime/db/brkbt.h"
#include "tools/brk/brk_commands.h"

namespace dw::brk {
namespace {

using dw::db::BriskFile;
using dw::db::BriskOptions;

// A new file of n entries shaped like a table's: a 4-byte table number, a
// kind byte and a 4-byte record number as key, a record of 40..120 bytes.
int writeSample(const std::string& path, int n, const std::string& password) {
  BriskOptions options;
  options.locking = dw::db::Locking::Shared;
  options.password = password;
  auto opened = BriskFile::open(path, options, dw::platform::Disposition::CreateAlways);
  if (!opened) {
    std::fprintf(stderr, "brk: cannot create %s (system error %u)\n", path.c_str(), opened.error());
    return 2;
  }
  BriskFile& f = **opened;
  if (f.refreshHeader() != 0) return 2;
  const auto table = f.nextNumber();
  for (int i = 0; i < n; ++i) {
    const auto rec = f.nextNumber();
    std::string key(reinterpret_cast<const char*>(table.data()), 4);
    key.push_back(char(0xF3));
    key.append(reinterpret_cast<const char*>(rec.data()), 4);
    std::string data = "record " + std::to_string(i) + " ";
    data.resize(40 + std::size_t(i * 37 % 81), '.');
    dw::db::insertEntry(f, dw::db::Entry(key + data, key.size()));
  }
  auto err = f.commit();
  if (err == 0) err = f.cutAtEndOfData();  // as closing the file does
  f.release();
  if (err != 0) {
    std::fprintf(stderr, "brk: commit failed (system error %u)\n", err);
    return 1;
  }
  return 0;
}

}  // namespace

int cmdSample(const BrkArgs& args) {
  if (args.positional.size() != 2) return -1;
  return writeSample(args.positional[0], std::atoi(args.positional[1].c_str()), args.password);
}

}  // namespace dw::brk
