// The due-task check (see check_due_task.h), step by step.
#include "app/scheduler/check_due_task.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/data/app_files.h"
#include "app/data/schedule_ids.h"
#include "app/data/table_codes.h"
#include "app/routines/window_position.h"
#include "app/scheduler/message_window.h"
#include "app/scheduler/next_occurrence.h"
#include "app/scheduler/run_command.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/platform.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

namespace {

using ui::runtime;

// A task as it stood when it was claimed: the completed copy is made of it.
struct SavedTask {
  ScheduleRecord record{};
  std::string memo;
};

bool sameRecord(const ScheduleRecord& a, const ScheduleRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Reads the task again by its identifier, held and watched; true when it
// is ours and still the task that was found due.
bool claim(ScheduleFile& f, SavedTask& saved) {
  f->ID = saved.record.ID;
  f.hold(0);
  f.watch();
  if (f.get(sch_key::kKeyID) != 0) return false;
  if (!sameRecord(f.rec(), saved.record)) {
    f.release();
    return false;
  }
  saved.memo = f.memo(kMessageMemo);
  return true;
}

// Step 8: the question, if the task asks one; false when answered No.
bool wantsToRun(const ScheduleRecord& task) {
  const DueQuestion q = dueQuestion(task, lang::today());
  if (*q.caption == '\0') return true;
  const int answer = runtime().message(q.text, q.caption, ui::stockIconString(ui::stock::kQuestion),
                                       ui::button::kYes | ui::button::kNo, ui::button::kNo);
  return answer != ui::button::kNo;
}

// Step 10: the message and/or the program.
void perform(ScheduleFile& f) {
  const ScheduleRecord& task = f.rec();
  const bool both = task.TaskType == task_type::kBoth;
  if (both || task.TaskType == task_type::kDisplayMessage)
    showTaskMessage(f.memoText(kMessageMemo), kDispatchMessageLimit);
  if (both || task.TaskType == task_type::kRunProgram) {
    const std::string previous = enterStartDirectory(task.Path.trimmed());
    const std::string command(task.Command.trimmed());
    const std::uint16_t result = RunCommand(command);
    // Back in the old directory before the box gives the lock up: the other
    // windows open their files by relative name.
    leaveStartDirectory(previous);
    if (!startSucceeded(result))
      runtime().message(startFailureText(result), startFailureCaption(command), "",
                        ui::button::kOk);
  }
}

// Sums of stored numbers wrap as the 32-bit fields do: a damaged record
// gives a damaged warning, never undefined arithmetic.
std::int32_t wrapped(std::int64_t v) {
  return static_cast<std::int32_t>(v);
}

// Step 11: the advance warning as distances from the occurrence; whether
// the task has one.
bool warningToOffsets(ScheduleRecord& task) {
  bool shift = false;
  if (task.AdvanceWarnDate != 0) {
    task.AdvanceWarnDate = wrapped(std::int64_t{task.AdvanceWarnDate} - task.Date);
    shift = true;
  }
  if (task.AdvanceWarnTime != 0) {
    task.AdvanceWarnTime = wrapped(std::int64_t{task.AdvanceWarnTime} - task.Time);
    shift = true;
  }
  return shift;
}

// Step 13: the warning at the same distances from the new occurrence.
void offsetsToWarning(ScheduleRecord& task) {
  task.AdvanceWarnDate = wrapped(std::int64_t{task.AdvanceWarnDate} + task.Date);
  task.AdvanceWarnTime = wrapped(std::int64_t{task.AdvanceWarnTime} + task.Time);
}

// The completed copy's first candidate identifier: above every record and
// above the task itself, so that a deleted "Once" task's identifier (to
// which its script steps still point) is never handed to its copy.  Read
// after the write back: the lookup moves the declaration's position.
std::int32_t completedCopyId(ScheduleFile& f, std::int32_t taskId) {
  std::int32_t id = 1;
  if (nextScheduleId(f, id) != 0) id = 1;
  return taskId < INT32_MAX ? std::max(id, taskId + 1) : id;
}

// Step 14: the completed copy of the task as it was claimed, under an
// identifier no record has.
void addCompletedCopy(ScheduleFile& f, const SavedTask& saved, std::int32_t id) {
  f.rec() = saved.record;
  f.memo(kMessageMemo) = saved.memo;
  f->Completed = 1;
  f->Disabled = 1;
  f->ID = id;
  while (f->ID < INT32_MAX && f.duplicate(sch_key::kKeyID)) f->ID = f->ID + 1;
  // Another process may take the identifier between the test and the add.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (f.add() != lang::err::kDuplicateKey || f->ID == INT32_MAX) return;
    f->ID = f->ID + 1;
  }
}

}  // namespace

