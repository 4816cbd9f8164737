// Fuzz target: arbitrary bytes read as a file of tables.  The input is
// written to a temporary file; every table its directory names (a few at
// most) is opened with the definition stored for it and read record by
// record in record order and along each key, memos included, and every
// third input also gets a record added.  Damage must end in an error
// number or a halting check (which throws in this mode), never in a crash
// or a sanitizer report.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "runtime/db/brisk_file.h"
#include "runtime/db/brkbt.h"
#include "runtime/db/table.h"
#include "runtime/lang/errors.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::string tempPath() {
  static const std::string path = dw::fuzz::tempPath("table_read_fuzz", ".BRK");
  return path;
}

// The names in the file's directory (keys 0xFE + name), at most `most`.
std::vector<std::string> tableNames(const std::string& path, std::size_t most) {
  std::vector<std::string> names;
  dw::db::BriskOptions options;
  options.readMode = true;
  options.locking = dw::db::Locking::None;
  auto opened = dw::db::BriskFile::open(path, options);
  if (!opened) return names;
  dw::db::BriskFile& f = **opened;
  if (f.refreshHeader() != 0) return names;
  std::string probe = "\xFE";
  while (names.size() < most) {
    auto e = dw::db::findNext(f, probe);
    if (!e || e->key().empty() || static_cast<unsigned char>(e->key()[0]) != 0xFE) break;
    if (dw::db::compareKeys(e->key(), probe) <= 0) break;
    probe = std::string(e->key());
    names.push_back(probe.substr(1));
  }
  return names;
}

void readTable(const std::string& path, const std::string& name, bool change) {
  const std::string full = path + "\\!" + name;
  dw::db::TableOpenOptions options;
  options.readOnly = !change;
  options.ignoreMismatch = true;
  dw::db::TableDesc desc;
  if (dw::db::readStoredDescription(full, options, desc) != 0) return;
  std::unique_ptr<dw::db::Table> table;
  if (dw::db::Table::openTable(full, desc, options, table) != 0) return;
  (void)table->recordCount();
  table->cursor().setRecordOrder();
  for (int n = 0; n < 200 && table->step(dw::db::StepDirection::Next) == 0; ++n) {
  }
  for (std::size_t k = 0; k < table->desc().keys.size() && k < 4; ++k) {
    table->cursor().setKeyOrder(k);
    for (int n = 0; n < 50 && table->step(dw::db::StepDirection::Previous) == 0; ++n) {
    }
  }
  if (change) {
    table->clearRecord();
    (void)table->addRecord();
  }
  (void)table->closeTable();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dw::fuzz::throwQuietHalts();
  const std::string path = tempPath();
  if (!dw::fuzz::writeInput(path, data, size)) return 0;
  std::vector<std::string> names;
  try {
    names = tableNames(path, 3);
  } catch (const dw::lang::HaltRequested&) {
    return 0;
  }
  for (const std::string& name : names) {
    try {
      readTable(path, name, size % 3 == 0);
    } catch (const dw::lang::HaltRequested&) {
    }
  }
  return 0;
}
