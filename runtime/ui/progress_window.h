// A progress window for long scans: the work is done in steps, one per
// timer tick of the window, and between two ticks the thread waits in
// ACCEPT, which gives the Runtime lock up, so that every other thread (the
// main frame's timer above all) goes on while the scan runs.  The window
// shows how far the work is as a bar and as "N% Completed"; Cancel (or
// closing the window) ends the scan after the step under way.
//
// The window comes from the caller's window resource (a progress bar, a
// fixed text and a Cancel button, with a timer); the caller names them by
// their field numbers, so every long scan of the program (searches, tag
// routines, reports) uses the same runner with its own window.
//
// Thread-safety: a runtime thread holding the Runtime lock; the window
// belongs to that thread and is closed before runProgress returns.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace dw::ui {

// Where the progress window is and which controls it has.
struct ProgressWindowSpec {
  std::string_view module;  // module key, e.g. "DORN.vls$s_tag"
  std::string_view label;   // window label, e.g. "PROGRESS$WINDOW"
  int bar = 0;              // progress bar (0: none)
  int percent = 0;          // fixed text that reads "N% Completed" (0: none)
  int cancel = 0;           // the Cancel button
};

// What one step reports: whether the work is finished, and how far it is
// (0 to 100; out-of-range values are clamped).
struct ProgressTick {
  bool done = false;
  int percent = 0;
};

enum class ProgressEnd { Done, Cancelled };

// "N% Completed".
std::string percentText(int percent);

// Opens the window titled `title`, calls `step` once per timer tick until it
// reports done or the user cancels, closes the window and tells which.
ProgressEnd runProgress(const ProgressWindowSpec& spec, std::string_view title,
                        const std::function<ProgressTick()>& step);

}  // namespace dw::ui
