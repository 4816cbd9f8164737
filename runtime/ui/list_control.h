// The list control (and the drop list, a list with a drop count): columns
// from its format string, rows from its source, one page of them at a time.
//
// The list keeps its layout (list_format.h), its icon table, its row count,
// the index of its top row and the rows of the page that starts there.  It
// asks its source for a page when it opens, scrolls, is reloaded or gets a
// new format, and for a single row when a row off the page is chosen; it
// never asks for the rows it does not show.  Without a source of its own it
// shows the rows the code gave it (setRows), one field each.
//
// Values travelling with its events: EVENT:NewSelection and EVENT:Accepted
// carry the chosen row (from 1); the scroll events carry the new top row
// and the view's row count (packListScroll).  Choosing writes the chosen
// row's first field into a string variable, or its number into a numeric
// one.  A scroll that moves the top row is delivered to the procedure; one
// that only tells the view's size is not.
//
// Thread-safety: like every control, used by its window's thread under the
// Runtime lock; the operations below act on that thread's current window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/control.h"
#include "runtime/ui/list_source.h"

namespace dw::ui {

class ListControl : public Control {
 public:
  explicit ListControl(ControlState declared);
  ~ListControl() override;

  void refresh() override;
  int takeValue(int event, const UserValue& value) override;
  bool takesPartInCompletion() const override { return m_use.bound(); }
  void rowsChanged() override;

  // A new format: validated and parsed, else the default layout.
  void setFormat(std::string_view format);
  // nullptr: the rows the code gave (setRows).
  void setSource(std::shared_ptr<ListSource> source);
  void setIcons(std::vector<std::string> icons);
  // The source's rows changed: count and page again.
  void reload();
  // Makes `top` (0-based) the first row shown.
  void scrollTo(std::int64_t top);
  // Chooses row n (from 1; 0 none) as the code would, scrolling to it.
  void choose(std::int64_t n);

  const ListLayout& layout() const { return *m_layout; }
  std::int64_t top() const { return m_top; }
  std::int64_t rowCount() const { return m_count; }
  // Rows on a page: what the view reported, else what the height holds.
  int pageRows() const;

 private:
  class CodeRows;
  ListSource& source();
  void relayout(bool force);
  void fetchPage();
  void publish();
  void bringIntoView(std::int64_t row);
  void writeVariable();
  std::vector<ListCell> cellsOf(const ListRow& row) const;

  std::shared_ptr<ListSource> m_source;
  std::unique_ptr<CodeRows> m_codeRows;
  std::shared_ptr<const ListLayout> m_layout;
  // What the layout was made for: it is made again when one changes.
  int m_layoutCharWidth = 0;
  int m_layoutClientWidth = 0;
  std::vector<ListAlign> m_layoutAligns;
  std::vector<std::string> m_icons;
  std::int64_t m_count = 0;
  std::int64_t m_top = 0;
  int m_viewRows = 0;
  std::vector<ListRow> m_page;
  std::uint64_t m_generation = 0;
};

// --- Operations on a list of the current window, by field number --------
// A field that names no list is ignored.  Each redisplays the list.
void setListFormat(int field, std::string_view format);
void setListSource(int field, std::shared_ptr<ListSource> source);
void setListIcons(int field, std::vector<std::string> icons);
void reloadList(int field);
void scrollList(int field, std::int64_t top);
// The list control of the current window with that field number, or nullptr.
ListControl* listControl(int field);

}  // namespace dw::ui
