// Reading Windows metafiles: the placeable header, the metafile header,
// the walk over records, and playing the records onto a Canvas.  This is
// the platform-neutral half of the player; runtime/ui/qt puts a QPainter
// under the Canvas.  Everything here takes outside input (page files,
// WMF images from files or resources) and never reads outside the bytes it
// is given: a malformed file plays up to the first bad record and reports
// why it stopped.
//
// The records understood are listed in docs/page-files.md; other records
// are skipped (object-creating ones still take their object slot, so the
// numbering of later objects stays right).
//
// Thread-safety: pure functions over the caller's bytes and canvas.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "runtime/ui/report/canvas.h"

namespace dw::report {

// The 22-byte placeable header that precedes a page file's metafile.
struct PlaceableHeader {
  static constexpr std::uint32_t kKey = 0x9AC6CDD7;
  static constexpr int kSize = 22;
  std::int16_t left = 0, top = 0, right = 0, bottom = 0;
  std::uint16_t unitsPerInch = 0;
  std::uint16_t checksum = 0;  // as stored
  // XOR of the ten 16-bit words before the checksum.
  std::uint16_t expectedChecksum() const;
};

// The header for a page of right x bottom units at unitsPerInch, with the
// checksum filled in.
PlaceableHeader makePlaceableHeader(std::int16_t right, std::int16_t bottom,
                                    std::uint16_t unitsPerInch);
// Its 22 bytes, little-endian.
std::string encodePlaceableHeader(const PlaceableHeader& header);
// The header at the start of `bytes`, when they begin with the key.
std::optional<PlaceableHeader> decodePlaceableHeader(std::span<const std::uint8_t> bytes);

enum class WmfStatus : std::uint8_t {
  Ok,
  Malformed,       // a bad header, a record that runs past the end, no EOF
  RecordTooLarge,  // a record above wmf::kMaxRecordBytes
  BadChecksum,     // placeable header whose checksum does not match
};
const char* wmfStatusText(WmfStatus status);

// What a metafile declares about itself.
struct WmfInfo {
  std::optional<PlaceableHeader> placeable;
  std::size_t metafileOffset = 0;  // where the metafile header starts
  std::uint32_t records = 0;       // records before EOF
  std::uint16_t objects = 0;       // object slots declared by the header
  // The picture's frame in logical units: the placeable bounds, else the
  // first window origin and extent, else none.
  std::optional<Box> frame;
};

struct WmfCheck {
  WmfStatus status = WmfStatus::Ok;
  WmfInfo info;
  std::string detail;  // "record 12 runs past the end", ...
};

// Validates the headers and the chain of records without drawing.
WmfCheck inspectWmf(std::span<const std::uint8_t> bytes);

// Where logical coordinates land on the canvas.
struct PlayPlacement {
  // Identity plus a translation: band drawings placed on a page.  Window
  // records of the metafile are ignored.
  static PlayPlacement translate(std::int32_t dx, std::int32_t dy) {
    PlayPlacement p;
    p.dx = dx;
    p.dy = dy;
    return p;
  }
  // The metafile's frame (placeable bounds or window) fitted into a box:
  // page files on a preview or printer page, WMF images in a control.
  static PlayPlacement fit(const Box& box) {
    PlayPlacement p;
    p.target = box;
    return p;
  }
  std::int32_t dx = 0, dy = 0;
  std::optional<Box> target;
};

struct PlayResult {
  WmfStatus status = WmfStatus::Ok;
  std::uint32_t played = 0;  // drawing calls made on the canvas
  std::string detail;
};

// Plays the records onto the canvas (a placeable header, if present, is
// honoured and skipped).
PlayResult playWmf(std::span<const std::uint8_t> bytes, Canvas& canvas,
                   const PlayPlacement& placement);

}  // namespace dw::report
