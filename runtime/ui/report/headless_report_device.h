// HeadlessReportDevice: a deterministic ReportDevice for tests and tools.
// Text is measured with fixed metrics (each character 3/5 of the em wide,
// lines 6/5 of the em high); printed pages are recorded as metafiles so
// that a test can count and play them.  Options choose the situations a
// real printer can be in: present, absent, failing to be selected, failing
// to start a document.
//
// Thread-safety: one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "runtime/ui/report/report_device.h"
#include "runtime/ui/report/wmf_recorder.h"

namespace dw::report {

class HeadlessReportDevice : public ReportDevice {
 public:
  struct Options {
    PrinterStatus selection = PrinterStatus::Ready;
    bool documentFails = false;
    std::int32_t dpi = 300;
  };
  HeadlessReportDevice() : HeadlessReportDevice(Options{}) {}
  explicit HeadlessReportDevice(Options options) : m_options(options) {}

  PrinterStatus selectDefaultPrinter() override;
  void setOrientation(Orientation orientation) override { m_orientation = orientation; }
  void setPaper(int kind, std::int32_t widthTenthMm, std::int32_t lengthTenthMm) override;
  PageGeometry geometry() override;
  TextExtent measure(const FontSpec& font, std::string_view text) override;
  bool beginDocument(std::string_view name) override;
  Canvas& beginPage() override;
  void endPage() override;
  void endDocument() override;
  void release() override { m_released = true; }

  // What happened, for tests.
  struct Document {
    std::string name;
    std::vector<std::vector<std::uint8_t>> pages;  // metafiles, no placeable header
    bool ended = false;
  };
  const std::vector<Document>& documents() const { return m_documents; }
  bool released() const { return m_released; }
  Orientation orientation() const { return m_orientation; }
  int paperKind() const { return m_paperKind; }
  std::int32_t paperWidth() const { return m_paperWidth; }    // tenths of a millimetre
  std::int32_t paperLength() const { return m_paperLength; }  // tenths of a millimetre

 private:
  Options m_options;
  bool m_selected = false;
  Orientation m_orientation = Orientation::Portrait;
  int m_paperKind = paper::kLetter;
  std::int32_t m_paperWidth = 2159, m_paperLength = 2794;
  std::vector<Document> m_documents;
  WmfRecorder m_page;
  bool m_released = false;
};

}  // namespace dw::report
