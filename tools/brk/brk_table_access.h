// Finding a table of an open file for the table commands of brk that work
// from the stored definition alone (build, the table part of check): its
// directory entry, its number and its description.
//
// Single-threaded, like the tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/db/brisk_file.h"
#include "runtime/db/table_desc.h"

namespace dw::brk {

struct StoredTable {
  std::string name;  // as in the directory entry
  std::uint32_t number = 0;
  dw::db::TableDesc desc;  // from the definition stream
};

// Every table of the file in directory order.  A directory entry whose data
// is not a table number is reported in `faults` and skipped.
std::vector<StoredTable> storedTables(dw::db::BriskFile& file, std::vector<std::string>& faults);
// The table of that name (exact, as stored), or nothing.
std::optional<StoredTable> storedTable(dw::db::BriskFile& file, const std::string& name);
// The key of desc named by `key`: its name ignoring case, with or without
// the table prefix, or its number; -1 when none.
int findKey(const dw::db::TableDesc& desc, const std::string& key);

}  // namespace dw::brk
