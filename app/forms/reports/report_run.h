// One run of a report: the report's layout opened on a device, its file
// read in the report's key order a few records at a time, one detail band
// printed per record, and the pages collected as page files.  The five
// report procedures (report_procedures.h) drive a run from the timer ticks
// of their progress window; `dornctl report` drives it in a loop.
//
// A step does not rely on the file's position: between two steps the
// thread gives the Runtime lock up and another window may move the shared
// declaration (SCH is every window's).  Each step starts again after the
// last record read, by its key value and record number.
//
// The file must be open (the caller opens it: the procedures through the
// open routine, dornctl without creating anything).  Errors are returned,
// not shown: the caller reports 36 (the ordered read cannot start) and 35
// (a record cannot be read) as it reports things.
//
// Thread-safety: the thread that runs the report, holding the Runtime lock
// (the declarations' buffers are process-wide).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data/records.h"
#include "runtime/db/declared_file.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/window_resource.h"

namespace dw::app {

enum class ReportKind {
  ScheduleByDate,      // PrintSCH:KeyDate
  ScheduleByCategory,  // PrintSCH:KeyCategory
  Brief,               // BriefReport
  Categories,          // PrintCAT:KeyCategory
  ToDo,                // PrintTodoList
};

inline constexpr ReportKind kAllReports[] = {ReportKind::ScheduleByDate,
                                             ReportKind::ScheduleByCategory, ReportKind::Brief,
                                             ReportKind::Categories, ReportKind::ToDo};

// The records a report reads and prints at each timer tick.
inline constexpr int kRecordsPerTick = 25;

struct ReportInfo {
  ReportKind kind;
  const char* command;  // dornctl's name: "schedule-by-date", ...
  const char* module;   // the module key of its layout and progress window
  const char* label;    // the file's label in messages ("Schedule", ...)
};
const ReportInfo& reportInfo(ReportKind kind);
std::optional<ReportKind> reportNamed(std::string_view command);

// The declaration a report reads.
db::DeclaredFile& reportFile(ReportKind kind);

struct ReportTick {
  bool done = false;
  int percent = 0;  // 0 to 100
};

class ReportRun {
 public:
  explicit ReportRun(ReportKind kind);
  ~ReportRun();  // closes the report: its page files are deleted
  ReportRun(const ReportRun&) = delete;
  ReportRun& operator=(const ReportRun&) = delete;

  // Opens the report with its pages going to page files, on `device` (the
  // process's printer when null), counts the records and sets the order.
  // False when the ordered read cannot start (error() tells the code).
  bool start(report::ReportDevice* device = nullptr);
  // Reads and prints up to `count` records.
  ReportTick step(int count);
  // The last page ended (after the last step).
  void finish();
  // Closes the report; the page files are gone afterwards.
  void close();

  report::Report& report() { return m_report; }
  const std::vector<std::string>& pages() const { return m_pages; }
  std::int64_t printed() const { return m_read; }
  // An error reading the file (not its end), 0 for none.
  int error() const { return m_error; }
  ReportKind kind() const { return m_kind; }
  // The report's title (the print document's name).
  std::string title() const { return m_layout ? m_layout.record->title : std::string(); }

 private:
  void bind();
  void fill();
  bool readNext();

  ReportKind m_kind;
  db::DeclaredFile& m_file;
  int m_key = 0;
  ui::WindowResource m_layout;
  std::unique_ptr<report::ReportDevice> m_ownDevice;
  report::Report m_report;
  std::vector<std::string> m_pages;
  int m_detail = 0;
  // Texts computed per record for the layout's displays.
  char m_message[81] = {};
  char m_rule[61] = {};
  char m_alarmFile[81] = {};
  char m_marks[6][1] = {};
  // Where the next step starts: the last record read (its key value) and
  // its record number; 0 before the first.
  std::vector<std::uint8_t> m_last;
  std::uint32_t m_lastPointer = 0;
  std::int64_t m_total = 0;
  std::int64_t m_read = 0;
  bool m_atEnd = false;
  bool m_started = false;
  int m_error = 0;
};

}  // namespace dw::app
