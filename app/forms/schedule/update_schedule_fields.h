// The fields, rules and field events that the task form and the four
// wizards share: which controls edit which field of the task, what is shown
// for which task type, schedule type and alarm setting, and what happens
// when the user accepts the next date, the advance warning, a Browse
// button or Play.  Each window names its own controls in a TaskFieldMap
// (field numbers from its fields/dornNNN.h; 0 for a control the window
// does not have) and hands every event of its loop to TaskEditor::handle.
//
// Visibility rules:
//  - task type: "Run Program" shows the command page and hides the message
//    page; "Display Message" the reverse; "Both" shows both; "None" hides
//    the command page and the time (only the first four characters of
//    "Both" and "None" are compared);
//  - schedule type: the week and weekday checks and the custom rule's
//    controls are hidden, then "Day of Week" shows the weekdays, "Day of
//    Month" the weeks and the weekdays, "Once", "Monthly" and "Yearly"
//    nothing, and anything else the custom rule ("Every:", count, unit);
//  - alarm: the sound file's prompt, entry, Browse and Play are enabled
//    only while the alarm is on.
//
// The controls edit the working copy of a TaskStore (update_schedule_store.h).
//
// Thread-safety: the window's thread, under the Runtime lock.
#pragma once

#include <string>
#include <vector>

#include "app/data/records.h"

namespace dw::app {

class TaskStore;

// The controls of one window (0: the window has none).
struct TaskFieldMap {
  int taskType = 0;                       // option on SCH:TaskType
  int category = 0;                       // drop list on SCH:Category
  int description = 0;                    // entry on SCH:Description
  int commandTab = 0;                     // the page of the command
  int commandFirst = 0, commandLast = 0;  // its controls
  int command = 0, browseCommand = 0, path = 0;
  int messageTab = 0;    // the page of the message
  int messageText = 0;   // text box on the message
  int scheduleType = 0;  // option on SCH:ScheduleType
  int every1st = 0;      // first of the five week checks
  int sunday = 0;        // first of the seven weekday checks
  int everyPrompt = 0, every = 0, everyType = 0, everyTypeLast = 0;
  int date = 0, pickDate = 0, timePrompt = 0, time = 0;
  int lastRunDate = 0, lastRunTime = 0;
  int skipNextTime = 0;  // check on SCH:SkipNextTime
  int advanceWarnDate = 0, pickWarnDate = 0, advanceWarnTime = 0;
  int alarm = 0, alarmFirst = 0, alarmLast = 0;  // the check and what it enables
  int alarmFile = 0, browseAlarm = 0, play = 0;
  int warn = 0, userSkip = 0, disabled = 0;
  int preview = 0;  // list of the next occurrences
};

inline constexpr const char* kProgramDialogTitle = "Choose a Program to Start";
inline constexpr const char* kProgramDialogFilter =
    "All Files|*.*|EXEs|*.EXE|COMs|*.COM|BATs|*.BAT|Shortcuts|*.LNK";
inline constexpr const char* kAlarmDialogTitle = "Select WAV File for Alarm";
inline constexpr const char* kAlarmDialogFilter = "WAV Files|*.WAV";
inline constexpr const char* kSelectDateTitle = "Select Date";

// The command line for a file chosen in the program dialog: a program
// (".EXE", ".COM" or ".BAT" anywhere in it, in any case, or a name without
// an extension, as programs are named here) runs as it is; anything else is
// a document, opened with "START " in front.
std::string commandForChosenFile(std::string_view chosen);
// The folder of a chosen file: the text before its last "\" or "/" ("" when
// it has neither).
std::string folderOf(std::string_view chosen);

// A task with every field blank or zero (SCH's clear()), message empty.
ScheduleRecord blankTask();
// The fields a new task starts with: the date `day` (today when 0) at the
// current time, "Day of Week" on every weekday in the last week, "Both",
// every 1 hour(s) for a custom rule, and asking when it was missed.
void applyInsertDefaults(ScheduleRecord& task, std::int32_t day);

class TaskEditor {
 public:
  TaskEditor(TaskStore& store, const TaskFieldMap& fields);

  // Binds the controls to the working copy, fills the category list and
  // applies the three visibility rules.
  void bind();
  // Reacts to one event of the window's loop; true when it was one of the
  // shared field events.  Every accepted control refreshes the preview.
  bool handle(int event, int field);
  // Copies the message text box into the working copy (before writing).
  void takeMessage();

  // Fills the category drop list again from the Categories table when
  // what it holds changed (a category added or renamed in another window
  // since); the task's own category stays listed.
  void refreshCategories();

  void applyTaskTypeRule();
  void applyScheduleTypeRule();
  void applyAlarmRule();
  void refreshPreview();

  // The shared field events.
  void dateAccepted();
  void warningAccepted();
  void pickDate();
  void pickWarningDate();
  void browseCommand();
  void browseAlarm();
  void play();

 private:
  void show(int first, int last, bool on);

  TaskStore& m_store;
  TaskFieldMap m_fields;
  std::vector<std::string> m_categories;  // what the drop list shows
  char m_message[kMessageMemoSize + 1] = {};
};

}  // namespace dw::app
