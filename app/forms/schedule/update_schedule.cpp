// The task form (see update_schedule.h).
#include "app/forms/schedule/update_schedule.h"

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "app/forms/schedule/update_schedule_fields.h"
#include "app/forms/schedule/update_schedule_store.h"
#include "fields/dorn005.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace us = dorn005;

namespace {

constexpr const char* kAddingTitle = "Adding a Schedule Task";
constexpr const char* kChangingTitle = "Changing a Schedule Task";

std::int32_t g_selectedDay = 0;

TaskFieldMap formFields() {
  TaskFieldMap f;
  f.taskType = us::kTaskType;
  f.category = us::kCategory;
  f.description = us::kDescription;
  f.commandTab = us::kCommandTab;
  f.commandFirst = us::kCommandPrompt;
  f.commandLast = us::kPath;
  f.command = us::kCommand;
  f.browseCommand = us::kBrowseCommand;
  f.path = us::kPath;
  f.messageTab = us::kMessageTab;
  f.messageText = us::kMessageText;
  f.scheduleType = us::kScheduleType;
  f.every1st = us::kEvery1st;
  f.sunday = us::kSunday;
  f.everyPrompt = us::kEveryPrompt;
  f.every = us::kEvery;
  f.everyType = us::kEveryType;
  f.everyTypeLast = us::kYears;
  f.date = us::kDate;
  f.pickDate = us::kPickDate;
  f.timePrompt = us::kTimePrompt;
  f.time = us::kTime;
  f.lastRunDate = us::kLastRunDate;
  f.lastRunTime = us::kLastRunTime;
  f.skipNextTime = us::kSkipNextTime;
  f.advanceWarnDate = us::kAdvanceWarnDate;
  f.pickWarnDate = us::kPickWarnDate;
  f.advanceWarnTime = us::kAdvanceWarnTime;
  f.alarm = us::kAlarm;
  f.alarmFirst = us::kAlarmPrompt;
  f.alarmLast = us::kPlay;
  f.alarmFile = us::kAlarmFile;
  f.browseAlarm = us::kBrowseAlarm;
  f.play = us::kPlay;
  f.warn = us::kWarn;
  f.userSkip = us::kUserSkip;
  f.disabled = us::kDisabled;
  f.preview = us::kPreview;
  return f;
}

}  // namespace

std::int32_t& selectedDay() {
  return g_selectedDay;
}

void UpdateSchedule() {
  ui::Runtime& rt = runtime();
  const int request = globalRequest();
  globalResponse() = response::kCancelled;
  TaskStore store;
  if (!store.open()) return;

  if (request == request::kDelete) {
    if (store.confirmAndDelete()) globalResponse() = response::kCompleted;
    return;
  }
  const bool inserting = request == request::kInsert;
  if (inserting) {
    store.task = blankTask();
    store.message.clear();
    applyInsertDefaults(store.task, g_selectedDay);
    if (!store.prime()) return;
  } else {
    store.takeFromBuffer();
  }

  ui::Window& window =
      ui::openWindow(kUpdateScheduleModule, kUpdateScheduleLabel, ui::WindowKind::Plain);
  restorePosition(kUpdateScheduleSection, false, kIniFile);
  rt.setProperty(0, ui::prop::kText, inserting ? kAddingTitle : kChangingTitle);
  TaskEditor editor(store, formFields());
  editor.bind();
  rt.select(us::kTaskType);

  while (rt.accept()) {
    noteWindowState(rt.event());
    const int event = rt.event();
    const int field = rt.field();
    if (event == ev::kRejected) {
      // Text the entry's picture refuses: say so and show the value again.
      rt.backend().beep();
      rt.display(field);
      continue;
    }
    if (event == ev::kCompleted) {
      editor.takeMessage();
      const StoreResult r = inserting ? store.completeInsert() : store.completeChange();
      if (r == StoreResult::kRetry) {
        rt.select(us::kTaskType);
        continue;
      }
      if (r == StoreResult::kDone) globalResponse() = response::kCompleted;
      rt.post(ev::kCloseWindow);
      continue;
    }
    if (event == ev::kAccepted && field == us::kOK) {
      rt.selectAll();
      continue;
    }
    if (event == ev::kAccepted && field == us::kCancel) {
      globalResponse() = response::kCancelled;
      rt.post(ev::kCloseWindow);
      continue;
    }
    editor.handle(event, field);
  }
  // An insert that did not complete gives its identifier back.
  store.unprime();
  if (globalResponse() != response::kCompleted) store.restoreCaller();
  savePosition(kUpdateScheduleSection, kIniFile);
  rt.close(window);
}

}  // namespace dw::app
