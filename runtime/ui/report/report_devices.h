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

#include "runtime/ui/report/report_device.h"

namespace dw::report {

struct DeviceRequest {
  // A PDF file the user named to print into instead of a printer; "" none.
  std::string pdfFile;
};

using DeviceFactory = std::function<std::unique_ptr<ReportDevice>(const DeviceRequest&)>;

void setReportDeviceFactory(DeviceFactory factory);
std::unique_ptr<ReportDevice> makeReportDevice(const DeviceRequest& request);

}  // namespace dw::report
