// The report's progress window (see report_progress.h).
#include "app/forms/reports/report_progress.h"

#include <algorithm>
#include <string>

#include "fields/dorn012.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

namespace {

// Every report's module declares the same progress window, so its
// controls have the same numbers in each.
constexpr const char* kProgressLabel = "PROGRESS$WINDOW";
constexpr int kBar = dorn012::kBar;
constexpr int kPercent = dorn012::kPercent;
constexpr int kCancel = dorn012::kCancel;

}  // namespace

ReportEnd runReportProgress(std::string_view module, const std::function<ReportTick()>& step) {
  ui::Runtime& rt = ui::runtime();
  ui::Window& window = ui::openWindow(module, kProgressLabel, ui::WindowKind::Plain);
  rt.setProperty(0, ui::prop::kText, kGeneratingTitle);
  int shown = 0;
  ReportEnd end = ReportEnd::Cancelled;
  bool finished = false;
  while (!finished && rt.accept()) {
    if (rt.event() == ui::ev::kTimer) {
      const ReportTick tick = step();
      const int percent = std::clamp(tick.percent, 0, 100);
      if (percent != shown) {
        shown = percent;
        rt.setProperty(kBar, ui::prop::kProgress, std::to_string(percent));
        rt.setProperty(kPercent, ui::prop::kText, std::to_string(percent) + "% Completed");
      }
      if (tick.done) {
        end = ReportEnd::Done;
        finished = true;
      }
    } else if ((rt.event() == ui::ev::kAccepted && rt.field() == kCancel) ||
               rt.event() == ui::ev::kCloseWindow) {
      finished = true;
    }
  }
  if (rt.isOpen(&window)) rt.close(window);
  return end;
}

}  // namespace dw::app
