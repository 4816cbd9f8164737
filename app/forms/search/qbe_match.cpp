// The matching rules of the search by example (see qbe_match.h).
#include "app/forms/search/qbe_match.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "runtime/lang/dates.h"

namespace dw::app {

namespace {

struct TypeInfo {
  const char* text;
  std::uint8_t code;
};

constexpr TypeInfo kTypes[match::kCount] = {
    {"&Ignore this field", 0},
    {"&Equals this", 0x3D},
    {"&Does not equal this", 0xB9},
    {"&More than this", 0x3E},
    {"&Less than this", 0x3C},
    {"More &than or equal to this", 0xB3},
    {"Less t&han or equal to this", 0xA3},
    {"Inside &range starting with this", 0xAB},
    {"&Outside range starting with this", 0xE0},
    {"&Begins with this", 0xAE},
    {"E&nds with this", 0xAC},
    {"&Contains this", 0xD9},
    {"Doe&s not contain this", 0xDA},
    {"I&n this month of each year", 0x6D},
    {"On this d&ay of each month", 0x64},
    {"In this &year", 0x79},
    {"On thi&s month + day", 0x4D},
    {"I&n this year + month", 0x59},
};

// Upper case of every byte, as toupper() gives it in the current locale.
std::array<char, 256> upperCaseTable() {
  std::array<char, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<char>(std::toupper(c));
  return t;
}

// Text as the rules compare it: trailing blanks (and NULs) gone, upper case.
void canonicalInto(std::string_view s, const std::array<char, 256>& upper, std::string& out) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  out.resize(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = upper[static_cast<unsigned char>(s[i])];
}

// Types 1-8 over any ordered values.
template <class T>
bool ordered(int type, const T& record, const T& value, const T& upper) {
  switch (type) {
    case match::kEquals:
      return record == value;
    case match::kNotEquals:
      return record != value;
    case match::kMore:
      return record > value;
    case match::kLess:
      return record < value;
    case match::kMoreOrEqual:
      return record >= value;
    case match::kLessOrEqual:
      return record <= value;
    case match::kInside:
      return value <= record && record <= upper;
    case match::kOutside:
      return !(value <= record && record <= upper);
    default:
      return false;
  }
}

std::string digits(std::int64_t n) {
  const std::uint64_t magnitude =
      n < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  return std::to_string(magnitude);
}

}  // namespace

const char* matchTypeText(int type) {
  return type >= 0 && type < match::kCount ? kTypes[type].text : "";
}

std::uint8_t matchTypeCode(int type) {
  return type >= 0 && type < match::kCount ? kTypes[type].code : 0;
}

const char* matchDialogTitle(QbeKind kind) {
  switch (kind) {
    case QbeKind::String:
      return "Match Type for STRING Field";
    case QbeKind::Text:
      return "Match Type for TEXT Field";
    case QbeKind::Number:
      return "Match Type for NUMBER Field";
    case QbeKind::Picture:
      return "Match Type for PICTURE Field";
    case QbeKind::Date:
      return "Match Type for DATE Field";
    case QbeKind::Option:
      return "Match Type for OPTION Field";
    case QbeKind::Check:
      return "Match Type for CHECK Field";
  }
  return "";
}

bool matchOffered(QbeKind kind, int type) {
  if (type < 0 || type >= match::kCount) return false;
  switch (kind) {
    case QbeKind::String:
      return type <= match::kNotContains;
    case QbeKind::Text:
      return type <= match::kNotEquals || (type >= match::kBegins && type <= match::kNotContains);
    case QbeKind::Number:
      return type <= match::kOutside;
    case QbeKind::Picture:
      return type <= match::kEnds;
    case QbeKind::Date:
      return type <= match::kOutside || type >= match::kMonth;
    case QbeKind::Option:
    case QbeKind::Check:
      return type <= match::kNotEquals;
  }
  return false;
}

TextMatcher::TextMatcher(int type, std::string_view value, std::string_view upper)
    : m_type(type), m_upperOf(upperCaseTable()) {
  canonicalInto(value, m_upperOf, m_value);
  canonicalInto(upper, m_upperOf, m_upper);
}

bool TextMatcher::operator()(std::string_view record) const {
  if (m_type == match::kIgnore) return true;
  canonicalInto(record, m_upperOf, m_record);
  const std::string& r = m_record;
  switch (m_type) {
    case match::kBegins:
      return r.starts_with(m_value);
    case match::kEnds:
      return r.ends_with(m_value);
    case match::kContains:
      return r.find(m_value) != std::string::npos;
    case match::kNotContains:
      return r.find(m_value) == std::string::npos;
    default:
      return ordered(m_type, r, m_value, m_upper);
  }
}

bool matchText(int type, std::string_view record, std::string_view value, std::string_view upper) {
  return TextMatcher(type, value, upper)(record);
}

bool matchNumber(int type, std::int64_t record, std::int64_t value, std::int64_t upper) {
  if (type == match::kIgnore) return true;
  if (type == match::kBegins) return digits(record).starts_with(digits(value));
  if (type == match::kEnds) return digits(record).ends_with(digits(value));
  return ordered(type, record, value, upper);
}

bool matchDate(int type, std::int32_t record, std::int32_t value, std::int32_t upper) {
  if (type == match::kIgnore) return true;
  if (type < match::kMonth) {
    if (type == match::kBegins || type == match::kEnds) return false;
    return ordered(type, record, value, upper);
  }
  if (record == 0 || type >= match::kCount) return false;
  const bool month = lang::monthOf(record) == lang::monthOf(value);
  const bool day = lang::dayOf(record) == lang::dayOf(value);
  const bool year = lang::yearOf(record) == lang::yearOf(value);
  switch (type) {
    case match::kMonth:
      return month;
    case match::kDay:
      return day;
    case match::kYear:
      return year;
    case match::kMonthDay:
      return month && day;
    default:
      return year && month;
  }
}

std::int64_t picturedDigits(std::string_view shown) {
  std::int64_t n = 0;
  for (char c : shown)
    if (c >= '0' && c <= '9') n = (n % 100000000000000000LL) * 10 + (c - '0');
  return n;
}

}  // namespace dw::app
