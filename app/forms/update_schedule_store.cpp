// The file work of the task form and the wizards (see update_schedule_store.h).
#include "app/forms/update_schedule_store.h"

#include <cstring>

#include "app/core/app_files.h"
#include "app/core/field_types.h"
#include "app/core/schedule_ids.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

using ui::runtime;
namespace button = ui::button;

namespace {

// The driver's error for a record another writer changed since it was read.
constexpr int kRecordChanged = 89;
// Add attempts before the user is asked.
constexpr int kAddRetries = 3;
// The file label the messages name.
constexpr const char* kScheduleLabel = "Schedule";
constexpr const char* kCategoriesLabel = "Categories";
// Open with others allowed to read and write; create a missing file.
constexpr std::uint32_t kOpenMode = 0x142;

std::string exclamation() {
  return ui::stockIconString(ui::stock::kExclamation);
}
std::string question() {
  return ui::stockIconString(ui::stock::kQuestion);
}
int box(const std::string& text, const char* caption, const std::string& icon, int buttons = 0,
        int defaultButton = 0) {
  return runtime().message(text, caption, icon, buttons, defaultButton);
}

bool openCounted(db::DeclaredFile& file, const char* label, bool& opened) {
  if (file.openCount() == 0) {
    const int rc = file.open(kOpenMode);
    if (rc != 0 && rc != lang::err::kFileAlreadyOpen) {
      box("File (" + std::string(label) + ") could not be opened.  Error: " + fileErrorText() + ".",
          "File Access Error", exclamation());
      return false;
    }
  }
  ++file.openCount();
  opened = true;
  return true;
}

void closeCounted(db::DeclaredFile& file, bool& opened) {
  if (!opened) return;
  opened = false;
  if (file.openCount() > 0 && --file.openCount() == 0) file.close();
}

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

bool sameRecord(const ScheduleRecord& a, const ScheduleRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

std::string fileErrorText() {
  return std::string(trimRight(lang::errorText())) + " (" + std::to_string(lang::errorCode()) + ")";
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
  closeCounted(CAT(), m_openedCategories);
  closeCounted(SCH(), m_openedSchedule);
}

bool TaskStore::open() {
  m_callerRecord = SCH().rec();
  m_callerMemo = SCH().memo(kMessageMemo);
  return openCounted(CAT(), kCategoriesLabel, m_openedCategories) &&
         openCounted(SCH(), kScheduleLabel, m_openedSchedule);
}

void TaskStore::takeFromBuffer() {
  task = SCH().rec();
  message = SCH().memoText(kMessageMemo);
  m_original = task;
}

bool TaskStore::prime() {
  std::int32_t id = 0;
  if (nextScheduleId(SCH(), id) != 0) {
    box("Unable to read keyed record.  Error: " + fileErrorText() + ".  Insert Aborted", "",
        exclamation());
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
    const int answer = box(
        "Attempts to automatically number this record have failed.  Error: " + fileErrorText() +
            ".",
        "Auto Increment Error", exclamation(), button::kRetry | button::kCancel, button::kCancel);
    if (answer != button::kRetry) return false;
    failures = 0;
  }
  task.ID = id;
  // Read the placeholder back: nextScheduleId arms NOMEMO for its read,
  // and on an empty table that read fails and leaves it armed, which would
  // make the next read skip the memo and the final PUT keep the blank one.
  lang::pushErrorState();
  (void)SCH().get(sch_key::kKeyID);
  lang::popErrorState();
  m_original = SCH().rec();
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
  if (SCH().get(sch_key::kKeyID) == 0) (void)SCH().erase();
  lang::popErrorState();
}

int TaskStore::write(const ScheduleRecord& record, const std::string& text) {
  SCH()->ID = record.ID;
  if (const int rc = SCH().get(sch_key::kKeyID)) return rc;
  SCH().rec() = record;
  SCH().setMemoText(kMessageMemo, text);
  return SCH().put();
}

StoreResult TaskStore::completeInsert() {
  const int rc = write(task, message);
  if (rc == 0) {
    m_primed = false;
    return StoreResult::kDone;
  }
  if (rc == lang::err::kDuplicateKey) {
    box("Adding this record creates a duplicate entry for the key:SCH:KeyID", "Duplicate Key Error",
        exclamation());
  } else {
    box("An error was experienced during the update of record.  Error: " + fileErrorText() + ".",
        "Record Insert Error", exclamation());
  }
  return StoreResult::kRetry;
}

StoreResult TaskStore::completeChange() {
  for (;;) {
    int rc = 0;
    {
      // Read the task as it is stored now: when it is no longer what the
      // form was opened on, another station changed it meanwhile.
      SCH()->ID = task.ID;
      rc = SCH().get(sch_key::kKeyID);
      if (rc == 0 && !sameRecord(SCH().rec(), m_original)) {
        m_original = SCH().rec();  // trying again overwrites that change
        lang::postError(kRecordChanged);
        rc = kRecordChanged;
      }
      if (rc == 0) {
        SCH().rec() = task;
        SCH().setMemoText(kMessageMemo, message);
        rc = SCH().put();
      }
    }
    if (rc == 0) {
      m_original = task;
      return StoreResult::kDone;
    }
    if (rc == kRecordChanged) {
      box("This record was changed by another station.", "Update Operation Error", exclamation());
    } else {
      box("An error (" + fileErrorText() +
              ") was experienced when attempting to update a record from the file.  Probable "
              "Cause: " +
              kScheduleLabel + ".",
          "Update Operation Error", exclamation());
    }
    const int answer =
        box("An error was experienced changing this record.  Do you want to try to save again?",
            "Record Update Error", question(), button::kYes | button::kNo | button::kCancel,
            button::kCancel);
    if (answer == button::kYes) continue;
    return answer == button::kNo ? StoreResult::kAbandon : StoreResult::kRetry;
  }
}

bool TaskStore::confirmAndDelete() {
  const int sure =
      box("You've selected to delete the highlighted record.  Press OK to confirm deletion of this "
          "record.",
          "Confirm Delete", question(), button::kOk | button::kCancel, button::kCancel);
  if (sure != button::kOk) return false;
  const std::int32_t id = SCH()->ID;
  for (;;) {
    SCH()->ID = id;
    int rc = SCH().get(sch_key::kKeyID);
    if (rc == 0) rc = SCH().erase();
    if (rc == 0) return true;
    box("An error (" + fileErrorText() +
            ") was experienced when attempting to delete a record from the file " + kScheduleLabel +
            ".",
        "Delete Operation Error", exclamation());
    const int again =
        box("An error was experienced deleting this record.  Do you want to try to save again?",
            "Record Update Error", question(), button::kYes | button::kNo | button::kCancel,
            button::kCancel);
    if (again != button::kYes) return false;
  }
}

}  // namespace dw::app
