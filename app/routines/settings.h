// The user's settings and the INI files they live in (docs/settings.md).
//
// DORN.INI, section "Settings", holds seven keys, read when the main frame
// starts (and again when the Setup window is cancelled) and written when
// Setup's OK is pressed, in this order:
//   HistoryExpires    days after which completed records are purged; 0 = never
//   StartUpSchedule   open the schedule list at start     stored inverted
//   StartUpToDo       open the to-do list at start
//   StartUpActive     the scheduler's timer work runs     stored inverted
//   StartUpMinimized  minimize the main frame at start
//   FullSchedule      the schedule list opens on "All by Date"
//   HideToolbar       kept and restored; nothing acts on it
// A missing file, section or key gives the defaults: the schedule list opens,
// the scheduler is active, everything else is off, nothing is purged.
//
// Stored values are decimal texts.  A text is read as the number it starts
// with (leading blanks skipped, truncated toward zero, 0 when it starts with
// no number).  A setting is on when that number is not 0; an inverted one
// is stored as 1 minus the setting, so it is on for an empty text, "0" or any
// number but 1, and off only for 1.  Writes store "0"/"1" (inverted "1"/"0").
//
// PELICAND.INI, section "Warning", is read only: the advance warning that a
// newly entered date of a task gets (Active, DateWarning in days,
// TimeWarning in hundredths of a second).
//
// Thread-safety: readSettings/writeSettings and the PELICAND.INI functions
// may run on any thread (the profile module serialises file access).  The
// process-wide settings() are read and written only by threads holding the
// Runtime lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/platform/os_error.h"

namespace dw::app {

struct ScheduleRecord;

inline constexpr const char* kIniFile = "DORN.INI";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kWarningIniFile = "PELICAND.INI";
inline constexpr const char* kWarningSection = "Warning";

namespace settings_key {
inline constexpr const char* kHistoryExpires = "HistoryExpires";
inline constexpr const char* kStartUpSchedule = "StartUpSchedule";
inline constexpr const char* kStartUpToDo = "StartUpToDo";
inline constexpr const char* kStartUpActive = "StartUpActive";
inline constexpr const char* kStartUpMinimized = "StartUpMinimized";
inline constexpr const char* kFullSchedule = "FullSchedule";
inline constexpr const char* kHideToolbar = "HideToolbar";
inline constexpr const char* kActive = "Active";  // PELICAND.INI
inline constexpr const char* kDateWarning = "DateWarning";
inline constexpr const char* kTimeWarning = "TimeWarning";
}  // namespace settings_key

struct Settings {
  std::int32_t historyExpires = 0;
  bool startUpSchedule = true;
  bool startUpToDo = false;
  bool startUpActive = true;
  bool startUpMinimized = false;
  bool fullSchedule = false;
  bool hideToolbar = false;
  bool operator==(const Settings&) const = default;
};

// The number an INI text starts with, truncated toward zero and kept within
// the range of a LONG.
std::int32_t iniNumber(std::string_view text);

// The seven settings of `file` (defaults for what is missing).
Settings readSettings(const std::string& file = kIniFile);
// Writes the seven keys in their order; the first failure is returned (and
// the remaining keys are still attempted).
platform::OsStatus writeSettings(const Settings& s, const std::string& file = kIniFile);

// The settings of this process.  Guarded by the Runtime lock.
Settings& settings();
// settings() = readSettings(kIniFile): at start and on Setup's Cancel.
void loadSettings();
// writeSettings(settings(), kIniFile): on Setup's OK.  Failures are not
// reported to the user.
platform::OsStatus saveSettings();

// The purge's test for a completed record dated `date`: it has expired
// when date + historyExpires lies before today (computed without overflow).
// A negative historyExpires reaches records dated after today.  The caller
// skips the purge altogether when historyExpires is 0.
bool completedRecordExpired(std::int32_t date, std::int32_t historyExpires, std::int32_t today);

// PELICAND.INI, section "Warning".
struct AdvanceWarningDefaults {
  bool active = false;
  std::int32_t dateWarning = 0;  // days before the task's date
  std::int32_t timeWarning = 0;  // hundredths of a second before its time
  bool operator==(const AdvanceWarningDefaults&) const = default;
};
AdvanceWarningDefaults readAdvanceWarningDefaults(const std::string& file = kWarningIniFile);

// When the defaults are active, gives the task its advance warning:
// DateWarning days and TimeWarning hundredths before its date and time.  A
// warning time that falls outside the day borrows from (or carries into) the
// warning date, so the warning keeps its distance from the task.  Returns
// whether anything was set.
bool applyAdvanceWarningDefaults(ScheduleRecord& task, const AdvanceWarningDefaults& defaults);

}  // namespace dw::app
