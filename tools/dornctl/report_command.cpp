// dornctl report NAME --pdf FILE | --svg DIR: one of the program's five
// reports, laid out and paginated as the program does it (the same report
// run, on a PDF printer of the Qt backend, with no window shown), written
// as a PDF or as one SVG per page.  Progress goes to standard error when
// that is a terminal.
#include <unistd.h>

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "app/forms/reports/report_procedures.h"
#include "app/forms/reports/report_run.h"
#include "app/scheduler/data_paths.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/qt/qt_report_device.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/svg_canvas.h"
#include "runtime/ui/report/wmf_player.h"
#include "tools/dornctl/cli.h"

namespace dornctl {

namespace {

using dw::app::ReportKind;

// Qt's own warnings (about the session it runs in) are no concern of a
// report written from a script; only its fatal messages are shown.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "dornctl: %s\n", text.toLocal8Bit().constData());
}

// Nothing to print makes no page, and no file is written.
int noRecords(const dw::app::ReportInfo& info) {
  std::fprintf(stderr, "dornctl: %s: no records, nothing written\n", info.label);
  return kExitOk;
}

int reportUsage() {
  return usageError(
      "report: usage: report schedule-by-date|schedule-by-category|brief|categories|todo "
      "--pdf FILE | --svg DIR");
}

// One SVG per page file, page-001.svg, ...; false on a write error.
bool writeSvgPages(const std::vector<std::string>& pages, const std::string& dir) {
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const auto bytes = dw::report::readWholeFile(pages[i]);
    if (!bytes) return false;
    const auto check = dw::report::inspectWmf(*bytes);
    dw::report::Box frame{0, 0, 2550, 3300};
    if (check.status == dw::report::WmfStatus::Ok && check.info.frame) frame = *check.info.frame;
    dw::report::SvgCanvas canvas(frame);
    dw::report::playWmf(*bytes, canvas, dw::report::PlayPlacement::fit(frame));
    char name[32];
    std::snprintf(name, sizeof name, "page-%03zu.svg", i + 1);
    std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
    out << canvas.document();
    if (!out.flush()) return false;
  }
  return true;
}

}  // namespace

int runReport(Arguments args) {
  if (args.done()) return reportUsage();
  const std::string name = args.words[args.next++];
  const std::optional<ReportKind> kind = dw::app::reportNamed(name);
  if (!kind) return usageError("report: unknown report " + name);
  std::optional<std::string> pdf, svg;
  int error = kExitOk;
  while (!args.done()) {
    if (takeNamedValue(args, "--pdf", pdf, error) || takeNamedValue(args, "--svg", svg, error)) {
      if (error != kExitOk) return error;
      continue;
    }
    return usageError("report: unknown option " + args.words[args.next]);
  }
  if (pdf.has_value() == svg.has_value()) return reportUsage();
  // The output is named before the data directory is entered.
  std::error_code ec;
  const std::string target = std::filesystem::absolute(pdf ? *pdf : *svg, ec).string();
  if (svg && !std::filesystem::is_directory(target, ec) &&
      !std::filesystem::create_directories(target, ec)) {
    std::fprintf(stderr, "dornctl: cannot make directory %s\n", target.c_str());
    return kExitFile;
  }
  if (const int entered = enterDataDirectory(); entered != kExitOk) return entered;

  // Fonts are measured through Qt, on no screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietQt);
  int argc = 1;
  char arg0[] = "dornctl";
  char* argv[] = {arg0, nullptr};
  QGuiApplication app(argc, argv);

  const dw::app::ReportInfo& info = dw::app::reportInfo(*kind);
  dw::db::DeclaredFile& file = dw::app::reportFile(*kind);
  constexpr int kFileNotFound = 2;
  if (const int code = file.open(0x42); code != 0) {
    // A table never made holds no records, as dornctl reads it elsewhere.
    if (code == kFileNotFound) return noRecords(info);
    return fileError({info.label, code, dw::lang::errorText()});
  }
  dw::ui::qt::QtReportDevice::Options options;
  // Without --pdf the page files alone are wanted: the PDF printer only
  // measures and is never started.
  options.pdfFile = pdf ? target : target + "/.layout.pdf";
  options.ignoreSystemPrinters = true;
  dw::ui::qt::QtReportDevice device(options);
  dw::app::ReportRun run(*kind);
  if (!run.start(&device)) {
    file.close();
    return fileError({info.label, run.error(), dw::lang::errorText()});
  }
  const bool terminal = ::isatty(2) != 0;
  int shown = -1;
  dw::app::ReportTick tick;
  while (!tick.done) {
    tick = run.step(dw::app::kRecordsPerTick);
    if (terminal && tick.percent != shown) {
      shown = tick.percent;
      std::fprintf(stderr, "\rGenerating Report: %d%% Completed", shown);
    }
  }
  if (terminal) std::fputc('\n', stderr);
  if (run.error() != 0) {
    file.close();
    return fileError({info.label, run.error(), dw::lang::errorText()});
  }
  run.finish();
  if (run.pages().empty()) {
    run.close();
    file.close();
    return noRecords(info);
  }
  bool written = true;
  if (pdf)
    written = run.report().printPreview();
  else
    written = writeSvgPages(run.pages(), target);
  run.close();
  file.close();
  if (!written) {
    std::fprintf(stderr, "dornctl: cannot write %s\n", target.c_str());
    return kExitFile;
  }
  return kExitOk;
}

}  // namespace dornctl
