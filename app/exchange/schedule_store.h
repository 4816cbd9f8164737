// The schedule file as a program other than the scheduler reads and changes
// it: the command-line tool works through this while dornwatch may have the
// same files open, so every access is shared and every change is guarded.
//
//  - Files are opened in the shared mode (others may do anything), for
//    reading and writing by a store that changes them, for reading only by
//    one that reads (so a schedule on read-only media can be listed).
//    Reading never creates a file: a data directory without a
//    schedule holds no tasks.  Adding creates the Schedule, Categories
//    and Scripting tables when they are missing; changing or removing a
//    task creates nothing where there is no Schedule table.
//  - A change runs in one transaction over the tables it touches (the task
//    and a category it needs; a task and its Scripting steps), so that the
//    scheduler sees all of it or none of it.  The transaction waits a
//    bounded time for the files; the task being changed is read held (a
//    bounded wait for another holder, then error 43) and watched.
//  - A task's category is a name of the Categories table.  A blank one is
//    "General", the category the wizards preset.  A name that exists in
//    another letter case takes the stored spelling; a name that does not
//    exist yet is added in the same transaction as the task.
//  - New identifiers come from nextScheduleId (highest + 1); an add that
//    meets a duplicate identifier (error 40) asks again, up to three times.
//  - Removing a task removes its Scripting steps with it.
//
// Failures come back as the driver's error number and text with the label
// of the table ("Schedule", "Categories", "Scripting", "History").
//
// Threads: uses the process-wide declarations SCH, CAT, SCR and HIS; one
// store at a time, on one thread (the tool is single-threaded).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/exchange/task_options.h"
#include "runtime/db/declared_file.h"

namespace dw::app {

inline constexpr std::int64_t kStoreWaitSeconds = 5;

struct FileFault {
  std::string file;  // the table's label: "Schedule", "Categories", ...
  int code = 0;      // the driver's error number
  std::string text;  // and its text
};

// A record of the History table (a task run by hand) or a completed copy
// of the Schedule table (a handled occurrence), as the history lists them.
struct HistoryEntry {
  bool runByHand = false;  // from History
  TaskDraft task;          // History fields in the Schedule layout
};

// Read: nothing is created.  Change: the tables are created when missing
// (adding).  ChangeExisting: a missing Schedule table holds no task to
// change, so nothing is created for it (set, remove, ...).
enum class StoreAccess { Read, Change, ChangeExisting };

struct ChangeResult {
  enum class Status { Done, NotFound, NotATask, Refused };
  Status status = Status::Done;
  std::optional<FileFault> fault;      // set: the change failed (nothing written)
  std::optional<OptionError> refused;  // the change function's refusal
};

// Changes a task in place; a refusal leaves the stored task as it was.
using TaskChange = std::function<std::optional<OptionError>(TaskDraft&)>;

class ScheduleStore {
 public:
  explicit ScheduleStore(StoreAccess access, std::int64_t waitSeconds = kStoreWaitSeconds);
  ~ScheduleStore();  // closes what it opened
  ScheduleStore(const ScheduleStore&) = delete;
  ScheduleStore& operator=(const ScheduleStore&) = delete;

  std::optional<FileFault> open();
  // For reading where there is no data directory at all: no tables, so no
  // records (open() is not called).
  void treatAsMissing() { m_scheduleMissing = true; }

  // Every record of the Schedule table (tasks and completed copies) in the
  // order of SCH:KeyDateEnabled: enabled before disabled, then by date and
  // time, then by identifier; records the key leaves out (no date, no time)
  // come in their place too.
  std::optional<FileFault> records(std::vector<TaskDraft>& out);
  // The record with this identifier (nullopt in `out` when none).
  std::optional<FileFault> find(std::int32_t id, std::optional<TaskDraft>& out);
  // The History records and the completed copies, by date and time.
  std::optional<FileFault> history(std::vector<HistoryEntry>& out);

  // Adds the tasks in one transaction, each under a new identifier
  // (`ids`, in order); their categories are made to exist as above.
  std::optional<FileFault> add(std::vector<TaskDraft>& tasks, std::vector<std::int32_t>& ids);
  // Reads the task held, lets `change` edit it and writes it back; the
  // record of a handled occurrence is not a task (NotATask).
  ChangeResult change(std::int32_t id, const TaskChange& change);
  // Removes the record and its Scripting steps.
  ChangeResult remove(std::int32_t id);

 private:
  std::optional<FileFault> openChangeFiles();
  std::optional<FileFault> ensureCategory(TaskDraft& task);
  std::optional<FileFault> addOne(TaskDraft& task, std::int32_t& id);
  std::optional<FileFault> readHeld(std::int32_t id, bool& found);
  std::optional<FileFault> removeSteps(std::int32_t id);
  std::optional<FileFault> begin();
  std::optional<FileFault> finish(std::optional<FileFault> fault);

  StoreAccess m_access;
  std::int64_t m_wait;
  bool m_scheduleMissing = false;
  std::vector<db::DeclaredFile*> m_opened;
};

}  // namespace dw::app
