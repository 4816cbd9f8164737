// The About window (ABOUT$WINDOW of the frame's module): the program's
// title and version over its picture, closed by its Close button (or
// Escape, the button's key, or its close box).
//
// Thread-safety: runs on the calling runtime thread under the Runtime
// lock; the frame calls it on its own thread from Help > About, so the
// frame's events wait until the About window is closed.
#pragma once

namespace dw::app {

inline constexpr const char* kAboutLabel = "ABOUT$WINDOW";
// The version the About window shows.
inline constexpr const char* kProgramVersion = "1.0";

void AboutWindow();

}  // namespace dw::app
