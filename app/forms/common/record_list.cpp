// The small lists' common commands (see record_list.h).
#include "app/forms/common/record_list.h"

#include <algorithm>
#include <cctype>

#include "app/routines/file_routines.h"
#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/list_control.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

using ui::runtime;

namespace {

constexpr std::int64_t kPage = 64;

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

KeyListSource::KeyListSource(db::DeclaredFile& file, std::size_t key,
                             ViewListSource::RowFormatter format)
    : m_file(file),
      m_view(std::make_unique<db::View>(*file.table(), key, static_cast<char*>(file.buffer()))),
      m_rows(*m_view, std::move(format)) {
  db::DeclaredFile* f = &m_file;
  m_rows.setCounter([f, key] { return f->keyRecords(key); });
}

std::optional<db::ViewRow> KeyListSource::row(std::int64_t index) {
  std::vector<db::ViewRow> rows = m_rows.rows(index, 1);
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

std::optional<std::int64_t> KeyListSource::indexOf(std::uint32_t recordNumber) {
  for (std::int64_t first = 0;; first += kPage) {
    const std::vector<db::ViewRow> page = m_rows.rows(first, kPage);
    for (std::size_t i = 0; i < page.size(); ++i)
      if (page[i].recordNumber == recordNumber) return first + static_cast<std::int64_t>(i);
    if (static_cast<std::int64_t>(page.size()) < kPage) return std::nullopt;
  }
}

void RecordBrowser::show(std::shared_ptr<KeyListSource> source) {
  m_source = std::move(source);
  m_typed.clear();
  ui::setListSource(m_fields.list, m_source);
  if (!empty()) {
    if (ui::ListControl* list = ui::listControl(m_fields.list)) list->choose(1);
    runtime().display(m_fields.list);
  }
  updateButtons();
}

void RecordBrowser::refill() {
  if (!m_source) return;
  m_source->reload();
  ui::reloadList(m_fields.list);
  updateButtons();
}

void RecordBrowser::refillAt(std::uint32_t recordNumber) {
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

void RecordBrowser::updateButtons() {
  for (int field : {m_fields.change, m_fields.remove}) {
    if (field == 0) continue;
    if (empty())
      runtime().disable(field);
    else
      runtime().enable(field);
  }
}

bool RecordBrowser::fetchSelected() {
  const std::int64_t chosen = runtime().choice(m_fields.list);
  if (!m_source || chosen < 1) return false;
  const std::optional<db::ViewRow> row = m_source->row(chosen - 1);
  if (!row) return false;
  if (m_file.getRecord(row->recordNumber) != 0) {
    standardError(stdmsg::kRecordRetrievalError, m_label);
    refill();
    return false;
  }
  return true;
}

void RecordBrowser::listPopup() {
  const int choice = ui::popup(empty() ? m_emptyPopup : m_popup);
  const int commands[] = {m_fields.add, m_fields.change, m_fields.remove};
  if (choice >= 1 && choice <= 3 && commands[choice - 1] != 0)
    runtime().post(ui::ev::kAccepted, commands[choice - 1]);
}

void RecordBrowser::listKey(int keyCode) {
  int command = 0;
  switch (keyCode) {
    case ui::key::kMouseRight:
      listPopup();
      return;
    case ui::key::kMouseLeft2:
    case ui::key::kCtrlEnter:
      command = m_fields.change;
      break;
    case ui::key::kInsert:
      command = m_fields.add;
      break;
    case ui::key::kDelete:
      command = m_fields.remove;
      break;
    case ui::key::kBackspace:
      if (!m_typed.empty()) m_typed.pop_back();
      return;
    default:
      if (const char c = ui::key::typedCharacter(keyCode)) locate(c);
      return;
  }
  if (command != 0) runtime().post(ui::ev::kAccepted, command);
}

std::optional<std::int64_t> RecordBrowser::findFrom(std::int64_t start, std::int64_t end) {
  for (std::int64_t first = start; first < end; first += kPage) {
    const std::vector<db::ViewRow> rows = m_source->rows(first, std::min(kPage, end - first));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (startsWithNoCase(m_locatorText(rows[i].record), m_typed))
        return first + static_cast<std::int64_t>(i);
    }
    if (static_cast<std::int64_t>(rows.size()) < std::min(kPage, end - first)) break;
  }
  return std::nullopt;
}

void RecordBrowser::locate(char typed) {
  if (!m_source || !m_locatorText) return;
  m_typed += typed;
  const std::int64_t count = m_source->rowCount();
  const std::int64_t from = std::max<std::int64_t>(runtime().choice(m_fields.list) - 1, 0);
  std::optional<std::int64_t> found = findFrom(from, count);
  if (!found) found = findFrom(0, from);
  if (!found) {
    // Nothing starts so: begin again with this character alone.
    m_typed = std::string(1, typed);
    found = findFrom(0, count);
  }
  if (!found) {
    m_typed.clear();
    runtime().backend().beep();
    return;
  }
  if (ui::ListControl* list = ui::listControl(m_fields.list)) list->choose(*found + 1);
  runtime().display(m_fields.list);
}

}  // namespace dw::app
