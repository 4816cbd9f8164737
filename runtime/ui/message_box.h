// MESSAGE: the runtime's own modal message box, described without any
// platform in sight, so both backends show the same box and tests can check
// its layout numbers.
//
// What a box is made of:
//   - its text (trailing blanks removed, each "|" a line break, at most
//     1,022 characters after the breaks are inserted), its caption (at most
//     255 characters) and an optional icon named by an icon string;
//   - a row of push buttons chosen by button bits, always shown in the order
//     of kButtonTable, one of them the default button.
// MESSAGE returns the bit of the button pressed, 0 when the box ended any
// other way (see resultForEndCode).
//
// Layout (layoutMessageBox) is in dialog units of the box's font: one
// horizontal unit is a quarter of the font's average character width (taken
// from the 52 letters a-z A-Z), one vertical unit an eighth of its height.
// The text is wrapped at 200 units; the text area keeps 5 units around the
// text and is at least 45 units high; an icon sits 5 units from the left
// edge, centred on the text area; the buttons (50 x 14 units, 5 apart) form
// one centred row 5 units above the bottom edge.
//
// Thread-safety: plain functions over values; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/control.h"

namespace dw::ui {

// Button bits, as callers combine them and MESSAGE returns them.
namespace button {
inline constexpr int kOk = 1;
inline constexpr int kYes = 2;
inline constexpr int kNo = 4;
inline constexpr int kAbort = 8;
inline constexpr int kRetry = 16;
inline constexpr int kIgnore = 32;
inline constexpr int kCancel = 64;
inline constexpr int kHelp = 128;
}  // namespace button

// One push button of a box: the dialog identifier it ends the box with, its
// bit and its caption.
struct BoxButton {
  int id = 0;
  int bit = 0;
  std::string_view text;
};

// Every button a box can have, in the order they are shown.
inline constexpr std::array<BoxButton, 8> kButtonTable{{
    {1, button::kOk, "OK"},
    {6, button::kYes, "&Yes"},
    {7, button::kNo, "&No"},
    {3, button::kAbort, "&Abort"},
    {4, button::kRetry, "&Retry"},
    {5, button::kIgnore, "&Ignore"},
    {2, button::kCancel, "Cancel"},
    {9, button::kHelp, "&Help"},
}};

inline constexpr std::size_t kMaxBoxText = 1022;  // characters, line breaks included
inline constexpr std::size_t kMaxBoxCaption = 255;
inline constexpr std::size_t kMaxIconString = 127;

// The button bit for the identifier a box ended with; 0 for anything else.
int resultForEndCode(int endCode);

// Where an icon string points.
struct IconRef {
  enum class Kind : std::uint8_t {
    None,         // empty string: no icon
    Stock,        // 0xFF 0x01 + 16-bit n: platform stock icon n - 1
    ProgramIcon,  // 0xFF 0x02 + 16-bit n: the program's icon resource n - 1
    Resource,     // "~NAME.ICO": a program resource (NAME_ICO)
    File          // anything else: the first icon of that file
  };
  Kind kind = Kind::None;
  int number = 0;    // Stock, ProgramIcon: the identifier (n - 1)
  std::string name;  // Resource: the resource name; File: the file name
};

// Stock icon identifiers.
namespace stock {
inline constexpr int kApplication = 32512;
inline constexpr int kStop = 32513;  // the hand: errors
inline constexpr int kQuestion = 32514;
inline constexpr int kExclamation = 32515;
inline constexpr int kInformation = 32516;
}  // namespace stock

IconRef parseIconString(std::string_view icon);
// The icon string naming a stock icon (the inverse of parseIconString).
std::string stockIconString(int id);

// What a procedure asks for.
struct MessageRequest {
  std::string text;
  std::string caption;
  std::string icon;  // icon string, "" for none
  int buttons = 0;   // bits; 0 means OK alone
  int defaultButtons = 0;
  bool systemModal = false;
};

// A box ready to be shown: texts prepared, buttons chosen.
struct MessageBox {
  std::string text;  // with "\r\n" line breaks
  std::string caption;
  IconRef icon;
  std::vector<BoxButton> buttons;  // in table order, never empty
  int defaultIndex = 0;            // into buttons
  bool systemModal = false;
  std::uint32_t ownerWindow = 0;  // runtime window id, 0 for none
  // The identifier the box ends with when the user closes it without a
  // button (Escape, the close box): Cancel's when it has one, else 0.
  int closeCode() const;
  int defaultId() const { return buttons[defaultIndex].id; }
};

// Removes trailing blanks and turns each "|" into "\r\n", stopping (and
// cutting the text) before it would pass 1,022 characters.
std::string prepareBoxText(std::string_view text);
MessageBox makeMessageBox(const MessageRequest& request);

// Measures a text in the box's font, wrapped at words in maxWidth pixels
// ("\r\n" breaks lines); returns its size in pixels.
struct TextSize {
  int width = 0;
  int height = 0;
};
using TextMeasure = std::function<TextSize(std::string_view text, int maxWidth)>;

// The box's font: dialog units derive from it.
struct BoxFont {
  int averageWidth = 6;  // of the 52 letters, rounded as dialog units expect
  int height = 13;
};

struct MessageLayout {
  int width = 0;  // client area, pixels
  int height = 0;
  Rect text;  // where the text is drawn (wrapped within its width)
  Rect icon;  // empty without an icon
  std::vector<Rect> buttons;
};

// Pixels for dialog units of the font.
int unitsToPixelsX(int units, const BoxFont& font);
int unitsToPixelsY(int units, const BoxFont& font);
// The average width dialog units use, from the extent of the 52 letters.
int averageWidthFromLetters(int extentOf52Letters);

MessageLayout layoutMessageBox(const MessageBox& box, const BoxFont& font,
                               const TextMeasure& measure, int iconSize);

// A fixed-pitch measure (every character averageWidth wide): the headless
// backend's and the text form's.
TextSize measureFixedPitch(std::string_view text, int maxWidth, const BoxFont& font);

// The box as plain text for a terminal (no screen): caption, text and the
// buttons with the default one marked, e.g. "Confirm: Delete it?\n[&Yes] <&No>".
std::string boxAsText(const MessageBox& box);

}  // namespace dw::ui
