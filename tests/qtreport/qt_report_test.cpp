// Reports through Qt: page files played by our player onto an offscreen
// image, a report printed into a PDF file, previewed pages printed into one
// PDF document, WMF pictures as images, and the printer chosen in the
// printer dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <cstdio>
#include <cstring>

#include <QPrinterInfo>

#include "runtime/lang/errors.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/qt/qt_report_device.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/qt/qt_wmf_canvas.h"
#include "runtime/ui/report/headless_report_device.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/report/report_devices.h"
#include "runtime/ui/report/wmf_recorder.h"
#include "runtime/ui/resfmt/blob_writer.h"
#include "runtime/ui/resfmt/resource_source.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_resource.h"

namespace dw::ui::qt {
namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_report_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

const char* kReport =
    "module \"T.vls$t\"\n"
    "report R { title \"Schedule by date\" font \"DejaVu Sans\" 10 attr 0x200 at 500 1000 size "
    "6000 8000\n"
    "  header { at 500 200 size 6000 300 string \"Dornwatch schedule\" { at 0 0 size 4000 300 } }\n"
    "  footer { at 500 9300 size 6000 300 string \"Page \" { at 0 0 size 2000 300 attr 0x1000 } }\n"
    "  form { at 0 0 size 0 0 box { at 100 100 size 7800 10300 } }\n"
    "  detail { field 30 size 6000 250 display { field 31 at 0 0 size 4000 250 } }\n"
    "}\n";

struct QtReportTest : ::testing::Test {
  void SetUp() override { app(); }
  // The report as the program carries it: compiled into a resource blob
  // and found there by its module key and label.
  const std::vector<std::uint8_t> blob =
      resfmt::writeModule(*resfmt::compileSource(kReport, "t.dws").module);
  const WindowResource found = [this] {
    const std::span<const std::uint8_t> candidates[] = {blob};
    return findWindowIn(candidates, "T.vls$t", "R").resource;
  }();
  const resfmt::Module& module = *found.module;
  char text[32] = {};

  void printRows(report::Report& r, int rows) {
    r.use(31, VarRef::cString(text));
    for (int i = 0; i < rows; ++i) {
      std::snprintf(text, sizeof text, "Task %05d", i);
      r.print(30);
    }
    r.endPage();
  }
};

int darkPixels(const QImage& image, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(image.pixel(x, y)) < 128) ++n;
  return n;
}

TEST_F(QtReportTest, PageFilesPlayOntoAnOffscreenImage) {
  report::HeadlessReportDevice device;  // letter, 300 dots per inch, 75 dots offset
  report::Report r;
  std::vector<std::string> preview;
  r.setPreview(&preview);
  r.open(module.windows[0], device);
  printRows(r, 5);
  ASSERT_EQ(preview.size(), 1u);
  const auto bytes = report::readWholeFile(preview[0]);
  ASSERT_TRUE(bytes);
  // The whole sheet (2550 x 3300 dots) onto 850 x 1100 pixels: a third.
  const auto image = renderPageFile(*bytes, QSize(850, 1100));
  ASSERT_TRUE(image);
  // The form's box: its left edge 100 thousandths (30 dots) into the
  // printable area, 105 dots from the sheet's edge, pixel 35.
  EXPECT_GT(darkPixels(*image, QRect(34, 100, 3, 900)), 800);
  EXPECT_EQ(darkPixels(*image, QRect(20, 100, 10, 900)), 0);
  // The header's text starts at (225, 135) dots: pixels (75, 45).
  EXPECT_GT(darkPixels(*image, QRect(75, 45, 250, 30)), 50);
  // The first row of details at (225, 375) dots; nothing below the fifth.
  EXPECT_GT(darkPixels(*image, QRect(75, 125, 150, 25)), 20);
  EXPECT_EQ(darkPixels(*image, QRect(75, 330, 500, 400)), 0);
  r.close();
}

