// The progress runner (see progress_window.h).
#include "runtime/ui/progress_window.h"

#include <algorithm>

#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_builder.h"

namespace dw::ui {

std::string percentText(int percent) {
  return std::to_string(std::clamp(percent, 0, 100)) + "% Completed";
}

ProgressEnd runProgress(const ProgressWindowSpec& spec, std::string_view title,
                        const std::function<ProgressTick()>& step) {
  Runtime& rt = runtime();
  Window& window = openWindow(spec.module, spec.label, WindowKind::Plain);
  rt.setProperty(0, prop::kText, title);
  int shown = -1;
  auto show = [&](int percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent == shown) return;
    shown = percent;
    if (spec.bar) rt.setProperty(spec.bar, prop::kProgress, std::to_string(percent));
    if (spec.percent) rt.setProperty(spec.percent, prop::kText, percentText(percent));
  };
  show(0);
  ProgressEnd end = ProgressEnd::Cancelled;
  bool finished = false;
  while (!finished && rt.accept()) {
    const int event = rt.event();
    if (event == ev::kTimer) {
      const ProgressTick tick = step();
      show(tick.percent);
      if (tick.done) {
        end = ProgressEnd::Done;
        finished = true;
      }
    } else if (event == ev::kAccepted && rt.field() == spec.cancel) {
      finished = true;
    } else if (event == ev::kCloseWindow) {
      finished = true;
    }
  }
  if (rt.isOpen(&window)) rt.close(window);
  return end;
}

}  // namespace dw::ui
