// What the tray icon shows and what it asks of the frame.
//
// The frame's thread works out the texts at each tick (trayState) and
// publishes them here; the GUI thread reads the published value and shows
// it, so it never needs the Runtime lock or the schedule file.  The tooltip
// follows the frame title's rule for a minimised frame (frame_title.h): the
// application title and the next task with its date ("@d3") and time
// ("@t3"), or "(Inactive)" while the scheduler is off.  The menu lists up
// to kTrayTasks enabled tasks, the first first, as "description date time".
//
// The tray's "Scheduler Active" is the frame's switch (the setting that
// Setup's "Scheduler active" edits): the GUI thread leaves the wanted state
// here and the frame carries it out at its next tick.
//
// "Keep running in the tray when the frame is closed" is DORN.INI, section
// "Desktop", "KeepInTray=1" (off when absent); the frame publishes it with
// the texts, and the GUI side then hides the frame at its close box
// instead of closing it, while a tray shows the icon.
//
// Thread-safety: trayState is pure.  publishTrayState, takeActiveRequest
// and the setting's functions run on the frame's thread under the Runtime
// lock; publishedTrayState, requestSchedulerActive and setTrayListener on
// any thread (a mutex guards the shared values).  The listener runs on the
// publishing thread, without the mutex held: it may only hand work on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/scheduler/frame_title.h"

namespace dw::app {

inline constexpr int kTrayTasks = 5;
inline constexpr const char* kKeepInTrayKey = "KeepInTray";

struct TrayState {
  std::string tooltip;
  std::vector<std::string> tasks;  // at most kTrayTasks
  bool active = true;
  bool keepInTray = false;

  bool operator==(const TrayState&) const = default;
};

// "description date time", as the title shows the next task.
std::string trayTaskText(const NextTask& task);
TrayState trayState(std::string_view applicationTitle, bool active,
                    const std::vector<NextTask>& next, bool keepInTray);

// Whether a tray listens (a listener is set): the frame skips the work
// otherwise.
bool trayWanted();
// Called after each change of the published state.
void setTrayListener(std::function<void()> listener);
// Stores `state` and tells the listener when it differs from the last one.
void publishTrayState(const TrayState& state);
// The last published state; nothing before the first.
std::optional<TrayState> publishedTrayState();

// The tray's Scheduler Active: the state the user chose there, taken (and
// cleared) by the frame's next tick.
void requestSchedulerActive(bool on);
std::optional<bool> takeActiveRequest();

// The user's choice, read from and written to DORN.INI.
bool keepInTrayChosen();
bool chooseKeepInTray(bool on);

// Forgets the published state, the request and the listener (tests).
void resetTrayState();

}  // namespace dw::app
