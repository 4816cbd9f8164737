// Region arithmetic of page placement (see regions.h).
#include "runtime/db/regions.h"

#include "runtime/db/brisk_checks.h"

namespace dw::db {

bool makeGapBelow(Header& h, int r, std::int32_t g, const PageMover& move) {
  auto& start = h.regionStart;
  auto& end = h.regionEnd;
  const int k = r - 1;
  const std::int32_t gap = start[r] - end[k];
  if (gap >= g) return true;
  if (k == 0) return false;
  const std::int32_t missing = g - gap;
  const std::int32_t need = (missing + k - 1) / k * k;
  if (!makeGapBelow(h, k, need, move)) return false;
  while (start[r] - end[k] < g) {
    if (start[k] != end[k]) move(end[k] - k, start[k] - k);
    start[k] -= k;
    end[k] -= k;
  }
  return true;
}

void makeRoomAbove(Header& h, int c, std::int32_t units, const PageMover& move) {
  if (units > c) brkbtFail(check::kRoomAboveTooLarge);
  if (c == kClassCount) return;  // the end of the file
  auto& start = h.regionStart;
  auto& end = h.regionEnd;
  const std::int32_t gap = start[c + 1] - end[c];
  if (gap >= units) return;
  const std::int32_t missing = units - gap;
  const int n = c + 1;
  const std::int32_t count = (end[n] - start[n]) / n;
  if (count <= 1) {
    makeRoomAbove(h, n, missing, move);
    if (count == 1) move(start[n], start[n] + missing);
    start[n] += missing;
    end[n] += missing;
  } else {
    makeRoomAbove(h, n, n, move);
    move(start[n], end[n]);
    start[n] += n;
    end[n] += n;
  }
}

bool compactRegions(Header& h, const PageMover& move) {
  auto& start = h.regionStart;
  auto& end = h.regionEnd;
  bool moved = false;
  for (int c = 2; c <= kClassCount; ++c) {
    const std::int32_t count = (end[c] - start[c]) / c;
    if (count <= 1) {
      if (start[c] > end[c - 1]) {
        if (count == 1) {
          move(start[c], end[c - 1]);
          moved = true;
        }
        start[c] = end[c - 1];
        end[c] = start[c] + count * c;
      }
    } else {
      while (start[c] - end[c - 1] >= c) {
        move(end[c] - c, start[c] - c);
        start[c] -= c;
        end[c] -= c;
        moved = true;
      }
    }
  }
  return moved;
}

}  // namespace dw::db
