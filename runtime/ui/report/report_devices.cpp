// The maker of report devices: see report_devices.h.
#include "runtime/ui/report/report_devices.h"

#include "runtime/ui/report/headless_report_device.h"

namespace dw::report {

namespace {
DeviceFactory& factory() {
  static DeviceFactory f;
  return f;
}
}  // namespace

void setReportDeviceFactory(DeviceFactory f) {
  factory() = std::move(f);
}

DeviceRequest deviceRequestFor(const ui::PrinterSettings& settings, std::string fallbackPdf) {
  DeviceRequest request;
  if (settings.printToFile && !settings.outputFile.empty()) request.pdfFile = settings.outputFile;
  request.printer = settings.printer;
  request.fallbackPdfFile = std::move(fallbackPdf);
  return request;
}

std::unique_ptr<ReportDevice> makeReportDevice(const DeviceRequest& request) {
  if (factory()) {
    if (auto device = factory()(request)) return device;
  }
  return std::make_unique<HeadlessReportDevice>(
      HeadlessReportDevice::Options{PrinterStatus::NoPrinter, false, 300});
}

}  // namespace dw::report
