// The consistency check of one table's entries, behind "brk check" for
// tables and the model tests: what the table promises beyond the tree's own
// structure (checker.h).
//
// Verified, for table T described by desc:
//  - the definition chunks are numbered 0, 1, ... without a gap;
//  - every data entry has a 9-byte key and a record of the declared length;
//  - the table's statistics entry exists and counts its records;
//  - for each key (dynamic indexes excepted): its statistics entry exists
//    and counts its entries; every entry has the key's length and names an
//    existing record; every record below the rebuild marker (every record
//    when the marker is 0) has exactly the entry its image makes, unless the
//    key is optional and the record empty in it; no entry of a record below
//    the marker is stale;
//  - every memo segment belongs to an existing record and a declared memo;
//  - no entry of T has a kind byte that no part of a table uses.
//
// Reads only (the file may be in read mode); the header must be current.
// Same thread rules as the file object.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/brisk_file.h"
#include "runtime/db/table_desc.h"

namespace dw::db {

struct TableCheckReport {
  bool sound = true;
  std::vector<std::string> faults;  // the first few, each naming what it concerns
  std::uint64_t records = 0;
  std::vector<std::uint64_t> keyEntries;  // per key
  std::uint64_t memoSegments = 0;
  std::uint64_t definitionChunks = 0;
};

// storedToMemory converts a stored record image for the key code (OEM
// tables); null: images are used as stored.
TableCheckReport checkTable(
    BriskFile& file, std::uint32_t table, const TableDesc& desc,
    const std::function<std::string(std::string_view)>& storedToMemory = {});

}  // namespace dw::db
