// AddTaskWizard (see add_task_wizard.h): the wizard's window, pages and presets.
#include "app/forms/add_task_wizard.h"

#include "app/core/requests.h"
#include "app/core/table_codes.h"
#include "app/forms/task_wizard.h"
#include "fields/dorn021.h"

namespace dw::app {

namespace {

namespace wz = dorn021;

TaskFieldMap fieldMap() {
  TaskFieldMap f;
  f.taskType = wz::kTaskType;
  f.category = wz::kCategory;
  f.description = wz::kDescription;
  f.commandTab = wz::kCommandTab;
  f.commandFirst = wz::kCommandPrompt;
  f.commandLast = wz::kPath;
  f.command = wz::kCommand;
  f.browseCommand = wz::kBrowseCommand;
  f.path = wz::kPath;
  f.messageTab = wz::kMessageTab;
  f.messageText = wz::kMessageText;
  f.scheduleType = wz::kScheduleType;
  f.every1st = wz::kEvery1st;
  f.sunday = wz::kSunday;
  f.everyPrompt = wz::kEveryPrompt;
  f.every = wz::kEvery;
  f.everyType = wz::kEveryType;
  f.everyTypeLast = wz::kYears;
  f.date = wz::kDate;
  f.pickDate = wz::kPickDate;
  f.timePrompt = wz::kTimePrompt;
  f.time = wz::kTime;
  f.skipNextTime = wz::kSkipNextTime;
  f.advanceWarnDate = wz::kAdvanceWarnDate;
  f.pickWarnDate = wz::kPickWarnDate;
  f.advanceWarnTime = wz::kAdvanceWarnTime;
  f.alarm = wz::kAlarm;
  f.alarmFirst = wz::kAlarmPrompt;
  f.alarmLast = wz::kPlay;
  f.alarmFile = wz::kAlarmFile;
  f.browseAlarm = wz::kBrowseAlarm;
  f.play = wz::kPlay;
  f.warn = wz::kWarn;
  f.userSkip = wz::kUserSkip;
  f.disabled = wz::kDisabled;
  f.preview = wz::kPreview;
  return f;
}

}  // namespace

void AddTaskWizard() {
  AddTaskWizardFor(request::kInsert);
}

void AddTaskWizardFor(int request) {
  WizardDesc d;
  d.request = request;
  d.module = kAddTaskModule;
  d.label = "WIZARD$WINDOW";
  d.section = kAddTaskSection;
  d.sheet = wz::kSheet;
  d.back = wz::kBack;
  d.next = wz::kNext;
  d.finish = wz::kFinish;
  d.cancel = wz::kCancel;
  d.pages = {{wz::kTaskTab, PageKind::kAlways, wz::kTaskType},
             {wz::kCategoryTab, PageKind::kAlways, wz::kCategory},
             {wz::kCommandTab, PageKind::kCommand, wz::kCommand},
             {wz::kMessageTab, PageKind::kMessage, wz::kMessageText},
             {wz::kWhenTab, PageKind::kAlways, wz::kScheduleType},
             {wz::kAdvancedTab, PageKind::kAlways, wz::kAlarm}};
  d.fields = fieldMap();
  d.skipByTaskType = true;
  d.presetType = task_type::kBoth;
  runTaskWizard(d);
}

}  // namespace dw::app
