// The matching rules of the search by example against a brute-force model:
// every match type that a kind offers, over random values drawn from small
// ranges so that equal, containing and bordering values come up often.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "app/forms/search/qbe_match.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

// The model: the rules as a user reads them, written the plain way.
std::string upperTrimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}
bool holds(const std::string& hay, const std::string& needle) {
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i)
    if (hay.compare(i, needle.size(), needle) == 0) return true;
  return needle.empty();
}
template <class T>
bool modelOrdered(int t, T r, T v, T u) {
  const bool inside = !(r < v) && !(u < r);
  const bool table[] = {true, r == v, !(r == v), v < r, r < v, !(r < v), !(v < r), inside, !inside};
  return t <= 8 ? table[t] : false;
}
bool modelText(int t, const std::string& rec, const std::string& val, const std::string& up) {
  const std::string r = upperTrimmed(rec), v = upperTrimmed(val);
  switch (t) {
    case 9:
      return r.substr(0, v.size()) == v;
    case 10:
      return r.size() >= v.size() && r.substr(r.size() - v.size()) == v;
    case 11:
      return holds(r, v);
    case 12:
      return !holds(r, v);
    default:
      return t <= 8 && modelOrdered(t, r, v, upperTrimmed(up));
  }
}
std::string digitsOf(long long n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", n < 0 ? -n : n);
  return buf;
}
bool modelNumber(int t, long long r, long long v, long long u) {
  if (t == 9) return digitsOf(r).rfind(digitsOf(v), 0) == 0;
  if (t == 10) {
    const std::string a = digitsOf(r), b = digitsOf(v);
    return a.size() >= b.size() && a.compare(a.size() - b.size(), b.size(), b) == 0;
  }
  return modelOrdered(t, r, v, u);
}
struct Ymd {
  int y, m, d;
};
Ymd civil(int day) {  // day 4 is 1 January 1801
  int y = 1801, rest = day - 4;
  auto leap = [](int yr) { return (yr % 4 == 0 && yr % 100 != 0) || yr % 400 == 0; };
  while (rest >= (leap(y) ? 366 : 365)) rest -= leap(y++) ? 366 : 365;
  const int lengths[] = {31, leap(y) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int m = 0;
  while (rest >= lengths[m]) rest -= lengths[m++];
  return {y, m + 1, rest + 1};
}
bool modelDate(int t, int r, int v, int u) {
  if (t <= 8) return t != 9 && modelOrdered(t, r, v, u);
  if (t < 13 || r == 0) return false;
  const Ymd a = civil(r), b = civil(v);
  const bool table[] = {a.m == b.m, a.d == b.d, a.y == b.y, a.m == b.m && a.d == b.d,
                        a.y == b.y && a.m == b.m};
  return table[t - 13];
}

std::string randomText(std::mt19937& g) {
  static const char kLetters[] = "aAbB c";
  std::string s(std::uniform_int_distribution<int>(0, 5)(g), ' ');
  for (char& c : s) c = kLetters[std::uniform_int_distribution<int>(0, 5)(g)];
  return s;
}

TEST(QbeMatch, EveryOfferedTypeAgreesWithTheModel) {
  std::mt19937 g(20261207);
  // PICTURE fields match as numbers (the digit rule for 9 and 10).
  const QbeKind kinds[] = {QbeKind::String, QbeKind::Text,   QbeKind::Number, QbeKind::Picture,
                           QbeKind::Date,   QbeKind::Option, QbeKind::Check};
  std::uniform_int_distribution<int> number(-120, 1200);
  std::uniform_int_distribution<int> day(lang::date(1, 1, 2024), lang::date(12, 31, 2027));
  for (QbeKind kind : kinds) {
    for (int t = 0; t < match::kCount; ++t) {
      if (!matchOffered(kind, t)) continue;
      for (int i = 0; i < 3000; ++i) {
        SCOPED_TRACE(::testing::Message() << matchDialogTitle(kind) << " type " << t);
        if (kind == QbeKind::String || kind == QbeKind::Text || kind == QbeKind::Option) {
          const std::string r = randomText(g), v = randomText(g), u = randomText(g);
          ASSERT_EQ(matchText(t, r, v, u), modelText(t, r, v, u)) << r << "|" << v << "|" << u;
        } else if (kind == QbeKind::Date) {
          const int r = i % 50 == 0 ? 0 : day(g), v = day(g), u = v + number(g);
          ASSERT_EQ(matchDate(t, r, v, u), modelDate(t, r, v, u)) << r << "|" << v << "|" << u;
        } else {
          const long long r = number(g), v = number(g) / (1 + i % 30), u = v + number(g);
          ASSERT_EQ(matchNumber(t, r, v, u), modelNumber(t, r, v, u)) << r << "|" << v;
        }
      }
    }
  }
}

TEST(QbeMatch, OfferedTypesAndCodes) {
  struct Case {
    QbeKind kind;
    const char* offered;  // one character per type 0..17
  };
  const Case cases[] = {
      {QbeKind::String, "111111111111100000"}, {QbeKind::Text, "111000000111100000"},
      {QbeKind::Number, "111111111000000000"}, {QbeKind::Picture, "111111111110000000"},
      {QbeKind::Date, "111111111000011111"},   {QbeKind::Option, "111000000000000000"},
      {QbeKind::Check, "111000000000000000"},
  };
  for (const Case& c : cases)
    for (int t = 0; t < match::kCount; ++t)
      EXPECT_EQ(matchOffered(c.kind, t), c.offered[t] == '1') << matchDialogTitle(c.kind) << t;
  EXPECT_EQ(matchTypeCode(1), 0x3D);
  EXPECT_EQ(matchTypeCode(17), 0x59);
  EXPECT_STREQ(matchTypeText(16), "On thi&s month + day");
}

TEST(QbeMatch, UsersExamples) {
  EXPECT_TRUE(matchText(match::kContains, "Eat LUNCH  ", "lunch", ""));
  const int march3 = lang::date(3, 3, 2026);
  for (int year : {1999, 2026, 2031})
    for (int d : {1, 3, 31})
      EXPECT_TRUE(matchDate(match::kMonth, lang::date(3, d, year), march3, 0));
  EXPECT_FALSE(matchDate(match::kMonth, lang::date(4, 3, 2026), march3, 0));
  EXPECT_TRUE(matchNumber(match::kBegins, -1234, 12, 0));
  EXPECT_TRUE(matchNumber(match::kEnds, 1234, 34, 0));
  EXPECT_FALSE(matchNumber(match::kBegins, 5, 50, 0));
}

}  // namespace
}  // namespace dw::app
