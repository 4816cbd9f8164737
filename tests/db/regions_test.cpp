// Region arithmetic of page placement, on headers written out by hand: the
// bounds and page moves expected were worked out step by step from the
// placement rules (gap below by sliding whole pages, room above by shifting
// or rotating, compaction).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "runtime/db/regions.h"
#include "runtime/lang/errors.h"

namespace dw::db {
namespace {

struct Region {
  int cls;
  std::int32_t start, end;
};

// A header whose listed regions have the given bounds; every region not
// listed is empty and sits at the end of the region below it.
Header layout(const std::vector<Region>& regions) {
  Header h;
  std::size_t next = 0;
  for (int c = 1; c <= kClassCount; ++c) {
    if (next < regions.size() && regions[next].cls == c) {
      h.regionStart[c] = regions[next].start;
      h.regionEnd[c] = regions[next].end;
      ++next;
    } else {
      h.regionStart[c] = h.regionEnd[c] = h.regionEnd[c - 1];
    }
  }
  return h;
}

using Moves = std::vector<std::pair<std::int32_t, std::int32_t>>;

struct GapCase {
  const char* name;
  std::vector<Region> before;
  int region;
  std::int32_t units;
  bool made;
  std::vector<Region> after;  // the regions that changed, as they end
  Moves moves;
};

TEST(Regions, GapBelowSlidesLowerRegionsInWholePages) {
  const std::vector<GapCase> cases = {
      {"enough gap already", {{1, 0, 2}, {3, 5, 11}}, 3, 3, true, {}, {}},
      // Region 2 is empty at 5: the 3 missing units round up to 4 (two
      // pages of class 2), which fit below it, and it slides 5 -> 3 -> 1.
      {"empty region slides by its class", {{2, 5, 5}, {3, 5, 11}}, 3, 3, true, {{2, 1, 1}}, {}},
      // The same with region 1 ending at 2: 4 units below region 2 are not
      // there (3 are), so no gap is made and nothing moves.
      {"rounding up refuses a gap that only fits unrounded",
       {{1, 0, 2}, {2, 5, 5}, {3, 5, 11}},
       3,
       3,
       false,
       {},
       {}},
      // Region 2 holds pages 3 and 5; one page's slide leaves a gap of 3.
      {"region with pages slides its last page below its first",
       {{1, 0, 1}, {2, 3, 7}, {3, 8, 14}},
       3,
       3,
       true,
       {{2, 1, 5}},
       {{5, 1}}},
      // Region 4 needs 4 units; empty region 3 must slide 6 (two pages of
      // 3), so region 2 (pages 7, 9) must leave 6 below region 3: 5 missing,
      // rounded to 6, which is exactly the gap below it: three slides.
      {"recursion rounds at every level",
       {{1, 0, 1}, {2, 7, 11}, {3, 12, 12}, {4, 12, 20}},
       4,
       4,
       true,
       {{2, 1, 5}, {3, 6, 6}},
       {{9, 5}, {7, 3}, {5, 1}}},
      {"region 1 never moves", {{1, 0, 3}, {2, 3, 7}}, 2, 2, false, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Header h = layout(c.before);
    Header expect = h;
    for (const auto& r : c.after) {
      expect.regionStart[r.cls] = r.start;
      expect.regionEnd[r.cls] = r.end;
    }
    Moves moves;
    const bool made = makeGapBelow(h, c.region, c.units, [&](std::int32_t from, std::int32_t to) {
      moves.emplace_back(from, to);
    });
    EXPECT_EQ(made, c.made);
    EXPECT_EQ(moves, c.moves);
    EXPECT_EQ(h.regionStart, expect.regionStart);
    EXPECT_EQ(h.regionEnd, expect.regionEnd);
  }
}

TEST(Regions, RoomAboveShiftsSmallRegionsAndRotatesLargeOnes) {
  Moves moves;
  const PageMover record = [&](std::int32_t from, std::int32_t to) {
    moves.emplace_back(from, to);
  };
  // A region of one page shifts by the missing units; the empty regions
  // above it shift with it up to the end of the file.
  Header h = layout({{3, 0, 3}, {4, 3, 7}});
  makeRoomAbove(h, 3, 3, record);
  EXPECT_EQ(moves, (Moves{{3, 6}}));
  EXPECT_EQ(h.regionStart[4], 6);
  EXPECT_EQ(h.regionEnd[4], 10);
  EXPECT_EQ(h.regionStart[kClassCount], 10);
  // A region of two pages moves its first page past its end.
  moves.clear();
  h = layout({{3, 0, 3}, {4, 3, 11}});
  makeRoomAbove(h, 3, 3, record);
  EXPECT_EQ(moves, (Moves{{3, 11}}));
  EXPECT_EQ(h.regionStart[4], 7);
  EXPECT_EQ(h.regionEnd[4], 15);
  EXPECT_EQ(h.regionStart[5], 15);
  // Region 59 has the end of the file above it.
  moves.clear();
  h = layout({{kClassCount, 0, kClassCount}});
  makeRoomAbove(h, kClassCount, kClassCount, record);
  EXPECT_TRUE(moves.empty());
  EXPECT_EQ(h.regionEnd[kClassCount], kClassCount);
  // More room than one page of the region: a consistency error.
  h = layout({{2, 0, 2}});
  EXPECT_THROW(makeRoomAbove(h, 2, 3, record), dw::lang::HaltRequested);
}

TEST(Regions, CompactionClosesEveryGapAboveRegionOne) {
  Header h = layout({{1, 0, 1}, {2, 3, 3}, {3, 5, 8}, {4, 12, 24}});
  Moves moves;
  EXPECT_TRUE(
      compactRegions(h, [&](std::int32_t from, std::int32_t to) { moves.emplace_back(from, to); }));
  // Region 2 (empty) drops to 1; region 3's one page moves to 1; region 4
  // slides its last page below its first twice (gaps of 8, then 4).
  EXPECT_EQ(moves, (Moves{{5, 1}, {20, 8}, {16, 4}}));
  const Header expect = layout({{1, 0, 1}, {2, 1, 1}, {3, 1, 4}, {4, 4, 16}});
  EXPECT_EQ(h.regionStart, expect.regionStart);
  EXPECT_EQ(h.regionEnd, expect.regionEnd);
  // Closed up already: nothing to do.
  moves.clear();
  EXPECT_FALSE(
      compactRegions(h, [&](std::int32_t from, std::int32_t to) { moves.emplace_back(from, to); }));
  EXPECT_TRUE(moves.empty());
}

}  // namespace
}  // namespace dw::db
