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

std::unique_ptr<ReportDevice> makeReportDevice(const DeviceRequest& request) {
  if (factory()) {
    if (auto device = factory()(request)) return device;
  }
  return std::make_unique<HeadlessReportDevice>(
      HeadlessReportDevice::Options{PrinterStatus::NoPrinter, false, 300});
}

}  // namespace dw::report
