// The wizards' shared procedure (see task_wizard.h).
#include "app/forms/schedule/task_wizard.h"

#include <string>

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/routines/settings.h"
#include "app/data/table_codes.h"
#include "app/routines/window_position.h"
#include "app/forms/schedule/update_schedule.h"
#include "app/forms/schedule/update_schedule_store.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;

namespace {

class Wizard {
 public:
  Wizard(const WizardDesc& desc, TaskStore& store)
      : m_desc(desc), m_store(store), m_editor(store, desc.fields) {}

  void bind() {
    ui::Runtime& rt = runtime();
    m_editor.bind();
    rt.use(m_desc.sheet, ui::VarRef::of(m_tab));
    if (m_desc.skipCopied != 0) rt.use(m_desc.skipCopied, ui::VarRef::of(m_skipCopied));
    m_page = 0;
    showPage();
  }
  TaskEditor& editor() { return m_editor; }
  bool skipCopied() const { return m_skipCopied != 0; }

  void next() {
    if (const int to = step(+1); to >= 0) m_page = to;
    showPage();
  }
  void back() {
    if (const int to = step(-1); to >= 0) m_page = to;
    showPage();
  }
  // The user chose a tab of the sheet.
  void tabChosen() {
    const int page = m_tab - 1;
    if (page >= 0 && page < static_cast<int>(m_desc.pages.size()) && applies(page)) m_page = page;
    showPage();
  }
  // The task type changed: pages may have started or stopped applying.
  void taskTypeChanged() {
    if (!applies(m_page)) m_page = 0;
    showPage();
  }

 private:
  bool applies(int page) const {
    if (!m_desc.skipByTaskType) return true;
    const std::string type = m_store.task.TaskType.str();
    switch (m_desc.pages[page].kind) {
      case PageKind::kAlways:
        return true;
      case PageKind::kCommand:
        return type != task_type::kDisplayMessage && type.substr(0, 4) != task_type::kNone;
      case PageKind::kMessage:
        return type != task_type::kRunProgram;
    }
    return true;
  }
  // The next page that applies in direction `by` from the current one, or -1.
  int step(int by) const {
    for (int p = m_page + by; p >= 0 && p < static_cast<int>(m_desc.pages.size()); p += by)
      if (applies(p)) return p;
    return -1;
  }
  void showPage() {
    ui::Runtime& rt = runtime();
    for (int p = 0; p < static_cast<int>(m_desc.pages.size()); ++p) {
      if (applies(p))
        rt.unhide(m_desc.pages[p].tab);
      else
        rt.hide(m_desc.pages[p].tab);
    }
    m_tab = m_page + 1;
    rt.display(m_desc.sheet);
    if (const int focus = m_desc.pages[m_page].focus) rt.select(focus);
    const bool first = step(-1) < 0;
    const bool last = step(+1) < 0;
    if (first)
      rt.hide(m_desc.back);
    else
      rt.unhide(m_desc.back);
    if (last) {
      rt.hide(m_desc.next);
      rt.unhide(m_desc.finish);
    } else {
      rt.unhide(m_desc.next);
      rt.hide(m_desc.finish);
    }
  }

  const WizardDesc& m_desc;
  TaskStore& m_store;
  TaskEditor m_editor;
  std::int32_t m_tab = 1;  // the sheet's chosen tab, from 1
  int m_page = 0;          // the page counter, from 0
  std::uint8_t m_skipCopied = 0;
};

// The special event is stored; make the copied task skip its next
// occurrence, telling each failure as it happens.
void skipCopiedTask(TaskStore& store, std::int32_t copiedId) {
  ui::Runtime& rt = runtime();
  ScheduleRecord copy = store.task;
  copy.SkipNextTime = 0;
  if (store.write(copy, store.message) != 0)
    rt.message("Could not reset SKIP status " + fileErrorText());
  SCH()->ID = copiedId;
  if (SCH().get(sch_key::kKeyID) != 0) {
    rt.message("Could not set SKIP status  ID #" + std::to_string(copiedId) +
               "Error:" + fileErrorText());
    return;
  }
  SCH()->SkipNextTime = 1;
  if (SCH().put() != 0) rt.message("Could not change SKIP status " + fileErrorText());
}

}  // namespace

void runTaskWizard(const WizardDesc& desc) {
  ui::Runtime& rt = runtime();
  const bool rescheduling = desc.skipCopied != 0;
  int request = desc.request;
  if (rescheduling || (request != request::kChange && request != request::kDelete))
    request = request::kInsert;
  globalResponse() = response::kCancelled;
  TaskStore store;
  if (!store.open()) return;

  std::int32_t copiedId = 0;
  if (rescheduling) {
    store.takeFromBuffer();
    copiedId = store.task.ID;
    // The special event happens once, as it is: not skipped (a copy of a
    // task that was to skip its next time would otherwise never run).
    store.task.ScheduleType = schedule_type::kOnce;
    store.task.Disabled = 0;
    store.task.AdvanceWarned = 0;
    store.task.SkipNextTime = 0;
    if (!store.prime()) return;
  } else if (request == request::kInsert) {
    store.task = blankTask();
    store.message.clear();
    applyInsertDefaults(store.task, selectedDay());
    store.task.TaskType = desc.presetType;
    store.task.Category = kGeneralCategory;
    CAT()->Category = kGeneralCategory;
    if (!store.prime()) return;
  } else {
    store.takeFromBuffer();
  }

  ui::Window& window = ui::openWindow(desc.module, desc.label, ui::WindowKind::Plain);
  restorePosition(desc.section, false, kIniFile);
  if (rescheduling)
    rt.setProperty(0, ui::prop::kText, kRescheduleTitle);
  else if (request == request::kChange)
    rt.setProperty(0, ui::prop::kText, kChangingRecordTitle);
  Wizard wizard(desc, store);
  wizard.bind();

  while (rt.accept()) {
    noteWindowState(rt.event());
    const int event = rt.event();
    const int field = rt.field();
    if (event == ev::kRejected) {
      rt.backend().beep();
      rt.display(field);
      continue;
    }
    if (event == ev::kCompleted) {
      wizard.editor().takeMessage();
      const StoreResult r =
          request == request::kChange ? store.completeChange() : store.completeInsert();
      if (r == StoreResult::kRetry) continue;
      if (r == StoreResult::kDone) {
        globalResponse() = response::kCompleted;
        if (rescheduling && wizard.skipCopied()) skipCopiedTask(store, copiedId);
      }
      rt.post(ev::kCloseWindow);
      continue;
    }
    if (event == ev::kNewSelection && field == desc.sheet) {
      wizard.tabChosen();
      continue;
    }
    if (event == ev::kAccepted) {
      if (field == desc.next) {
        wizard.next();
        continue;
      }
      if (field == desc.back) {
        wizard.back();
        continue;
      }
      if (field == desc.finish) {
        if (request == request::kDelete) {
          if (store.confirmAndDelete()) globalResponse() = response::kCompleted;
          rt.post(ev::kCloseWindow);
        } else {
          rt.selectAll();
        }
        continue;
      }
      if (field == desc.cancel) {
        globalResponse() = response::kCancelled;
        rt.post(ev::kCloseWindow);
        continue;
      }
    }
    if (wizard.editor().handle(event, field) && field == desc.fields.taskType)
      wizard.taskTypeChanged();
  }
  store.unprime();
  if (globalResponse() != response::kCompleted) store.restoreCaller();
  savePosition(desc.section, kIniFile);
  rt.close(window);
}

}  // namespace dw::app