QByteArray readAll(const std::string& name) {
  QFile f(QString::fromStdString(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int pdfPages(const QByteArray& pdf) {
  return static_cast<int>(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") +
                          pdf.count("/Type /Page/") + pdf.count("/Type /Page>"));
}

TEST_F(QtReportTest, ReportPrintsIntoAPdfFile) {
  const std::string pdf = ::testing::TempDir() + "dw_report_test.pdf";
  std::remove(pdf.c_str());
  QtReportDevice device({pdf, true, "", ""});
  report::Report r;
  r.open(module.windows[0], device);
  ASSERT_TRUE(r.hasPrinter());
  EXPECT_EQ(r.geometry().dpiX, 300);
  printRows(r, 70);  // 32 rows a page
  EXPECT_EQ(r.pageCount(), 3);
  r.close();
  const QByteArray bytes = readAll(pdf);
  ASSERT_TRUE(bytes.startsWith("%PDF")) << pdf;
  EXPECT_EQ(pdfPages(bytes), 3);
  // The document's name is the report's title (a UTF-16 text string).
  QByteArray title("\xFE\xFF", 2);
  for (char c : std::string("Schedule by date")) title += QByteArray("\0", 1) + c;
  EXPECT_TRUE(bytes.contains("/Title (" + title + ")"));
  std::remove(pdf.c_str());
}

TEST_F(QtReportTest, PreviewedPagesPrintInOneDocument) {
  const std::string pdf = ::testing::TempDir() + "dw_preview_test.pdf";
  std::remove(pdf.c_str());
  QtReportDevice device({pdf, true, "", ""});
  report::Report r;
  std::vector<std::string> preview;
  r.setPreview(&preview);
  r.open(module.windows[0], device);
  printRows(r, 40);
  ASSERT_EQ(preview.size(), 2u);
  EXPECT_TRUE(r.printPreview());
  EXPECT_EQ(device.pagesPrinted(), 2);
  r.close();
  EXPECT_EQ(pdfPages(readAll(pdf)), 2);
  std::remove(pdf.c_str());
}

TEST_F(QtReportTest, WithoutPrinterOrFileNothingIsPrinted) {
  QtReportDevice device({"", true, "", ""});
  report::Report r;
  r.open(module.windows[0], device);
  EXPECT_FALSE(r.hasPrinter());
  EXPECT_EQ(r.geometry().dpiX, 96);
  printRows(r, 3);
  EXPECT_EQ(r.pageCount(), 1);
  EXPECT_EQ(device.pagesPrinted(), 0);
  r.close();
}

TEST_F(QtReportTest, WmfPicturesBecomeImages) {
  report::WmfRecorder rec;
  rec.setWindow({0, 0}, {1440, 720});
  rec.setPen({report::PenStyle::Null, 0, 0});
  rec.setBrush({false, 0x0000FF});  // red
  rec.drawRectangle({720, 0, 1440, 720});
  const auto body = rec.finish();
  std::vector<std::uint8_t> file;
  const std::string head =
      report::encodePlaceableHeader(report::makePlaceableHeader(1440, 720, 1440));
  file.assign(head.begin(), head.end());
  file.insert(file.end(), body.begin(), body.end());
  const auto image = wmfImage(file);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), QSize(96, 48));  // an inch by half an inch at 96 dots per inch
  EXPECT_EQ(QColor(image->pixel(72, 24)), QColor(255, 0, 0));
  EXPECT_EQ(qAlpha(image->pixel(24, 24)), 0);
  // The same bytes as a file named by an image control.
  const std::string name = ::testing::TempDir() + "dw_control_picture.wmf";
  {
    QFile out(QString::fromStdString(name));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size()));
  }
  const QPixmap pixmap = pixmapFor(name);
  EXPECT_EQ(pixmap.size(), QSize(96, 48));
  EXPECT_EQ(QColor(pixmap.toImage().pixel(72, 24)), QColor(255, 0, 0));
  std::remove(name.c_str());
  file[40] = 0xFF;  // the first record runs past the end
  file[41] = 0x7F;
  EXPECT_FALSE(wmfImage(file));
}

