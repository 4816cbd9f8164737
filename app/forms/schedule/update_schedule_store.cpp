// The file work of the task form and the wizards (see update_schedule_store.h).
#include "app/forms/schedule/update_schedule_store.h"

#include "app/data/app_files.h"
#include "app/data/field_types.h"
#include "app/data/schedule_ids.h"
#include "app/data/table_descs.h"
#include "app/routines/file_routines.h"
#include "app/routines/tag_routines.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/message_box.h"

namespace dw::app {

namespace {

// Add attempts before the user is asked.
constexpr int kAddRetries = 3;

// SCH's buffers, put back when the scope ends.
class KeptSchedule {
 public:
  KeptSchedule() : m_record(SCH().rec()), m_memo(SCH().memo(kMessageMemo)) {}
  ~KeptSchedule() {
    SCH().rec() = m_record;
    SCH().memo(kMessageMemo) = m_memo;
  }
  KeptSchedule(const KeptSchedule&) = delete;
  KeptSchedule& operator=(const KeptSchedule&) = delete;

 private:
  ScheduleRecord m_record;
  std::string m_memo;
};

// Reads the stored task `id` under WATCH, so that a PUT after it fails with
// 89 when another writer changes the task meanwhile; SCH's buffers are
// kept.  0 or the error.
int watchStoredTask(std::int32_t id) {
  KeptSchedule kept;
  SCH()->ID = id;
  (void)SCH().watch();
  return SCH().get(sch_key::kKeyID);
}

}  // namespace

std::string fileErrorText() {
  return standardErrorText();
}

std::vector<std::string> categoryNames() {
  std::vector<std::string> names;
  CategoriesFile& cat = CAT();
  if (!cat.isOpen()) return names;
  const CategoryRecord kept = cat.rec();
  lang::pushErrorState();
  if (cat.set(cat_key::kKeyCategory) == 0) {
    while (cat.next() == 0) names.push_back(cat->Category.str());
  }
  lang::popErrorState();
  cat.rec() = kept;
  return names;
}

TaskStore::TaskStore() = default;

TaskStore::~TaskStore() {
  if (m_usingCategories) releaseFile(CAT());
  if (m_usingSchedule) releaseFile(SCH());
}

bool TaskStore::open() {
  m_callerRecord = SCH().rec();
  m_callerMemo = SCH().memo(kMessageMemo);
  // The open routine ends the program when a file cannot be used.
  (void)useFile(CAT());
  m_usingCategories = true;
  if (useFile(SCH())) SCH().bindFields();  // "SCH:Message" for expressions
  m_usingSchedule = true;
  return true;
}

void TaskStore::takeFromBuffer() {
  task = SCH().rec();
  message = SCH().memoText(kMessageMemo);
  lang::pushErrorState();
  (void)watchStoredTask(task.ID);
  lang::popErrorState();
}

bool TaskStore::prime() {
  std::int32_t id = 0;
  if (nextScheduleId(SCH(), id) != 0) {
    standardError(stdmsg::kKeyedReadError);
    return false;
  }
  int failures = 0;
  for (;;) {
    ScheduleRecord placeholder = task;
    placeholder.ID = id;
    placeholder.Disabled = 1;
    SCH().rec() = placeholder;
    SCH().setMemoText(kMessageMemo, message);
    const int rc = SCH().add();
    if (rc == 0) break;
    // Another station may have taken the identifier meanwhile.
    if (rc == lang::err::kDuplicateKey) {
      lang::pushErrorState();
      (void)nextScheduleId(SCH(), id);
      lang::popErrorState();
    }
    if (++failures <= kAddRetries) continue;
    if (standardError(stdmsg::kAutoIncrementError) != ui::button::kRetry) return false;
    failures = 0;
  }
  task.ID = id;
  // Read the placeholder back (under WATCH, as a change does): nextScheduleId
  // arms NOMEMO for its read, and on an empty table that read fails and
  // leaves it armed, which would make the next read skip the memo and the
  // final PUT keep the blank one.
  lang::pushErrorState();
  (void)watchStoredTask(id);
  lang::popErrorState();
  m_primed = true;
  return true;
}

void TaskStore::restoreCaller() {
  SCH().rec() = m_callerRecord;
  SCH().memo(kMessageMemo) = m_callerMemo;
}

void TaskStore::unprime() {
  if (!m_primed) return;
  m_primed = false;
  KeptSchedule kept;
  lang::pushErrorState();
  SCH()->ID = task.ID;
  if (SCH().get(sch_key::kKeyID) == 0) {
    const std::uint32_t recordNumber = SCH().pointer();
    if (SCH().erase() == 0) forgetScheduleTag(recordNumber);
  }
  lang::popErrorState();
}

int TaskStore::write(const ScheduleRecord& record, const std::string& text) {
  if (const int rc = db::logout(kTransactionWait, {&SCH(), &CAT()})) return rc;
  auto fail = [](int rc) {
    lang::pushErrorState();
    (void)db::rollback();
    lang::popErrorState();
    return rc;
  };
  SCH()->ID = record.ID;
  if (const int rc = SCH().get(sch_key::kKeyID)) return fail(rc);
  // The task's category is made to exist in the same transaction, as the
  // update routine does for a change (file_routines.h).
  if (const int rc = addMissingCategory(record.Category.raw())) return fail(rc);
  SCH().rec() = record;
  SCH().setMemoText(kMessageMemo, text);
  if (const int rc = SCH().put()) return fail(rc);
  if (const int rc = db::commit()) return fail(rc);
  return 0;
}

StoreResult TaskStore::completeInsert() {
  const int rc = write(task, message);
  if (rc == 0) {
    m_primed = false;
    return StoreResult::kDone;
  }
  if (rc == lang::err::kDuplicateKey)
    standardError(stdmsg::kDuplicateKey, "SCH:KeyID");
  else
    standardError(stdmsg::kInsertError);
  return StoreResult::kRetry;
}

StoreResult TaskStore::completeChange() {
  for (;;) {
    // The task is current in SCH, read under WATCH when the form took it:
    // the update routine's PUT fails with 89 when another writer changed it
    // since.  Anything that moved SCH meanwhile is undone by reading it
    // again (the watch then starts there).
    if (SCH().pointer() == 0 || SCH()->ID != task.ID) (void)watchStoredTask(task.ID);
    SCH().rec() = task;
    SCH().setMemoText(kMessageMemo, message);
    if (updateScheduleRecord() == 0) return StoreResult::kDone;
    const int answer = standardError(stdmsg::kRetryUpdate);
    if (answer == ui::button::kYes) {
      // Trying again writes over the other change: read it under a new watch.
      (void)watchStoredTask(task.ID);
      continue;
    }
    return answer == ui::button::kNo ? StoreResult::kAbandon : StoreResult::kRetry;
  }
}

bool TaskStore::confirmAndDelete() {
  if (standardError(stdmsg::kConfirmDelete) != ui::button::kOk) return false;
  const std::int32_t id = SCH()->ID;
  for (;;) {
    SCH()->ID = id;
    int rc = SCH().get(sch_key::kKeyID);
    if (rc != 0) {
      standardError(stdmsg::kRecordRetrievalError, kScheduleLabel);
    } else {
      rc = deleteScheduleRecord();
      if (rc == 0) return true;
    }
    if (standardError(stdmsg::kRetryDelete) != ui::button::kYes) return false;
  }
}

}  // namespace dw::app
