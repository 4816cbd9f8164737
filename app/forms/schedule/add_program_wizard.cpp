// AddProgramWizard (see add_program_wizard.h): the wizard's window, pages and presets.
#include "app/forms/schedule/add_program_wizard.h"

#include "app/data/requests.h"
#include "app/data/table_codes.h"
#include "app/forms/schedule/task_wizard.h"
#include "fields/dorn020.h"

namespace dw::app {

namespace {

namespace wz = dorn020;

TaskFieldMap fieldMap() {
  TaskFieldMap f;
  f.category = wz::kCategory;
  f.description = wz::kDescription;
  DW_WIZARD_COMMAND_FIELDS(f, wz);
  DW_WIZARD_RULE_FIELDS(f, wz);
  DW_WIZARD_WHEN_FIELDS(f, wz);
  DW_WIZARD_ADVANCED_FIELDS(f, wz);
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
  DW_WIZARD_BUTTONS(d, wz);
  d.pages = {{wz::kCommandTab, PageKind::kAlways, wz::kCommand},
             {wz::kWhenTab, PageKind::kAlways, wz::kScheduleType},
             {wz::kCategoryTab, PageKind::kAlways, wz::kCategory},
             {wz::kAdvancedTab, PageKind::kAlways, wz::kAlarm}};
  d.fields = fieldMap();
  d.presetType = task_type::kRunProgram;
  runTaskWizard(d);
}

}  // namespace dw::app
