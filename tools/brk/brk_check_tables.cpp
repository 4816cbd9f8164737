// The table part of brk check: after the pages are found sound, every
// table of the directory is checked against its stored definition
// (runtime/db/consistency_check.h): each record has exactly its key
// entries, no key entry names a missing record, counts and rebuild markers
// agree, definition chunks are contiguous and memo segments belong to
// existing records.  Dynamic indexes live in memory and are not checked.
#include <cstdio>

#include "runtime/db/consistency_check.h"
#include "runtime/db/table_keys.h"
#include "tools/brk/brk_commands.h"
#include "tools/brk/brk_table_access.h"

namespace dw::brk {

int checkTablesOf(dw::db::BriskFile& file, const std::string& path) {
  std::vector<std::string> faults;
  const std::vector<StoredTable> tables = storedTables(file, faults);
  bool sound = faults.empty();
  for (const std::string& f : faults) std::printf("%s: %s\n", path.c_str(), f.c_str());
  for (const StoredTable& t : tables) {
    if (int rc = dw::db::validateKeys(t.desc)) {
      std::printf("table %s (number %u): definition not usable (error %d)\n", t.name.c_str(),
                  t.number, rc);
      sound = false;
      continue;
    }
    const dw::db::TableCheckReport r = dw::db::checkTable(file, t.number, t.desc);
    std::printf("table %s (number %u): %s, %llu records", t.name.c_str(), t.number,
                r.sound ? "sound" : "FAULTY", static_cast<unsigned long long>(r.records));
    for (std::size_t k = 0; k < r.keyEntries.size(); ++k) {
      std::printf(", %s %llu", t.desc.keys[k].name.c_str(),
                  static_cast<unsigned long long>(r.keyEntries[k]));
    }
    std::printf("\n");
    for (const std::string& f : r.faults) std::printf("  %s\n", f.c_str());
    sound = sound && r.sound;
  }
  return sound ? 0 : 1;
}

}  // namespace dw::brk
