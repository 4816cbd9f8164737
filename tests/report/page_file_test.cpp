// Page files of previewed reports: their header byte for byte, their
// deletion at close, printing them in one document, an independent reader
// (wmf2svg) accepting them, and a long report laid out to files.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "runtime/platform/platform.h"
#include "tests/report/report_fixture.h"

namespace dw::report {
namespace {

using testing::compileReport;

const char* kReport =
    "report R { title \"Schedule by date\" font \"Arial\" 10 attr 0x200 at 500 1000 size 6000 "
    "8000\n"
    "  header { at 500 200 size 6000 300 string \"Dornwatch schedule\" { at 0 0 size 4000 300 } "
    "line { at 0 290 size 6000 0 } }\n"
    "  footer { at 500 9500 size 6000 300 string \"Page \" { at 0 0 size 2000 300 attr 0x1000 } }\n"
    "  form { at 0 0 size 0 0 box { at 100 100 size 7800 10300 } }\n"
    "  detail { field 30 size 6000 250 display { field 31 at 0 0 size 4000 250 } "
    "box { at 4200 20 size 300 200 fill 0xC0C0C0 } }\n"
    "}\n";

bool fileExists(const std::string& name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0;
}

struct PageFileTest : ::testing::Test {
  resfmt::Module module = compileReport(kReport);
  HeadlessReportDevice device;
  Report report;
  std::vector<std::string> preview;
  char text[32] = {};

  void printRows(int rows) {
    report.setPreview(&preview);
    report.open(module.windows.at(0), device);
    report.use(31, ui::VarRef::cString(text));
    for (int i = 0; i < rows; ++i) {
      std::snprintf(text, sizeof text, "Task %05d", i);
      report.print(30);
    }
    report.endPage();
  }
  void TearDown() override {
    if (report.isOpen()) report.close();
  }
};

TEST_F(PageFileTest, HeaderIsThePlaceableHeaderOfThePrinterPage) {
  printRows(40);  // 8000 / 250 = 32 rows a page
  ASSERT_EQ(preview.size(), 2u);
  for (const std::string& name : preview) {
    EXPECT_NE(name.find("/VEL"), std::string::npos) << name;
    const auto bytes = readWholeFile(name);
    ASSERT_TRUE(bytes && bytes->size() > 22 + 18);
    // Letter at 300 dots per inch, a quarter inch unprintable on each side.
    const std::uint16_t right = 2550, bottom = 3300, upi = 300;
    const std::uint16_t sum = 0x5711 ^ right ^ bottom ^ upi;
    const std::uint8_t expected[22] = {0xD7,
                                       0xCD,
                                       0xC6,
                                       0x9A,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       right & 0xFF,
                                       right >> 8,
                                       bottom & 0xFF,
                                       bottom >> 8,
                                       upi & 0xFF,
                                       upi >> 8,
                                       0,
                                       0,
                                       0,
                                       0,
                                       sum & 0xFF,
                                       std::uint8_t(sum >> 8)};
    EXPECT_EQ(std::memcmp(bytes->data(), expected, 22), 0) << name;
    EXPECT_EQ(inspectWmf(*bytes).status, WmfStatus::Ok);
  }
  const auto pages = testing::fileTexts(preview);
  EXPECT_EQ(pages[0].front(), "Dornwatch schedule");
  EXPECT_EQ(pages[0][1], "Task 00000");
  EXPECT_EQ(pages[0].back(), "Page 1");
  EXPECT_EQ(pages[1][1], "Task 00032");
  EXPECT_EQ(pages[1].back(), "Page 2");
}

TEST_F(PageFileTest, PreviewPrintsInOneDocumentAndCloseDeletesTheFiles) {
  printRows(70);
  ASSERT_EQ(preview.size(), 3u);
  EXPECT_TRUE(report.printPreview());
  ASSERT_EQ(device.documents().size(), 1u);
  const auto& doc = device.documents()[0];
  EXPECT_EQ(doc.name, "Schedule by date");
  ASSERT_EQ(doc.pages.size(), 3u);
  // Played 1:1 onto the printer page: the same texts at the same places.
  for (std::size_t i = 0; i < 3; ++i) {
    RecordingCanvas fromFile, printed;
    const auto bytes = readWholeFile(preview[i]);
    playWmf(*bytes, fromFile, PlayPlacement::fit({-75, -75, 2475, 3225}));
    playWmf(doc.pages[i], printed, {});
    EXPECT_EQ(printed.drawn(), fromFile.drawn()) << i;
  }
  EXPECT_FALSE(doc.ended);
  report.close();
  EXPECT_TRUE(device.documents()[0].ended);
  for (const auto& name : preview) EXPECT_FALSE(fileExists(name)) << name;
}

TEST_F(PageFileTest, AnIndependentReaderRendersEveryPage) {
  ASSERT_EQ(std::system("command -v wmf2svg >/dev/null"), 0)
      << "wmf2svg (libwmf-bin) is needed: scripts/setup installs it";
  printRows(40);
  ASSERT_EQ(preview.size(), 2u);
  for (std::size_t i = 0; i < preview.size(); ++i) {
    const auto [status, svg] = testing::wmf2svg(preview[i]);
    EXPECT_EQ(status, 0) << svg;
    EXPECT_NE(svg.find("<svg"), std::string::npos) << preview[i];
    EXPECT_EQ(svg.find("ERROR"), std::string::npos) << svg.substr(0, 400);
    EXPECT_NE(svg.find("Dornwatch schedule"), std::string::npos) << preview[i];
    EXPECT_NE(svg.find("Page " + std::to_string(i + 1)), std::string::npos) << preview[i];
    EXPECT_NE(svg.find(i == 0 ? "Task 00000" : "Task 00039"), std::string::npos) << preview[i];
  }
}

TEST_F(PageFileTest, TenThousandDetailBandsLayOutToPageFiles) {
  printRows(10000);
  EXPECT_EQ(report.pageCount(), 313);  // 32 rows a page
  ASSERT_EQ(preview.size(), 313u);
  const auto last = testing::fileTexts({preview.back()});
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0][1], "Task 09984");
  EXPECT_EQ(last[0][last[0].size() - 2], "Task 09999");
  EXPECT_EQ(last[0].back(), "Page 313");
  report.close();
  for (const auto& name : preview) ASSERT_FALSE(fileExists(name)) << name;
}

}  // namespace
}  // namespace dw::report
