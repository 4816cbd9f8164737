// The report device of the Qt backend: a QPrinter for the default printer
// (through CUPS where present) or, when the user named a PDF file, a
// QPrinter writing that file.  Without either, text is measured on a
// memory image of 96 dots per inch and nothing is printed.  Until the
// printer dialog lands the default printer is taken directly.
//
// Printer pages are painted at 300 dots per inch (PDF) or the printer's
// resolution; a canvas from beginPage() paints from the printable area's
// corner.
//
// Thread-safety: used by the report's thread; QPainter on a QPrinter may
// run outside the GUI thread.  A QGuiApplication must exist (fonts).
#pragma once

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>

#include "runtime/ui/qt/qt_wmf_canvas.h"
#include "runtime/ui/report/report_device.h"

namespace dw::ui::qt {

class QtReportDevice : public report::ReportDevice {
 public:
  struct Options {
    std::string pdfFile;                // non-empty: print into this PDF file
    bool ignoreSystemPrinters = false;  // only the PDF file (tests, no CUPS)
  };
  QtReportDevice() : QtReportDevice(Options{}) {}
  explicit QtReportDevice(Options options);
  ~QtReportDevice() override;

  report::PrinterStatus selectDefaultPrinter() override;
  void setOrientation(report::Orientation orientation) override;
  void setPaper(int kind, std::int32_t widthTenthMm, std::int32_t lengthTenthMm) override;
  report::PageGeometry geometry() override;
  report::TextExtent measure(const report::FontSpec& font, std::string_view text) override;
  bool beginDocument(std::string_view name) override;
  report::Canvas& beginPage() override;
  void endPage() override;
  void endDocument() override;
  void release() override;

  int pagesPrinted() const { return m_pages; }

 private:
  QPaintDevice* measuringDevice();

  Options m_options;
  std::unique_ptr<QPrinter> m_printer;
  QImage m_memory{1, 1, QImage::Format_RGB32};
  QPainter m_painter;
  std::unique_ptr<QtPainterCanvas> m_canvas;
  int m_pages = 0;
};

// Makes reports print through QtReportDevice (report_devices.h).  Called
// once at the program's start, after the QApplication exists.
void installQtReportDevices();

}  // namespace dw::ui::qt
