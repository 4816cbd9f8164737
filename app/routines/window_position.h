// Where each window was: its position, size and maximised state, kept in
// DORN.INI under a section named after the window's procedure ("Setup",
// "ShowMessage", ...), keys "XPosit", "YPosit", "Width", "Height" (numbers
// in the window's units) and "Maximize" ("Yes" or "No").
//
// Saving (when a window closes) always writes "Maximize"; a window closed
// while minimised writes nothing else, so it keeps the position it last had
// on screen.  Restoring (when a window opens) does nothing without a
// non-zero "XPosit"; a window that is not maximised takes the stored
// position (and, when it can be resized, the stored size); any of those
// values that is 0 or missing ends the restore there.  "Maximize" = "Yes"
// then maximises it.
//
// The minimised and maximised states are window properties
// (kIconizeProperty, kMaximizeProperty: "1" or ""): setting one minimises,
// maximises or restores the window on screen, and the runtime keeps them in
// step with what the user does, as it keeps the window's position and size
// (a window the system placed has the place the system gave it).
//
// Thread-safety: readPlacement/writePlacement may run on any thread (the
// profile module serialises file access); savePosition/restorePosition
// work on the calling thread's current window, under the Runtime lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/platform/os_error.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

inline constexpr int kIconizeProperty = ui::prop::kIconize;
inline constexpr int kMaximizeProperty = ui::prop::kMaximize;

struct Placement {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool maximized = false;
  bool minimized = false;
  bool operator==(const Placement&) const = default;
};

// What a restore does to a window.
struct RestorePlan {
  std::optional<std::int32_t> x, y;           // move there (both or neither)
  std::optional<std::int32_t> width, height;  // resize (both or neither)
  bool maximize = false;
  bool operator==(const RestorePlan&) const = default;
};

// Writes "Maximize" and, unless the window is minimised, its position and
// size; a coordinate the system chose (ui::kSystemPlaced) is not written.  The first failed write
// is returned (the rest are still tried).
platform::OsStatus writePlacement(const std::string& section, const Placement& placement,
                                  const std::string& file);
// What the stored values make of a window that is (not) maximised now and
// can (not) be resized.
RestorePlan readPlacement(const std::string& section, bool currentlyMaximized, bool resizable,
                          const std::string& file);

// The current window's placement, from its properties.
Placement currentPlacement();
// Save on close: writes the current window's placement and takes it out of
// the maximised state.  Failures are not reported.
void savePosition(const std::string& section, const std::string& file);
// Restore on open.
void restorePosition(const std::string& section, bool resizable, const std::string& file);

// Whether an event of a window's loop tells of a change of its minimised or
// maximised state (EVENT:Iconized, EVENT:Maximized, EVENT:Restored); the
// runtime has already taken the new state into the window's properties.
bool noteWindowState(int event);

}  // namespace dw::app
