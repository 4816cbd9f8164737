// Where a list control's rows come from, and what it hands the backends to
// draw.
//
// A ListSource is asked only for the rows a list shows: the list keeps the
// index of its top row and the rows of one page, and asks again when it is
// scrolled, reloaded or given a new format.  So a list over 100,000 records
// costs what one page costs.  The application's views implement ListSource
// over their tables; VectorListSource holds rows in memory.
//
// A row is a vector of field texts.  The list's format (list_format.h) says
// which field each column shows: columns take the fields in order (or the
// field "#n#" names), a "*" column takes four colour fields after its value
// (text, background, selected text, selected background, as 0x00BBGGRR
// numbers, -1 for the default), an icon column's value is a number into the
// list's icon table (1 the first).
//
// ListPage is an immutable snapshot of what the list shows; the control
// replaces it (ControlState::list) whenever anything in it changes, so a
// backend may keep and read it on any thread.
//
// Thread-safety: a ListSource is called only by the thread owning the
// list's window, under the Runtime lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/list_format.h"

namespace dw::ui {

using ListRow = std::vector<std::string>;

class ListSource {
 public:
  virtual ~ListSource() = default;
  // The number of rows.
  virtual std::int64_t rowCount() = 0;
  // Appends rows first .. first + count - 1 (0-based) to `out`; fewer when
  // the source ends sooner.
  virtual void fetch(std::int64_t first, std::int64_t count, std::vector<ListRow>& out) = 0;
  // The fields of a row with their alignment codes, for the layout of a
  // list without a usable format.  Default: one left-aligned field.
  virtual std::vector<ListAlign> fieldAligns() { return {ListAlign::Left}; }
};

// Rows held in memory.
class VectorListSource : public ListSource {
 public:
  VectorListSource() = default;
  explicit VectorListSource(std::vector<ListRow> rows, std::vector<ListAlign> aligns = {})
      : m_rows(std::move(rows)), m_aligns(std::move(aligns)) {}
  std::vector<ListRow>& rows() { return m_rows; }
  std::int64_t rowCount() override { return static_cast<std::int64_t>(m_rows.size()); }
  void fetch(std::int64_t first, std::int64_t count, std::vector<ListRow>& out) override;
  std::vector<ListAlign> fieldAligns() override;

 private:
  std::vector<ListRow> m_rows;
  std::vector<ListAlign> m_aligns;
};

// One cell as drawn: its text through the column's picture, its icon
// number (icon columns; 0 none) and colours (-1: the default).
struct ListCell {
  std::string text;
  int icon = 0;
  std::int32_t foreground = -1;
  std::int32_t background = -1;
  std::int32_t selectedForeground = -1;
  std::int32_t selectedBackground = -1;
  bool operator==(const ListCell&) const = default;
};

struct ListPage {
  std::shared_ptr<const ListLayout> layout;
  std::vector<std::string> icons;  // the icon table, icon 1 first
  std::int64_t rowCount = 0;
  std::int64_t top = 0;                     // 0-based index of rows[0]
  std::vector<std::vector<ListCell>> rows;  // one cell per column
  // Changes when the layout, the icons or the rows' contents change, not
  // when the list only scrolls.
  std::uint64_t generation = 0;

  // The cells of row r (0-based), or nullptr when r is not on the page.
  const std::vector<ListCell>* row(std::int64_t r) const {
    if (r < top || r >= top + static_cast<std::int64_t>(rows.size())) return nullptr;
    return &rows[static_cast<std::size_t>(r - top)];
  }
};

// A scroll of the list travels from the backend as a field event
// (EVENT:ScrollUp ... EVENT:ScrollBottom, EVENT:ScrollDrag) whose value
// packs the new top row (0-based) and the rows the view shows (0: unknown).
inline std::int64_t packListScroll(std::int64_t top, int rows) {
  return (static_cast<std::int64_t>(rows & 0xFFFFF) << 40) | (top & 0xFFFFFFFFFFLL);
}
inline std::int64_t scrollTop(std::int64_t packed) {
  return packed & 0xFFFFFFFFFFLL;
}
inline int scrollRows(std::int64_t packed) {
  return static_cast<int>((packed >> 40) & 0xFFFFF);
}

}  // namespace dw::ui
