// Locale settings and the language tables that pictures use: month names
// and abbreviations, the AM/PM markers, and the locale's date and time
// layouts from which the pictures @d17, @d18, @t7 and @t8 are built.
//
// Defaults are built in; the [intl] section of WIN.INI in the profile
// directory overrides the locale settings, and the environment file
// (env_file.h) overrides names and markers.  The locale layouts are derived
// whenever the settings change, so in a running program once, at start-up.
//
// Thread-safety: set up before the program's own code runs, read-only
// afterwards (as the character tables).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace dw::lang {

struct IntlSettings {
  int iTime = 0;    // 0: 12-hour clock with AM/PM marker; otherwise 24-hour
  int iTLzero = 1;  // 1: the hour keeps its leading zero
  std::string sTime = ":";
  std::string s1159 = "AM";
  std::string s2359 = "PM";
  std::string sShortDate = "MM/dd/yy";
  std::string sLongDate = "ddd', 'MMMM' 'dd', 'yyyy";
};

const IntlSettings& intlSettings();
// Replaces the settings and rebuilds the locale layouts.
void setIntlSettings(const IntlSettings& settings);
// Reads the [intl] section of WIN.INI (profile directory) over the defaults.
void loadIntlSettings();

// Month names (1..12, up to 12 characters) and abbreviations (3 characters).
const std::string& monthName(int month);
const std::string& monthAbbreviation(int month);
void setMonthName(int month, std::string_view name);
void setMonthAbbreviation(int month, std::string_view abbreviation);

// The built-in AM/PM markers (@t3, @t6), up to 2 characters each.
const std::string& amMarker();
const std::string& pmMarker();
void setAmPmMarkers(std::string_view am, std::string_view pm);

// The layout templates of the locale pictures, in the template notation of
// picture_layout.h: which is 17 or 18 for dates, 7 or 8 for times.
const std::string& localeDateTemplate(int which);
const std::string& localeTimeTemplate(int which);

// Back to the built-in defaults (tests; a fresh start).
void resetLanguageTables();

}  // namespace dw::lang
