// The Qt report device: see qt_report_device.h.
#include "runtime/ui/qt/qt_report_device.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>

#include "runtime/ui/report/report_devices.h"

namespace dw::ui::qt {

namespace {
constexpr int kPdfResolution = 300;
}

QtReportDevice::QtReportDevice(Options options)
    : m_options(std::move(options)),
      m_memoryLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()) {
  m_memory.setDotsPerMeterX(3780);  // 96 dots per inch
  m_memory.setDotsPerMeterY(3780);
}

QtReportDevice::~QtReportDevice() {
  if (m_painter.isActive()) m_painter.end();
}

report::PrinterStatus QtReportDevice::selectDefaultPrinter() {
  m_printer.reset();
  if (!m_options.pdfFile.empty()) return usePdf(m_options.pdfFile);
  if (!m_options.ignoreSystemPrinters) {
    QPrinterInfo info;
    if (!m_options.printer.empty())
      info = QPrinterInfo::printerInfo(QString::fromStdString(m_options.printer));
    if (info.isNull()) info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
      m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
      if (!m_printer->isValid()) {
        m_printer.reset();
        return report::PrinterStatus::Failed;
      }
      return report::PrinterStatus::Ready;
    }
  }
  if (!m_options.fallbackPdfFile.empty()) return usePdf(m_options.fallbackPdfFile);
  return report::PrinterStatus::NoPrinter;
}

report::PrinterStatus QtReportDevice::usePdf(const std::string& file) {
  m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  m_printer->setOutputFormat(QPrinter::PdfFormat);
  m_printer->setOutputFileName(QString::fromStdString(file));
  m_printer->setResolution(kPdfResolution);
  m_printer->setPageSize(QPageSize(QPageSize::Letter));
  return report::PrinterStatus::Ready;
}

std::string QtReportDevice::printerName() const {
  if (!m_printer || m_printer->outputFormat() == QPrinter::PdfFormat) return {};
  return m_printer->printerName().toStdString();
}

std::string QtReportDevice::outputFile() const {
  if (!m_printer || m_printer->outputFormat() != QPrinter::PdfFormat) return {};
  return m_printer->outputFileName().toStdString();
}

void QtReportDevice::setOrientation(report::Orientation orientation) {
  const auto o = orientation == report::Orientation::Landscape ? QPageLayout::Landscape
                                                               : QPageLayout::Portrait;
  m_memoryLayout.setOrientation(o);
  if (m_printer) m_printer->setPageOrientation(o);
}

void QtReportDevice::setPaper(int kind, std::int32_t widthTenthMm, std::int32_t lengthTenthMm) {
  QPageSize size;
  switch (kind) {
    case report::paper::kLetter:
      size = QPageSize(QPageSize::Letter);
      break;
    case report::paper::kLegal:
      size = QPageSize(QPageSize::Legal);
      break;
    case report::paper::kA4:
      size = QPageSize(QPageSize::A4);
      break;
    case report::paper::kUser:
      if (widthTenthMm > 0 && lengthTenthMm > 0)
        size = QPageSize(QSizeF(widthTenthMm / 10.0, lengthTenthMm / 10.0), QPageSize::Millimeter,
                         QString(), QPageSize::ExactMatch);
      break;
    default:
      break;
  }
  if (!size.isValid()) return;
  m_memoryLayout.setPageSize(size);
  if (m_printer) m_printer->setPageSize(size);
}

report::PageGeometry QtReportDevice::geometry() {
  report::PageGeometry g;
  if (!m_printer) {
    // The memory context: 96 dots per inch, the report's page, no margin.
    const QRect full = m_memoryLayout.fullRectPixels(96);
    g.dpiX = g.dpiY = 96;
    g.width = full.width();
    g.height = full.height();
    g.offsetX = g.offsetY = 0;
    return g;
  }
  const int dpi = m_printer->resolution();
  const QPageLayout layout = m_printer->pageLayout();
  const QRect paint = layout.paintRectPixels(dpi);
  g.dpiX = g.dpiY = dpi;
  g.width = paint.width();
  g.height = paint.height();
  g.offsetX = paint.x();
  g.offsetY = paint.y();
  return g;
}

QPaintDevice* QtReportDevice::measuringDevice() {
  if (m_printer) return m_printer.get();
  return &m_memory;
}

report::TextExtent QtReportDevice::measure(const report::FontSpec& font, std::string_view text) {
  QFont f(QString::fromLatin1(font.face.data(), static_cast<int>(font.face.size())));
  f.setPixelSize(std::max(1, font.height));
  f.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
  f.setItalic(font.italic);
  const QFontMetrics fm(f, measuringDevice());
  return {fm.horizontalAdvance(QString::fromLatin1(text.data(), static_cast<int>(text.size()))),
          fm.height()};
}

bool QtReportDevice::beginDocument(std::string_view name) {
  if (!m_printer) return false;
  m_printer->setDocName(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
  m_printer->setCreator(QStringLiteral("Dornwatch"));
  if (!m_painter.begin(m_printer.get())) return false;
  m_pages = 0;
  return true;
}

report::Canvas& QtReportDevice::beginPage() {
  if (m_pages > 0 && m_printer) m_printer->newPage();
  m_canvas = std::make_unique<QtPainterCanvas>(m_painter);
  return *m_canvas;
}

void QtReportDevice::endPage() {
  ++m_pages;
  // The canvas's clip and state must not reach the next page.
  m_canvas.reset();
  if (m_painter.isActive()) {
    m_painter.setClipping(false);
    m_painter.resetTransform();
  }
}

void QtReportDevice::endDocument() {
  if (m_painter.isActive()) m_painter.end();
}

void QtReportDevice::release() {
  if (m_painter.isActive()) m_painter.end();
  m_printer.reset();
}

void installQtReportDevices() {
  report::setReportDeviceFactory([](const report::DeviceRequest& request) {
    return std::make_unique<QtReportDevice>(
        QtReportDevice::Options{request.pdfFile, false, request.printer, request.fallbackPdfFile});
  });
}

}  // namespace dw::ui::qt
