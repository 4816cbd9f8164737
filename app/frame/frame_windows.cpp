// The frame's windows (frame_windows.h): each menu item with the procedure
// it starts and that procedure's stack, and the forms the schedule windows
// call, and the calls between the families of forms.
#include "app/frame/frame_windows.h"

#include "app/forms/common/calendar.h"
#include "app/frame/frame_menu.h"
#include "app/frame/main_frame.h"
#include "app/forms/categories/browse_categories.h"
#include "app/forms/categories/categories_calls.h"
#include "app/forms/categories/select_categories.h"
#include "app/forms/schedule/add_message_wizard.h"
#include "app/forms/schedule/add_program_wizard.h"
#include "app/forms/schedule/add_task_wizard.h"
#include "app/forms/schedule/browse_sch_by_category.h"
#include "app/forms/schedule/browse_schedule.h"
#include "app/forms/schedule/schedule_calls.h"
#include "app/forms/schedule/special_event_wizard.h"
#include "app/forms/schedule/update_schedule.h"
#include "app/forms/search/search_schedule.h"
#include "app/forms/todo/browse_todo.h"
#include "app/forms/todo/view_todo.h"

namespace dw::app {

void installFrameWindows() {
  setMenuProcedure(frame::kViewSchedule, &BrowseSchedule, kLargeStack);
  setMenuProcedure(frame::kAddMessage, &AddMessageWizard, kSmallStack);
  setMenuProcedure(frame::kAddProgram, &AddProgramWizard, kSmallStack);
  setMenuProcedure(frame::kGenericAdd, &AddTaskWizard, kSmallStack);
  setMenuProcedure(frame::kToDoList, &ViewToDo, kSmallStack);
  setMenuProcedure(frame::kCategories, &BrowseCategories, kLargeStack);
  setStartUpToDoProcedure(&BrowseTodo);

  // What the schedule windows call.
  ScheduleCalls& calls = scheduleCalls();
  calls.updateSchedule = &UpdateSchedule;
  calls.specialEventWizard = &SpecialEventWizard;
  calls.calendar = [](std::int32_t date, std::string_view title, std::string_view mode) {
    return Calendar(date, title, mode);
  };
  calls.selectCategories = &SelectCategories;
  calls.searchSchedule = &SearchSchedule;

  // What the category windows call.
  categoriesCalls().scheduleOfCategory = &BrowseSchByCategory;
}

}  // namespace dw::app
