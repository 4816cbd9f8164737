// Pictures: the display formats ("@n10.2", "@d3", "@t3", "@s20", "@p###p",
// "@k^##k", ...) that turn values into text (format), text back into values
// (deformat), and that entry controls edit against (entryPattern).
//
// Every picture is compiled first.  The compiled form is a header and one
// (character, kind) pair per output position; encode() gives it as bytes:
//
//   byte 0   bits 0-2 picture type (PictureType), bits 3-5 value class
//            (1 date/time, 3 number/pattern, 2 scientific, 0 string/key-in),
//            bit 7 set for a final "B" (blank when zero)
//   byte 1   number of positions (string pictures: their length, no pairs)
//   then     per position: the character (a literal, or the fill printed for
//            a leading zero of a digit position) and its PositionKind
//
// An invalid picture compiles to the empty picture (type number, no
// positions), which formats to "" and deformats to 0.  docs/pictures.md
// describes the grammar of every picture type and the layouts.
//
// Thread-safety: compiled pictures are plain values.  format and deformat
// read the process-wide month names, markers and locale pictures (intl.h),
// which are set up at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dw::lang {

enum class PictureType : std::uint8_t {
  Number = 0,
  Scientific = 1,
  Date = 2,
  Time = 3,
  Pattern = 4,
  String = 5,
  KeyIn = 6,
};

enum class PositionKind : std::uint8_t {
  Literal = 0,
  Grouping = 1,  // printed only when a significant digit stands to its left
  DecimalPoint = 2,
  Digit = 3,      // always printed
  DigitFill = 4,  // a leading zero prints the position's fill character
  Sign = 5,       // "-", "(" or ")"
  Currency = 6,
  MonthDigit = 7,
  DayDigit = 8,
  YearDigit = 9,
  MonthName = 10,
  HourDigit = 11,
  MinuteDigit = 12,
  SecondDigit = 13,
  KeyLetter = 14,  // key-in "@"
  KeyUpper = 15,   // key-in "^"
  KeyLower = 16,   // key-in "_"
  KeyAny = 17,     // key-in "?"
  Separator = 19,  // date or time separator (the separator suffix replaces it)
  AmPm = 20,
  ExponentSign = 21,
  ImpliedPoint = 22,  // "v": a decimal point that prints nothing
  KeyOptional = 23,   // key-in "|": the rest is optional; prints nothing
};

struct PicturePosition {
  char ch = ' ';
  PositionKind kind = PositionKind::Literal;
  bool operator==(const PicturePosition&) const = default;
};

struct CompiledPicture {
  bool valid = false;
  PictureType type = PictureType::Number;
  bool blankWhenZero = false;
  int number = 0;              // date and time pictures: 1..18 / 1..8
  int length = 0;              // string pictures
  int decimals = 0;            // number and scientific pictures
  bool upperNames = true;      // date pictures: month names in capitals
  bool localeMarkers = false;  // time pictures: AM/PM from the locale
  std::vector<PicturePosition> positions;

  std::uint8_t valueClass() const;
  // Header byte 1: positions, or a string picture's length.
  int positionCount() const;
  // The compiled form as bytes (at most 512).
  std::vector<std::uint8_t> encode() const;
};

// Compiles a picture; the empty picture (valid == false) when invalid.
// @d19 and @d20 exist only for entry controls and compile as invalid here.
CompiledPicture compilePicture(std::string_view picture);

// FORMAT: numbers for number, scientific, pattern, date (day number) and
// time (time value) pictures; text for string and key-in pictures.  Each
// overload converts when given the other kind of value (text that is not a
// number counts as 0).
std::string format(double value, const CompiledPicture& picture);
std::string format(std::string_view value, const CompiledPicture& picture);
std::string format(double value, std::string_view picture);
std::string format(std::string_view value, std::string_view picture);

// What DEFORMAT gives: a number, or text for string and key-in pictures.
struct PictureValue {
  bool isText = false;
  double number = 0;
  std::string text;
};
PictureValue deformat(std::string_view text, const CompiledPicture& picture);
PictureValue deformat(std::string_view text, std::string_view picture);

// The textual pattern that an entry control edits a date or time picture
// against (e.g. "Mm/dd/yy", "NNN Dd, yyyy", "Hh:mmPP"), @d1 to @d20 and @t1
// to @t8; "" for any other picture.  Letters: M/m month, D/d day, y year,
// N month-name letter, H/h hour, m minute, s second, PP the AM/PM marker; an
// upper-case first letter shows a leading zero as a blank.
std::string entryPattern(std::string_view picture);

}  // namespace dw::lang
