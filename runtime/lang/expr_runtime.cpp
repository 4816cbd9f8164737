// Stand-ins for the language core's text, date and picture functions, used
// until the evaluator is wired to the modules that own them.  They follow
// the same rules for plain ASCII text and the default calendar.
#include "runtime/lang/expr_runtime.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "runtime/lang/expr_value.h"

namespace dw::lang::exprrt {
namespace {

char up(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
char low(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool isLeap(std::int64_t y) {
  return y % 4 == 0 && y != 1900;
}
int monthLength(std::int64_t m, std::int64_t y) {
  static const int kDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && isLeap(y)) ? 29 : kDays[m];
}
const int kBefore[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

std::int64_t fromRecord(std::int64_t y, std::int64_t m, std::int64_t d) {
  if (y < 100) y += 1900;
  if (y < 1801 || y > 2099 || m < 1 || m > 12 || d < 1 || d > monthLength(m, y)) return -1;
  std::int64_t r = (y - 1801) * 1461 / 4 + kBefore[m] + d + 2;
  if (y <= 1900) ++r;
  if (m > 2 && isLeap(y)) ++r;
  return r;
}

bool toRecord(std::int64_t n, std::int64_t* y, std::int64_t* m, std::int64_t* d) {
  *y = *m = *d = 0;
  if (n < 4 || n > 109211) return false;
  std::int64_t x = n < 36528 ? n - 4 : n - 3;
  std::int64_t r = x % 1461, doy;
  if (r == 1460) {
    doy = 365;
    *y = x / 1461 * 4 + 1804;
  } else {
    doy = r % 365;
    *y = x / 1461 * 4 + r / 365 + 1801;
  }
  std::int64_t month = 1;
  while (doy - monthLength(month, *y) >= 0) doy -= monthLength(month++, *y);
  *m = month;
  *d = doy + 1;
  return true;
}

}  // namespace

std::string upperText(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = up(c);
  return s;
}

std::string lowerText(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = low(c);
  return s;
}

int compareText(std::string_view a, std::string_view b) {
  std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = i < a.size() ? static_cast<unsigned char>(a[i]) : ' ';
    unsigned char cb = i < b.size() ? static_cast<unsigned char>(b[i]) : ' ';
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

int compareNoCase(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(up(a[i]));
    unsigned char cb = static_cast<unsigned char>(up(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::int64_t today() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return fromRecord(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::int64_t clock() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  return tm.tm_hour * 360000 + tm.tm_min * 6000 + tm.tm_sec * 100 + ms.count() / 10 + 1;
}

std::int64_t date(std::int64_t month, std::int64_t day, std::int64_t year) {
  if (month < 0 || day < 1 || year < 0 || year > 99999) return -1;
  if (year < 100) year += 1900;
  if (month > 12) {
    year += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
  }
  if (year > 2099) return -1;
  while (day > monthLength(month, year)) {
    day -= monthLength(month, year);
    if (++month > 12) {
      month = 1;
      if (++year > 2099) return -1;
    }
  }
  return fromRecord(year, month, day);
}

std::int64_t dayOf(std::int64_t n) {
  std::int64_t y, m, d;
  toRecord(n, &y, &m, &d);
  return d;
}
std::int64_t monthOf(std::int64_t n) {
  std::int64_t y, m, d;
  toRecord(n, &y, &m, &d);
  return m;
}
std::int64_t yearOf(std::int64_t n) {
  std::int64_t y, m, d;
  toRecord(n, &y, &m, &d);
  return y;
}

std::string age(std::int64_t birth, std::int64_t base) {
  std::int64_t by, bm, bd, ty, tm, td;
  const std::string stars(255, '*');
  if (!toRecord(base, &ty, &tm, &td) || !toRecord(birth, &by, &bm, &bd)) return stars;
  if (birth > base) {
    birth = fromRecord(by - 100, bm, bd);
    if (birth < 0 || birth > base || !toRecord(birth, &by, &bm, &bd)) return stars;
  }
  std::int64_t days = base - birth;
  if (days < 61) return std::to_string(days) + " DAYS";
  std::int64_t months = (ty - by) * 12 + (tm - bm) - (td < bd ? 1 : 0);
  if (months <= 24) return std::to_string(months) + " MOS";
  std::int64_t years = ty - by - ((tm < bm || (tm == bm && td < bd)) ? 1 : 0);
  return std::to_string(years) + " YRS";
}

std::string format(double number, std::string_view text, std::string_view picture) {
  if (picture.size() >= 2 && (picture[1] == 's' || picture[1] == 'S')) {
    std::int64_t n = static_cast<std::int64_t>(numberFromText(picture.substr(2)));
    return std::string(text.substr(0, static_cast<std::size_t>(std::max<std::int64_t>(n, 0))));
  }
  return textFromReal(number);
}

std::string deformat(std::string_view text, std::string_view) {
  return std::string(text);
}

}  // namespace dw::lang::exprrt
