// AddTaskWizard (see add_task_wizard.h): the wizard's window, pages and presets.
#include "app/forms/schedule/add_task_wizard.h"

#include "app/data/requests.h"
#include "app/data/table_codes.h"
#include "app/forms/schedule/task_wizard.h"
#include "fields/dorn021.h"

namespace dw::app {

namespace {

namespace wz = dorn021;

TaskFieldMap fieldMap() {
  TaskFieldMap f;
  f.taskType = wz::kTaskType;
  f.category = wz::kCategory;
  f.description = wz::kDescription;
  DW_WIZARD_COMMAND_FIELDS(f, wz);
  DW_WIZARD_MESSAGE_FIELDS(f, wz);
  DW_WIZARD_RULE_FIELDS(f, wz);
  DW_WIZARD_WHEN_FIELDS(f, wz);
  DW_WIZARD_ADVANCED_FIELDS(f, wz);
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
  DW_WIZARD_BUTTONS(d, wz);
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
