// The due-task check (see check_due_task.h), step by step.
#include "app/scheduler/check_due_task.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "app/data/app_files.h"
#include "app/data/schedule_ids.h"
#include "app/data/script_steps.h"
#include "app/data/table_codes.h"
#include "app/routines/file_routines.h"
#include "app/routines/tag_routines.h"
#include "app/routines/window_position.h"
#include "app/scheduler/message_window.h"
#include "app/scheduler/next_occurrence.h"
#include "app/scheduler/pending_messages.h"
#include "app/scheduler/run_command.h"
#include "runtime/db/declared_file.h"
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
bool holdTask(ScheduleFile& f, SavedTask& saved) {
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

// Step 8: the question, if the task asks one; true only for Yes.  A box
// dismissed with Escape or its close box answers nothing and counts as No.
bool wantsToRun(const ScheduleRecord& task) {
  const DueQuestion q = dueQuestion(task, lang::today());
  if (*q.caption == '\0') return true;
  const int answer = runtime().message(q.text, q.caption, ui::stockIconString(ui::stock::kQuestion),
                                       ui::button::kYes | ui::button::kNo, ui::button::kNo);
  return answer == ui::button::kYes;
}

bool showsMessage(const ScheduleRecord& task) {
  return task.TaskType == task_type::kBoth || task.TaskType == task_type::kDisplayMessage;
}

// Step 10: the message and/or the program of the task as it was claimed;
// the message under its pending entry (0 when it could not be kept).
void perform(const ScheduleRecord& task, const std::string& message, std::uint32_t pendingId) {
  const bool both = task.TaskType == task_type::kBoth;
  if (showsMessage(task)) showTaskMessage(message, kDispatchMessageLimit, pendingId);
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
// identifier no record has: 0 or the error of the add.
int addCompletedCopy(ScheduleFile& f, const SavedTask& saved, std::int32_t id) {
  f.rec() = saved.record;
  f.memo(kMessageMemo) = saved.memo;
  f->Completed = 1;
  f->Disabled = 1;
  f->ID = id;
  while (f->ID < INT32_MAX && f.duplicate(sch_key::kKeyID)) f->ID = f->ID + 1;
  // Another process may take the identifier between the test and the add.
  for (int attempt = 0;; ++attempt) {
    const int rc = f.add();
    if (rc != lang::err::kDuplicateKey || f->ID == INT32_MAX || attempt == 1000) return rc;
    f->ID = f->ID + 1;
  }
}

// An occurrence claimed: the task as it was found due (its completed copy
// is made of it) and as it moves on; `deleted` for a "Once" task.
struct Claim {
  SavedTask saved;
  ScheduleRecord moved{};
  bool deleted = false;
};

// A claim whose write failed (a full disk, a file that cannot be written):
// its occurrence has been handled and must not run again, so it is kept
// here and written again at the following ticks before anything else.
// `told`: the user has been told that the schedule cannot be saved.
struct PendingClaim {
  std::optional<Claim> claim;
  bool told = false;
};

PendingClaim& pending() {
  static PendingClaim p;
  return p;
}

// Steps 13 and 14 in one transaction over Schedule and Scripting: the task
// written back moved on (or a "Once" task deleted with its script steps)
// and its completed copy added; all or nothing.  The task is read again
// inside the transaction: when another window changed or removed it since
// it was claimed (only possible after a failed write let the hold go), that
// change stands and only the completed copy is added.  0 or the error.
int writeClaim(ScheduleFile& f, const Claim& c) {
  // Scripting only for a deletion, opened here when no window holds it; a
  // file without the table has no steps.  Nothing is created: this must
  // not fail for want of room before the occurrence is handled.
  struct Steps {
    bool opened = false;
    ~Steps() {
      if (opened) SCR().close();
    }
  } steps;
  if (c.deleted && !SCR().isOpen()) {
    const int rc = SCR().open(kSharedAccess);
    if (rc != 0 && rc != lang::err::kFileNotFound) return rc;
    steps.opened = rc == 0;
  }
  const bool withSteps = c.deleted && SCR().isOpen();
  if (int rc = withSteps ? db::logout(kTransactionWait, {&f, &SCR()})
                         : db::logout(kTransactionWait, {&f}))
    return rc;
  const auto fail = [](int rc) {
    lang::pushErrorState();
    db::rollback();
    lang::popErrorState();
    return rc;
  };
  const std::int32_t id = c.saved.record.ID;
  f->ID = id;
  int rc = f.get(sch_key::kKeyID);
  std::uint32_t erased = 0;  // the record number of a deleted "Once" task
  if (rc == 0 && sameRecord(f.rec(), c.saved.record)) {
    if (c.deleted) {
      erased = f.pointer();
      if (!withSteps || (rc = deleteScriptSteps(id)) == 0) rc = f.erase();
    } else {
      f.rec() = c.moved;
      rc = f.put();
    }
    if (rc != 0) return fail(rc);
  } else if (rc != 0 && rc != lang::err::kRecordNotFound) {
    return fail(rc);
  }
  if ((rc = addCompletedCopy(f, c.saved, completedCopyId(f, id))) != 0) return fail(rc);
  if ((rc = db::commit()) != 0) return fail(rc);
  // A deleted task's tag goes, so that it never marks the record that
  // later takes its number.
  if (erased != 0) forgetScheduleTag(erased);
  return 0;
}

// Another process holding the file for a moment is no news for the user.
bool worthTelling(int rc) {
  return rc != lang::err::kFileLocked;
}

// Writes the claim; when that fails, keeps it to be written later and
// tells the user once why the schedule cannot be saved.
void recordClaim(ScheduleFile& f, Claim claim) {
  const int rc = writeClaim(f, claim);
  if (rc == 0) return;
  pending().claim = std::move(claim);
  if (pending().told || !worthTelling(rc)) return;
  pending().told = true;
  standardError(stdmsg::kProcessError, {}, kScheduleLabel, {}, kPutOperation);
}

// A kept claim written again: true when none is left.
bool settlePending(ScheduleFile& f) {
  if (!pending().claim) return true;
  if (writeClaim(f, *pending().claim) != 0) return false;
  pending() = {};
  return true;
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
  // An occurrence handled but not yet written is written first; until it
  // is, no task is performed (it would be performed again).
  if (!settlePending(f)) return;
  // 1. The enabled task that falls due first.
  if (f.set(sch_key::kKeyDateEnabled) != 0 || f.next() != 0 || f->Disabled == 1) return;
  // 3. The saved task.
  Claim claim;
  claim.saved = SavedTask{f.rec(), f.memo(kMessageMemo)};
  // 4. Due strictly after its moment.
  if (!isDue(f->Date, f->Time, lang::today(), lang::clockTime())) return;
  if (!holdTask(f, claim.saved)) return;
  const std::string message = f.memoText(kMessageMemo);

  // 5-9. Unless the occurrence is skipped: alarm, question, last run.
  bool run = false;
  if (f->SkipNextTime != 1) {
    if (currentPlacement().minimized) runtime().setProperty(0, kIconizeProperty, "");
    if (f->Alarm == 1) platform::platform().playSound(f->AlarmFile.str());
    run = wantsToRun(f.rec());
    f->LastRunDate = lang::today();
    f->LastRunTime = lang::clockTime();
  }

  // 11-12. The next occurrence, the advance warning kept at its distance.
  const bool warningShift = warningToOffsets(f.rec());
  if (NextOccurrence(f.rec(), lang::today(), lang::clockTime()) == RecurrenceOutcome::InvalidUnits)
    runtime().message(kInvalidUnitsText, kInvalidUnitsCaption, "", ui::button::kOk);
  claim.deleted = f->Completed == 1;
  f->SkipNextTime = 0;
  if (warningShift) offsetsToWarning(f.rec());
  f->AdvanceWarned = 0;
  claim.moved = f.rec();

  // 13-14, written before the task is performed: once the command has
  // started, the file already says the occurrence was handled, so a crash
  // at any moment runs it at most once and never leaves the task moved on
  // without its completed copy.
  // The message is kept as pending before the claim, unconfirmed, so that
  // a crash between the two neither loses it nor shows it twice: at the
  // next start an unconfirmed message whose task still stands at this
  // occurrence is dropped, the occurrence being still due.
  const ScheduleRecord task = claim.saved.record;
  std::uint32_t pendingId = 0;
  if (run && showsMessage(task)) {
    PendingMessage entry;
    entry.taskId = task.ID;
    entry.date = task.Date;
    entry.time = task.Time;
    entry.confirmed = false;
    entry.text = message.substr(0, std::min(message.size(), kMessageTextSize));
    pendingId = addPendingMessage(std::move(entry)).value_or(0);
  }
  recordClaim(f, std::move(claim));
  if (pendingId != 0 && !pending().claim) (void)confirmPendingMessage(pendingId);
  // 10. The action, unless skipped or declined.
  if (run) perform(task, message, pendingId);
}

void forgetUnwrittenOccurrence() {
  pending() = {};
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
