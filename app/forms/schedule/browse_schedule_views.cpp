// The views of the schedule lists (see browse_schedule_views.h).
#include "app/forms/schedule/browse_schedule_views.h"

#include <algorithm>
#include <cstring>

#include "app/data/app_files.h"
#include "app/forms/schedule/browse_schedule_rows.h"
#include "runtime/lang/symbol_table.h"

namespace dw::app {

namespace {

constexpr std::size_t kSearchPage = 512;

}  // namespace

bool isTaggedSchedule(std::uint32_t recordNumber) {
  TagFile& tags = TF_();
  if (!tags.isOpen()) return false;
  return tagIsSet(kScheduleTagTable, recordNumber);
}

ScheduleListSource::ScheduleListSource(db::DeclaredFile& file, std::size_t key,
                                       ViewListSource::RowFormatter format)
    : m_file(file),
      m_view(std::make_unique<db::View>(*file.table(), key, static_cast<char*>(file.buffer()))),
      m_rows(*m_view, std::move(format)) {
  updateCounter();
}

int ScheduleListSource::setFilter(std::string_view text) {
  const int error = m_view->setFilter(text);
  m_filtered = m_view->hasFilter();
  updateCounter();
  m_rows.reload();
  return error;
}

void ScheduleListSource::setRowTest(db::View::RowTest test) {
  m_tested = static_cast<bool>(test);
  m_view->setRowTest(std::move(test));
  updateCounter();
  m_rows.reload();
}

void ScheduleListSource::updateCounter() {
  if (m_filtered || m_tested) {
    m_rows.setCounter(nullptr);
    return;
  }
  // Every entry of the key is a row: its count needs no record.
  db::DeclaredFile* file = &m_file;
  const std::size_t key = m_view->key();
  m_rows.setCounter([file, key] { return file->keyRecords(key); });
}

std::optional<db::ViewRow> ScheduleListSource::row(std::int64_t index) {
  std::vector<db::ViewRow> rows = m_rows.rows(index, 1);
  if (rows.empty()) return std::nullopt;
  return std::move(rows.front());
}

std::optional<std::int64_t> ScheduleListSource::indexOf(std::uint32_t recordNumber) {
  db::ViewPage page;
  std::int64_t base = 0;
  if (m_view->firstPage(kSearchPage, page) != 0) return std::nullopt;
  while (true) {
    for (std::size_t i = 0; i < page.rows.size(); ++i)
      if (page.rows[i].recordNumber == recordNumber) return base + static_cast<std::int64_t>(i);
    if (page.rows.size() < kSearchPage || page.atEnd) return std::nullopt;
    base += static_cast<std::int64_t>(page.rows.size());
    const std::string from = page.rows.back().position;
    if (m_view->pageAfter(from, kSearchPage, page) != 0) return std::nullopt;
  }
}

ScheduleViews::ScheduleViews() {
  std::memset(m_category, ' ', sizeof m_category);
  lang::BIND(kSelectedDayName, m_selectedDay);
  lang::bindText(kViewCategoryName, m_category, sizeof m_category, lang::VarType::kString);
}

int ScheduleViews::apply(int view) {
  const std::size_t key =
      view == schedule_view::kByCategory ? sch_key::kKeyCategory : sch_key::kKeyDate;
  auto source = std::make_shared<ScheduleListSource>(
      SCH(), key, [](const db::ViewRow& row) { return scheduleRow(scheduleRecordOf(row.record)); });
  int error = 0;
  switch (view) {
    case schedule_view::kDay:
      error = source->setFilter(kDayFilter);
      break;
    case schedule_view::kByCategory:
      error = source->setFilter(kCategoryFilter);
      break;
    case schedule_view::kSelected:
      source->setRowTest([](std::uint32_t recordNumber, const std::string&) {
        return isTaggedSchedule(recordNumber);
      });
      break;
    default:
      view = schedule_view::kAllByDate;
      break;
  }
  m_current = view;
  m_source = std::move(source);
  return error;
}

std::string ScheduleViews::category() const {
  return std::string(trimRight(std::string_view(m_category, sizeof m_category)));
}

void ScheduleViews::setCategory(std::string_view category) {
  const std::size_t n = std::min(category.size(), sizeof m_category);
  std::memset(m_category, ' ', sizeof m_category);
  std::memcpy(m_category, category.data(), n);
}

}  // namespace dw::app
