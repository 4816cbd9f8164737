// The structural checker behind "brk check": walks every page of a file
// and verifies what the tree and the placement promise, reporting the first
// fault instead of halting.  Tests run it after every commit.
//
// Verified: the header (magic, size, region bounds ascending, regions whole
// pages, data inside the file); every page's size against its class, its
// own offset, its parsing and its stored size estimate; key order within
// and across pages; separators equal to the first keys of their children;
// levels one apart; the sentinel first in the leftmost leaf; no empty page;
// no page of several entries beyond what the split rule lets it hold;
// every page referenced exactly once; and every slot of every region used
// (regions dense, no overlap).
#pragma once

#include <cstdint>
#include <string>

#include "runtime/db/brisk_file.h"

namespace dw::db {

struct CheckReport {
  bool sound = true;
  std::string fault;          // the first fault found
  std::int32_t page = -1;     // the page it concerns (-1: the header)
  std::uint32_t depth = 0;    // levels of the tree (1 = the root is a leaf)
  std::uint64_t entries = 0;  // entries, the sentinel not counted
  std::uint64_t pages = 0;
  std::uint64_t entryBytes = 0;
};

// Checks the committed state of an open file (its header refreshed).
CheckReport checkFile(BriskFile& file);

}  // namespace dw::db
