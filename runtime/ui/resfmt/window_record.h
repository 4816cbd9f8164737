// Window resources in memory: the parsed, validated form of one module's
// DABDUMP blob (its windows and reports, their controls, menus, tool bars,
// fonts and texts), the helpers that interpret positions and image
// references, and the loader that turns blob bytes into a Module.
//
// The byte layout is described in docs/window-resources.md; blob_reader.cpp
// reads it, blob_writer.cpp writes it.  Invariants of a Module produced by
// parseModule():
//   * every offset of the blob was inside the blob and every record was
//     reached exactly once (no cycles, no shared records), so the tree below
//     is finite and its size is bounded by the blob's size;
//   * container nesting is at most kMaxNesting deep;
//   * records of control types that have no creator (7, 15, 18, 33, 34) are
//     dropped from their chain.
// Texts are byte strings as stored (no code-page conversion); an empty text
// means "none" (offset 0 in the blob).
//
// This library has no dependencies; everything here is plain data, safe to
// read from any thread once built.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dw::resfmt {

// A position or size value meaning "the system places it" (x, y) or "the
// natural size" (width, height).
inline constexpr std::int32_t kSystemPlaced = static_cast<std::int32_t>(0x80000000u);
// Deepest nesting of containers (option groups, group boxes, sheets, tabs,
// menus, report bands) that the loader accepts.
inline constexpr int kMaxNesting = 32;

enum class RecordKind : std::uint8_t { Window = 25, Report = 26 };

enum class ControlType : std::uint8_t {
  VariableString = 1,  // a string showing a variable through a picture
  String = 2,          // fixed text
  Image = 3,
  Region = 4,  // invisible, mouse-sensitive area
  Box = 5,
  Line = 6,
  Entry = 8,
  Button = 9,
  Prompt = 10,
  OptionGroup = 11,  // children: radio buttons (and other controls)
  Check = 12,
  GroupBox = 13,  // children: the contained controls
  List = 14,      // a drop-down list when dropCount != 0
  Spin = 16,
  Text = 17,  // multi-line text
  Radio = 21,
  Progress = 35,
  Sheet = 37,  // children: tabs
  Tab = 38,    // children: the controls of the tab's page
  // Report band structures; children: the band's controls (a group band
  // holds its header, footer and detail bands).
  HeaderBand = 27,
  FooterBand = 28,
  GroupBand = 29,
  FormBand = 30,
  DetailBand = 31,
};

// Record types that are not controls.
inline constexpr std::uint8_t kMenuRecord = 19;
inline constexpr std::uint8_t kMenuItemRecord = 20;
inline constexpr std::uint8_t kMenuBarRecord = 22;
inline constexpr std::uint8_t kToolBarRecord = 24;

// True for the control types that the loader keeps (the enum above).
bool isKnownControlType(std::uint8_t type);
// True for the control types that carry a chain of children.
bool isContainer(ControlType type);
// The keyword used for a control type in resource sources ("entry", ...).
std::string_view controlTypeName(ControlType type);

// Value-type descriptor of a control that edits a variable.
struct ValueType {
  std::uint8_t typeCode = 0;
  std::uint32_t size = 0;
  bool operator==(const ValueType&) const = default;
};
// Data type codes.  6 (4-byte integer) and 18 (fixed-length string) are the
// ones the application's windows use.
namespace vt {
inline constexpr std::uint8_t kByte = 1;
inline constexpr std::uint8_t kShort = 2;
inline constexpr std::uint8_t kLong = 6;
inline constexpr std::uint8_t kDecimal = 10;
inline constexpr std::uint8_t kString = 18;
inline constexpr std::uint8_t kCString = 19;
}  // namespace vt

struct FontRecord {
  std::string typeface;
  std::int32_t pointSize = 0;
  std::int32_t colour = -1;  // 0x00BBGGRR, -1 default
  std::int32_t weight = -1;  // 400 normal, -1 default
  bool operator==(const FontRecord&) const = default;
};

