// The report engine laid out on the headless device: group breaks, the
// pending queue, keep-together levels and keep-with-previous runs, page
// breaks with continuation numbers, page ranges, and the errors.
// The device prints at 300 dots per inch; reports use thousandths of an
// inch, so a band 100 high is 30 dots, and a detail area 1000 high holds
// ten of them.
#include <cstring>

#include "runtime/ui/report/report_devices.h"
#include "runtime/ui/report/wmf_recorder.h"
#include "tests/report/report_fixture.h"

namespace dw::report {
namespace {

using testing::compileReport;
using testing::haltCode;
using testing::printedTexts;

// A string control showing `text` in a band 100 high.
std::string band(const std::string& kind, int field, const std::string& text,
                 const std::string& extra = "") {
  return kind + " { field " + std::to_string(field) + " size 6000 100 " + extra + " string \"" +
         text + "\" { at 0 0 size 3000 100 } }\n";
}

const char* kDetailWithVariable =
    "detail { field 30 size 6000 100 display { field 31 at 0 0 size 3000 100 } }\n";

struct Fixture : ::testing::Test {
  HeadlessReportDevice device;
  Report report;
  resfmt::Module module;
  char value[16] = {};

  void open(const std::string& body) {
    module = compileReport("report R { title \"Test report\" attr 0x200 at 0 0 size 6000 1000\n" +
                           body + "}\n");
    ASSERT_FALSE(module.windows.empty());
    report.open(module.windows[0], device);
  }
  void detail(const char* text, int field = 30) {
    std::strncpy(value, text, sizeof value - 1);
    report.print(field);
  }
  void TearDown() override {
    if (report.isOpen()) report.close();
  }
};

using ReportTest = Fixture;

TEST_F(ReportTest, GroupBreaksAtDepthTwoCloseInnermostFirst) {
  open("break \"outer\" { field 10\n" + band("header", 11, "OH") +
       "  break \"inner\" { field 20\n" + band("header", 21, "IH") + kDetailWithVariable +
       band("footer", 40, "IF") + "  }\n" + band("footer", 50, "OF") + "}\n");
  char outer[8] = {}, inner[8] = {};
  report.use(10, ui::VarRef::cString(outer));
  report.use(20, ui::VarRef::cString(inner));
  report.use(31, ui::VarRef::cString(value));
  struct Row {
    const char *outer, *inner, *text;
  };
  for (const Row& r :
       {Row{"a", "1", "d1"}, Row{"a", "1", "d2"}, Row{"a", "2", "d3"}, Row{"b", "2", "d4"}}) {
    std::strcpy(outer, r.outer);
    std::strcpy(inner, r.inner);
    detail(r.text);
  }
  report.close();
  const auto pages = printedTexts(device);
  ASSERT_EQ(pages.size(), 2u);  // thirteen bands, ten to a page
  std::vector<std::string> all;
  for (const auto& p : pages) all.insert(all.end(), p.begin(), p.end());
  EXPECT_EQ(all, (std::vector<std::string>{"OH", "IH", "d1", "d2", "IF", "IH", "d3", "IF", "OF",
                                           "OH", "IH", "d4", "IF", "OF"}));
}

TEST_F(ReportTest, KeepTogetherRunMovesWholeToTheNextPage) {
  open(band("detail", 30, "d") + band("detail", 40, "KH", "flags 1") +
       band("detail", 50, "KF", "flags 2"));
  for (int i = 0; i < 8; ++i) report.print(30);
  report.print(40);  // opens the level
  for (int i = 0; i < 3; ++i) report.print(30);
  report.print(50);  // closes it: five bands, two places left on page 1
  report.close();
  const auto pages = printedTexts(device);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], std::vector<std::string>(8, "d"));
  EXPECT_EQ(pages[1], (std::vector<std::string>{"KH", "d", "d", "d", "KF"}));
}

TEST_F(ReportTest, KeepWithPreviousTakesTheBandBeforeAlong) {
  open(band("detail", 30, "d") + band("detail", 40, "last") + band("detail", 50, "F", "keep 1"));
  for (int i = 0; i < 9; ++i) report.print(30);
  report.print(40);  // the tenth band fills page 1 ...
  report.print(50);  // ... but the footer keeps it company on page 2
  report.close();
  const auto pages = printedTexts(device);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 9u);
  EXPECT_EQ(pages[1], (std::vector<std::string>{"last", "F"}));
}

TEST_F(ReportTest, BandTallerThanThePageStandsAlone) {
  open(band("detail", 30, "d") +
       "detail { field 40 size 6000 2500 string \"tall\" { at 0 0 size 1000 100 } }\n");
  report.print(30);
  report.print(40);
  report.print(30);
  report.close();
  const auto pages = printedTexts(device);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[1], std::vector<std::string>{"tall"});
}

