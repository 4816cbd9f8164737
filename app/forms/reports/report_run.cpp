// A run of a report (see report_run.h).
#include "app/forms/reports/report_run.h"

#include <algorithm>
#include <cstring>

#include "app/data/app_files.h"
#include "app/data/table_descs.h"
#include "app/forms/reports/report_texts.h"
#include "app/routines/file_routines.h"
#include "fields/dorn012.h"
#include "fields/dorn013.h"
#include "fields/dorn014.h"
#include "fields/dorn022.h"
#include "fields/dorn023.h"
#include "runtime/ui/dialogs.h"
#include "runtime/ui/report/report_devices.h"

namespace dw::app {

namespace {

constexpr const char* kReportLabel = "REPORT";
// The end of the file, as the driver posts it.
constexpr int kEndOfFile = 33;

const ReportInfo kInfos[] = {
    {ReportKind::ScheduleByDate, "schedule-by-date", "DORN.vls$dorn012", "Schedule"},
    {ReportKind::ScheduleByCategory, "schedule-by-category", "DORN.vls$dorn013", "Schedule"},
    {ReportKind::Brief, "brief", "DORN.vls$dorn014", "Schedule"},
    {ReportKind::Categories, "categories", "DORN.vls$dorn022", "Categories"},
    {ReportKind::ToDo, "todo", "DORN.vls$dorn023", "Todo"},
};

// The displays of the full schedule layout (by date, and by category with
// its group), the same names in both modules.
struct ScheduleFields {
  int taskType, category, description, command, message, scheduleType, date, time, warnDate,
      lastRunDate, lastRunTime, rule, warnTime, skip, alarm, alarmFile, warn, ask, disabled;
};
#define DW_SCHEDULE_FIELDS(ns)                                                                     \
  ScheduleFields {                                                                                 \
    ns::kTaskType, ns::kCategory, ns::kDescription, ns::kCommand, ns::kMessage, ns::kScheduleType, \
        ns::kDate, ns::kTime, ns::kWarnDate, ns::kLastRunDate, ns::kLastRunTime, ns::kRule,        \
        ns::kWarnTime, ns::kSkipMark, ns::kAlarmMark, ns::kAlarmFile, ns::kWarnMark, ns::kAskMark, \
        ns::kDisabledMark                                                                          \
  }
const ScheduleFields kByDate = DW_SCHEDULE_FIELDS(dorn012);
const ScheduleFields kByCategory = DW_SCHEDULE_FIELDS(dorn013);
#undef DW_SCHEDULE_FIELDS

template <std::size_t N>
ui::VarRef text(Text<N>& t) {
  return ui::VarRef(ui::VarType::String, t.bytes, N);
}
ui::VarRef number(Long& n) {
  return ui::VarRef(ui::VarType::Long, n.bytes, 4);
}
template <std::size_t N>
ui::VarRef cstring(char (&buffer)[N]) {
  return ui::VarRef::cString(buffer);
}
template <std::size_t N>
void put(char (&buffer)[N], std::string_view value) {
  const std::size_t n = std::min(value.size(), N - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = 0;
}
void mark(char (&buffer)[1], bool set) {
  buffer[0] = set ? 'X' : ' ';
}
ui::VarRef markRef(char (&buffer)[1]) {
  return ui::VarRef(ui::VarType::String, buffer, 1);
}

}  // namespace

const ReportInfo& reportInfo(ReportKind kind) {
  return kInfos[static_cast<int>(kind)];
}

std::optional<ReportKind> reportNamed(std::string_view command) {
  for (const ReportInfo& info : kInfos)
    if (command == info.command) return info.kind;
  return std::nullopt;
}

db::DeclaredFile& reportFile(ReportKind kind) {
  switch (kind) {
    case ReportKind::Categories:
      return CAT();
    case ReportKind::ToDo:
      return TDO();
    default:
      return SCH();
  }
}

ReportRun::ReportRun(ReportKind kind) : m_kind(kind), m_file(reportFile(kind)) {
  switch (kind) {
    case ReportKind::ScheduleByCategory:
      m_key = sch_key::kKeyCategory;
      m_detail = dorn013::kDetail;
      break;
    case ReportKind::Categories:
      m_key = cat_key::kKeyCategory;
      m_detail = dorn022::kDetail;
      break;
    case ReportKind::ToDo:
      m_key = tdo_key::kKeyDone;
      m_detail = dorn023::kDetail;
      break;
    case ReportKind::Brief:
      m_key = sch_key::kKeyDate;
      m_detail = dorn014::kDetail;
      break;
    case ReportKind::ScheduleByDate:
      m_key = sch_key::kKeyDate;
      m_detail = dorn012::kDetail;
      break;
  }
}

ReportRun::~ReportRun() {
  close();
}

bool ReportRun::start(report::ReportDevice* device) {
  m_layout = ui::requireWindow(reportInfo(m_kind).module, kReportLabel);
  if (!device) {
    m_ownDevice = report::makeReportDevice(report::deviceRequestFor(ui::printerSettings(), ""));
    device = m_ownDevice.get();
  }
  m_report.setPreview(&m_pages);
  m_report.open(*m_layout.record, *device);
  bind();
  m_total = std::max<std::int64_t>(0, m_file.records());
  // The driver does not know the option and says so; the scan does not
  // depend on it.
  (void)m_file.send("QUICKSCAN=on");
  m_error = m_file.set(static_cast<std::size_t>(m_key));
  m_started = m_error == 0;
  m_atEnd = !m_started;
  return m_started;
}

void ReportRun::bind() {
  report::Report& r = m_report;
  if (m_kind == ReportKind::ScheduleByDate || m_kind == ReportKind::ScheduleByCategory) {
    const ScheduleFields& f = m_kind == ReportKind::ScheduleByDate ? kByDate : kByCategory;
    ScheduleRecord& t = SCH().rec();
    r.use(f.taskType, text(t.TaskType));
    r.use(f.category, text(t.Category));
    r.use(f.description, text(t.Description));
    r.use(f.command, text(t.Command));
    r.use(f.message, cstring(m_message));
    r.use(f.scheduleType, text(t.ScheduleType));
    r.use(f.date, number(t.Date));
    r.use(f.time, number(t.Time));
    r.use(f.warnDate, number(t.AdvanceWarnDate));
    r.use(f.lastRunDate, number(t.LastRunDate));
    r.use(f.lastRunTime, number(t.LastRunTime));
    r.use(f.rule, cstring(m_rule));
    r.use(f.warnTime, number(t.AdvanceWarnTime));
    r.use(f.alarmFile, cstring(m_alarmFile));
    const int marks[] = {f.skip, f.alarm, f.warn, f.ask, f.disabled};
    for (int i = 0; i < 5; ++i) r.use(marks[i], markRef(m_marks[i]));
    if (m_kind == ReportKind::ScheduleByCategory) {
      r.use(dorn013::kCategoryBreak, text(t.Category));
      r.use(dorn013::kGroupCategory, text(t.Category));
    }
  } else if (m_kind == ReportKind::Brief) {
    ScheduleRecord& t = SCH().rec();
    r.use(dorn014::kCategory, text(t.Category));
    r.use(dorn014::kDescription, text(t.Description));
    r.use(dorn014::kDate, number(t.Date));
    r.use(dorn014::kTime, number(t.Time));
  } else if (m_kind == ReportKind::Categories) {
    r.use(dorn022::kCategory, text(CAT().rec().Category));
  } else {
    ToDoRecord& t = TDO().rec();
    r.use(dorn023::kDoneMark, markRef(m_marks[5]));
    r.use(dorn023::kPriority, ui::VarRef::of(t.Priority));
    r.use(dorn023::kToDo, text(t.ToDo));
  }
}

void ReportRun::fill() {
  if (m_kind == ReportKind::ScheduleByDate || m_kind == ReportKind::ScheduleByCategory) {
    ScheduleFile& sch = SCH();
    const ScheduleRecord& t = sch.rec();
    put(m_message, messageLine(sch.memoText(kMessageMemo)));
    put(m_rule, scheduleRuleText(t));
    put(m_alarmFile, t.Alarm ? t.AlarmFile.str() : std::string());
    mark(m_marks[0], t.SkipNextTime != 0);
    mark(m_marks[1], t.Alarm != 0);
    mark(m_marks[2], t.Warn != 0);
    mark(m_marks[3], t.UserSkip != 0);
    mark(m_marks[4], t.Disabled != 0);
  } else if (m_kind == ReportKind::ToDo) {
    mark(m_marks[5], TDO().rec().Done != 0);
  }
}

bool ReportRun::readNext() {
  const auto key = static_cast<std::size_t>(m_key);
  if (m_lastPointer != 0) {
    // Back to where the last step ended, whatever moved the file since.
    std::memcpy(m_file.buffer(), m_last.data(), m_last.size());
    m_error = m_file.setByValueAndRecord(key, m_lastPointer);
    if (m_error == 0) {
      m_error = m_file.next();
      if (m_error == 0 && m_file.pointer() == m_lastPointer) m_error = m_file.next();
    }
  } else {
    m_error = m_file.next();
  }
  if (m_error != 0) {
    if (m_error == kEndOfFile) m_error = 0;
    m_atEnd = true;
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(m_file.buffer());
  m_last.assign(bytes, bytes + m_file.recordLength());
  m_lastPointer = m_file.pointer();
  return true;
}

ReportTick ReportRun::step(int count) {
  for (int i = 0; i < count && !m_atEnd; ++i) {
    if (!readNext()) break;
    fill();
    m_report.print(m_detail);
    ++m_read;
  }
  ReportTick tick;
  tick.done = m_atEnd;
  tick.percent = m_total > 0 ? static_cast<int>(std::min<std::int64_t>(100, m_read * 100 / m_total))
                             : (m_atEnd ? 100 : 0);
  return tick;
}

void ReportRun::finish() {
  if (m_started) (void)m_file.send("QUICKSCAN=off");
  if (m_report.isOpen()) m_report.endPage();
}

void ReportRun::close() {
  if (m_report.isOpen()) m_report.close();
  m_ownDevice.reset();
}

}  // namespace dw::app
