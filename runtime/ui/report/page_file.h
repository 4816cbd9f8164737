// Page files: one previewed page of a report, kept in a temporary file
// ("VEL" prefix, in the platform's temporary directory) as the 22-byte
// placeable header followed by the page's Windows metafile.  The layout is
// in docs/page-files.md.
//
// The process keeps the names of the page files it wrote and has not
// removed: a report removes its own when it closes, and the program at its
// end removes those of reports whose threads it does not wait for.
//
// Thread-safety: plain functions over the platform seam (any thread); the
// list of written files has a lock of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/ui/report/wmf_player.h"

namespace dw::report {

// The placement of a page on the printer, in dots.
struct PageGeometry {
  std::int32_t dpiX = 300, dpiY = 300;
  std::int32_t width = 2400, height = 3150;  // printable area
  std::int32_t offsetX = 75, offsetY = 75;   // printable area from the sheet's corner
};

// The placeable header of a page of this geometry: units per inch the
// larger resolution, right and bottom the page plus twice its offset with
// the axis of smaller resolution scaled up to the larger one.
PlaceableHeader pageHeaderFor(const PageGeometry& geometry);

// Writes header + metafile to a new temporary file; its path, or nullopt
// when the file cannot be made or written (the error is the OS code).
std::optional<std::string> writePageFile(const PlaceableHeader& header,
                                         std::span<const std::uint8_t> metafile,
                                         std::uint32_t* osError = nullptr);

// Removes a page file written by writePageFile and forgets it.
void removePageFile(const std::string& path);
// Removes every page file written and not yet removed (the program's end).
void removeAllPageFiles();

// The whole of a file (page files, WMF images); nullopt when unreadable.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

}  // namespace dw::report
