// AddProgramWizard (see add_program_wizard.h): the wizard's window, pages and presets.
#include "app/forms/add_program_wizard.h"

#include "app/core/requests.h"
#include "app/core/table_codes.h"
#include "app/forms/task_wizard.h"
#include "fields/dorn020.h"

namespace dw::app {

namespace {

namespace wz = dorn020;

TaskFieldMap fieldMap() {
  TaskFieldMap f;
  f.category = wz::kCategory;
  f.description = wz::kDescription;
  f.commandTab = wz::kCommandTab;
  f.commandFirst = wz::kCommandPrompt;
  f.commandLast = wz::kPath;
  f.command = wz::kCommand;
  f.browseCommand = wz::kBrowseCommand;
  f.path = wz::kPath;
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

void AddProgramWizard() {
  AddProgramWizardFor(request::kInsert);
}

void AddProgramWizardFor(int request) {
  WizardDesc d;
  d.request = request;
  d.module = kAddProgramModule;
  d.label = "WIZARD$WINDOW";
  d.section = kAddProgramSection;
  d.sheet = wz::kSheet;
  d.back = wz::kBack;
  d.next = wz::kNext;
  d.finish = wz::kFinish;
  d.cancel = wz::kCancel;
  d.pages = {{wz::kCommandTab, PageKind::kAlways, wz::kCommand},
             {wz::kWhenTab, PageKind::kAlways, wz::kScheduleType},
             {wz::kCategoryTab, PageKind::kAlways, wz::kCategory},
             {wz::kAdvancedTab, PageKind::kAlways, wz::kAlarm}};
  d.fields = fieldMap();
  d.presetType = task_type::kRunProgram;
  runTaskWizard(d);
}

}  // namespace dw::app