DueQuestion dueQuestion(const ScheduleRecord& task, std::int32_t today) {
  const std::string description(task.Description.trimmed());
  if (today > task.Date && task.Warn == 1 && !(task.TaskType == task_type::kDisplayMessage))
    return {kMissedTaskCaption, description + " was not run.  Run it now?"};
  if (task.UserSkip == 1)
    return {kConfirmTaskCaption, description + " is due to run.  Run it now?"};
  return {};
}

void CheckDueTask() {
  ScheduleFile& f = SCH1();
  if (!f.isOpen()) return;
  // 1. The enabled task that falls due first.
  if (f.set(sch_key::kKeyDateEnabled) != 0 || f.next() != 0 || f->Disabled == 1) return;
  // 3. The saved task.
  SavedTask saved{f.rec(), f.memo(kMessageMemo)};
  // 4. Due strictly after its moment.
  if (!isDue(f->Date, f->Time, lang::today(), lang::clockTime())) return;
  if (!claim(f, saved)) return;

  // 5-10. Unless the occurrence is skipped: alarm, question, last run, action.
  if (f->SkipNextTime != 1) {
    if (currentPlacement().minimized) runtime().setProperty(0, kIconizeProperty, "");
    if (f->Alarm == 1) platform::platform().playSound(f->AlarmFile.str());
    const bool run = wantsToRun(f.rec());
    f->LastRunDate = lang::today();
    f->LastRunTime = lang::clockTime();
    if (run) perform(f);
  }

  // 11-12. The next occurrence, the advance warning kept at its distance.
  const bool warningShift = warningToOffsets(f.rec());
  if (NextOccurrence(f.rec(), lang::today(), lang::clockTime()) == RecurrenceOutcome::InvalidUnits)
    runtime().message(kInvalidUnitsText, kInvalidUnitsCaption, "", ui::button::kOk);

  // 13. Write back, or delete a "Once" task.  Errors are not reported: a
  // task that could not be written stays due and comes back next tick.
  if (f->Completed == 1) {
    f.erase();
  } else {
    f->SkipNextTime = 0;
    if (warningShift) offsetsToWarning(f.rec());
    f->AdvanceWarned = 0;
    f.put();
  }
  // 14. The record of the occurrence.
  addCompletedCopy(f, saved, completedCopyId(f, saved.record.ID));
}

std::vector<NextTask> firstEnabledTasks(int count) {
  std::vector<NextTask> tasks;
  ScheduleFile& f = SCH1();
  if (!f.isOpen() || count <= 0) return tasks;
  lang::pushErrorState();
  f.noMemo();
  if (f.set(sch_key::kKeyDateEnabled) == 0)
    while (static_cast<int>(tasks.size()) < count && f.next() == 0 && f->Disabled != 1)
      tasks.push_back(NextTask{f->Description.str(), f->Date, f->Time});
  lang::popErrorState();
  return tasks;
}

std::optional<NextTask> firstEnabledTask() {
  std::vector<NextTask> first = firstEnabledTasks(1);
  if (first.empty()) return std::nullopt;
  return std::move(first.front());
}

}  // namespace dw::app
