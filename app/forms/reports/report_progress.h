// The progress window of a report: "Generating Report" with a bar, the
// percentage and Cancel, stepping the report once per timer tick.  Between
// two ticks the thread waits in ACCEPT and gives the Runtime lock up, so
// the main frame's timer goes on while a report is generated.
//
// Thread-safety: the report's thread, holding the Runtime lock.
#pragma once

#include <functional>
#include <string_view>

#include "app/forms/reports/report_run.h"

namespace dw::app {

inline constexpr const char* kGeneratingTitle = "Generating Report";

enum class ReportEnd { Done, Cancelled };

// Opens the progress window of the report's module, calls `step` at each
// timer tick until it reports done, or until Cancel; closes the window.
ReportEnd runReportProgress(std::string_view module, const std::function<ReportTick()>& step);

}  // namespace dw::app