struct Rect {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// Extra fields of report bands (types 27-31).
struct BandInfo {
  std::int32_t flags = 0;
  std::int32_t printBefore = 0;  // page count before the band
  std::int32_t printAfter = 0;   // page count after the band
  std::int32_t keepWithPrevious = 0;
  std::int32_t beforePage = 0;  // page number to continue with, 0 none
  std::int32_t afterPage = 0;
  bool operator==(const BandInfo&) const = default;
};

// One control.  The members a type uses are listed in the layout table of
// docs/window-resources.md; the others stay at their defaults.
struct ControlRecord {
  ControlType type = ControlType::String;
  std::uint32_t attributes = 0;
  std::int32_t field = 0;              // 1.. in declaration order; 0 for tabs; < 0 on tool bars
  std::string helpTopic;               // the control's own help topic, "" none
  Rect rect;                           // tabs take their sheet's rectangle
  std::optional<ValueType> valueType;  // controls that edit a variable
  std::string text;                    // caption / fixed text / prompt / tab text / radio text
  std::string status;                  // status-bar text
  std::string picture;                 // display picture, stored without its "@" ("s20", "d3")
  std::string icon;                    // button icon reference (see decodeReference)
  std::string image;                   // image control's picture reference
  std::string format;                  // list format string
  std::string value;           // radio: the value it writes into the option variable, "" = its text
  std::int32_t keyCode = 0;    // button: key that presses it
  std::uint8_t dropCount = 0;  // list: rows of the drop-down part, 0 for a plain list
  std::int32_t colour1 = -1;   // region/box: first colour; line: its colour
  std::int32_t colour2 = -1;   // region/box: second colour (box: fill)
  std::int32_t low = 0, high = 0, step = 0;  // spin and progress ranges
  BandInfo band;                             // report bands only
  std::vector<ControlRecord> children;       // containers only
  bool operator==(const ControlRecord&) const = default;
};

struct MenuEntry;

// A menu (kind Menu, with entries) or an item (kind Item) or a separator
// (an item whose attributes have kSeparatorBit and no text).
struct MenuEntry {
  enum class Kind : std::uint8_t { Menu, Item };
  static constexpr std::uint32_t kSeparatorBit = 16;
  Kind kind = Kind::Item;
  std::uint32_t attributes = 0;
  std::int32_t field = 0;  // negative for addressable menus and items, 0 otherwise
  std::string text;
  std::string status;
  std::int32_t keyCode = 0;         // items only
  std::int32_t standardAction = 0;  // 0 none
  std::vector<MenuEntry> entries;   // menus only
  bool isSeparator() const { return kind == Kind::Item && (attributes & kSeparatorBit); }
  bool operator==(const MenuEntry&) const = default;
};

struct MenuBar {
  std::uint32_t attributes = 0;
  std::vector<MenuEntry> menus;
  bool operator==(const MenuBar&) const = default;
};

// A tool bar: a strip above the window's client area holding ordinary
// control records (buttons, images) whose field numbers are negative and
// continue the count of the menu bar.
struct ToolBar {
  std::uint32_t attributes = 0;
  std::int32_t height = kSystemPlaced;  // in the window's units; kSystemPlaced: natural
  std::vector<ControlRecord> controls;
  bool operator==(const ToolBar&) const = default;
};

// Attribute bits of windows.
namespace wa {
inline constexpr std::uint32_t kReportsMoves = 0x800;
inline constexpr std::uint32_t kUnitMask = 0x300;
}  // namespace wa
// Extended attribute bits of windows.
namespace wx {
inline constexpr std::uint32_t kModal = 0x8;
}

enum class Unit : std::uint8_t { DialogUnits = 0, Inch25 = 1, Mil = 2, Points = 3 };

// A window (kind Window) or a report (kind Report) record with everything
// that hangs off it.  Reports keep x, y, width and height in thousandths of
// an inch and hold their bands in `controls`.
struct WindowRecord {
  RecordKind kind = RecordKind::Window;
  std::uint32_t attributes = 0;
  std::uint32_t createAttributes = 0;  // handed to the window when it is created
  std::int32_t x = kSystemPlaced, y = kSystemPlaced;
  std::int32_t width = 0, height = 0;
  std::string label;               // the lookup name, "MAIN$APPFRAME"
  std::optional<FontRecord> font;  // none: the system font
  std::string title;
  std::string icon;    // reference (see decodeReference)
  std::string status;  // the window's status-bar message
  std::string helpTopic;
  std::vector<std::int32_t> values;  // the chain of 32-bit values
  std::uint32_t extendedAttributes = 0;
  std::int32_t palette = 0;  // palette entries wanted, 0 none
  std::int32_t timer = 0;    // hundredths of a second, 0 none
  // Reports: the paper kind to set in the printer settings (0 none; 256 a
  // size of its own, given by width and length in thousandths of an inch).
  // Windows keep these 0.
  std::int32_t paperKind = 0, paperWidth = 0, paperLength = 0;
  std::optional<MenuBar> menuBar;
  std::optional<ToolBar> toolBar;
  std::string cursor;                     // reference, "" the arrow
  std::vector<std::int32_t> statusZones;  // widths; -1 takes the rest; empty: no status bar
  std::vector<ControlRecord> controls;