TEST_F(ReportTest, EmptyBandHandsItsDrawingToTheLastPendingBand) {
  open(kDetailWithVariable + std::string("detail { field 40 display { field 41 at 0 0 } }\n") +
       "detail { field 50 flags 1 display { field 51 at 0 0 } }\n");
  report.use(31, ui::VarRef::cString(value));
  char empty[4] = {};
  report.use(41, ui::VarRef::cString(empty));
  report.use(51, ui::VarRef::cString(empty));
  report.print(40);  // nothing pending: queued even though empty
  EXPECT_EQ(report.pendingBands(), 1u);
  detail("x");
  const std::int32_t height = report.pendingHeight();
  report.print(40);  // rendered nothing: not queued
  EXPECT_EQ(report.pendingBands(), 2u);
  EXPECT_EQ(report.pendingHeight(), height);
  report.print(50);  // keep-together flags: queued although empty
  EXPECT_EQ(report.pendingBands(), 3u);
  report.close();
  EXPECT_EQ(printedTexts(device), (std::vector<std::vector<std::string>>{{"x"}}));
}

TEST_F(ReportTest, PageBreakCountsSetContinuationNumbers) {
  open(
      band("detail", 30, "d") + band("detail", 40, "before", "before 1 beforepage 10") +
      band("detail", 50, "after", "after 1 afterpage 20") +
      band("detail", 60, "plain-before", "before 1") +
      "footer { at 0 1000 size 6000 100 string \"Page \" { at 0 0 size 2000 100 attr 0x1000 } }\n");
  report.print(30);
  report.print(40);  // page 1 ends; the next page is numbered 10
  report.print(30);
  report.print(50);  // page 10 ends after it; the next is 20
  report.print(30);
  report.print(60);  // a break without a new number: 21
  report.close();
  const auto pages = printedTexts(device);
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[0], (std::vector<std::string>{"d", "Page 1"}));
  EXPECT_EQ(pages[1], (std::vector<std::string>{"before", "d", "after", "Page 10"}));
  EXPECT_EQ(pages[2], (std::vector<std::string>{"d", "Page 20"}));
  EXPECT_EQ(pages[3], (std::vector<std::string>{"plain-before", "Page 21"}));
  EXPECT_EQ(report.pageCount(), 4);
}

TEST_F(ReportTest, PageBreakFlagGivesABandAPageWithoutHeaderAndFooter) {
  open(band("header", 10, "H") + band("detail", 30, "d") + band("detail", 40, "title", "flags 4") +
       "footer { at 0 1000 size 6000 100 string \"F\" { at 0 0 size 500 100 } }\n");
  report.print(40);
  report.print(30);
  report.close();
  EXPECT_EQ(printedTexts(device),
            (std::vector<std::vector<std::string>>{{"title"}, {"H", "d", "F"}}));
}

TEST_F(ReportTest, BesideBandsAdvanceAcross) {
  open("detail { field 30 size 2000 100 flags 32 string \"L\" { at 0 0 size 500 100 } }\n" +
       band("detail", 40, "row-end"));
  report.print(30);
  report.print(30);
  report.print(40);
  report.close();
  RecordingCanvas c;
  playWmf(device.documents().at(0).pages.at(0), c, {});
  // Two labels across (2000 thousandths = 600 dots apart), then the band
  // that ends the row beside them; the next row would start below.
  EXPECT_EQ(c.drawn(),
            (std::vector<std::string>{"text 0,0 L", "text 600,0 L", "text 1200,0 row-end"}));
}

TEST_F(ReportTest, NoAdvanceBandsTakeNoRoom) {
  open(band("detail", 30, "d") + band("detail", 40, "overlay", "flags 64"));
  for (int i = 0; i < 10; ++i) report.print(30);  // the page is full ...
  report.print(40);                               // ... but this one needs no room and no fit test
  EXPECT_EQ(report.pendingHeight(), 300);
  report.print(30);
  report.close();
  const auto pages = printedTexts(device);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 11u);
  EXPECT_EQ(pages[0].back(), "overlay");
  EXPECT_EQ(pages[1], std::vector<std::string>{"d"});
}

TEST_F(ReportTest, PageRangeSkipsPagesButCountsThem) {
  std::vector<std::string> preview;
  report.setPreview(&preview);
  report.setPageRange(2, 3);
  open(
      band("detail", 30, "d", "after 1") +
      "footer { at 0 1000 size 6000 100 string \"Page \" { at 0 0 size 2000 100 attr 0x1000 } }\n");
  for (int i = 0; i < 4; ++i) report.print(30);
  EXPECT_EQ(report.pageCount(), 4);
  ASSERT_EQ(preview.size(), 2u);
  EXPECT_EQ(testing::fileTexts(preview),
            (std::vector<std::vector<std::string>>{{"d", "Page 2"}, {"d", "Page 3"}}));
}

