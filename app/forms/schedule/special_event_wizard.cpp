// SpecialEventWizard (see special_event_wizard.h): the wizard's window, pages and presets.
#include "app/forms/schedule/special_event_wizard.h"

#include "app/data/requests.h"
#include "app/data/table_codes.h"
#include "app/forms/schedule/task_wizard.h"
#include "fields/dorn003.h"

namespace dw::app {

namespace {

namespace wz = dorn003;

TaskFieldMap fieldMap() {
  TaskFieldMap f;
  f.taskType = wz::kTaskType;
  f.category = wz::kCategory;
  f.description = wz::kDescription;
  DW_WIZARD_COMMAND_FIELDS(f, wz);
  DW_WIZARD_MESSAGE_FIELDS(f, wz);
  DW_WIZARD_WHEN_FIELDS(f, wz);
  DW_WIZARD_ADVANCED_FIELDS(f, wz);
  return f;
}

}  // namespace

void SpecialEventWizard() {
  WizardDesc d;
  d.request = request::kInsert;
  d.module = kSpecialEventModule;
  d.label = kSpecialEventLabel;
  d.section = kSpecialEventSection;
  DW_WIZARD_BUTTONS(d, wz);
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
