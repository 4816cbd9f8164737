// The headless report device: see headless_report_device.h.
#include "runtime/ui/report/headless_report_device.h"

#include <utility>

namespace dw::report {

PrinterStatus HeadlessReportDevice::selectDefaultPrinter() {
  m_selected = m_options.selection == PrinterStatus::Ready;
  return m_options.selection;
}

void HeadlessReportDevice::setPaper(int kind, std::int32_t widthTenthMm,
                                    std::int32_t lengthTenthMm) {
  switch (kind) {
    case paper::kLetter:
      m_paperWidth = 2159, m_paperLength = 2794;
      break;
    case paper::kLegal:
      m_paperWidth = 2159, m_paperLength = 3556;
      break;
    case paper::kA4:
      m_paperWidth = 2100, m_paperLength = 2970;
      break;
    case paper::kUser:
      if (widthTenthMm <= 0 || lengthTenthMm <= 0) return;
      m_paperWidth = widthTenthMm, m_paperLength = lengthTenthMm;
      break;
    default:
      return;
  }
  m_paperKind = kind;
}

PageGeometry HeadlessReportDevice::geometry() {
  PageGeometry g;
  // Without a printer: a screen-like memory context of 96 dots per inch
  // and no unprintable margin.
  const std::int32_t dpi = m_selected ? m_options.dpi : 96;
  g.dpiX = g.dpiY = dpi;
  std::int32_t w = static_cast<std::int32_t>(std::int64_t(m_paperWidth) * dpi / 254);
  std::int32_t h = static_cast<std::int32_t>(std::int64_t(m_paperLength) * dpi / 254);
  if (m_orientation == Orientation::Landscape) std::swap(w, h);
  g.offsetX = g.offsetY = m_selected ? dpi / 4 : 0;
  g.width = w - 2 * g.offsetX;
  g.height = h - 2 * g.offsetY;
  return g;
}

TextExtent HeadlessReportDevice::measure(const FontSpec& font, std::string_view text) {
  return {static_cast<std::int32_t>(
              (std::int64_t(font.height) * 3 * std::int64_t(text.size()) + 4) / 5),
          defaultLineHeight(font)};
}

bool HeadlessReportDevice::beginDocument(std::string_view name) {
  if (m_options.documentFails) return false;
  m_documents.push_back({std::string(name), {}, false});
  return true;
}

Canvas& HeadlessReportDevice::beginPage() {
  return m_page;
}

void HeadlessReportDevice::endPage() {
  if (m_documents.empty()) m_documents.push_back({});
  m_documents.back().pages.push_back(m_page.finish());
}

void HeadlessReportDevice::endDocument() {
  if (!m_documents.empty()) m_documents.back().ended = true;
}

}  // namespace dw::report
