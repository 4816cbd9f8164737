// The advance-warning check (see check_advance_warning.h).
#include "app/scheduler/check_advance_warning.h"

#include <cstring>

#include "app/data/app_files.h"
#include "app/scheduler/check_due_task.h"
#include "app/scheduler/frame_title.h"
#include "app/scheduler/notifications.h"
#include "runtime/lang/dates.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

void CheckAdvanceWarning() {
  ScheduleFile& f = SCH1();
  if (!f.isOpen()) return;
  // 1. The first unwarned warning, of a task with a schedule type.
  if (f.set(sch_key::kKeyAdvanced) != 0 || f.next() != 0) return;
  if (f->AdvanceWarned == 1 || f->ScheduleType.trimmed().empty()) return;
  // 2. Its moment has passed.
  if (!isDue(f->AdvanceWarnDate, f->AdvanceWarnTime, lang::today(), lang::clockTime())) return;
  // The record is ours until it is written back.
  const ScheduleRecord found = f.rec();
  f.hold(0);
  f.watch();
  if (f.get(sch_key::kKeyID) != 0) return;
  if (std::memcmp(&found, &f.rec(), sizeof found) != 0) {
    f.release();
    return;
  }
  // 3. The warning, unless the occurrence is to be skipped.
  // A desktop notification instead of the box, when the user chose them.
  if (f->SkipNextTime == 0) {
    const std::string text = advanceWarningText(f->Date, f->Time, f->TaskType.raw(),
                                                f.memo(kMessageMemo), f->Command.raw());
    if (!notifyMessage(text, 0))
      ui::runtime().message(text, kAdvancedWarningCaption, "", ui::button::kOk);
  }
  // 4. Warned, shown or not.
  f->AdvanceWarned = 1;
  f.put();
}

}  // namespace dw::app
