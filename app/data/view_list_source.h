// A view (runtime/db/view.h) as the row source of a list control
// (runtime/ui/list_source.h).  The list asks for rows by index; the source
// keeps the rows it fetched last with their index and reaches a new window
// from whichever is nearest: those rows (page up, page down, a scroll by a
// few rows read only the rows that are new), the view's first row or its
// last row.  So scrolling a list of 100,000 records reads about the rows it
// shows.  Only a jump into the middle reads the rows it passes over.
//
// The number of rows is counted by one pass over the key range the first
// time it is asked, unless the owner gave a cheaper counter (for a view
// without a filter: the key's entry count), and kept until reload().
//
// Invariants: the kept rows are consecutive rows of the view starting at
// the kept index; reload() forgets them (after changes to the table).
//
// Thread-safety: as a ListSource, the thread owning the list's window,
// under the Runtime lock (it reads the table and evaluates the filter).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "runtime/db/view.h"
#include "runtime/ui/list_source.h"

namespace dw::app {

class ViewListSource : public ui::ListSource {
 public:
  // Turns one record of the view into the list's fields.
  using RowFormatter = std::function<ui::ListRow(const db::ViewRow&)>;

  ViewListSource(db::View& view, RowFormatter format) : m_view(view), m_format(std::move(format)) {}

  std::int64_t rowCount() override;
  void fetch(std::int64_t first, std::int64_t count, std::vector<ui::ListRow>& out) override;

  // The view's rows first .. first + count - 1 with their record numbers
  // and positions (fewer at the end).
  std::vector<db::ViewRow> rows(std::int64_t first, std::int64_t count);
  // Forgets the kept rows and the count.
  void reload();
  // A cheaper way to count the rows that the caller knows (the key's entry
  // count for a view with neither filter nor row test); a negative answer
  // falls back to the pass over the view.
  void setCounter(std::function<std::int64_t()> counter) { m_counter = std::move(counter); }

 private:
  void keep(std::int64_t first, std::vector<db::ViewRow> rows);

  db::View& m_view;
  RowFormatter m_format;
  std::function<std::int64_t()> m_counter;
  std::optional<std::int64_t> m_count;
  std::int64_t m_keptFirst = 0;
  std::vector<db::ViewRow> m_kept;
};

}  // namespace dw::app