TEST_F(ReportTest, TwiceThePageHeightComposesAtOnce) {
  open(band("detail", 30, "d"));
  for (int i = 0; i < 20; ++i) report.print(30);
  EXPECT_EQ(report.pageCount(), 0);  // exactly two pages' worth: still pending
  report.print(30);
  EXPECT_EQ(report.pageCount(), 1);
  EXPECT_EQ(report.pendingBands(), 11u);
  report.endPage();
  EXPECT_EQ(report.pageCount(), 3);
  EXPECT_EQ(report.pendingBands(), 0u);
}

TEST_F(ReportTest, ErrorsOfReportOperations) {
  const resfmt::Module m = compileReport("report R { attr 0x200\n" + band("detail", 30, "d") +
                                         "}\nwindow W { size 10 10 }\n");
  struct Case {
    const char* name;
    int code;
    std::function<void(Report&, HeadlessReportDevice&)> op;
  };
  const Case cases[] = {
      {"print before open", 538, [](Report& r, auto&) { r.print(30); }},
      {"endpage before open", 539, [](Report& r, auto&) { r.endPage(); }},
      {"print of no band", 538,
       [&m](Report& r, auto& d) {
         r.open(m.windows[0], d);
         r.print(99);
       }},
      {"print on a window", 538,
       [&m](Report& r, auto& d) {
         r.open(m.windows[1], d);
         r.print(1);
       }},
      {"endpage on a window", 539,
       [&m](Report& r, auto& d) {
         r.open(m.windows[1], d);
         r.endPage();
       }},
      {"open twice", 525,
       [&m](Report& r, auto& d) {
         r.open(m.windows[0], d);
         r.open(m.windows[0], d);
       }},
  };
  for (const Case& c : cases) {
    HeadlessReportDevice d;
    Report r;
    EXPECT_EQ(haltCode([&] { c.op(r, d); }), c.code) << c.name;
  }
  HeadlessReportDevice failing({PrinterStatus::Failed, false, 300});
  Report r;
  EXPECT_EQ(haltCode([&] { r.open(m.windows[0], failing); }), 524);
  EXPECT_FALSE(r.isOpen());
  lang::setHaltThrowsForTesting(false);
}

TEST(ReportPrinterTest, WithoutAPrinterPreviewStillWritesPages) {
  const resfmt::Module m =
      compileReport("report R { attr 0x200 size 6000 1000\n" + band("detail", 30, "d") + "}\n");
  HeadlessReportDevice device({PrinterStatus::NoPrinter, false, 300});
  Report report;
  std::vector<std::string> preview;
  report.setPreview(&preview);
  report.open(m.windows[0], device);
  EXPECT_FALSE(report.hasPrinter());
  EXPECT_EQ(report.geometry().dpiX, 96);
  report.print(30);
  report.endPage();
  ASSERT_EQ(preview.size(), 1u);
  EXPECT_FALSE(report.printPreview());  // nowhere to print
  report.close();
  EXPECT_TRUE(device.documents().empty());
  EXPECT_TRUE(device.released());
}

TEST(ReportPrinterTest, FailingDocumentCancelsTheReport) {
  const resfmt::Module m = compileReport("report R { attr 0x200 size 6000 1000\n" +
                                         band("detail", 30, "d", "after 1") + "}\n");
  HeadlessReportDevice device({PrinterStatus::Ready, true, 300});
  Report report;
  report.open(m.windows[0], device);
  report.print(30);
  EXPECT_TRUE(report.cancelled());
  report.print(30);  // ignored
  EXPECT_EQ(report.pendingBands(), 0u);
  EXPECT_EQ(report.pageCount(), 0);
  report.close();
}

TEST(ReportPrinterTest, PaperKindsAndOrientationReachThePrinter) {
  struct Case {
    const char* attrs;
    int kind;
    std::int32_t width, length;  // tenths of a millimetre
    Orientation orientation;
    std::int32_t pageWidth;  // printable dots
  };
  const Case cases[] = {
      {"attr 0x200", paper::kLetter, 2159, 2794, Orientation::Portrait, 2400},
      {"attr 0x1200 paper 9", paper::kA4, 2100, 2970, Orientation::Landscape, 3357},
      {"attr 0x200 paper 256 8000 10000", paper::kUser, 2032, 2540, Orientation::Portrait, 2250},
  };
  for (const Case& c : cases) {
    const resfmt::Module m = compileReport(std::string("report R { ") + c.attrs + "\n" +
                                           band("detail", 30, "d") + "}\n");
    HeadlessReportDevice device;
    Report report;
    report.open(m.windows[0], device);
    EXPECT_EQ(device.paperKind(), c.kind) << c.attrs;
    EXPECT_EQ(device.paperWidth(), c.width) << c.attrs;
    EXPECT_EQ(device.paperLength(), c.length) << c.attrs;
    EXPECT_EQ(device.orientation(), c.orientation) << c.attrs;
    EXPECT_EQ(report.geometry().width, c.pageWidth) << c.attrs;
    report.close();
  }
}

