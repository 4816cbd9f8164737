// Key codes that travel with EVENT:AlertKey and that KEYCODE() returns: the
// key's own code, with the modifier bits added (Shift 0x100, Ctrl 0x200,
// Alt 0x400).  Printable characters are their character codes; keys that
// type nothing and share a code with a character (Insert, Delete) carry
// the bit 0x800; mouse buttons have small codes of their own.
//
// Thread-safety: constants only.
#pragma once

namespace dw::ui::key {

inline constexpr int kShift = 0x100;
inline constexpr int kCtrl = 0x200;
inline constexpr int kAlt = 0x400;
inline constexpr int kNoCharacter = 0x800;

inline constexpr int kMouseLeft = 0x01;
inline constexpr int kMouseRight = 0x02;
inline constexpr int kMouseLeft2 = 0x05;  // a double click of the left button
inline constexpr int kBackspace = 0x08;
inline constexpr int kEnter = 0x0D;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kInsert = kNoCharacter | 0x2D;
inline constexpr int kDelete = kNoCharacter | 0x2E;
inline constexpr int kCtrlEnter = kCtrl | kEnter;

// The character a key code types, or 0 for a key that types none (a
// modifier held other than Shift, a mouse button, a control key).
inline char typedCharacter(int code) {
  if (code & (kCtrl | kAlt | kNoCharacter)) return 0;
  const int c = code & 0xFF;
  return c >= 0x20 && c < 0x7F ? static_cast<char>(c) : 0;
}

}  // namespace dw::ui::key
