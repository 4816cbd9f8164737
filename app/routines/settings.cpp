// Settings and INI files (see settings.h).
#include "app/routines/settings.h"

#include <algorithm>
#include <limits>

#include "app/data/records.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/expr_value.h"
#include "runtime/platform/profile.h"

namespace dw::app {

namespace {

std::string get(const char* section, const char* key, const std::string& file) {
  return platform::getProfileString(section, key, "", file);
}

bool readFlag(const char* key, const std::string& file) {
  return iniNumber(get(kSettingsSection, key, file)) != 0;
}
// Stored as 1 minus the setting: only a stored 1 turns it off.
bool readInvertedFlag(const char* key, const std::string& file) {
  return iniNumber(get(kSettingsSection, key, file)) != 1;
}

// Guarded by the Runtime lock.
Settings g_settings;

}  // namespace

std::int32_t iniNumber(std::string_view text) {
  const std::int64_t n = lang::truncateReal(lang::numberFromText(text));
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      n, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

Settings readSettings(const std::string& file) {
  namespace k = settings_key;
  Settings s;
  s.historyExpires = iniNumber(get(kSettingsSection, k::kHistoryExpires, file));
  s.startUpSchedule = readInvertedFlag(k::kStartUpSchedule, file);
  s.startUpToDo = readFlag(k::kStartUpToDo, file);
  s.startUpActive = readInvertedFlag(k::kStartUpActive, file);
  s.startUpMinimized = readFlag(k::kStartUpMinimized, file);
  s.fullSchedule = readFlag(k::kFullSchedule, file);
  s.hideToolbar = readFlag(k::kHideToolbar, file);
  return s;
}

platform::OsStatus writeSettings(const Settings& s, const std::string& file) {
  namespace k = settings_key;
  const std::pair<const char*, std::string> entries[] = {
      {k::kHistoryExpires, std::to_string(s.historyExpires)},
      {k::kStartUpSchedule, s.startUpSchedule ? "0" : "1"},
      {k::kStartUpToDo, s.startUpToDo ? "1" : "0"},
      {k::kStartUpActive, s.startUpActive ? "0" : "1"},
      {k::kStartUpMinimized, s.startUpMinimized ? "1" : "0"},
      {k::kFullSchedule, s.fullSchedule ? "1" : "0"},
      {k::kHideToolbar, s.hideToolbar ? "1" : "0"},
  };
  platform::OsStatus first;
  for (const auto& [key, value] : entries) {
    platform::OsStatus st = platform::writeProfileString(kSettingsSection, key, value, file);
    if (first.ok() && !st.ok()) first = st;
  }
  return first;
}

Settings& settings() {
  return g_settings;
}

void loadSettings() {
  g_settings = readSettings(kIniFile);
}

platform::OsStatus saveSettings() {
  return writeSettings(g_settings, kIniFile);
}

bool completedRecordExpired(std::int32_t date, std::int32_t historyExpires, std::int32_t today) {
  return std::int64_t{date} + historyExpires < today;
}

AdvanceWarningDefaults readAdvanceWarningDefaults(const std::string& file) {
  namespace k = settings_key;
  AdvanceWarningDefaults d;
  d.active = iniNumber(get(kWarningSection, k::kActive, file)) != 0;
  d.dateWarning = iniNumber(get(kWarningSection, k::kDateWarning, file));
  d.timeWarning = iniNumber(get(kWarningSection, k::kTimeWarning, file));
  return d;
}

bool applyAdvanceWarningDefaults(ScheduleRecord& task, const AdvanceWarningDefaults& defaults) {
  if (!defaults.active) return false;
  std::int64_t date = std::int64_t{task.Date} - defaults.dateWarning;
  std::int64_t time = std::int64_t{task.Time} - defaults.timeWarning;
  if (defaults.timeWarning != 0) {
    // Keep the time within a day: 1 .. kLastTime.
    constexpr std::int64_t kDay = lang::kLastTime;
    const std::int64_t shift = time >= 1 ? (time - 1) / kDay : -((kDay - time) / kDay);
    date += shift;
    time -= shift * kDay;
  }
  constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
  task.AdvanceWarnDate = static_cast<std::int32_t>(std::clamp(date, lo, hi));
  task.AdvanceWarnTime = static_cast<std::int32_t>(time);
  return true;
}

}  // namespace dw::app
