// The matching rules of the search by example: the eighteen match types
// (0 "ignore this field" to 17), the field kinds that offer them, their
// one-byte codes and radio texts, and whether one value of a record matches
// the value the user gave (and the upper limit of a range).
//
//   text kinds (STRING, TEXT, OPTION): both sides in capitals without
//     trailing blanks; 1-6 by text order, 7/8 inside / outside the range
//     from the value to the upper limit (both ends included; a range whose
//     upper limit is below the value holds nothing), 9 begins with, 10 ends
//     with, 11 contains, 12 does not contain;
//   numbers (NUMBER, CHECK, PICTURE) and dates: 1-8 by numeric order as
//     above;
//   the digit rule of 9 and 10 for numbers (offered for PICTURE fields,
//     numbers shown through a picture): the decimal digits of the record's
//     number (its absolute value, without leading zeros: 0 is "0") begin /
//     end with the digits of the value (its absolute value); the sign
//     counts on neither side.  The search form passes a PICTURE field as
//     the digits of its displayed text (picturedDigits), so that a time
//     "10:30" is 1030;
//   dates: 13 same month, 14 same day of the month, 15 same year, 16 same
//     month and day, 17 same year and month; a record without a date (0)
//     matches none of them.
//
// A type that the kind does not offer never matches; type 0 always does.
//
// Pure functions: any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dw::app {

enum class QbeKind { String, Text, Number, Picture, Date, Option, Check };

namespace match {
inline constexpr int kIgnore = 0;
inline constexpr int kEquals = 1;
inline constexpr int kNotEquals = 2;
inline constexpr int kMore = 3;
inline constexpr int kLess = 4;
inline constexpr int kMoreOrEqual = 5;
inline constexpr int kLessOrEqual = 6;
inline constexpr int kInside = 7;
inline constexpr int kOutside = 8;
inline constexpr int kBegins = 9;
inline constexpr int kEnds = 10;
inline constexpr int kContains = 11;
inline constexpr int kNotContains = 12;
inline constexpr int kMonth = 13;
inline constexpr int kDay = 14;
inline constexpr int kYear = 15;
inline constexpr int kMonthDay = 16;
inline constexpr int kYearMonth = 17;
inline constexpr int kCount = 18;
}  // namespace match

// The radio text of a type ("&Equals this"), its stored code (0 for type 0)
// and the dialog title of a kind ("Match Type for STRING Field").
const char* matchTypeText(int type);
std::uint8_t matchTypeCode(int type);
const char* matchDialogTitle(QbeKind kind);
bool matchOffered(QbeKind kind, int type);
// Types 7 and 8 need an upper limit.
inline bool needsUpperLimit(int type) {
  return type == match::kInside || type == match::kOutside;
}

bool matchText(int type, std::string_view record, std::string_view value, std::string_view upper);

// matchText with the value and the upper limit prepared once, for a scan
// that tests many records against them.  Keeps a buffer: one thread at a
// time.
class TextMatcher {
 public:
  TextMatcher(int type, std::string_view value, std::string_view upper);
  bool operator()(std::string_view record) const;

 private:
  int m_type;
  std::array<char, 256> m_upperOf;  // each byte's upper case
  std::string m_value;              // trailing blanks gone, upper case
  std::string m_upper;
  mutable std::string m_record;
};
bool matchNumber(int type, std::int64_t record, std::int64_t value, std::int64_t upper);
bool matchDate(int type, std::int32_t record, std::int32_t value, std::int32_t upper);

// The number made of the digits of a displayed text ("10:30" -> 1030; no
// digits -> 0; more than 18 digits keep the last 18).
std::int64_t picturedDigits(std::string_view shown);

}  // namespace dw::app
