// The purge of completed records (see purge_completed.h).
#include "app/scheduler/purge_completed.h"

#include "app/data/app_files.h"
#include "app/routines/settings.h"
#include "app/routines/tag_routines.h"
#include "runtime/lang/dates.h"

namespace dw::app {

void PurgeCompleted() {
  const std::int32_t expires = settings().historyExpires;
  if (expires == 0) return;
  ScheduleFile& f = SCH1();
  if (!f.isOpen()) return;
  const std::int32_t today = lang::today();
  // The first disabled record.
  f.clear();
  f->Disabled = 1;
  if (f.setByValue(sch_key::kKeyDateEnabled) != 0) return;
  for (;;) {
    f.noMemo();
    if (f.next() != 0) return;
    const bool expired = completedRecordExpired(f->Date, expires, today);
    if (!expired) return;
    if (f->Completed != 1) continue;
    const std::uint32_t recordNumber = f.pointer();
    if (f.erase() == 0) forgetScheduleTag(recordNumber);
  }
}

}  // namespace dw::app
