// List format strings: the text that declares a list control's columns
// (width, alignment, indent, header, display picture, source field and
// options), for example "60L(0)|M~Category~@s20@".  docs/lists.md gives the
// grammar and the meaning of every option.
//
// A format is first validated (validateListFormat: 0, or the 1-based
// position where reading failed), then parsed into a ListLayout, a table of
// columns and groups with pixel edges.  A list whose format is empty or
// invalid lays out one column per field of its data source instead
// (defaultListLayout).  Widths and indents are dialog units, converted with
// the window's font scale as MulDiv(value, numerator, denominator).
//
// Invariants of a parsed layout: columns are in order of appearance; a
// zero-width column has right == left - 1, takes no room (the next column
// starts at its left edge) and still takes its source field; every group
// spans a non-empty run of columns; defaultColumn is 0 or a valid 1-based
// column number.
//
// Thread-safety: pure functions over plain values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/lang/picture.h"

namespace dw::ui {

enum class ListAlign : std::uint8_t { Left = 0, Right = 1, Centre = 2, Decimal = 3 };

// Option flags of a column (and of a group).
namespace listflag {
inline constexpr std::uint32_t kNewLine = 0x3;         // "/": two bits; draws no right border
inline constexpr std::uint32_t kColour = 0x4;          // "*": four colour fields follow the value
inline constexpr std::uint32_t kIcon = 0x8;            // "I", "i": the value is an icon number
inline constexpr std::uint32_t kTree = 0x10;           // "T", "t"
inline constexpr std::uint32_t kResize = 0x20;         // "M", "m": the user may resize it
inline constexpr std::uint32_t kFixed = 0x40;          // "F", "f"
inline constexpr std::uint32_t kScroll = 0x80;         // "S", "s": own horizontal scroll
inline constexpr std::uint32_t kHeaderOption = 0x100;  // "H", "h"
inline constexpr std::uint32_t kRightBorder = 0x200;   // "|"
inline constexpr std::uint32_t kUnderline = 0x400;     // "_"
inline constexpr std::uint32_t kDefault = 0x800;       // "?"
inline constexpr std::uint32_t kHeader = 0x1000;       // "~text~" was given
}  // namespace listflag

// Tree options inside "T(...)".
namespace treeflag {
inline constexpr std::uint8_t kLines = 4;    // "L"
inline constexpr std::uint8_t kBoxes = 8;    // "B"
inline constexpr std::uint8_t kIndent = 16;  // "I"
inline constexpr std::uint8_t kLevel1 = 32;  // "1"
}  // namespace treeflag

// The horizontal font scale of a window: pixels = value * numerator /
// denominator (dialog units: twice the average character width over 8).
struct ListScale {
  int numerator = 12;
  int denominator = 8;
  int toPixels(std::int64_t dialogUnits) const;
};

struct ListColumn {
  int left = 0;   // pixels
  int right = 0;  // pixels; left - 1 for a zero-width column
  int width = 0;  // pixels, 0 for a zero-width column
  ListAlign align = ListAlign::Left;
  ListAlign headerAlign = ListAlign::Left;
  int indent = 0;        // data indent, pixels
  int headerIndent = 0;  // pixels
  std::string header;
  std::string picture;  // without its "@"; empty: the value as it is
  lang::CompiledPicture compiled;
  int sourceField = 0;  // "#n#", 0 when not given
  std::uint32_t flags = 0;
  std::uint8_t treeFlags = 0;
  int scrollWidth = 0;   // "S(n)"
  int headerOption = 0;  // "H(n)"
  int group = -1;        // index into ListLayout::groups, -1 for none
  // Where the column's data sits in a row of the source (0-based): the
  // value, and the first of its four colours (-1 without "*").
  int valueField = 0;
  int colourField = -1;

  bool has(std::uint32_t flag) const { return (flags & flag) == flag; }
};

struct ListGroup {
  int firstColumn = 0;  // 0-based, inclusive
  int lastColumn = 0;
  int left = 0;
  int right = 0;
  int indent = 0;
  ListAlign headerAlign = ListAlign::Left;
  int headerIndent = 0;
  std::string header;
  std::uint32_t flags = 0;
  std::uint8_t treeFlags = 0;
  int scrollWidth = 0;
  int headerOption = 0;
};

struct ListLayout {
  std::vector<ListColumn> columns;
  std::vector<ListGroup> groups;
  int totalWidth = 0;       // pixels
  int defaultColumn = 0;    // the "?" column, 1-based; 0 for none
  int fieldsUsed = 0;       // fields of a source row the columns read
  bool fromFormat = false;  // false: the default layout
  bool hasHeader() const;
};

// 0 when the whole text is a valid format, else the 1-based position at
// which reading failed (one past the end when a closing "@", "~", "#" or
// ")" is missing).
int validateListFormat(std::string_view format);

// Parses a valid format (validate first: an invalid one gives an empty
// layout).
ListLayout parseListFormat(std::string_view format, ListScale scale);

// The layout of a list without a usable format: one column per field, each
// the client width left over the columns still to place, at least 20
// dialog units; aligned as the field's code says.
ListLayout defaultListLayout(const std::vector<ListAlign>& fieldAligns, int clientWidth,
                             ListScale scale);

// What a list shows: the parsed format when it is valid and not empty,
// else the default layout.
ListLayout layoutForList(std::string_view format, const std::vector<ListAlign>& fieldAligns,
                         int clientWidth, ListScale scale);

}  // namespace dw::ui