TEST(DeviceRequestTest, ThePrinterSettingsDecideWhereAReportPrints) {
  struct Case {
    bool toFile;
    std::string outputFile, printer;
    std::string pdf, chosen;
  } cases[] = {
      {false, "", "", "", ""},
      {false, "kept.pdf", "Office", "", "Office"},  // a file only counts when chosen
      {true, "out.pdf", "Office", "out.pdf", "Office"},
      {true, "", "Office", "", "Office"},  // print to file without a name: the printer
  };
  for (const Case& c : cases) {
    PrinterSettings settings;
    settings.printToFile = c.toFile;
    settings.outputFile = c.outputFile;
    settings.printer = c.printer;
    const report::DeviceRequest request = report::deviceRequestFor(settings, "fallback.pdf");
    EXPECT_EQ(request.pdfFile, c.pdf) << c.outputFile;
    EXPECT_EQ(request.printer, c.chosen);
    EXPECT_EQ(request.fallbackPdfFile, "fallback.pdf");
  }
}

// The printer dialog answered as a user would, then a report printed on
// the device made for what was chosen.
TEST_F(QtReportTest, ReportsPrintWhereThePrinterDialogSaid) {
  lang::setHaltThrowsForTesting(true);
  HeadlessBackend backend(runtime());
  runtime().begin(backend);
  runtime().adoptCurrentThread();
  const std::string pdf = ::testing::TempDir() + "dw_chosen_test.pdf";
  const std::string fallback = ::testing::TempDir() + "dw_fallback_test.pdf";
  std::remove(pdf.c_str());
  std::remove(fallback.c_str());

  // Print to file: the report goes into the file named after the dialog.
  backend.answerPrinterDialogs({{true, true, ""}});
  backend.answerFileDialogs({pdf});
  ASSERT_EQ(runtime().printerDialog("Print", false), 1);
  report::DeviceRequest request = report::deviceRequestFor(printerSettings(), fallback);
  {
    QtReportDevice device({request.pdfFile, false, request.printer, request.fallbackPdfFile});
    report::Report r;
    r.open(module.windows[0], device);
    ASSERT_TRUE(r.hasPrinter());
    EXPECT_EQ(device.outputFile(), pdf);
    printRows(r, 3);
    r.close();
  }
  EXPECT_EQ(pdfPages(readAll(pdf)), 1);

  // A printer that is not installed: the default printer, or without one
  // the fallback file.
  backend.answerPrinterDialogs({{true, false, "No Such Printer 7"}});
  ASSERT_EQ(runtime().printerDialog("Print", false), 1);
  request = report::deviceRequestFor(printerSettings(), fallback);
  EXPECT_EQ(request.pdfFile, "");
  EXPECT_EQ(request.printer, "No Such Printer 7");
  {
    QtReportDevice device({request.pdfFile, false, request.printer, request.fallbackPdfFile});
    ASSERT_EQ(device.selectDefaultPrinter(), report::PrinterStatus::Ready);
    const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
    if (standard.isNull()) {
      EXPECT_EQ(device.outputFile(), fallback);
      EXPECT_EQ(device.printerName(), "");
    } else {
      EXPECT_EQ(device.printerName(), standard.printerName().toStdString());
    }
    device.release();
  }
  // As if no printer were installed and no fallback named: nothing prints.
  QtReportDevice none({"", true, "No Such Printer 7", ""});
  EXPECT_EQ(none.selectDefaultPrinter(), report::PrinterStatus::NoPrinter);

  printerSettings() = PrinterSettings{};
  runtime().leaveAdopted();
  runtime().end();
  std::remove(pdf.c_str());
  std::remove(fallback.c_str());
}

}  // namespace
}  // namespace dw::ui::qt
