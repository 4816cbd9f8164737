// The due-task check: the first part of the main frame's timer work.
//
// Each tick, CheckDueTask reads the first record of SCH1:KeyDateEnabled
// (enabled tasks first, by date and time).  When that task is due it is
// performed at most once: the alarm and the "Missed Task" or "Confirm
// Task" question; the task moves to its next occurrence (NextOccurrence)
// or, for a "Once" task, is deleted, and a completed, disabled copy of the
// task as it stood before is added under a fresh identifier; then the
// message window and/or the program.  At most one task is handled per tick.
//
// Claiming an occurrence.  Before anything is performed the task's record
// is read again by its identifier with HOLD (one try) and WATCH, and it
// must be unchanged since the first read.  The hold lasts until the record
// is written back, across the questions, so another process
// on the same data file (a second scheduler, dornctl) cannot perform or
// change the same occurrence meanwhile: its hold or write is refused, and
// by the time it reads again the task has moved on.  A record held
// elsewhere is simply left for a later tick.
//
// Writing it back.  The task moved on (or a "Once" task deleted with its
// script steps) and its completed copy are written in one transaction
// before the message or program is started: once the command runs, the
// file already says the occurrence was handled, so a crash at any moment
// gives at most one run and never a moved task without its copy.  When
// that write fails (a full disk, a read-only file) the occurrence is still
// performed once and kept in memory; the user is told once (message 31 with
// the system's reason), and each later tick writes it again before any
// other task is handled.
//
// Thread-safety: the main frame's thread only, under the Runtime lock (the
// questions and message boxes give the lock up while they are shown).
// SCH1 must be open.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/scheduler/frame_title.h"

namespace dw::app {

// The question of a due task: its caption ("" when none is asked) and text.
struct DueQuestion {
  const char* caption = "";
  std::string text;
};

inline constexpr const char* kMissedTaskCaption = "Missed Task";
inline constexpr const char* kConfirmTaskCaption = "Confirm Task";

// Whether an occurrence at (date, time) is due at (today, now): strictly
// after it, so a task at 10:00:00.00 is not due at that very moment.
inline bool isDue(std::int32_t date, std::int32_t time, std::int32_t today, std::int32_t now) {
  return today > date || (today == date && now > time);
}

struct ScheduleRecord;

// Which question a due task asks: "Missed Task" for an occurrence of an
// earlier day with Warn set (never for "Display Message"), else "Confirm
// Task" when UserSkip is set, else none.
DueQuestion dueQuestion(const ScheduleRecord& task, std::int32_t today);

// One tick of the due-task check.
void CheckDueTask();

// Drops an occurrence handled but not yet written (a new run of the frame).
void forgetUnwrittenOccurrence();

// The first enabled task of SCH1:KeyDateEnabled, for the minimised frame's
// title; nothing when no task is enabled or the read fails.
std::optional<NextTask> firstEnabledTask();
// Up to `count` enabled tasks in SCH1:KeyDateEnabled order, for the tray's
// menu; fewer when fewer are enabled or a read fails.
std::vector<NextTask> firstEnabledTasks(int count);

}  // namespace dw::app
