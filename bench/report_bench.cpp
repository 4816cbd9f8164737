// How fast reports go: a 10,000-record report laid out into page files
// (bands per second, including writing and deleting the files), and one
// page file played at 300 dots per inch onto a letter page, both onto a
// canvas that only counts (the reader and player alone) and through Qt
// onto a 2550 x 3300 image.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "runtime/ui/qt/qt_wmf_canvas.h"
#include "runtime/ui/report/headless_report_device.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/resfmt/resource_source.h"

namespace {

using namespace dw;

const char* kReport =
    "module \"B.vls$b\"\n"
    "report R { title \"Schedule\" font \"DejaVu Sans\" 10 attr 0x200 at 500 1000 size 6000 8000\n"
    "  header { at 500 200 size 6000 300 string \"Dornwatch schedule\" { at 0 0 size 4000 300 } "
    "line { at 0 290 size 6000 0 } }\n"
    "  footer { at 500 9300 size 6000 300 string \"Page \" { at 0 0 size 2000 300 attr 0x1000 } }\n"
    "  detail { field 30 size 6000 250 display { field 31 at 0 0 size 3000 250 }\n"
    "    display { field 32 at 3200 0 size 2000 250 } box { at 5400 20 size 300 200 fill 0xC0C0C0 "
    "} }\n"
    "}\n";

const resfmt::Module& module() {
  static const resfmt::Module m = *resfmt::compileSource(kReport, "bench.dws").module;
  return m;
}

void layOut(int records, std::vector<std::string>& preview, report::Report& r,
            report::HeadlessReportDevice& device) {
  char task[32], due[16];
  r.setPreview(&preview);
  r.open(module().windows[0], device);
  r.use(31, ui::VarRef::cString(task));
  r.use(32, ui::VarRef::cString(due));
  for (int i = 0; i < records; ++i) {
    std::snprintf(task, sizeof task, "Back up the disk %05d", i);
    std::snprintf(due, sizeof due, "%02d/%02d/2026", i % 12 + 1, i % 28 + 1);
    r.print(30);
  }
  r.endPage();
}

void BM_LayOutTenThousandBandsToPageFiles(benchmark::State& state) {
  for (auto _ : state) {
    report::HeadlessReportDevice device;
    report::Report r;
    std::vector<std::string> preview;
    layOut(10000, preview, r, device);
    benchmark::DoNotOptimize(preview.size());
    r.close();  // deletes the files
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_LayOutTenThousandBandsToPageFiles)->Unit(benchmark::kMillisecond);

std::vector<std::uint8_t> onePage() {
  report::HeadlessReportDevice device;
  report::Report r;
  std::vector<std::string> preview;
  layOut(32, preview, r, device);
  auto bytes = *report::readWholeFile(preview.at(0));
  r.close();
  return bytes;
}

class NullCanvas : public report::Canvas {
 public:
  void setFont(const report::FontSpec&) override {}
  void setPen(const report::PenSpec&) override {}
  void setBrush(const report::BrushSpec&) override {}
  void setTextColour(report::Colour) override {}
  void drawText(std::int32_t, std::int32_t, std::string_view) override {}
  void drawLine(report::Point, report::Point) override {}
  void drawRectangle(const report::Box&) override {}
  void drawEllipse(const report::Box&) override {}
  void drawPolyline(const std::vector<report::Point>&) override {}
  void drawPolygon(const std::vector<report::Point>&) override {}
  void drawImage(const report::Box&, const report::Bitmap&) override {}
  void intersectClip(const report::Box&) override {}
  void save() override {}
  void restore() override {}
  void pageNumberField(std::int32_t, std::int32_t, std::string_view) override {}
};

void BM_PlayPageFileReaderOnly(benchmark::State& state) {
  const auto page = onePage();
  NullCanvas canvas;
  for (auto _ : state) {
    const auto r = report::playWmf(page, canvas, report::PlayPlacement::fit({0, 0, 2550, 3300}));
    benchmark::DoNotOptimize(r.played);
  }
}
BENCHMARK(BM_PlayPageFileReaderOnly);

void BM_PlayPageFileOnto300DpiPage(benchmark::State& state) {
  const auto page = onePage();
  QImage image(2550, 3300, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    ui::qt::QtPainterCanvas canvas(painter);
    const auto r = report::playWmf(page, canvas, report::PlayPlacement::fit({0, 0, 2550, 3300}));
    painter.end();
    benchmark::DoNotOptimize(r.played);
  }
}
BENCHMARK(BM_PlayPageFileOnto300DpiPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);  // fonts
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
