// The shared fields, rules and field events of the task form and the
// wizards (see update_schedule_fields.h).
#include "app/forms/schedule/update_schedule_fields.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "app/data/app_files.h"
#include "app/data/table_codes.h"
#include "app/forms/common/calendar.h"
#include "app/forms/schedule/next_occurrences_preview.h"
#include "app/forms/schedule/update_schedule_store.h"
#include "app/routines/settings.h"
#include "app/scheduler/task_validation.h"
#include "runtime/lang/dates.h"
#include "runtime/platform/platform.h"
#include "runtime/ui/events.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;

namespace {

constexpr int kWeekChecks = 5;
constexpr int kWeekdayChecks = 7;
// Room for a chosen file's full name before it is cut to the field.
constexpr std::size_t kChosenFileRoom = 1024;

template <std::size_t N>
ui::VarRef textRef(Text<N>& t) {
  return {ui::VarType::String, t.bytes, N};
}
template <std::size_t N>
ui::VarRef textRef(CText<N>& t) {
  return {ui::VarType::CString, t.bytes, N};
}
ui::VarRef longRef(Long& v) {
  return {ui::VarType::Long, v.bytes, 4};
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Runs the file dialog on a copy of `current`; the chosen file's full name,
// or "" when the user cancelled.  The current directory is kept.
std::string chooseFile(const char* title, const char* filter, std::string_view current) {
  platform::Platform& os = platform::platform();
  const std::string folder = os.currentDirectory();
  char chosen[kChosenFileRoom] = {};
  std::memcpy(chosen, current.data(), std::min(current.size(), sizeof chosen - 1));
  const int ok = runtime().fileDialog(title, ui::VarRef::cString(chosen), filter, 0);
  (void)os.setCurrentDirectory(folder);
  return ok == 1 ? std::string(chosen) : std::string();
}

}  // namespace

std::string folderOf(std::string_view chosen) {
  const auto at = chosen.find_last_of("\\/");
  return at == std::string_view::npos ? std::string() : std::string(chosen.substr(0, at));
}

std::string commandForChosenFile(std::string_view chosen) {
  const std::string name = upper(chosen);
  for (const char* program : {".EXE", ".COM", ".BAT"}) {
    if (name.find(program) != std::string::npos) return std::string(chosen);
  }
  const auto base = name.find_last_of("\\/");
  const std::string_view file =
      std::string_view(name).substr(base == std::string::npos ? 0 : base + 1);
  if (file.find('.') == std::string_view::npos) return std::string(chosen);
  return "START " + std::string(chosen);
}

ScheduleRecord blankTask() {
  const ScheduleRecord kept = SCH().rec();
  const std::string memo = SCH().memo(kMessageMemo);
  SCH().clear();
  const ScheduleRecord blank = SCH().rec();
  SCH().rec() = kept;
  SCH().memo(kMessageMemo) = memo;
  return blank;
}

void applyInsertDefaults(ScheduleRecord& task, std::int32_t day) {
  task.Date = day != 0 ? day : lang::today();
  task.Time = lang::clockTime();
  task.ScheduleType = schedule_type::kDayOfWeek;
  task.EveryLast = 1;
  for (Byte* d : {&task.Sunday, &task.Monday, &task.Tuesday, &task.Wednesday, &task.Thursday,
                  &task.Friday, &task.Saturday})
    *d = 1;
  task.Warn = 1;
  task.TaskType = task_type::kBoth;
  task.Every = 1;
  task.EveryType = every_type::kHours;
}

TaskEditor::TaskEditor(TaskStore& store, const TaskFieldMap& fields)
    : m_store(store), m_fields(fields) {}

void TaskEditor::bind() {
  ui::Runtime& rt = runtime();
  ScheduleRecord& t = m_store.task;
  const TaskFieldMap& f = m_fields;
  const auto use = [&](int field, ui::VarRef var) {
    if (field != 0) rt.use(field, var);
  };
  refreshCategories();
  use(f.taskType, textRef(t.TaskType));
  use(f.category, textRef(t.Category));
  use(f.description, textRef(t.Description));
  use(f.command, textRef(t.Command));
  use(f.path, textRef(t.Path));
  if (f.messageText != 0) {
    const std::size_t n = std::min(m_store.message.size(), kMessageMemoSize);
    std::memset(m_message, 0, sizeof m_message);  // bound again for another task
    std::memcpy(m_message, m_store.message.data(), n);
    rt.use(f.messageText, ui::VarRef::cString(m_message));
  }
  use(f.scheduleType, textRef(t.ScheduleType));
  if (f.every1st != 0) {
    Byte* weeks[kWeekChecks] = {&t.Every1st, &t.Every2nd, &t.Every3rd, &t.Every4th, &t.EveryLast};
    for (int i = 0; i < kWeekChecks; ++i) rt.use(f.every1st + i, ui::VarRef::of(*weeks[i]));
  }
  if (f.sunday != 0) {
    Byte* days[kWeekdayChecks] = {&t.Sunday,   &t.Monday, &t.Tuesday, &t.Wednesday,
                                  &t.Thursday, &t.Friday, &t.Saturday};
    for (int i = 0; i < kWeekdayChecks; ++i) rt.use(f.sunday + i, ui::VarRef::of(*days[i]));
  }
  use(f.every, longRef(t.Every));
  use(f.everyType, textRef(t.EveryType));
  use(f.date, longRef(t.Date));
  use(f.time, longRef(t.Time));
  use(f.lastRunDate, longRef(t.LastRunDate));
  use(f.lastRunTime, longRef(t.LastRunTime));
  use(f.skipNextTime, ui::VarRef::of(t.SkipNextTime));
  use(f.advanceWarnDate, longRef(t.AdvanceWarnDate));
  use(f.advanceWarnTime, longRef(t.AdvanceWarnTime));
  use(f.alarm, ui::VarRef::of(t.Alarm));
  use(f.alarmFile, textRef(t.AlarmFile));
  use(f.warn, ui::VarRef::of(t.Warn));
  use(f.userSkip, ui::VarRef::of(t.UserSkip));
  use(f.disabled, ui::VarRef::of(t.Disabled));
  applyTaskTypeRule();
  applyScheduleTypeRule();
  applyAlarmRule();
  refreshPreview();
}

void TaskEditor::takeMessage() {
  if (m_fields.messageText != 0) m_store.message = m_message;
}

void TaskEditor::show(int first, int last, bool on) {
  if (first == 0) return;
  if (on)
    runtime().unhide(first, last);
  else
    runtime().hide(first, last);
}

void TaskEditor::applyTaskTypeRule() {
  const std::string type = m_store.task.TaskType.str();
  const std::string head = type.substr(0, 4);
  bool command = true, message = true, time = true;
  if (type == task_type::kRunProgram) {
    message = false;
  } else if (type == task_type::kDisplayMessage) {
    command = false;
  } else if (head == task_type::kNone) {
    command = false;
    time = false;
  }
  const TaskFieldMap& f = m_fields;
  show(f.commandTab, 0, command);
  show(f.commandFirst, f.commandLast, command);
  show(f.messageTab, 0, message);
  show(f.messageText, 0, message);
  show(f.timePrompt, 0, time);
  show(f.time, 0, time);
}

void TaskEditor::applyScheduleTypeRule() {
  const TaskFieldMap& f = m_fields;
  show(f.every1st, f.every1st + kWeekChecks - 1, false);
  show(f.sunday, f.sunday + kWeekdayChecks - 1, false);
  show(f.everyPrompt, f.everyTypeLast, false);
  const ScheduleRecord& t = m_store.task;
  if (t.ScheduleType == schedule_type::kDayOfWeek) {
    show(f.sunday, f.sunday + kWeekdayChecks - 1, true);
  } else if (t.ScheduleType == schedule_type::kDayOfMonth) {
    show(f.every1st, f.every1st + kWeekChecks - 1, true);
    show(f.sunday, f.sunday + kWeekdayChecks - 1, true);
  } else if (t.ScheduleType == schedule_type::kOnce || t.ScheduleType == schedule_type::kYearly ||
             t.ScheduleType == schedule_type::kMonthly) {
    // nothing more to say than the date
  } else {
    show(f.everyPrompt, f.everyTypeLast, true);
  }
}

void TaskEditor::applyAlarmRule() {
  if (m_fields.alarmFirst == 0) return;
  if (m_store.task.Alarm != 0)
    runtime().enable(m_fields.alarmFirst, m_fields.alarmLast);
  else
    runtime().disable(m_fields.alarmFirst, m_fields.alarmLast);
}

void TaskEditor::refreshPreview() {
  showNextOccurrences(m_fields.preview, m_store.task);
}

void TaskEditor::dateAccepted() {
  ui::Runtime& rt = runtime();
  ScheduleRecord& t = m_store.task;
  if (t.Date != 0 && !dateSuitsSchedule(t)) rt.message(kDateMismatchText, kDateMismatchCaption);
  if (applyAdvanceWarningDefaults(t, readAdvanceWarningDefaults())) {
    if (m_fields.advanceWarnDate != 0) rt.display(m_fields.advanceWarnDate);
    if (m_fields.advanceWarnTime != 0) rt.display(m_fields.advanceWarnTime);
  }
}

void TaskEditor::warningAccepted() {
  ScheduleRecord& t = m_store.task;
  if (!warningAfterTask(t)) return;
  t.AdvanceWarnDate = 0;
  t.AdvanceWarnTime = 0;
  ui::Runtime& rt = runtime();
  if (m_fields.advanceWarnDate != 0) rt.display(m_fields.advanceWarnDate);
  if (m_fields.advanceWarnTime != 0) rt.display(m_fields.advanceWarnTime);
  rt.message(kWarningAfterTaskText);
}

namespace {

// The calendar disables days by the task in SCH's buffer: lend it the
// task as the form has it for as long as the calendar is open.
std::int32_t calendarFor(const ScheduleRecord& task, std::int32_t date, std::string_view mode) {
  const ScheduleRecord kept = SCH().rec();
  SCH().rec() = task;
  const std::int32_t chosen = Calendar(date, kSelectDateTitle, mode);
  SCH().rec() = kept;
  return chosen;
}

}  // namespace

void TaskEditor::pickDate() {
  ScheduleRecord& t = m_store.task;
  t.Date = calendarFor(t, t.Date, "");
  runtime().display(m_fields.date);
  dateAccepted();
}

void TaskEditor::pickWarningDate() {
  ScheduleRecord& t = m_store.task;
  t.AdvanceWarnDate = calendarFor(t, t.AdvanceWarnDate, kCalendarNoneMode);
  runtime().display(m_fields.advanceWarnDate);
  warningAccepted();
}

void TaskEditor::browseCommand() {
  ScheduleRecord& t = m_store.task;
  const std::string chosen = chooseFile(kProgramDialogTitle, kProgramDialogFilter, t.Command.str());
  if (chosen.empty()) return;
  if (t.Path.isBlank()) t.Path = folderOf(chosen);
  t.Command = commandForChosenFile(chosen);
  ui::Runtime& rt = runtime();
  if (m_fields.command != 0) rt.display(m_fields.command);
  if (m_fields.path != 0) rt.display(m_fields.path);
}

void TaskEditor::browseAlarm() {
  // Only the file is taken: a sound is played, never started, so it needs
  // neither a start-in folder nor "START ".
  ScheduleRecord& t = m_store.task;
  const std::string chosen = chooseFile(kAlarmDialogTitle, kAlarmDialogFilter, t.AlarmFile.str());
  if (chosen.empty()) return;
  t.AlarmFile = chosen;
  if (m_fields.alarmFile != 0) runtime().display(m_fields.alarmFile);
}

void TaskEditor::play() {
  ScheduleRecord& t = m_store.task;
  const std::string file = trimmed(t.AlarmFile.str());
  t.AlarmFile = file;
  ui::Runtime& rt = runtime();
  if (m_fields.alarmFile != 0) rt.display(m_fields.alarmFile);
  if (file.empty()) {
    rt.select(m_fields.browseAlarm);
    browseAlarm();
    return;
  }
  if (!platform::platform().playSound(file)) rt.select(m_fields.browseAlarm);
}

void TaskEditor::refreshCategories() {
  if (m_fields.category == 0) return;
  std::vector<std::string> names = categoryNames();
  const std::string current = m_store.task.Category.str();
  if (!current.empty() && std::find(names.begin(), names.end(), current) == names.end())
    names.insert(names.begin(), current);
  if (names == m_categories) return;
  m_categories = names;
  runtime().setRows(m_fields.category, std::move(names));
  runtime().display(m_fields.category);
}

bool TaskEditor::handle(int event, int field) {
  // Categories added in another window meanwhile: shown when the window
  // or its drop list is entered again.
  if (event == ev::kGainFocus || (field != 0 && field == m_fields.category &&
                                  (event == ev::kSelected || event == ev::kDroppingDown)))
    refreshCategories();
  if (field == 0 || (event != ev::kAccepted && event != ev::kNewSelection)) return false;
  const TaskFieldMap& f = m_fields;
  bool handled = true;
  if (field == f.taskType) {
    applyTaskTypeRule();
  } else if (field == f.scheduleType) {
    applyScheduleTypeRule();
  } else if (field == f.alarm) {
    applyAlarmRule();
  } else if (field == f.date) {
    if (event == ev::kAccepted) dateAccepted();
  } else if (field == f.advanceWarnDate || field == f.advanceWarnTime) {
    if (event == ev::kAccepted) warningAccepted();
  } else if (field == f.pickDate) {
    pickDate();
  } else if (field == f.pickWarnDate) {
    pickWarningDate();
  } else if (field == f.browseCommand) {
    browseCommand();
  } else if (field == f.browseAlarm) {
    browseAlarm();
  } else if (field == f.play) {
    play();
  } else if (field == f.messageText) {
    takeMessage();
  } else {
    handled = false;
  }
  refreshPreview();
  return handled;
}

}  // namespace dw::app
