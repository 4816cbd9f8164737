// AddMessageWizard (see add_message_wizard.h): the wizard's window, pages and presets.
#include "app/forms/schedule/add_message_wizard.h"

#include "app/data/requests.h"
#include "app/data/table_codes.h"
#include "app/forms/schedule/task_wizard.h"
#include "fields/dorn019.h"

namespace dw::app {

namespace {

namespace wz = dorn019;

TaskFieldMap fieldMap() {
  TaskFieldMap f;
  f.category = wz::kCategory;
  f.description = wz::kDescription;
  DW_WIZARD_MESSAGE_FIELDS(f, wz);
  DW_WIZARD_RULE_FIELDS(f, wz);
  DW_WIZARD_WHEN_FIELDS(f, wz);
  DW_WIZARD_ADVANCED_FIELDS(f, wz);
  return f;
}

}  // namespace

void AddMessageWizard() {
  AddMessageWizardFor(request::kInsert);
}

void AddMessageWizardFor(int request) {
  WizardDesc d;
  d.request = request;
  d.module = kAddMessageModule;
  d.label = "WIZARD$WINDOW";
  d.section = kAddMessageSection;
  DW_WIZARD_BUTTONS(d, wz);
  d.pages = {{wz::kMessageTab, PageKind::kAlways, wz::kCategory},
             {wz::kWhenTab, PageKind::kAlways, wz::kScheduleType},
             {wz::kAdvancedTab, PageKind::kAlways, wz::kAlarm}};
  d.fields = fieldMap();
  d.presetType = task_type::kDisplayMessage;
  runTaskWizard(d);
}

}  // namespace dw::app
