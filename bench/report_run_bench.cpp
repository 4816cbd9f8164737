// The schedule by date of 10,000 tasks beside the same rows drawn straight
// onto QPdfWriter with QPainter, in one run, so that the ratio holds on a
// noisy machine:
//
//  - ByDateReportToPdf: the report's run (bands, page files) and its pages
//    printed from the page files into a PDF through our player;
//  - ByDateDirectToPdf: the same records in the same key order, the same
//    texts at the same places, drawn with QPainter onto a QPdfWriter page
//    by page (no bands, no page files);
//  - PreviewPageDraw / DirectPageTextDraw: one page of that report drawn
//    at screen resolution as the preview draws it (our player on a QImage)
//    against drawing that page's texts and lines directly.
//
// Goal: each pair within 2x.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <cstdlib>
#include <string>

#include "app/data/app_files.h"
#include "app/data/table_descs.h"
#include "app/forms/reports/report_run.h"
#include "app/forms/reports/report_texts.h"
#include "bench/schedule_workload.h"
#include "runtime/lang/picture.h"
#include "runtime/ui/qt/qt_report_device.h"
#include "runtime/ui/qt/qt_wmf_canvas.h"
#include "runtime/ui/report/page_file.h"

namespace {

using namespace dw;

constexpr int kTasks = 10000;
std::string g_dir;

// SM.BRK with the workload's 10,000 tasks, in a directory of its own.
void makeSchedule() {
  char pattern[] = "/tmp/dw-report-benchXXXXXX";
  g_dir = ::mkdtemp(pattern);
  if (::chdir(g_dir.c_str()) != 0) std::abort();
  app::ScheduleFile& sch = app::SCH();
  if (sch.create() != 0 || sch.open(0x42) != 0) std::abort();
  for (const bench::Task& t : bench::makeTasks(kTasks)) {
    sch.clear();
    bench::toRecord(t, sch.rec());
    sch.setMemoText(app::kMessageMemo, t.message);
    if (sch.add() != 0) std::abort();
  }
}

void BM_ByDateReportToPdf(benchmark::State& state) {
  for (auto _ : state) {
    ui::qt::QtReportDevice::Options options;
    options.pdfFile = g_dir + "/report.pdf";
    options.ignoreSystemPrinters = true;
    ui::qt::QtReportDevice device(options);
    app::ReportRun run(app::ReportKind::ScheduleByDate);
    if (!run.start(&device)) std::abort();
    while (!run.step(1000).done) {
    }
    run.finish();
    run.report().printPreview();
    state.counters["pages"] = static_cast<double>(run.pages().size());
    run.close();
  }
  state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_ByDateReportToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

// The by-date layout's places, in thousandths of an inch.
struct Column {
  int x, y;
};
constexpr int kDetailTop = 1150, kDetailHeight = 6600, kBand = 560, kLeft = 500;

void BM_ByDateDirectToPdf(benchmark::State& state) {
  app::ScheduleFile& sch = app::SCH();
  for (auto _ : state) {
    QPdfWriter pdf(QString::fromStdString(g_dir + "/direct.pdf"));
    pdf.setResolution(300);
    pdf.setPageSize(QPageSize(QPageSize::Letter));
    pdf.setPageOrientation(QPageLayout::Landscape);
    QPainter p(&pdf);
    QFont font("Arial");
    font.setPixelSize(33);  // 8 points at 300 dots per inch
    p.setFont(font);
    const auto dots = [](int thousandths) { return thousandths * 300 / 1000; };
    const auto text = [&](int x, int y, const std::string& s) {
      if (!s.empty())
        p.drawText(dots(kLeft + x), dots(y) + 27, QString::fromLatin1(s.data(), int(s.size())));
    };
    int page = 1, y = kDetailTop;
    const auto header = [&] {
      text(0, 400, "Schedule");
      const char* heads[] = {"Task Type", "Category", "Description",
                             "Command",   "Message",  "Schedule Type",
                             "Date",      "Time",     "Advance Warning"};
      const int xs[] = {0, 850, 1750, 3650, 5150, 6650, 7700, 8450, 9100};
      for (int i = 0; i < 9; ++i) text(xs[i], 850, heads[i]);
      p.drawLine(dots(kLeft), dots(1040), dots(kLeft + 10000), dots(1040));
    };
    const auto footer = [&] { text(4700, 7850, "Page " + std::to_string(page)); };
    header();
    sch.set(app::sch_key::kKeyDate);
    while (sch.next() == 0) {
      if (y + kBand > kDetailTop + kDetailHeight) {
        footer();
        pdf.newPage();
        ++page;
        y = kDetailTop;
        header();
      }
      const app::ScheduleRecord& t = sch.rec();
      const auto date = [](int d) { return d ? lang::format(d, "@d3") : std::string(); };
      const auto time = [](int d) { return d ? lang::format(d, "@t3") : std::string(); };
      text(0, y, t.TaskType.str());
      text(850, y, t.Category.str());
      text(1750, y, t.Description.str());
      text(3650, y, t.Command.str());
      text(5150, y, app::messageLine(sch.memoText(app::kMessageMemo)));
      text(6650, y, t.ScheduleType.str());
      text(7700, y, date(t.Date));
      text(8450, y, time(t.Time));
      text(9100, y, date(t.AdvanceWarnDate));
      text(1750, y + 160, "Last Run:");
      text(2350, y + 160, date(t.LastRunDate));
      text(3100, y + 160, time(t.LastRunTime));
      text(6650, y + 160, app::scheduleRuleText(t));
      text(9100, y + 160, time(t.AdvanceWarnTime));
      const struct {
        int x;
        bool set;
        const char* label;
      } marks[] = {{0, t.SkipNextTime != 0, "Skip Next Time"},
                   {1750, t.Alarm != 0, "Alarm"},
                   {3650, t.Warn != 0, "Warn if not run on specified date"},
                   {6150, t.UserSkip != 0, "Give option to skip before performing"},
                   {8900, t.Disabled != 0, "Disabled"}};
      for (const auto& m : marks) {
        p.drawRect(dots(kLeft + m.x), dots(y + 345), dots(110), dots(110));
        if (m.set) text(m.x + 20, y + 320, "X");
        text(m.x + 170, y + 320, m.label);
      }
      if (t.Alarm) text(2450, y + 320, t.AlarmFile.str());
      p.drawLine(dots(kLeft), dots(y + 520), dots(kLeft + 10000), dots(y + 520));
      y += kBand;
    }
    footer();
    p.end();
    state.counters["pages"] = page;
  }
  state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_ByDateDirectToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

// The first page of the by-date report, and what is drawn on it.
struct OnePage {
  std::vector<std::uint8_t> file;
  struct Text {
    int x, y, height;
    std::string text;
  };
  std::vector<Text> texts;
  std::vector<report::Box> lines;
};

class Collector : public report::Canvas {
 public:
  explicit Collector(OnePage& page) : m_page(page) {}
  void setFont(const report::FontSpec& f) override { m_height = f.height; }
  void setPen(const report::PenSpec&) override {}
  void setBrush(const report::BrushSpec&) override {}
  void setTextColour(report::Colour) override {}
  void drawText(std::int32_t x, std::int32_t y, std::string_view t) override {
    m_page.texts.push_back({x, y, m_height, std::string(t)});
  }
  void drawLine(report::Point a, report::Point b) override {
    m_page.lines.push_back({a.x, a.y, b.x, b.y});
  }
  void drawRectangle(const report::Box& b) override { m_page.lines.push_back(b); }
  void drawEllipse(const report::Box&) override {}
  void drawPolyline(const std::vector<report::Point>&) override {}
  void drawPolygon(const std::vector<report::Point>&) override {}
  void drawImage(const report::Box&, const report::Bitmap&) override {}
  void intersectClip(const report::Box&) override {}
  void save() override {}
  void restore() override {}
  void pageNumberField(std::int32_t x, std::int32_t y, std::string_view t) override {
    drawText(x, y, t);
  }

 private:
  OnePage& m_page;
  int m_height = 33;
};

const OnePage& onePage() {
  static const OnePage page = [] {
    OnePage out;
    ui::qt::QtReportDevice::Options options;
    options.pdfFile = g_dir + "/unused.pdf";
    options.ignoreSystemPrinters = true;
    ui::qt::QtReportDevice device(options);
    app::ReportRun run(app::ReportKind::ScheduleByDate);
    if (!run.start(&device)) std::abort();
    run.step(40);
    run.finish();
    out.file = *report::readWholeFile(run.pages().at(0));
    const auto check = report::inspectWmf(out.file);
    Collector collect(out);
    report::playWmf(out.file, collect, report::PlayPlacement::fit(*check.info.frame));
    return out;
  }();
  return page;
}

// Letter in landscape at 96 dots per inch, as the preview shows a page.
const QSize kScreenPage(1056, 816);

void BM_PreviewPageDraw(benchmark::State& state) {
  const OnePage& page = onePage();
  for (auto _ : state) benchmark::DoNotOptimize(ui::qt::renderPageFile(page.file, kScreenPage));
}
BENCHMARK(BM_PreviewPageDraw)->Unit(benchmark::kMillisecond);

void BM_DirectPageTextDraw(benchmark::State& state) {
  const OnePage& page = onePage();
  const auto frame = *report::inspectWmf(page.file).info.frame;
  for (auto _ : state) {
    QImage image(kScreenPage, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(double(kScreenPage.width()) / (frame.right - frame.left),
            double(kScreenPage.height()) / (frame.bottom - frame.top));
    p.translate(-frame.left, -frame.top);
    QFont font("Arial");
    for (const auto& t : page.texts) {
      font.setPixelSize(t.height);
      p.setFont(font);
      p.drawText(t.x, t.y + t.height * 4 / 5,
                 QString::fromLatin1(t.text.data(), int(t.text.size())));
    }
    for (const auto& l : page.lines) p.drawLine(l.left, l.top, l.right, l.bottom);
    p.end();
    benchmark::DoNotOptimize(image);
  }
}
BENCHMARK(BM_DirectPageTextDraw)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);  // fonts
  makeSchedule();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  app::SCH().close();
  std::system(("rm -rf '" + g_dir + "'").c_str());
  return 0;
}
