// What the small lists of the program share (the to-do lists, the category
// list and picker): a list control over one key of a declared file without
// filter (KeyListSource), and the commands around it (RecordBrowser): the
// buttons Add, Change and Delete, the last two disabled while the list is
// empty, the list's popup, its alert keys and a locator on typed
// characters.
//
// Alert keys of the list: double click and Ctrl+Enter choose Change,
// Insert chooses Add, Delete chooses Delete, the right button shows the
// list's popup; a typed character goes to the locator, which moves the
// selection to the first entry (from the chosen one on, then from the top)
// whose locator text starts with what was typed, letter case ignored.  The
// commands are posted as EVENT:Accepted of their button, so they run
// exactly as a press of the button does.
//
// Thread-safety: the window's thread under the Runtime lock; the current
// window must be the list's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data/view_list_source.h"
#include "runtime/db/declared_file.h"

namespace dw::app {

// The rows of one key of a declared file, counted by the key's entries.
class KeyListSource : public ui::ListSource {
 public:
  KeyListSource(db::DeclaredFile& file, std::size_t key, ViewListSource::RowFormatter format);

  std::size_t key() const { return m_view->key(); }
  void reload() { m_rows.reload(); }
  std::optional<db::ViewRow> row(std::int64_t index);
  std::vector<db::ViewRow> rows(std::int64_t first, std::int64_t count) {
    return m_rows.rows(first, count);
  }
  // The index of the row of `recordNumber`, searched from the start.
  std::optional<std::int64_t> indexOf(std::uint32_t recordNumber);

  std::int64_t rowCount() override { return m_rows.rowCount(); }
  void fetch(std::int64_t first, std::int64_t count, std::vector<ui::ListRow>& out) override {
    m_rows.fetch(first, count, out);
  }

 private:
  db::DeclaredFile& m_file;
  std::unique_ptr<db::View> m_view;
  ViewListSource m_rows;
};

struct RecordListFields {
  int list = 0;
  int add = 0;
  int change = 0;
  int remove = 0;
};

// The list's popup, full and while the list is empty, as the schedule
// lists have it.
inline constexpr const char* kRecordListPopup = "&Add|&Change|&Delete|-|";
inline constexpr const char* kEmptyRecordListPopup = "&Add|~&Change|~&Delete";

class RecordBrowser {
 public:
  // `label` names the file in messages ("Todo", "Categories").
  RecordBrowser(db::DeclaredFile& file, std::string_view label, RecordListFields fields)
      : m_file(file), m_label(label), m_fields(fields) {}

  // Which text of a record (its image) the locator matches.
  void setLocatorText(std::function<std::string(const std::string& image)> text) {
    m_locatorText = std::move(text);
  }
  // The list's popup texts (choices 1 to 3 post Add, Change, Delete).
  void setPopups(std::string full, std::string whenEmpty) {
    m_popup = std::move(full);
    m_emptyPopup = std::move(whenEmpty);
  }

  // Shows a new source from the top, its first row chosen when it has one.
  void show(std::shared_ptr<KeyListSource> source);
  // Reads the rows again, keeping the chosen entry's place as far as it
  // still exists.
  void refill();
  // Reads the rows again and chooses the row of this record, if shown.
  void refillAt(std::uint32_t recordNumber);
  std::shared_ptr<KeyListSource> source() const { return m_source; }
  bool empty() { return !m_source || m_source->rowCount() == 0; }

  // Reads the chosen entry's record into the file's buffer; false (after
  // message 35 naming the file) when it cannot be read, quietly when
  // nothing is chosen.
  bool fetchSelected();

  // EVENT:AlertKey on the list.
  void listKey(int keyCode);
  void listPopup();
  void selectionChanged() { m_typed.clear(); }
  void updateButtons();

 private:
  void locate(char typed);
  std::optional<std::int64_t> findFrom(std::int64_t start, std::int64_t end);

  db::DeclaredFile& m_file;
  std::string m_label;
  RecordListFields m_fields;
  std::shared_ptr<KeyListSource> m_source;
  std::function<std::string(const std::string&)> m_locatorText;
  std::string m_popup = kRecordListPopup;
  std::string m_emptyPopup = kEmptyRecordListPopup;
  std::string m_typed;
};

}  // namespace dw::app
