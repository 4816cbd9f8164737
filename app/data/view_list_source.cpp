// The list row source over a view (view_list_source.h): choosing the
// nearest known row for a window and counting the view's rows.
#include "app/data/view_list_source.h"

#include <algorithm>

namespace dw::app {

namespace {

constexpr std::size_t kCountPage = 512;

}  // namespace

void ViewListSource::reload() {
  m_count.reset();
  m_kept.clear();
  m_keptFirst = 0;
}

std::int64_t ViewListSource::rowCount() {
  if (m_count) return *m_count;
  if (m_counter) {
    if (const std::int64_t counted = m_counter(); counted >= 0) {
      m_count = counted;
      return counted;
    }
  }
  std::int64_t n = 0;
  db::ViewPage page;
  if (m_view.firstPage(kCountPage, page) != 0) return 0;
  while (true) {
    n += static_cast<std::int64_t>(page.rows.size());
    if (page.rows.size() < kCountPage || page.atEnd) break;
    const std::string from = page.rows.back().position;
    if (m_view.pageAfter(from, kCountPage, page) != 0) break;
  }
  m_count = n;
  return n;
}

void ViewListSource::keep(std::int64_t first, std::vector<db::ViewRow> rows) {
  m_keptFirst = first;
  m_kept = std::move(rows);
}

std::vector<db::ViewRow> ViewListSource::rows(std::int64_t first, std::int64_t count) {
  std::vector<db::ViewRow> out;
  if (first < 0 || count <= 0) return out;
  const std::int64_t keptEnd = m_keptFirst + static_cast<std::int64_t>(m_kept.size());
  const std::int64_t end = first + count;
  db::ViewPage page;
  std::vector<db::ViewRow> window;
  std::int64_t windowFirst = 0;
  const bool haveKept = !m_kept.empty();
  const std::int64_t fromKept = !haveKept           ? INT64_MAX
                                : first > keptEnd   ? first - keptEnd
                                : end < m_keptFirst ? m_keptFirst - end
                                                    : 0;
  if (haveKept && fromKept <= first) {
    window = m_kept;
    windowFirst = m_keptFirst;
  } else if (m_count && *m_count - end < first) {
    // Nearer the end: the last rows down to `first`.
    if (m_view.lastPage(static_cast<std::size_t>(*m_count - first), page) != 0) return out;
    window = std::move(page.rows);
    windowFirst = *m_count - static_cast<std::int64_t>(window.size());
  } else {
    if (m_view.firstPage(static_cast<std::size_t>(end), page) != 0) return out;
    window = std::move(page.rows);
    windowFirst = 0;
  }
  // Extend the window backward to `first` and forward to `end`.
  if (first < windowFirst && !window.empty()) {
    if (m_view.pageBefore(window.front().position, static_cast<std::size_t>(windowFirst - first),
                          page) != 0) {
      return out;
    }
    windowFirst -= static_cast<std::int64_t>(page.rows.size());
    window.insert(window.begin(), page.rows.begin(), page.rows.end());
  }
  const std::int64_t windowEnd = windowFirst + static_cast<std::int64_t>(window.size());
  if (end > windowEnd && !window.empty()) {
    if (m_view.pageAfter(window.back().position, static_cast<std::size_t>(end - windowEnd), page) !=
        0) {
      return out;
    }
    window.insert(window.end(), page.rows.begin(), page.rows.end());
  }
  const std::int64_t from = std::max(first, windowFirst);
  const std::int64_t to = std::min(end, windowFirst + static_cast<std::int64_t>(window.size()));
  if (from < to) {
    out.assign(window.begin() + (from - windowFirst), window.begin() + (to - windowFirst));
    keep(from, out);
  }
  return out;
}

void ViewListSource::fetch(std::int64_t first, std::int64_t count, std::vector<ui::ListRow>& out) {
  for (const db::ViewRow& r : rows(first, count)) out.push_back(m_format(r));
}

}  // namespace dw::app
