// The report procedures (see report_procedures.h).
#include "app/forms/reports/report_procedures.h"

#include <optional>

#include "app/data/app_files.h"
#include "app/forms/reports/report_preview.h"
#include "app/forms/reports/report_progress.h"
#include "app/routines/file_routines.h"
#include "runtime/ui/dialogs.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/report_devices.h"
#include "runtime/ui/report/wmf_player.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"

namespace dw::app {

namespace {

constexpr const char* kPrintToFileTitle = "Print To File...";
constexpr const char* kPdfFilter = "PDF Files|*.pdf|All files (*.*)|*.*";
constexpr const char* kNotPrintedText = "The report could not be printed.";
constexpr const char* kNotPrintedCaption = "Print";

void tellNotPrinted() {
  ui::runtime().message(kNotPrintedText, kNotPrintedCaption,
                        ui::stockIconString(ui::stock::kExclamation), ui::button::kOk);
}

// Print was chosen: the report's own printer, or, when there is none at
// all, a PDF file the user names.
void printReport(ReportRun& run) {
  report::Report& r = run.report();
  if (r.hasPrinter()) {
    if (!r.printPreview()) tellNotPrinted();
    return;
  }
  char file[256] = {};
  const ui::VarRef name = ui::VarRef::cString(file);
  if (ui::runtime().fileDialog(kPrintToFileTitle, name, kPdfFilter, ui::fileflag::kSave) != 1)
    return;
  report::DeviceRequest request;
  request.pdfFile = name.text();
  const auto device = report::makeReportDevice(request);
  if (!printPageFiles(*device, run.pages(), run.title())) tellNotPrinted();
}

// The orientation of the pages, from the first page file's bounds: the
// sheet they were laid out on.
std::optional<report::Orientation> pagesOrientation(const std::vector<std::string>& pages) {
  if (pages.empty()) return std::nullopt;
  const auto bytes = report::readWholeFile(pages.front());
  if (!bytes) return std::nullopt;
  const auto h = report::decodePlaceableHeader(*bytes);
  if (!h) return std::nullopt;
  return h->right - h->left > h->bottom - h->top ? report::Orientation::Landscape
                                                 : report::Orientation::Portrait;
}

}  // namespace

bool printPageFiles(report::ReportDevice& device, const std::vector<std::string>& pages,
                    std::string_view title) {
  if (device.selectDefaultPrinter() != report::PrinterStatus::Ready) return false;
  // A sheet of the pages' own shape: a landscape report on a portrait
  // sheet would print shrunk to the sheet's width.
  if (const auto orientation = pagesOrientation(pages)) device.setOrientation(*orientation);
  const report::PageGeometry g = device.geometry();
  const report::Box page{-g.offsetX, -g.offsetY, g.width + g.offsetX, g.height + g.offsetY};
  bool started = false;
  for (const std::string& name : pages) {
    const auto bytes = report::readWholeFile(name);
    if (!bytes) continue;
    if (!started) {
      if (!device.beginDocument(title)) return false;
      started = true;
    }
    report::Canvas& canvas = device.beginPage();
    report::playWmf(*bytes, canvas, report::PlayPlacement::fit(page));
    device.endPage();
  }
  if (started) device.endDocument();
  device.release();
  return started;
}

void runReportProcedure(ReportKind kind) {
  const ReportInfo& info = reportInfo(kind);
  FileUser user(reportFile(kind));
  ReportRun run(kind);
  if (!run.start()) {
    standardError(stdmsg::kViewOpenError, info.label);
    return;
  }
  bool failed = false;
  const ReportEnd end = runReportProgress(info.module, [&] {
    ReportTick tick = run.step(kRecordsPerTick);
    if (run.error() != 0 && !failed) {
      failed = true;
      standardError(stdmsg::kRecordRetrievalError, info.label);
    }
    return tick;
  });
  if (end == ReportEnd::Cancelled || failed) return;
  run.finish();
  if (ReportPreview(run.pages()) == kPreviewPrint) printReport(run);
  // ~ReportRun closes the report, deleting its page files.
}

void PrintSCH_KeyDate() {
  runReportProcedure(ReportKind::ScheduleByDate);
}
void PrintSCH_KeyCategory() {
  runReportProcedure(ReportKind::ScheduleByCategory);
}
void BriefReport() {
  runReportProcedure(ReportKind::Brief);
}
void PrintCAT_KeyCategory() {
  runReportProcedure(ReportKind::Categories);
}
void PrintTodoList() {
  runReportProcedure(ReportKind::ToDo);
}

}  // namespace dw::app
