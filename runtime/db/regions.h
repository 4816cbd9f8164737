// Region arithmetic of page placement: where the regions of the 59 size
// classes lie and how they slide, apart from the pages themselves.
//
// Region c holds pages of c units back to back from regionStart[c] to
// regionEnd[c]; regions ascend and never hold holes (brisk_format.h).  The
// functions here change region bounds in a header and ask `move` to move
// each page whose slot changes, always before the bounds change (so the
// page is still found in its region when it is read).  BriskFile's
// placement (placement.cpp) moves real pages; tests record the moves.
//
// Not thread-safe: the caller owns the header.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/db/brisk_format.h"

namespace dw::db {

// Moves the page at slot `from` to slot `to` (updating its one reference).
using PageMover = std::function<void(std::int32_t from, std::int32_t to)>;

// Makes a gap of at least `units` units just below region `region`: when
// the gap there is smaller, region k = region - 1 slides down page by page
// (its last page to just below its first, both bounds down by k) after a
// gap of the missing units, rounded up to whole pages of class k, was made
// below it in the same way.  An empty region slides the same way with no
// page to move.  Region 1 never moves: false when the gap cannot be made,
// and then nothing was moved.
bool makeGapBelow(Header& h, int region, std::int32_t units, const PageMover& move);

// Makes room for `units` units (at most `region`, else check 1786) just past
// the end of region `region` by pushing the region above up: a region of at
// most one page shifts by the missing units, a larger one moves its first
// page just past its end; region 59 grows into the end of the file.
void makeRoomAbove(Header& h, int region, std::int32_t units, const PageMover& move);

// Closes regions 2..59 up over the gaps below them: a region of at most one
// page moves to the end of the region below, a larger one slides down page
// by page while the gap below it holds a page.  True when a page moved.
bool compactRegions(Header& h, const PageMover& move);

}  // namespace dw::db
