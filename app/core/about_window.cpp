// The About window (see about_window.h).
#include "app/core/about_window.h"

#include <algorithm>
#include <cstring>

#include "app/core/main_frame.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

namespace {
template <std::size_t N>
void fill(char (&field)[N], const char* text) {
  std::memset(field, ' ', N);
  std::memcpy(field, text, std::min(N, std::strlen(text)));
}
}  // namespace

void AboutWindow() {
  ui::Runtime& rt = ui::runtime();
  char title[32];
  char version[5];
  fill(title, kApplicationTitle);
  fill(version, kProgramVersion);
  ui::Window& window = ui::openWindow(kFrameModule, kAboutLabel, ui::WindowKind::Plain);
  rt.use(frame::kAboutTitle, ui::VarRef::fixedString(title));
  rt.use(frame::kAboutVersion, ui::VarRef::fixedString(version));
  while (rt.accept()) {
    if (rt.event() == ui::ev::kAccepted && rt.field() == frame::kAboutClose) break;
  }
  if (rt.isOpen(&window)) rt.close(window);
}

}  // namespace dw::app
