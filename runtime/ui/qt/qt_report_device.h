// The report device of the Qt backend: a QPrinter (through CUPS where
// present) for the printer chosen in the printer dialog, or the default
// printer when none was chosen or the chosen one is no longer installed;
// when the user chose to print into a file, a QPrinter writing that file
// as PDF; when no printer is installed, the fallback PDF file if one is
// named.  Without any of them, text is measured on a memory image of 96
// dots per inch and nothing is printed; the page is then the report's
// paper (letter unless it names another) in the report's orientation,
// without margins, so that its page files keep the report's shape.
//
// Printer pages are painted at 300 dots per inch (PDF) or the printer's
// resolution; a canvas from beginPage() paints from the printable area's
// corner.
//
// Thread-safety: used by the report's thread; QPainter on a QPrinter may
// run outside the GUI thread.  A QGuiApplication must exist (fonts).
#pragma once

#include <QImage>
#include <QPageLayout>
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
    bool ignoreSystemPrinters = false;  // as if no printer were installed (tests)
    std::string printer;                // the chosen printer; "" the default
    std::string fallbackPdfFile;        // without any printer: this PDF file
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
  // The printer selected ("" none or a PDF file) and the PDF file printed
  // into ("" none), after selectDefaultPrinter.
  std::string printerName() const;
  std::string outputFile() const;

 private:
  QPaintDevice* measuringDevice();
  report::PrinterStatus usePdf(const std::string& file);

  Options m_options;
  std::unique_ptr<QPrinter> m_printer;
  QImage m_memory{1, 1, QImage::Format_RGB32};
  // The page of the memory context: paper and orientation as the report
  // set them, no margins.
  QPageLayout m_memoryLayout;
  QPainter m_painter;
  std::unique_ptr<QtPainterCanvas> m_canvas;
  int m_pages = 0;
};

// Makes reports print through QtReportDevice (report_devices.h).  Called
// once at the program's start, after the QApplication exists.
void installQtReportDevices();

}  // namespace dw::ui::qt
