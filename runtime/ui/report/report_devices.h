// Where reports print: the process-wide maker of report devices.  The
// program's start installs the Qt one (a QPrinter, or a PDF file); until
// then, and in tests and tools, reports get a headless device without a
// printer (they lay out and preview, and print nothing).
//
// Thread-safety: install before any report opens (at start-up); making a
// device may then happen on any runtime thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "runtime/ui/dialogs.h"

#include "runtime/ui/report/report_device.h"

namespace dw::report {

struct DeviceRequest {
  // A PDF file the user named to print into instead of a printer; "" none.
  std::string pdfFile;
  // The printer chosen in the printer dialog; "" (or one no longer
  // installed) the default printer.
  std::string printer;
  // Where to print when no printer is installed at all; "" nowhere (the
  // report is only laid out, on a memory context).
  std::string fallbackPdfFile;
};

// What a report asks for under the process's printer settings (Runtime
// lock held): print-to-file chosen in the printer dialog prints into the
// file named there; otherwise the chosen printer, then the default
// printer, then `fallbackPdf`.
DeviceRequest deviceRequestFor(const ui::PrinterSettings& settings, std::string fallbackPdf);

using DeviceFactory = std::function<std::unique_ptr<ReportDevice>(const DeviceRequest&)>;

void setReportDeviceFactory(DeviceFactory factory);
std::unique_ptr<ReportDevice> makeReportDevice(const DeviceRequest& request);

}  // namespace dw::report
