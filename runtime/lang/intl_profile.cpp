// Reads the locale settings from the [intl] section of WIN.INI in the
// profile directory; keys that are missing keep their built-in defaults.
#include "runtime/lang/intl.h"
#include "runtime/platform/profile.h"

namespace dw::lang {
namespace {

int readInt(const std::string& key, int fallback) {
  std::string v = platform::getProfileString("intl", key, std::to_string(fallback), "WIN.INI");
  if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos || v.size() > 6) {
    return fallback;
  }
  return std::stoi(v);
}

}  // namespace

void loadIntlSettings() {
  IntlSettings s;
  auto text = [](const char* key, const std::string& fallback) {
    return platform::getProfileString("intl", key, fallback, "WIN.INI");
  };
  s.iTime = readInt("iTime", s.iTime);
  s.iTLzero = readInt("iTLzero", s.iTLzero);
  s.sTime = text("sTime", s.sTime);
  if (s.sTime.empty()) s.sTime.assign(1, ':');
  s.s1159 = text("s1159", s.s1159);
  s.s2359 = text("s2359", s.s2359);
  s.sShortDate = text("sShortDate", s.sShortDate);
  s.sLongDate = text("sLongDate", s.sLongDate);
  setIntlSettings(s);
}

}  // namespace dw::lang
