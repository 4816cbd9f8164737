// The main frame's data files and timer work (see main_frame_work.h).
#include "app/scheduler/main_frame_work.h"

#include "app/data/app_files.h"
#include "app/routines/file_routines.h"
#include "app/scheduler/check_advance_warning.h"
#include "app/scheduler/check_due_task.h"
#include "app/scheduler/driver_seams.h"
#include "app/scheduler/notifications.h"
#include "app/scheduler/purge_completed.h"
#include "app/scheduler/todo_adder.h"

namespace dw::app {

namespace {

// A user of `file` through the open routine (0x42, created when missing);
// the first user binds its fields and memo for expressions.
void useFrameFile(db::DeclaredFile& file) {
  if (useFile(file, CreateFile::Yes, ForbidCreate::No, kSharedAccess)) file.bindFields();
}

}  // namespace

void openFrameFiles() {
  forgetUnwrittenOccurrence();  // a run starts with none
  useFrameFile(HIS());
  useFrameFile(SCH1());
}

void closeFrameFiles() {
  releaseFile(HIS());
  releaseFile(SCH1());
}

void frameTimerWork() {
  runNotificationWork();
  CheckDueTask();
  CheckAdvanceWarning();
  PurgeCompleted();
}

void installFrameWork() {
  setTimerWork(&frameTimerWork);
  setNextTaskSource(&firstEnabledTask);
  setNextTasksSource(&firstEnabledTasks);
  installFileRoutines();  // the message window's to-do adder
}

}  // namespace dw::app
