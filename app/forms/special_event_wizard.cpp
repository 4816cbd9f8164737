// SpecialEventWizard (see special_event_wizard.h): the wizard's window, pages and presets.
#include "app/forms/special_event_wizard.h"

#include "app/core/requests.h"
#include "app/core/table_codes.h"
#include "app/forms/task_wizard.h"
#include "fields/dorn003.h"

namespace dw::app {

namespace {

namespace wz = dorn003;

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
  f.date = wz::kDate;
  f.pickDate = wz::kPickDate;
  f.timePrompt = wz::kTimePrompt;
  f.time = wz::kTime;
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

void SpecialEventWizard() {
  WizardDesc d;
  d.request = request::kInsert;
  d.module = kSpecialEventModule;
  d.label = kSpecialEventLabel;
  d.section = kSpecialEventSection;
  d.sheet = wz::kSheet;
  d.back = wz::kBack;
  d.next = wz::kNext;
  d.finish = wz::kFinish;
  d.cancel = wz::kCancel;
  d.pages = {{wz::kTaskTab, PageKind::kAlways, wz::kTaskType},
             {wz::kCommandTab, PageKind::kCommand, wz::kCommand},
             {wz::kMessageTab, PageKind::kMessage, wz::kMessageText},
             {wz::kWhenTab, PageKind::kAlways, wz::kDate},
             {wz::kAdvancedTab, PageKind::kAlways, wz::kAlarm}};
  d.fields = fieldMap();
  d.skipByTaskType = true;
  d.skipCopied = wz::kSkipCopied;
  runTaskWizard(d);
}

}  // namespace dw::app
