// Run Now (see run_now.h).
#include "app/forms/schedule/run_now.h"

#include <string>

#include "app/data/app_files.h"
#include "app/routines/file_routines.h"
#include "app/scheduler/message_window.h"
#include "app/scheduler/run_command.h"
#include "app/data/table_codes.h"
#include "app/forms/schedule/schedule_calls.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/platform.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

using ui::runtime;

namespace {

void startProgram(const ScheduleRecord& task) {
  const std::string command(task.Command.trimmed());
  // A folder that cannot be entered leaves the current one (303 posted);
  // the program is started all the same.
  const std::string previous = enterStartDirectory(task.Path.raw());
  const std::uint32_t result = scheduleCalls().runCommand(command);
  if (result <= kRunNowStartFailedLimit) {
    const auto code = static_cast<std::uint16_t>(result);
    runtime().message(startFailureText(code), startFailureCaption(command));
  }
  leaveStartDirectory(previous);
}

// Adds the History record of the run; 0 or the file's error.
int addHistory(const ScheduleRecord& task, const std::string& message) {
  HistoryFile& his = HIS();
  // Held by the main frame as a rule; a user for the moment otherwise.
  FileUser user(his);
  his.clear();
  std::int32_t id = 1;
  if (his.set(his_key::kKeyID) == 0 && his.previous() == 0) id = his->ID + 1;
  his.clear();
  copyTaskToHistory(task, his.rec());
  his->ID = id;
  his->Completed = 1;
  his.setMemoText(kMessageMemo, message);
  // Another window may have taken the identifier since it was read.
  while (his.duplicate(his_key::kKeyID)) his->ID += 1;
  const int error = his.add();
  if (error != 0) standardError(stdmsg::kInsertError);
  return error;
}

}  // namespace

bool showsMessage(std::string_view taskType) {
  const std::string_view t = trimRight(taskType);
  return t == task_type::kDisplayMessage || t.starts_with(task_type::kBoth);
}

bool runsProgram(std::string_view taskType) {
  const std::string_view t = trimRight(taskType);
  return t == task_type::kRunProgram || t.starts_with(task_type::kBoth);
}

int RunNow() {
  ScheduleFile& sch = SCH();
  // The boxes below give the lock up, and SCH's buffer and position are
  // shared with every window: the task is kept here as it was read.
  const std::uint32_t recordNumber = sch.pointer();
  ScheduleRecord task = sch.rec();
  const std::string message = sch.memoText(kMessageMemo);
  if (task.Alarm != 0) (void)platform::platform().playSound(task.AlarmFile.str());
  task.LastRunDate = lang::today();
  task.LastRunTime = lang::clockTime();
  if (showsMessage(task.TaskType.raw())) showTaskMessage(message, kRunNowMessageLimit);
  if (runsProgram(task.TaskType.raw())) startProgram(task);
  const int historyError = addHistory(task, message);
  // Back on the task's record before it is written.
  int putError = sch.getRecord(recordNumber);
  if (putError == 0) {
    sch.rec() = task;
    sch.setMemoText(kMessageMemo, message);
    putError = sch.put();
  }
  if (putError != 0) {
    standardError(stdmsg::kUpdateError, putError == 89 ? kChangedByAnotherStation : kScheduleLabel);
    return putError;
  }
  return historyError;
}

}  // namespace dw::app
