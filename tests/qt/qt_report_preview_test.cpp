// A landscape and a portrait report made on the Qt report device with no
// printer installed, as on a desktop without one: the page files keep the
// layout's shape with every text on the sheet and the page number at its
// foot, the sheet they print on takes that shape, and the print preview
// shows them in it, with every caption and mode label fitting its control.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>

#include <atomic>
#include <cstdio>
#include <functional>

#include "app/data/app_files.h"
#include "app/forms/reports/report_preview.h"
#include "app/forms/reports/report_procedures.h"
#include "app/forms/reports/report_run.h"
#include "app/routines/file_routines.h"
#include "fields/dorn_sf.h"
#include "runtime/lang/dates.h"
#include "runtime/platform/test_platform.h"
#include "runtime/ui/qt/qt_report_device.h"
#include "runtime/ui/report/page_file.h"
#include "tests/qt/qt_fixture.h"
#include "tests/report/recording_canvas.h"

namespace dw::ui::qt {
namespace {

namespace sf = app::dorn_sf;
using QtReportPreviewTest = QtBackendTest;

struct PageCheck {
  bool landscape = false;
  std::string outside;  // texts whose origin is off the sheet
  bool footerLow = false;
};

// Reads a page file as a sheet of its own bounds: its shape, the texts
// drawn off it, and whether "Page n" stands in the sheet's lowest fifth.
PageCheck checkPage(const std::string& file) {
  PageCheck out;
  const auto bytes = report::readWholeFile(file);
  if (!bytes) return out;
  const auto header = report::decodePlaceableHeader(*bytes);
  if (!header) return out;
  const int w = header->right - header->left, h = header->bottom - header->top;
  out.landscape = w > h;
  report::RecordingCanvas canvas;
  report::playWmf(*bytes, canvas, report::PlayPlacement::fit({0, 0, w, h}));
  for (const std::string& call : canvas.calls) {
    int x = 0, y = 0;
    char text[128] = {};
    if (std::sscanf(call.c_str(), "text %d,%d %127[^\n]", &x, &y, text) != 3) continue;
    if (x < 0 || y < 0 || x >= w || y >= h) out.outside += std::string(text) + "; ";
    if (std::string(text).rfind("Page ", 0) == 0 && y > h * 4 / 5) out.footerLow = true;
  }
  return out;
}

// The width and height of the first page of a PDF file, in points.
QSizeF pdfPageSize(const std::string& file) {
  QFile f(QString::fromStdString(file));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const auto m = QRegularExpression(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])")
                     .match(QString::fromLatin1(f.readAll()));
  return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// The controls `first` to `last` whose text does not fit them (a label's whole
// text, a button's caption with room for its frame) or that reach past
// their window's edge, with their sizes; "" when all fit.
std::string notFitting(const std::function<QWidget*(int)>& widget, int first, int last) {
  std::string out;
  for (int field = first; field <= last; ++field) {
    QWidget* w = widget(field);
    if (!w) continue;
    const QFontMetrics fm(w->font());
    QString text;
    int room = 0;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      text = label->text();
      room = label->contentsRect().width();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      text = button->text().remove('&');
      room = button->width() - 4;
    }
    const int need = fm.horizontalAdvance(text);
    if (need > room || w->geometry().right() >= w->parentWidget()->width())
      out += text.toStdString() + " " + std::to_string(need) + "/" + std::to_string(room) + " at " +
             std::to_string(w->x()) + "; ";
  }
  return out;
}

TEST_F(QtReportPreviewTest, PagesKeepTheLayoutsShapeOnScreenAndOnPaper) {
  platform::TestPlatform platform;
  platform::ScopedPlatform scope(platform);
  platform.setProfileDirectory(m_dataDir.path());
  platform.setNow({2026, 3, 2, 9, 30, 0, 0, 1});
  const std::string pdf = m_dataDir.file("printed.pdf");
  const struct {
    app::ReportKind kind;
    bool landscape;
  } cases[] = {{app::ReportKind::ScheduleByDate, true}, {app::ReportKind::Brief, false}};
  std::atomic<int> previewing{-1};
  std::atomic<bool> done{false};
  PageCheck checks[2];
  QSizeF printed[2];
  runtime().runProgram([&] {
    app::FileUser user(app::SCH());
    for (int id = 1; id <= 40; ++id) {
      app::SCH().clear();
      app::SCH()->ID = id;
      app::SCH()->TaskType = "Message";
      app::SCH()->ScheduleType = "Once";
      app::SCH()->Description = "Task " + std::to_string(100 + id);
      app::SCH()->Date = lang::today() + id;
      EXPECT_EQ(app::SCH().add(), 0);
    }
    for (int i = 0; i < 2; ++i) {
      QtReportDevice device({"", true, "", ""});  // no printer installed
      app::ReportRun run(cases[i].kind);
      if (!run.start(&device)) break;
      while (!run.step(app::kRecordsPerTick).done) {
      }
      run.finish();
      if (run.pages().empty()) break;
      checks[i] = checkPage(run.pages().front());
      QtReportDevice paper({pdf, true, "", ""});
      if (app::printPageFiles(paper, run.pages(), run.title())) printed[i] = pdfPageSize(pdf);
      previewing = i;
      app::ReportPreview(run.pages());
    }
    done = true;
  });

  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(app::reportInfo(cases[i].kind).command);
    ASSERT_TRUE(pumpUntil([&] { return previewing == i || done; }));
    ASSERT_FALSE(done);
    EXPECT_EQ(checks[i].landscape, cases[i].landscape);
    EXPECT_EQ(checks[i].outside, "");
    EXPECT_TRUE(checks[i].footerLow);
    ASSERT_TRUE(printed[i].isValid());
    EXPECT_EQ(printed[i].width() > printed[i].height(), cases[i].landscape) << printed[i].width();

    // The preview window of this report: its mode label reads "Single Page".
    std::uint32_t id = 0;
    ASSERT_TRUE(pumpUntil([&] {
      for (std::uint32_t w = 1; w < 32 && !id; ++w)
        if (auto* l = qobject_cast<QLabel*>(backend->controlWidget(w, sf::kModeLabel));
            l && l->text() == "Single Page")
          id = w;
      return id != 0 && idle();
    }));
    const auto widget = [&](int field) { return backend->controlWidget(id, field); };
    const auto shape = [&](int field) {
      auto* page = qobject_cast<QLabel*>(widget(field));
      return page && !page->pixmap().isNull() &&
             (page->width() > page->height()) == cases[i].landscape &&
             (page->pixmap().width() > page->pixmap().height()) == cases[i].landscape;
    };
    const auto allFit = [&] { return notFitting(widget, sf::kCancel, sf::kModeLabel); };
    EXPECT_TRUE(shape(sf::kLeftPage));
    EXPECT_EQ(allFit(), "");
    const auto press = [&](int field, const QString& label) {
      qobject_cast<QAbstractButton*>(widget(field))->click();
      return pumpUntil(
          [&] { return qobject_cast<QLabel*>(widget(sf::kModeLabel))->text() == label && idle(); });
    };
    if (cases[i].landscape) {  // three pages or more
      ASSERT_TRUE(press(sf::kFacing, "Facing Pages"));
      EXPECT_TRUE(shape(sf::kRightPage));
      EXPECT_EQ(allFit(), "");
      ASSERT_TRUE(press(sf::kZoom, "ZOOM"));
      EXPECT_TRUE(shape(sf::kZoomPage));
      EXPECT_EQ(allFit(), "");
    }
    qobject_cast<QAbstractButton*>(widget(sf::kCancel))->click();
  }
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

}  // namespace
}  // namespace dw::ui::qt