  Unit unit() const { return static_cast<Unit>((attributes & wa::kUnitMask) >> 8); }
  bool isModal() const { return extendedAttributes & wx::kModal; }
  bool operator==(const WindowRecord&) const = default;
};

// One module's blob: its key string ("DORN.vls$dorn008") and its records in
// chain order.
struct Module {
  std::string key;
  std::vector<WindowRecord> windows;
  // The record with this label (compared exactly), or nullptr.
  const WindowRecord* find(std::string_view label) const;
  bool operator==(const Module&) const = default;
};

// ---- Loader -------------------------------------------------------------

struct ParseError {
  std::string message;       // "control chain loops at offset 0x54", ...
  std::uint32_t offset = 0;  // blob offset (in the offset space) where detected
};

struct ParseResult {
  std::optional<Module> module;
  ParseError error;  // meaningful when !module
  bool ok() const { return module.has_value(); }
};

// Parses a whole blob.  Never crashes and never reads outside `bytes`:
// malformed, truncated, cyclic or too deeply nested input gives an error.
ParseResult parseModule(std::span<const std::uint8_t> bytes);

// The key string at the start of a blob, without parsing the rest ("" when
// the blob has no terminator).
std::string blobKey(std::span<const std::uint8_t> bytes);

// ---- Units ----------------------------------------------------------------

// Converts window units to pixels: value * scale / base, per axis.
struct UnitScale {
  std::int32_t xScale = 1, yScale = 1, base = 1;
};
// Dialog units: x scale twice the font's average character width, y scale
// its character height, base 8.
UnitScale dialogUnitScale(std::int32_t averageCharWidth, std::int32_t charHeight);
// Other units: the device's dots per inch over 25, 1000 or 72.
UnitScale deviceUnitScale(Unit unit, std::int32_t dpiX, std::int32_t dpiY);

enum class Axis : std::uint8_t { X, Y };
// A width or height in pixels; kSystemPlaced gives 0 (natural size).
std::int32_t sizeToPixels(std::int32_t value, const UnitScale& scale, Axis axis);
// An x or y position in pixels; kSystemPlaced gives nullopt (system places it).
std::optional<std::int32_t> positionToPixels(std::int32_t value, const UnitScale& scale, Axis axis);

// ---- Icon, cursor and image references --------------------------------------

struct Reference {
  enum class Kind : std::uint8_t { None, Resource, Stock, ResourceNumber, File };
  Kind kind = Kind::None;
  std::string name;          // Resource: "WIZARD_ICO"; File: the file name
  std::uint16_t number = 0;  // Stock: the stock id; ResourceNumber: the number (stored value - 1)
  bool operator==(const Reference&) const = default;
};
// "~wizard.ico" -> Resource "WIZARD_ICO"; 0xFF 0x01 lo hi -> Stock;
// 0xFF 0x02 lo hi -> ResourceNumber (value - 1); "" -> None; else File.
Reference decodeReference(std::string_view text);
// The stored text of a stock or numbered reference (0xFF kind lo hi).
std::string stockReference(std::uint16_t id);
std::string numberedReference(std::uint16_t number);

}  // namespace dw::resfmt