TEST(ReportPrinterTest, ProceduresOpenFromResourcesOnTheInstalledDevice) {
  Report missing;
  EXPECT_EQ(haltCode([&] { missing.open("NONE.vls$none", "NO$REPORT"); }), 502);
  lang::setHaltThrowsForTesting(false);
  // The device a report makes for itself comes from the installed maker;
  // without one, a device with no printer.
  std::string asked;
  setReportDeviceFactory([&asked](const DeviceRequest& request) {
    asked = request.pdfFile;
    return std::make_unique<HeadlessReportDevice>();
  });
  auto made = makeReportDevice({"out.pdf", "", ""});
  EXPECT_EQ(asked, "out.pdf");
  EXPECT_EQ(made->selectDefaultPrinter(), PrinterStatus::Ready);
  setReportDeviceFactory(nullptr);
  EXPECT_EQ(makeReportDevice({})->selectDefaultPrinter(), PrinterStatus::NoPrinter);
}

// Pictures in bands: a WMF picture is played into the band's drawing,
// fitted to the control; a BMP goes through the runtime's readers.
TEST(ReportImageTest, PicturesInBandsAreDrawnIntoTheBand) {
  const std::string dir = ::testing::TempDir();
  const std::string wmfName = dir + "dw_band_picture.wmf", bmpName = dir + "dw_band_picture.bmp";
  {
    WmfRecorder rec;
    rec.setWindow({0, 0}, {1000, 500});
    rec.drawRectangle({0, 0, 1000, 500});
    const auto body = rec.finish();
    const std::string head = encodePlaceableHeader(makePlaceableHeader(1000, 500, 1000));
    std::FILE* f = std::fopen(wmfName.c_str(), "wb");
    std::fwrite(head.data(), 1, head.size(), f);
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
    // A 2 x 1 BMP: a red and a blue pixel.
    const unsigned char bmp[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0,   0,   54, 0, 0,  0, 40, 0,
                                 0,   0,   2,  0, 0, 0, 1, 0, 0,   0,   1,  0, 24, 0, 0,  0,
                                 0,   0,   8,  0, 0, 0, 0, 0, 0,   0,   0,  0, 0,  0, 0,  0,
                                 0,   0,   0,  0, 0, 0, 0, 0, 255, 255, 0,  0, 0,  0};
    f = std::fopen(bmpName.c_str(), "wb");
    std::fwrite(bmp, 1, sizeof bmp, f);
    std::fclose(f);
  }
  const resfmt::Module m = compileReport(
      "report R { attr 0x200 size 6000 1000\n detail { field 30 size 6000 1000 image \"" + wmfName +
      "\" { at 1000 0 size 2000 1000 } image \"" + bmpName +
      "\" { at 0 0 size natural natural } } }\n");
  HeadlessReportDevice device;
  Report report;
  report.open(m.windows.at(0), device);
  report.print(30);
  report.close();
  ASSERT_EQ(device.documents().size(), 1u);
  RecordingCanvas c;
  playWmf(device.documents()[0].pages.at(0), c, {});
  // The picture's frame (1000 x 500) fills 2000 x 1000 thousandths: 600 x 300 dots at x 300.
  EXPECT_EQ(c.drawn(), (std::vector<std::string>{"rect 300,0-900,300", "image 0,0-2,1 2x1"}));
  ASSERT_EQ(c.images.size(), 1u);
  EXPECT_EQ(c.images[0].pixels, (std::vector<std::uint32_t>{0xFFFF0000, 0xFF0000FF}));
  // Previewed, the page file with its picture is accepted by wmf2svg too.
  Report previewed;
  std::vector<std::string> preview;
  previewed.setPreview(&preview);
  previewed.open(m.windows.at(0), device);
  previewed.print(30);
  previewed.endPage();
  ASSERT_EQ(preview.size(), 1u);
  const auto [status, svg] = testing::wmf2svg(preview[0]);
  EXPECT_EQ(status, 0) << svg.substr(0, 300);
  EXPECT_NE(svg.find("<image"), std::string::npos) << svg.substr(0, 600);
  previewed.close();
  std::remove(wmfName.c_str());
  std::remove(bmpName.c_str());
}

}  // namespace
}  // namespace dw::report
