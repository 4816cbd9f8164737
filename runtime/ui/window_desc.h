// What a window resource declares about a window, in the form the runtime
// and the backends use: kind, title, geometry, font, timer, menu bar, tool
// bar and status-bar zones.  The window builder fills it from a window
// record; tests may fill it by hand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dw::ui {

enum class WindowKind : std::uint8_t { Application, MdiChild, Plain };

// Positions and sizes are in one of these units; they become pixels at open.
enum class Unit : std::uint8_t {
  DialogUnits = 0,
  TwentyFifthInch = 1,
  ThousandthInch = 2,
  Points = 3
};

inline constexpr std::int32_t kSystemPlaced = static_cast<std::int32_t>(0x80000000u);

// Standard actions of menu items and buttons the runtime performs itself.
namespace action {
inline constexpr int kTile = 2;  // vertical, as 18
inline constexpr int kCascade = 3;
inline constexpr int kArrangeIcons = 4;
inline constexpr int kHelpContents = 5;
inline constexpr int kHelpOnHelp = 6;
inline constexpr int kHelpSearch = 7;  // opens the current help file
inline constexpr int kHelpOnControl = 8;
inline constexpr int kCut = 10;
inline constexpr int kCopy = 11;
inline constexpr int kPaste = 12;
inline constexpr int kClear = 13;
inline constexpr int kUndo = 14;
inline constexpr int kClose = 15;
inline constexpr int kPrintSetup = 16;
inline constexpr int kTileHorizontal = 17;
inline constexpr int kTileVertical = 18;
// Whether a number is one of the standard actions.
inline constexpr bool isStandard(int n) {
  return (n >= 2 && n <= 8) || (n >= 10 && n <= 18);
}
}  // namespace action

struct MenuEntry {
  enum class Kind : std::uint8_t { Menu, Item, Separator };
  Kind kind = Kind::Item;
  int field = 0;  // negative for addressable menus and items, 0 otherwise
  std::string text;
  std::string statusText;
  int keyCode = 0;
  int standardAction = 0;
  bool disabled = false;
  std::vector<MenuEntry> items;  // a menu's items and submenus
};

struct ToolEntry {
  enum class Kind : std::uint8_t { Button, Image, Separator };
  Kind kind = Kind::Button;
  int field = 0;
  std::string text;  // tooltip / caption
  std::string icon;  // icon or image name
  std::string statusText;
  bool disabled = false;
};

struct WindowDesc {
  WindowKind kind = WindowKind::Plain;
  std::string label;  // e.g. "MAIN$APPFRAME"
  std::string title;
  std::string icon;
  Unit unit = Unit::DialogUnits;
  std::int32_t x = kSystemPlaced;
  std::int32_t y = kSystemPlaced;
  std::int32_t width = 200;
  std::int32_t height = 100;
  std::string fontFace;  // empty: the default font
  int fontSize = 0;
  bool reportsMoves = false;  // attribute bit 11: EVENT:Moved
  bool modal = false;         // extended attribute bit 3
  int timerPeriod = 0;        // hundredths of a second, 0 for none
  std::string statusText;
  std::string helpTopic;
  std::vector<MenuEntry> menuBar;
  std::vector<ToolEntry> toolBar;
  std::vector<int> statusZones;  // widths; -1 takes the rest; empty: none of its own
};

// Finds the menu entry with a field number anywhere in a menu bar.
const MenuEntry* findMenuEntry(const std::vector<MenuEntry>& bar, int field);

}  // namespace dw::ui
