// Fuzzes the iCalendar import with arbitrary file contents: nothing may
// crash or hang; a refused file yields no task; every task read passes the
// form's rules; and the tasks read, exported again, import back to the
// same records without a note.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/exchange/ical_mapping.h"
#include "app/data/records.h"
#include "app/scheduler/task_validation.h"
#include "runtime/lang/dates.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dw::app;
  const int today = dw::lang::dayNumberOf({2026, 7, 12});
  const std::string text(reinterpret_cast<const char*>(data), size);
  const IcalImport first = importCalendar(text, today);
  if (first.error) {
    if (!first.tasks.empty()) std::abort();
    return 0;
  }
  std::vector<TaskDraft> drafts;
  for (const ImportedTask& t : first.tasks) {
    if (!dateSuitsSchedule(t.draft.record) || warningAfterTask(t.draft.record)) std::abort();
    drafts.push_back(t.draft);
  }
  const IcalImport second = importCalendar(exportCalendar(drafts, 0), today);
  if (second.error || !second.notes.empty() || second.tasks.size() != drafts.size()) std::abort();
  for (std::size_t i = 0; i < drafts.size(); ++i)
    if (std::memcmp(&drafts[i].record, &second.tasks[i].draft.record, sizeof(ScheduleRecord)) != 0 ||
        drafts[i].message != second.tasks[i].draft.message)
      std::abort();
  return 0;
}
