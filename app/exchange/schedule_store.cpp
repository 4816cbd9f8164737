// The schedule file for a program beside the scheduler (schedule_store.h).
#include "app/exchange/schedule_store.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstddef>
#include <cstring>

#include "app/data/app_files.h"
#include "app/data/schedule_ids.h"
#include "app/data/script_steps.h"
#include "app/data/table_codes.h"
#include "app/routines/tag_routines.h"
#include "runtime/db/checker.h"
#include "runtime/lang/errors.h"

namespace dw::app {
namespace {

constexpr std::uint32_t kShared = 0x42;         // read and write; others may do anything
constexpr std::uint32_t kSharedCreate = 0x142;  // the same, created when missing
constexpr std::uint32_t kSharedRead = 0x40;     // reading only: read-only media will do
constexpr int kFileNotFound = 2;
constexpr int kNoMoreRecords = 33;
constexpr int kRecordNotFound = 35;
constexpr int kDuplicateKey = 40;
constexpr int kInvalidDataFile = 36;
constexpr const char* kDataFile = "SM.BRK";
constexpr int kChangedByOther = 89;
constexpr int kAddAttempts = 4;     // the first add and three more
constexpr int kChangeAttempts = 4;  // when another writer changed the task meanwhile

FileFault faultOf(const char* label, int code) {
  // Error 90 is a fault of the driver itself, which names its own message
  // and number.
  if (code == 90 && !lang::errorFile().empty()) {
    const std::string number = lang::errorExtra();
    int driverCode = code;
    std::from_chars(number.data(), number.data() + number.size(), driverCode);
    return FileFault{label, driverCode, lang::errorFile()};
  }
  std::string text = lang::errorText();
  if (text.empty()) text = lang::messageText(code);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return FileFault{label, code, text};
}

TaskDraft currentTask() {
  return TaskDraft{SCH().rec(), SCH().memoText(kMessageMemo)};
}

// History fields in the Schedule layout: the same offsets up to the warning
// time, then the flags one byte further on (History has no warned flag).
ScheduleRecord scheduleImage(const HistoryRecord& h) {
  ScheduleRecord t{};
  constexpr std::size_t shared = offsetof(ScheduleRecord, AdvanceWarned);
  static_assert(offsetof(HistoryRecord, Warn) == shared);
  std::memcpy(&t, &h, shared);
  t.Warn = h.Warn;
  t.UserSkip = h.UserSkip;
  t.Disabled = h.Disabled;
  t.Completed = h.Completed;
  return t;
}

}  // namespace

ScheduleStore::ScheduleStore(StoreAccess access, std::int64_t waitSeconds)
    : m_access(access), m_wait(waitSeconds) {}

ScheduleStore::~ScheduleStore() {
  for (auto it = m_opened.rbegin(); it != m_opened.rend(); ++it) {
    (*it)->close();
    (*it)->clear();
  }
}

std::optional<FileFault> ScheduleStore::open() {
  if (m_access != StoreAccess::Change) {
    const int rc = SCH().open(m_access == StoreAccess::Read ? kSharedRead : kShared);
    if (rc == kFileNotFound) {
      lang::clearError();
      m_scheduleMissing = true;
      return std::nullopt;
    }
    if (rc != 0) return faultOf("Schedule", rc);
    m_opened.push_back(&SCH());
    if (m_access == StoreAccess::Read) return std::nullopt;
  }
  return openChangeFiles();
}

namespace {

// A file found damaged is not changed: a write would build on pages that
// cannot be trusted and could spread the damage.  The whole file is checked
// as brk check does (a missing file is no fault); 36 with the fault found.
std::optional<FileFault> damageOf(const char* path) {
  db::BriskOptions options;
  options.readMode = true;
  options.locking = db::Locking::Shared;
  options.readOnlyHandle = true;
  auto opened = db::BriskFile::open(path, options, platform::Disposition::OpenExisting);
  if (!opened) return std::nullopt;  // the open of the tables reports it
  db::BriskFile& f = **opened;
  std::string fault;
  if (f.refreshHeader() != 0) {
    fault = "the header: " + f.refreshFault();
  } else if (const db::CheckReport r = db::checkFile(f); !r.sound) {
    fault = (r.page < 0 ? std::string("the header") : "page " + std::to_string(r.page)) + ": " +
            r.fault;
  }
  f.release();
  if (fault.empty()) return std::nullopt;
  return FileFault{"Schedule", kInvalidDataFile,
                   lang::messageText(kInvalidDataFile) + ": " + path + " is damaged (" + fault +
                       "); nothing was changed"};
}

}  // namespace

std::optional<FileFault> ScheduleStore::openChangeFiles() {
  if (auto damage = damageOf(kDataFile)) return damage;
  const std::pair<db::DeclaredFile*, const char*> files[] = {
      {&SCH(), "Schedule"}, {&CAT(), "Categories"}, {&SCR(), "Scripting"}};
  for (const auto& [file, label] : files) {
    if (file->isOpen()) continue;
    if (int rc = file->open(kSharedCreate)) return faultOf(label, rc);
    m_opened.push_back(file);
  }
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::records(std::vector<TaskDraft>& out) {
  out.clear();
  if (m_scheduleMissing) return std::nullopt;
  if (int rc = SCH().setRecordOrder()) return faultOf("Schedule", rc);
  while (true) {
    const int rc = SCH().next();
    if (rc == kNoMoreRecords) break;
    if (rc != 0) return faultOf("Schedule", rc);
    out.push_back(currentTask());
  }
  lang::clearError();
  std::stable_sort(out.begin(), out.end(), [](const TaskDraft& a, const TaskDraft& b) {
    const ScheduleRecord &x = a.record, &y = b.record;
    if (x.Disabled != y.Disabled) return x.Disabled < y.Disabled;
    if (x.Date != y.Date) return x.Date < y.Date;
    if (x.Time != y.Time) return x.Time < y.Time;
    return x.ID < y.ID;
  });
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::find(std::int32_t id, std::optional<TaskDraft>& out) {
  out.reset();
  if (m_scheduleMissing) return std::nullopt;
  SCH().clear();
  SCH()->ID = id;
  const int rc = SCH().get(sch_key::kKeyID);
  if (rc == kRecordNotFound) {
    lang::clearError();
    return std::nullopt;
  }
  if (rc != 0) return faultOf("Schedule", rc);
  out = currentTask();
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::history(std::vector<HistoryEntry>& out) {
  out.clear();
  std::vector<TaskDraft> all;
  if (auto f = records(all)) return f;
  for (TaskDraft& t : all)
    if (t.record.Completed) out.push_back(HistoryEntry{false, std::move(t)});
  int rc = HIS().open(kSharedRead);
  if (rc == kFileNotFound) {
    lang::clearError();
  } else if (rc != 0) {
    return faultOf("History", rc);
  } else {
    m_opened.push_back(&HIS());
    if ((rc = HIS().setRecordOrder())) return faultOf("History", rc);
    while ((rc = HIS().next()) == 0)
      out.push_back(
          HistoryEntry{true, TaskDraft{scheduleImage(HIS().rec()), HIS().memoText(kMessageMemo)}});
    if (rc != kNoMoreRecords) return faultOf("History", rc);
    lang::clearError();
  }
  std::stable_sort(out.begin(), out.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
    const ScheduleRecord &x = a.task.record, &y = b.task.record;
    if (x.Date != y.Date) return x.Date < y.Date;
    return x.Time < y.Time;
  });
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::begin() {
  if (int rc = db::logout(m_wait, {&SCH(), &CAT(), &SCR()})) return faultOf("Schedule", rc);
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::finish(std::optional<FileFault> fault) {
  if (fault) {
    lang::pushErrorState();
    db::rollback();
    lang::popErrorState();
    return fault;
  }
  if (int rc = db::commit()) return faultOf("Schedule", rc);
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::ensureCategory(TaskDraft& task) {
  std::string name(task.record.Category.trimmed());
  if (name.empty()) name = kGeneralCategory;
  CAT().clear();
  CAT()->Category = name;
  const int rc = CAT().get(cat_key::kKeyCategory);
  if (rc == 0) {
    task.record.Category = CAT()->Category.trimmed();  // the stored spelling
    return std::nullopt;
  }
  if (rc != kRecordNotFound) return faultOf("Categories", rc);
  CAT().clear();
  CAT()->Category = name;
  if (int add = CAT().add()) return faultOf("Categories", add);
  task.record.Category = name;
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::addOne(TaskDraft& task, std::int32_t& id) {
  if (auto f = ensureCategory(task)) return f;
  for (int attempt = 0; attempt < kAddAttempts; ++attempt) {
    if (int rc = nextScheduleId(SCH(), id)) return faultOf("Schedule", rc);
    SCH().rec() = task.record;
    SCH()->ID = id;
    SCH().setMemoText(kMessageMemo, task.message);
    const int rc = SCH().add();
    if (rc == 0) {
      task.record.ID = id;
      return std::nullopt;
    }
    if (rc != kDuplicateKey || attempt + 1 == kAddAttempts) return faultOf("Schedule", rc);
  }
  return std::nullopt;
}

std::optional<FileFault> ScheduleStore::add(std::vector<TaskDraft>& tasks,
                                            std::vector<std::int32_t>& ids) {
  ids.clear();
  if (tasks.empty()) return std::nullopt;
  assert(m_access == StoreAccess::Change && "adding needs a store that may create the tables");
  if (auto f = begin()) return f;
  std::optional<FileFault> fault;
  for (TaskDraft& t : tasks) {
    std::int32_t id = 0;
    if ((fault = addOne(t, id))) break;
    ids.push_back(id);
  }
  if (fault) ids.clear();
  return finish(fault);
}

std::optional<FileFault> ScheduleStore::readHeld(std::int32_t id, bool& found) {
  found = false;
  SCH().clear();
  SCH()->ID = id;
  SCH().hold(m_wait);
  SCH().watch();
  const int rc = SCH().get(sch_key::kKeyID);
  if (rc == kRecordNotFound) return std::nullopt;
  if (rc != 0) return faultOf("Schedule", rc);
  found = true;
  return std::nullopt;
}

ChangeResult ScheduleStore::change(std::int32_t id, const TaskChange& change) {
  using Status = ChangeResult::Status;
  ChangeResult result;
  if (m_scheduleMissing) {
    result.status = Status::NotFound;
    return result;
  }
  for (int attempt = 1;; ++attempt) {
    if ((result.fault = begin())) return result;
    bool found = false;
    if ((result.fault = readHeld(id, found))) {
      finish(result.fault);
      return result;
    }
    if (!found) {
      result.status = Status::NotFound;
      finish(FileFault{});
      return result;
    }
    const auto giveUp = [&](Status status) {
      SCH().release();
      finish(FileFault{});
      result.status = status;
      return result;
    };
    if (SCH()->Completed) return giveUp(Status::NotATask);
    TaskDraft task = currentTask();
    if ((result.refused = change(task))) return giveUp(Status::Refused);
    if ((result.fault = ensureCategory(task))) {
      SCH().release();
      finish(result.fault);
      return result;
    }
    SCH().rec() = task.record;
    SCH()->ID = id;
    SCH().setMemoText(kMessageMemo, task.message);
    const int rc = SCH().put();
    if (rc == kChangedByOther && attempt < kChangeAttempts) {
      // Another writer (the scheduler's timer) moved the task since it was
      // read: read it again and apply the change to what is stored now.
      SCH().release();
      finish(FileFault{});
      continue;
    }
    std::optional<FileFault> fault;
    if (rc != 0) fault = faultOf("Schedule", rc);
    SCH().release();
    result.fault = finish(fault);
    return result;
  }
}

std::optional<FileFault> ScheduleStore::removeSteps(std::int32_t id) {
  if (int rc = deleteScriptSteps(id)) return faultOf("Scripting", rc);
  return std::nullopt;
}

ChangeResult ScheduleStore::remove(std::int32_t id) {
  ChangeResult result;
  if (m_scheduleMissing) {
    result.status = ChangeResult::Status::NotFound;
    return result;
  }
  if ((result.fault = begin())) return result;
  bool found = false;
  if ((result.fault = readHeld(id, found))) {
    finish(result.fault);
    return result;
  }
  if (!found) {
    result.status = ChangeResult::Status::NotFound;
    finish(FileFault{});
    return result;
  }
  std::optional<FileFault> fault;
  const std::uint32_t recordNumber = SCH().pointer();
  if (int rc = SCH().erase()) fault = faultOf("Schedule", rc);
  SCH().release();
  if (!fault) fault = removeSteps(id);
  result.fault = finish(fault);
  if (!result.fault) forgetScheduleTag(recordNumber);
  return result;
}

}  // namespace dw::app
