// Locale settings, month names, markers and the locale picture layouts
// (see intl.h).
//
// The locale layouts are written in the template notation of
// picture_layout.h; literal text of the long date is escaped with "\" so
// that none of it is taken for a field letter.
#include "runtime/lang/intl.h"

#include <algorithm>

namespace dw::lang {
namespace {

constexpr std::size_t kNameMax = 12;
constexpr std::size_t kAbbrevMax = 3;
constexpr std::size_t kMarkerMax = 2;

constexpr std::array<const char*, 12> kDefaultNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

struct Tables {
  IntlSettings settings;
  std::array<std::string, 13> names;
  std::array<std::string, 13> abbrevs;
  std::string am = "AM";
  std::string pm = "PM";
  std::string shortDate, longDate, shortTime, longTime;
  Tables() { reset(); }
  void reset();
  void rebuild();
};

std::string timeTemplate(const IntlSettings& s, bool seconds) {
  const std::string sep{'%', s.sTime.empty() ? ':' : s.sTime[0]};
  std::string t = s.iTLzero == 1 ? "hh" : "Hh";
  t += sep + "mm";
  if (seconds) t += sep + "ss";
  if (s.iTime == 0) t += " XM";
  return t;
}

std::string shortDateTemplate(std::string_view p) {
  std::size_t lastM = p.rfind('M');
  char sep = '/';
  if (lastM != std::string_view::npos && lastM + 1 < p.size()) {
    char c = p[lastM + 1];
    bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    if (!letter && c != '\'') sep = c;
  }
  std::string day = p.find("dd") != std::string_view::npos ? "dd" : "Dd";
  std::string month = p.find("MM") != std::string_view::npos ? "mm" : "Mm";
  std::string year = p.find("yyy") != std::string_view::npos ? "yyyy" : "yy";
  const std::string s{'%', sep};
  char first = p.empty() ? 'M' : p[0];
  if (first == 'd') return day + s + month + s + year;
  if (first == 'y') return year + s + month + s + day;
  return month + s + day + s + year;
}

// The long date: fields from runs of y, d and M; quoted text and other
// characters become literals.  "" when no field remains.
std::string longDateFields(std::string_view p) {
  std::size_t i = 0;
  if (p.substr(0, 3) == "ddd") {
    while (i < p.size() && p[i] == 'd') ++i;
    bool quoted = false;
    while (i < p.size() && (quoted || (p[i] != 'y' && p[i] != 'd' && p[i] != 'M'))) {
      if (p[i] == '\'') quoted = !quoted;
      ++i;
    }
  }
  std::string out;
  bool anyField = false;
  while (i < p.size()) {
    char c = p[i];
    if (c == '\'') {
      std::size_t close = p.find('\'', i + 1);
      if (close == std::string_view::npos) close = p.size();
      for (std::size_t k = i + 1; k < close; ++k) (out += '\\') += p[k];
      i = close + 1;
      continue;
    }
    if (c != 'y' && c != 'd' && c != 'M') {
      (out += '\\') += c;
      ++i;
      continue;
    }
    std::size_t run = 0;
    while (i < p.size() && p[i] == c) ++i, ++run;
    anyField = true;
    if (c == 'y') {
      out += std::string(std::min<std::size_t>(run, 4), 'y');
    } else if (c == 'd') {
      out += run == 1 ? "Dd" : "dd";
    } else {
      out += run == 1 ? "Mm" : run == 2 ? "mm" : run == 3 ? "NNN" : "NNNNNNNNN";
    }
  }
  return anyField ? out : std::string();
}

void Tables::reset() {
  settings = IntlSettings();
  for (int m = 1; m <= 12; ++m) {
    names[m] = kDefaultNames[m - 1];
    abbrevs[m] = names[m].substr(0, 3);
  }
  am = "AM";
  pm = "PM";
  rebuild();
}

void Tables::rebuild() {
  shortDate = shortDateTemplate(settings.sShortDate);
  longDate = longDateFields(settings.sLongDate);
  if (longDate.empty()) longDate = longDateFields(IntlSettings().sLongDate);
  shortTime = timeTemplate(settings, false);
  longTime = timeTemplate(settings, true);
}

Tables& tables() {
  static Tables t;
  return t;
}

const std::string kEmpty;

}  // namespace

const IntlSettings& intlSettings() {
  return tables().settings;
}

void setIntlSettings(const IntlSettings& settings) {
  Tables& t = tables();
  t.settings = settings;
  t.settings.s1159 = t.settings.s1159.substr(0, kMarkerMax);
  t.settings.s2359 = t.settings.s2359.substr(0, kMarkerMax);
  t.rebuild();
}

const std::string& monthName(int month) {
  return month >= 1 && month <= 12 ? tables().names[month] : kEmpty;
}

const std::string& monthAbbreviation(int month) {
  return month >= 1 && month <= 12 ? tables().abbrevs[month] : kEmpty;
}

void setMonthName(int month, std::string_view name) {
  if (month >= 1 && month <= 12) tables().names[month] = std::string(name.substr(0, kNameMax));
}

void setMonthAbbreviation(int month, std::string_view abbreviation) {
  if (month >= 1 && month <= 12) {
    tables().abbrevs[month] = std::string(abbreviation.substr(0, kAbbrevMax));
  }
}

const std::string& amMarker() {
  return tables().am;
}
const std::string& pmMarker() {
  return tables().pm;
}

void setAmPmMarkers(std::string_view am, std::string_view pm) {
  tables().am = std::string(am.substr(0, kMarkerMax));
  tables().pm = std::string(pm.substr(0, kMarkerMax));
}

const std::string& localeDateTemplate(int which) {
  return which == 18 ? tables().longDate : tables().shortDate;
}

const std::string& localeTimeTemplate(int which) {
  return which == 8 ? tables().longTime : tables().shortTime;
}

void resetLanguageTables() {
  tables().reset();
}

}  // namespace dw::lang
