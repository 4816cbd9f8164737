// What the four wizards share: a task edited page by page on the task
// form's fields and rules (update_schedule_fields.h), each page a tab of
// the window's sheet, with "<- &Back", "&Next ->", "&Finish" and "Cancel".
//
// Navigation: the wizard starts on its first page.  Next goes to the next
// page that applies and Back to the previous one, so Back always returns
// to the page Next came from.  Back is hidden on the first page; on the
// last page that applies Next is hidden and Finish shown, elsewhere the
// reverse.  With `skipByTaskType`, the command page applies only to a task
// that runs a program ("Run Program", "Both") and the message page only to
// one that shows a message (any type but "Run Program"); a page that does
// not apply is also hidden as a tab.  Choosing a tab directly moves the
// wizard there.
//
// Finish validates every field of the page (completion) and stores the
// task as the form's OK does; for a delete request it deletes at once.
// Cancel (or closing the window) leaves the response 2 and deletes the
// primed task again.
//
// The reschedule wizard copies the task in SCH's buffer into a new "Once"
// task (enabled, not warned, not skipped); when it completes with its skip
// check set, the copied task is made to skip its next occurrence.
//
// Thread-safety: the wizard's thread, under the Runtime lock.
#pragma once

#include <vector>

#include "app/forms/schedule/update_schedule_fields.h"

namespace dw::app {

enum class PageKind {
  kAlways,   // applies to every task
  kCommand,  // only to a task that runs a program
  kMessage,  // only to a task that shows a message
};

struct WizardPage {
  int tab = 0;  // the page's tab (its field number)
  PageKind kind = PageKind::kAlways;
  int focus = 0;  // the control that takes the focus when the page is shown
};

struct WizardDesc {
  const char* module = "";
  const char* label = "";
  const char* section = "";  // of DORN.INI, for the window's position
  int sheet = 0, back = 0, next = 0, finish = 0, cancel = 0;
  std::vector<WizardPage> pages;  // in the order of the sheet's tabs
  TaskFieldMap fields;
  bool skipByTaskType = false;
  // Adding: the task type a new task gets, with the category "General".
  const char* presetType = "";
  // Rescheduling: the check "Skip next regular occurance of task being
  // copied" (0 for the adding wizards).
  int skipCopied = 0;
  // The request (requests.h): change and delete act on the task in SCH's
  // buffer, anything else adds; the reschedule wizard always adds.
  int request = 0;
};

inline constexpr const char* kChangingRecordTitle = "Changing a Schedule Record";
inline constexpr const char* kRescheduleTitle = "Reschedule Event Wizard";

// Runs one wizard for desc.request and leaves the shared response.
void runTaskWizard(const WizardDesc& desc);

}  // namespace dw::app

// The wizards' windows name their controls alike, each in the field-number
// namespace rescomp writes for it; these fill a TaskFieldMap's members for
// one group of pages from such a namespace `wz`.
#define DW_WIZARD_COMMAND_FIELDS(f, wz)     \
  do {                                      \
    (f).commandTab = wz::kCommandTab;       \
    (f).commandFirst = wz::kCommandPrompt;  \
    (f).commandLast = wz::kPath;            \
    (f).command = wz::kCommand;             \
    (f).browseCommand = wz::kBrowseCommand; \
    (f).path = wz::kPath;                   \
  } while (false)
#define DW_WIZARD_MESSAGE_FIELDS(f, wz) \
  do {                                  \
    (f).messageTab = wz::kMessageTab;   \
    (f).messageText = wz::kMessageText; \
  } while (false)
#define DW_WIZARD_RULE_FIELDS(f, wz)      \
  do {                                    \
    (f).scheduleType = wz::kScheduleType; \
    (f).every1st = wz::kEvery1st;         \
    (f).sunday = wz::kSunday;             \
    (f).everyPrompt = wz::kEveryPrompt;   \
    (f).every = wz::kEvery;               \
    (f).everyType = wz::kEveryType;       \
    (f).everyTypeLast = wz::kYears;       \
    (f).skipNextTime = wz::kSkipNextTime; \
  } while (false)
#define DW_WIZARD_WHEN_FIELDS(f, wz)  \
  do {                                \
    (f).date = wz::kDate;             \
    (f).pickDate = wz::kPickDate;     \
    (f).timePrompt = wz::kTimePrompt; \
    (f).time = wz::kTime;             \
  } while (false)
#define DW_WIZARD_ADVANCED_FIELDS(f, wz)        \
  do {                                          \
    (f).advanceWarnDate = wz::kAdvanceWarnDate; \
    (f).pickWarnDate = wz::kPickWarnDate;       \
    (f).advanceWarnTime = wz::kAdvanceWarnTime; \
    (f).alarm = wz::kAlarm;                     \
    (f).alarmFirst = wz::kAlarmPrompt;          \
    (f).alarmLast = wz::kPlay;                  \
    (f).alarmFile = wz::kAlarmFile;             \
    (f).browseAlarm = wz::kBrowseAlarm;         \
    (f).play = wz::kPlay;                       \
    (f).warn = wz::kWarn;                       \
    (f).userSkip = wz::kUserSkip;               \
    (f).disabled = wz::kDisabled;               \
    (f).preview = wz::kPreview;                 \
  } while (false)
// The sheet and the four buttons of a wizard's window, into a WizardDesc.
#define DW_WIZARD_BUTTONS(d, wz) \
  do {                           \
    (d).sheet = wz::kSheet;      \
    (d).back = wz::kBack;        \
    (d).next = wz::kNext;        \
    (d).finish = wz::kFinish;    \
    (d).cancel = wz::kCancel;    \
  } while (false)
