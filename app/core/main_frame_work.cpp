// The main frame's data files and timer work (see main_frame_work.h).
#include "app/core/main_frame_work.h"

#include <algorithm>
#include <string>

#include "app/core/app_files.h"
#include "app/core/check_advance_warning.h"
#include "app/core/check_due_task.h"
#include "app/core/driver_seams.h"
#include "app/core/purge_completed.h"
#include "app/core/table_codes.h"
#include "runtime/lang/errors.h"

namespace dw::app {

namespace {

// Read and write, others may do anything, created when missing.
constexpr std::uint32_t kOpenShared = 0x42;
constexpr std::uint32_t kCreateWhenMissing = 0x100;

// A user of `file`: opened when no one in the process holds it.
void useFrameFile(db::DeclaredFile& file) {
  if (file.openCount() == 0) {
    const int rc = file.open(kOpenShared | kCreateWhenMissing);
    if (rc != 0 && rc != 52)
      lang::halt(1, "File (" + file.name() + ") could not be opened.  Error: " + lang::errorText() +
                        " (" + std::to_string(rc) + ").");
    file.bindFields();
  }
  ++file.openCount();
}

void releaseFrameFile(db::DeclaredFile& file) {
  if (file.openCount() == 0) return;
  if (--file.openCount() == 0) file.close();
}

// The message window's "&Add to To Do List": priority 5, not done.
void addToDo(std::string_view text) {
  ToDoFile& f = TDO();
  useFrameFile(f);
  f.clear();
  f->Priority = kNewItemPriority;
  f->Done = 0;
  f->ToDo = text.substr(0, std::min<std::size_t>(text.size(), 40));
  f.add();
  releaseFrameFile(f);
}

}  // namespace

void openFrameFiles() {
  useFrameFile(HIS());
  useFrameFile(SCH1());
}

void closeFrameFiles() {
  releaseFrameFile(HIS());
  releaseFrameFile(SCH1());
}

void frameTimerWork() {
  CheckDueTask();
  CheckAdvanceWarning();
  PurgeCompleted();
}

void installFrameWork() {
  setTimerWork(&frameTimerWork);
  setNextTaskSource(&firstEnabledTask);
  setToDoAdder(&addToDo);
}

}  // namespace dw::app
