// The report's progress window (see report_progress.h): the runner every
// long scan of the program shares, over the progress window that each
// report's module declares.
#include "app/forms/reports/report_progress.h"

#include "fields/dorn012.h"
#include "runtime/ui/progress_window.h"

namespace dw::app {

namespace {

// Every report's module declares the same progress window, so its
// controls have the same numbers in each.
constexpr const char* kProgressLabel = "PROGRESS$WINDOW";

}  // namespace

ReportEnd runReportProgress(std::string_view module, const std::function<ReportTick()>& step) {
  const ui::ProgressWindowSpec spec{module, kProgressLabel, dorn012::kBar, dorn012::kPercent,
                                    dorn012::kCancel};
  const ui::ProgressEnd end = ui::runProgress(spec, kGeneratingTitle, [&] {
    const ReportTick tick = step();
    return ui::ProgressTick{tick.done, tick.percent};
  });
  return end == ui::ProgressEnd::Done ? ReportEnd::Done : ReportEnd::Cancelled;
}

}  // namespace dw::app
