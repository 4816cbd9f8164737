// The file work of the task form and the wizards: opening the Schedule and
// Categories files, priming a new task, storing, changing and deleting it,
// each failure told to the user in the standard wordings of the file
// routines (app/routines/file_routines.h).
//
// The form edits a working copy of the task (TaskStore::task, message);
// SCH's buffer receives it when it is written, so a list on another thread
// that reads SCH meanwhile cannot change what the user is editing.
//
// A primed task is written to the file disabled, whatever the user will
// choose: until the form completes it is a placeholder holding its
// identifier, and the timer work must not perform it.  The working copy
// keeps the defaults; completing writes them.
//
// Thread-safety: the form's thread, under the Runtime lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/data/records.h"

namespace dw::app {

// The result of one of the store's writes.
enum class StoreResult {
  kDone,     // written (or deleted)
  kRetry,    // the user wants to go back to the form
  kAbandon,  // the user gave up: close without saving
};

class TaskStore {
 public:
  TaskStore();
  ~TaskStore();  // closes what open() opened
  TaskStore(const TaskStore&) = delete;
  TaskStore& operator=(const TaskStore&) = delete;

  // Uses Schedule and Categories through the standard open routine
  // (created when missing; the program ends when they cannot be used).
  bool open();

  // Takes SCH's buffer (and message) as the working copy, and reads the
  // stored task under WATCH so that a change made meanwhile by another
  // writer is noticed when the form writes.
  void takeFromBuffer();
  // Primes a new task: the next identifier, the working copy's fields
  // (as they stand) added at once as a disabled placeholder, with up to
  // three retries and then the "Auto Increment Error" box, which offers
  // Retry.  False when no record could be added (told).
  bool prime();
  bool primed() const { return m_primed; }
  // Deletes the placeholder again (an insert that did not complete).
  void unprime();

  // Writes the working copy over the primed placeholder (insert).
  StoreResult completeInsert();
  // Writes the working copy over the stored task (change) through the
  // Schedule update routine, which also adds its category when the table
  // lacks it (removed while the form was open); a failure asks
  // "Record Update Error" with Yes (try again), No (close without saving)
  // and Cancel (back to the form).
  StoreResult completeChange();
  // Asks "Confirm Delete"; on OK deletes the task in SCH's buffer (by its
  // identifier), asking again while a failure is answered Yes.  True when
  // it was deleted.
  bool confirmAndDelete();

  // Puts SCH's buffer back as it was when open() was called (a form that
  // did not complete leaves the caller's record as the caller had it).
  void restoreCaller();

  // Writes one stored task (by identifier) from `task` and `message`, in
  // one transaction that adds its category when the Categories table lacks
  // it; 0 or the error (posted).
  int write(const ScheduleRecord& task, const std::string& message);

  ScheduleRecord task{};
  std::string message;

 private:
  bool m_usingSchedule = false;
  bool m_usingCategories = false;
  bool m_primed = false;
  ScheduleRecord m_original{};
  ScheduleRecord m_callerRecord{};  // SCH's buffer at open()
  std::string m_callerMemo;         // the task as stored when the form took it
};

// The error text of the file routines' messages (standardErrorText).
std::string fileErrorText();

// The category names of the Categories file in key order.
std::vector<std::string> categoryNames();

}  // namespace dw::app
