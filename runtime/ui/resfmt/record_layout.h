// Byte layouts of the records of a window resource blob, shared by the
// reader and the writer so that both agree by construction.  Offsets are
// from the start of a record; -1 means the type has no such field.  All
// multi-byte fields are 32-bit little-endian and unaligned, except the
// list's drop count (one byte).  docs/window-resources.md has the tables.
#pragma once

#include <cstdint>

#include "runtime/ui/resfmt/window_record.h"

namespace dw::resfmt::layout {

// Header common to control, menu, menu bar and tool bar records.
inline constexpr int kType = 0;
inline constexpr int kNext = 1;
inline constexpr int kAttributes = 5;
inline constexpr int kField = 13;
inline constexpr int kHelpTopic = 17;  // controls only
inline constexpr int kControlHeaderSize = 21;

struct ControlLayout {
  std::uint8_t type;
  std::int16_t size;
  std::int16_t rect;  // x, y, width, height in a row
  std::int16_t valueType;
  std::int16_t status;
  std::int16_t text;
  std::int16_t picture;
  std::int16_t icon;
  std::int16_t image;
  std::int16_t format;
  std::int16_t value;
  std::int16_t key;
  std::int16_t drop;
  std::int16_t colour1;
  std::int16_t colour2;
  std::int16_t low;
  std::int16_t high;
  std::int16_t step;
  std::int16_t child;
  bool band;
};

// clang-format off
//                                      size rect vt  stat text pic icon img fmt val key drop c1  c2  low high step child band
inline constexpr ControlLayout kControls[] = {
  {1,  73, 25, 21, -1, -1, 69, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {2,  45, 21, -1, -1, 41, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {3,  41, 21, -1, -1, -1, -1, -1, 37, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {4,  45, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 37, 41, -1, -1, -1, -1, false},
  {5,  45, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 37, 41, -1, -1, -1, -1, false},
  {6,  45, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 41, -1, -1, -1, -1, -1, false},
  {8,  73, 25, 21, 41, -1, 69, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {9,  73, 21, -1, 37, 65, -1, 69, -1, -1, -1, 49, -1, -1, -1, -1, -1, -1, -1, false},
  {10, 45, 21, -1, -1, 41, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {11, 77, 25, 21, -1, 41, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 73, false},
  {12, 73, 25, 21, 41, 69, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {13, 73, 21, -1, -1, 41, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 69, false},
  {14, 74, 29, 49, 45, -1, -1, -1, -1, 25, -1, -1, 73, -1, -1, -1, -1, -1, -1, false},
  {16, 73, 25, 21, 41, -1, 69, -1, -1, -1, -1, -1, -1, -1, -1, 45, 49, 53, -1, false},
  {17, 45, 25, 21, 41, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {21, 49, 21, -1, -1, 41, -1, -1, -1, -1, 45, -1, -1, -1, -1, -1, -1, -1, -1, false},
  {35, 49, 25, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 41, 45, -1, -1, false},
  {37, 77, 25, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 73, false},
  {38, 73, -1, -1, -1, 42, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 69, false},
  {27, 73, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 69, true},
  {28, 73, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 69, true},
  {29, 73, 21, -1, -1, 61, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 69, true},
  {30, 73, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 69, true},
  {31, 73, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 69, true},
};
// clang-format on

// Band fields (types 27-31).
inline constexpr int kBandFlags = 37;
inline constexpr int kBandPrintBefore = 41;
inline constexpr int kBandPrintAfter = 45;
inline constexpr int kBandKeep = 49;
inline constexpr int kBandBeforePage = 53;
inline constexpr int kBandAfterPage = 57;

// Control types that have no creator: their records are skipped.
inline constexpr std::uint8_t kSkippedTypes[] = {7, 15, 18, 33, 34};

const ControlLayout* controlLayout(std::uint8_t type);
bool isSkippedType(std::uint8_t type);

// Window and report record.
inline constexpr int kWinType = 0;
inline constexpr int kWinNext = 1;
inline constexpr int kWinAttributes = 5;
inline constexpr int kWinCreateAttributes = 9;
inline constexpr int kWinX = 13;
inline constexpr int kWinY = 17;
inline constexpr int kWinWidth = 21;
inline constexpr int kWinHeight = 25;
inline constexpr int kWinFirstControl = 29;
inline constexpr int kWinLabel = 33;
inline constexpr int kWinFont = 37;
inline constexpr int kWinTitle = 41;
inline constexpr int kWinPaperKind = 45;   // reports only
inline constexpr int kWinPaperWidth = 49;  // reports only
inline constexpr int kWinIcon = 53;
inline constexpr int kWinStatus = 57;
inline constexpr int kWinPaperLength = 61;  // reports only
inline constexpr int kWinHelp = 65;
inline constexpr int kWinValues = 73;
inline constexpr int kWinExtended = 77;
inline constexpr int kWinPalette = 81;
inline constexpr int kWinTimer = 85;
inline constexpr int kWinMenuBar = 89;
inline constexpr int kWinToolBar = 93;
inline constexpr int kWinCursor = 97;
inline constexpr int kWinZones = 101;
inline constexpr int kWindowSize = 105;

// Menu bar, menu and item records.
inline constexpr int kMenuBarFirst = 13;
inline constexpr int kMenuBarSize = 17;
inline constexpr int kMenuText = 25;
inline constexpr int kMenuStatus = 29;
inline constexpr int kMenuKey = 41;  // items only
inline constexpr int kMenuAction = 49;
inline constexpr int kMenuFirst = 53;  // menus only
inline constexpr int kMenuSize = 57;
inline constexpr int kItemSize = 53;

// Tool bar record (type 24).
inline constexpr int kToolBarHeight = 21;
inline constexpr int kToolBarFirst = 25;
inline constexpr int kToolBarSize = 29;

// Font record.
inline constexpr int kFontTypeface = 0;
inline constexpr int kFontSize = 4;
inline constexpr int kFontColour = 8;
inline constexpr int kFontWeight = 12;
inline constexpr int kFontRecordSize = 16;

// Value-type descriptor: code (1 byte), size (4), reserved (4).
inline constexpr int kValueTypeSize = 9;
// Chain item (status zones, value chain): value, next.
inline constexpr int kChainItemSize = 8;

// Stored references: 0xFF, kind, 16-bit value.
inline constexpr std::uint8_t kRefEscape = 0xFF;
inline constexpr std::uint8_t kRefStock = 0x01;
inline constexpr std::uint8_t kRefNumber = 0x02;
inline constexpr int kRefSize = 4;

}  // namespace dw::resfmt::layout
