// The views of the schedule lists: a key of the Schedule file, a filter
// over the names the window binds, and (for the "Selected" view) a tag
// test, read as pages for the list (ScheduleListSource).
//
//   view 1 "Day Schedule"     SCH:KeyDate      "(SCH:Date=SelectedDay)"
//   view 2 "All by Date"      SCH:KeyDate      none
//   view 3 "All by Category"  SCH:KeyCategory  "UPPER(SCH:Category) =
//                                               UPPER(BRW1::Sort2:Reset:CAT:Category)"
//   view 4 "Selected"         SCH:KeyDate      none; only records tagged in
//                                              tag table 1 under their record number
//
// The day and the category are the window's own variables, bound under
// those names on the window's thread, so a page reads them as they are
// when it is read.  A view without a filter or tag test is counted by its
// key's entries (no record read); the others by one pass over the key
// range when the list first asks for its size.
//
// Thread-safety: the window's thread under the Runtime lock (the views read
// SCH and TF_, whose buffers are process-wide).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/data/view_list_source.h"
#include "app/routines/tag_routines.h"
#include "runtime/db/declared_file.h"

namespace dw::app {

namespace schedule_view {
inline constexpr int kDay = 1;
inline constexpr int kAllByDate = 2;
inline constexpr int kByCategory = 3;
inline constexpr int kSelected = 4;
}  // namespace schedule_view

inline constexpr const char* kSelectedDayName = "SelectedDay";
inline constexpr const char* kViewCategoryName = "BRW1::Sort2:Reset:CAT:Category";
inline constexpr const char* kDayFilter = "(SCH:Date=SelectedDay)";
inline constexpr const char* kCategoryFilter =
    "UPPER(SCH:Category) = UPPER(BRW1::Sort2:Reset:CAT:Category)";
inline constexpr std::size_t kCategoryWidth = 20;

// Whether the Schedule record `recordNumber` is tagged (TF_ open; a failed
// lookup counts as not tagged).
bool isTaggedSchedule(std::uint32_t recordNumber);

// A view of a declared file as a list's rows; owns the view.
class ScheduleListSource : public ui::ListSource {
 public:
  ScheduleListSource(db::DeclaredFile& file, std::size_t key, ViewListSource::RowFormatter format);
  // 0, or 800/801 for a filter that does not compile (the view then has
  // none).
  int setFilter(std::string_view text);
  void setRowTest(db::View::RowTest test);

  db::View& view() { return *m_view; }
  std::size_t key() const { return m_view->key(); }
  // Forgets what was read (after the table or a bound variable changed).
  void reload() { m_rows.reload(); }
  // The view's row `index` (0-based), if it exists; rows first ..
  // first + count - 1 (fewer at the end).
  std::optional<db::ViewRow> row(std::int64_t index);
  std::vector<db::ViewRow> rows(std::int64_t first, std::int64_t count) {
    return m_rows.rows(first, count);
  }
  // The index of the row of `recordNumber`, searched from the start (for
  // small views) or through the page around it.
  std::optional<std::int64_t> indexOf(std::uint32_t recordNumber);

  std::int64_t rowCount() override { return m_rows.rowCount(); }
  void fetch(std::int64_t first, std::int64_t count, std::vector<ui::ListRow>& out) override {
    m_rows.fetch(first, count, out);
  }

 private:
  void updateCounter();

  db::DeclaredFile& m_file;
  std::unique_ptr<db::View> m_view;
  ViewListSource m_rows;
  bool m_filtered = false;
  bool m_tested = false;
};

// The four views of the schedule window over SCH, with the variables the
// filters name.
class ScheduleViews {
 public:
  // Binds "SelectedDay" and the view's category on the calling thread.
  ScheduleViews();
  // Makes view n (1..4) the current one over SCH's open table; 0 or the
  // error of its filter.
  int apply(int view);
  int current() const { return m_current; }
  std::shared_ptr<ScheduleListSource> source() const { return m_source; }

  std::int32_t& selectedDay() { return m_selectedDay; }
  std::string category() const;
  void setCategory(std::string_view category);

 private:
  std::int32_t m_selectedDay = 0;
  char m_category[kCategoryWidth];
  int m_current = 0;
  std::shared_ptr<ScheduleListSource> m_source;
};

}  // namespace dw::app
