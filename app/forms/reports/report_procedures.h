// The five report procedures of the Reports menu.  Each reads its file in
// its key order under the progress window, shows the pages in the print
// preview, and prints them when the user chooses Print: on the printer
// chosen in the printer dialog, else the default printer, else into a PDF
// file the user names.  The report is closed, and its page files deleted,
// however it ends (Cancel, an error, the program's exit).
//
// Thread-safety: each runs on a thread of its own (START), holding the
// Runtime lock except while it waits for the user.
#pragma once

#include <string>
#include <vector>

#include "app/forms/reports/report_run.h"
#include "runtime/ui/report/report_device.h"

namespace dw::app {

void PrintSCH_KeyDate();      // PrintSCH:KeyDate
void PrintSCH_KeyCategory();  // PrintSCH:KeyCategory
void BriefReport();
void PrintCAT_KeyCategory();  // PrintCAT:KeyCategory
void PrintTodoList();

// The procedure of one report.
void runReportProcedure(ReportKind kind);

// Plays page files onto `device`, one printer page each, in one document
// named `title`; false when the device has no printer or the document
// cannot be started.
bool printPageFiles(report::ReportDevice& device, const std::vector<std::string>& pages,
                    std::string_view title);

}  // namespace dw::app
