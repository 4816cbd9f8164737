// POPUP: a context menu built from one line of text, shown at a screen
// position; the number of the chosen item comes back, 0 when the menu was
// dismissed.
//
// Menu text: items separated by "|".  A leading "~" disables an item; then
// "+" checks it and "-" shows it unchecked (the character is dropped); an
// item that is just "-" is a separator; "&" marks the access key; text
// followed by "{" is the title of a submenu whose items run to the matching
// "}".  Items are numbered from 1 in the order they stand, through all
// submenus, separators and submenu titles excepted, disabled items
// included.  Empty items (a trailing "|", the gap after a "}") add nothing.
// Trailing spaces are removed and at most 1,023 characters are used.
// docs/lists.md has examples.
//
// Thread-safety: parsePopupMenu is a pure function.  popup() is called by a
// runtime thread holding the Runtime lock; it gives the lock up while the
// menu is on screen, so other threads' windows keep working.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw::ui {

inline constexpr std::size_t kPopupTextLimit = 1023;

struct PopupItem {
  enum class Kind : std::uint8_t { Item, Separator, Submenu };
  Kind kind = Kind::Item;
  std::string text;  // with its "&"
  int number = 0;    // items: 1.., 0 for separators and submenu titles
  bool disabled = false;
  bool checkable = false;        // "+" or "-" was given
  bool checked = false;          // "+"
  std::vector<PopupItem> items;  // a submenu's items
  bool operator==(const PopupItem&) const = default;
};

struct PopupMenu {
  std::vector<PopupItem> items;
  int itemCount = 0;  // the highest number given
};

PopupMenu parsePopupMenu(std::string_view text);

// The item with a number, anywhere in the menu, or nullptr.
const PopupItem* findPopupItem(const PopupMenu& menu, int number);

// POPUP(text, x, y): shows the menu with its top-left corner at the screen
// position (a missing coordinate is the mouse cursor's) and returns the
// chosen item's number, 0 when dismissed.  The result is also kept as the
// last popup choice.
int popup(std::string_view text, std::optional<int> x = std::nullopt,
          std::optional<int> y = std::nullopt);
// The result of the last POPUP of the process.
int lastPopupChoice();

}  // namespace dw::ui
