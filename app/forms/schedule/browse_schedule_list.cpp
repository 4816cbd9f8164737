// The schedule lists' common commands (see browse_schedule_list.h).
#include "app/forms/schedule/browse_schedule_list.h"

#include <algorithm>
#include <cctype>

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/schedule/browse_schedule_rows.h"
#include "app/forms/schedule/schedule_calls.h"
#include "app/routines/file_routines.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/list_control.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

using ui::runtime;

namespace {

constexpr std::int64_t kLocatePage = 64;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

}  // namespace

int commandForListKey(const BrowseFields& fields, int keyCode) {
  switch (keyCode) {
    case ui::key::kMouseLeft2:
    case ui::key::kCtrlEnter:
      return fields.change;
    case ui::key::kInsert:
      return fields.add;
    case ui::key::kDelete:
      return fields.remove;
    default:
      return 0;
  }
}

void ScheduleBrowser::show(std::shared_ptr<ScheduleListSource> source) {
  m_source = std::move(source);
  m_typed.clear();
  showLocator();
  ui::setListSource(m_fields.list, m_source);
  // The commands act on the chosen task, so a view that lists tasks opens
  // with its first one chosen (a new source starts with none).
  if (!empty()) {
    if (ui::ListControl* list = ui::listControl(m_fields.list)) list->choose(1);
    runtime().display(m_fields.list);
  }
  updateButtons();
}

void ScheduleBrowser::refill() {
  if (!m_source) return;
  m_source->reload();
  ui::reloadList(m_fields.list);
  updateButtons();
}

void ScheduleBrowser::refillAt(std::uint32_t recordNumber) {
  if (!m_source) return;
  m_source->reload();
  const std::optional<std::int64_t> index = m_source->indexOf(recordNumber);
  ui::reloadList(m_fields.list);
  if (index) {
    if (ui::ListControl* list = ui::listControl(m_fields.list)) list->choose(*index + 1);
    runtime().display(m_fields.list);
  }
  updateButtons();
}

void ScheduleBrowser::updateButtons() {
  const bool none = empty();
  for (const int field : {m_fields.change, m_fields.remove, m_fields.reschedule, m_fields.runNow}) {
    if (field == 0) continue;
    if (none)
      runtime().disable(field);
    else
      runtime().enable(field);
  }
}

bool ScheduleBrowser::fetchSelected() {
  const std::int64_t chosen = runtime().choice(m_fields.list);
  if (!m_source || chosen < 1) return false;
  const std::optional<db::ViewRow> row = m_source->row(chosen - 1);
  if (!row) return false;
  if (SCH().getRecord(row->recordNumber) != 0) {
    standardError(stdmsg::kRecordRetrievalError, kScheduleLabel);
    refill();
    return false;
  }
  return true;
}

void ScheduleBrowser::add(std::string_view category) {
  ScheduleFile& sch = SCH();
  sch.clear();
  if (!trimRight(category).empty()) sch->Category = category;
  globalRequest() = request::kInsert;
  scheduleCalls().updateSchedule();
  if (globalResponse() == response::kCompleted && sch.pointer() != 0)
    refillAt(sch.pointer());
  else
    refill();
  runtime().select(m_fields.list);
}

void ScheduleBrowser::changeOrDelete(int request) {
  if (!fetchSelected()) return;
  globalRequest() = request;
  scheduleCalls().updateSchedule();
  refill();
  runtime().select(m_fields.list);
}

void ScheduleBrowser::listPopup() {
  const bool none = empty();
  const int choice = ui::popup(none ? kEmptyListPopup : kListPopup);
  const int commands[] = {m_fields.add, m_fields.change, m_fields.remove};
  if (choice >= 1 && choice <= 3) runtime().post(ui::ev::kAccepted, commands[choice - 1]);
}

void ScheduleBrowser::listKey(int keyCode) {
  if (keyCode == ui::key::kMouseRight) {
    listPopup();
  } else if (const int command = commandForListKey(m_fields, keyCode)) {
    runtime().post(ui::ev::kAccepted, command);
  } else if (keyCode == ui::key::kBackspace) {
    if (!m_typed.empty()) m_typed.pop_back();
    showLocator();
  } else if (const char c = ui::key::typedCharacter(keyCode)) {
    locate(c);
  }
}

void ScheduleBrowser::selectionChanged() {
  m_typed.clear();
  showLocator();
}

void ScheduleBrowser::showLocator() {
  if (m_fields.locator != 0) runtime().setProperty(m_fields.locator, ui::prop::kText, m_typed);
}

std::optional<std::int64_t> ScheduleBrowser::findFrom(std::int64_t start, std::int64_t end) {
  for (std::int64_t first = start; first < end; first += kLocatePage) {
    const std::vector<db::ViewRow> rows = m_source->rows(first, std::min(kLocatePage, end - first));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const ScheduleRecord r = scheduleRecordOf(rows[i].record);
      const std::string_view text =
          m_locateByCategory ? r.Category.trimmed() : r.Description.trimmed();
      if (startsWithNoCase(text, m_typed)) return first + static_cast<std::int64_t>(i);
    }
    if (static_cast<std::int64_t>(rows.size()) < std::min(kLocatePage, end - first)) break;
  }
  return std::nullopt;
}

void ScheduleBrowser::locate(char typed) {
  m_typed += typed;
  showLocator();
  if (!m_source) return;
  const std::int64_t count = m_source->rowCount();
  const std::int64_t from = std::max<std::int64_t>(runtime().choice(m_fields.list) - 1, 0);
  std::optional<std::int64_t> found = findFrom(from, count);
  if (!found) found = findFrom(0, from);
  if (!found) {
    runtime().backend().beep();
    return;
  }
  if (ui::ListControl* list = ui::listControl(m_fields.list)) list->choose(*found + 1);
  runtime().display(m_fields.list);
}

}  // namespace dw::app
