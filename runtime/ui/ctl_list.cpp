// The list control (see list_control.h): layout from the format string,
// rows from the source one page at a time, the chosen row.
#include <algorithm>
#include <charconv>

#include "runtime/lang/errors.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/list_control.h"
#include "runtime/ui/runtime.h"

namespace dw::ui {

namespace {

// No view shows more rows at once than this.
constexpr int kMaxPageRows = 1000;
// A row is the font's height and a little space.
constexpr int kRowPadding = 4;

bool isScroll(int event) {
  return (event >= ev::kScrollUp && event <= ev::kScrollBottom) || event == ev::kScrollDrag;
}

std::int32_t colourOf(const std::string& text) {
  std::int64_t v = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || v < -1 || v > 0xFFFFFF) return -1;
  return static_cast<std::int32_t>(v);
}

std::string trimmed(std::string s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const std::size_t last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

std::string shown(const std::string& value, const ListColumn& c) {
  // A field the row does not give stays blank, whatever the picture.
  if (value.empty() || c.picture.empty() || !c.compiled.valid) return value;
  return trimmed(lang::format(std::string_view(value), c.compiled));
}

const std::string& fieldOf(const ListRow& row, int i) {
  static const std::string empty;
  return i >= 0 && static_cast<std::size_t>(i) < row.size() ? row[static_cast<std::size_t>(i)]
                                                            : empty;
}

}  // namespace

void VectorListSource::fetch(std::int64_t first, std::int64_t count, std::vector<ListRow>& out) {
  const auto size = static_cast<std::int64_t>(m_rows.size());
  for (std::int64_t r = std::max<std::int64_t>(first, 0); r < first + count && r < size; ++r)
    out.push_back(m_rows[static_cast<std::size_t>(r)]);
}

std::vector<ListAlign> VectorListSource::fieldAligns() {
  if (!m_aligns.empty()) return m_aligns;
  const std::size_t n = m_rows.empty() ? 1 : std::max<std::size_t>(1, m_rows.front().size());
  return std::vector<ListAlign>(n, ListAlign::Left);
}

// The rows the code gave the list: one field each.
class ListControl::CodeRows : public ListSource {
 public:
  explicit CodeRows(const ControlState& state) : m_state(state) {}
  std::int64_t rowCount() override { return static_cast<std::int64_t>(m_state.rows.size()); }
  void fetch(std::int64_t first, std::int64_t count, std::vector<ListRow>& out) override {
    const std::int64_t size = rowCount();
    for (std::int64_t r = std::max<std::int64_t>(first, 0); r < first + count && r < size; ++r)
      out.push_back({m_state.rows[static_cast<std::size_t>(r)]});
  }

 private:
  const ControlState& m_state;
};

ListControl::ListControl(ControlState declared)
    : Control(std::move(declared)), m_codeRows(std::make_unique<CodeRows>(m_state)) {
  relayout(true);
  publish();
}

ListControl::~ListControl() = default;

ListSource& ListControl::source() {
  return m_source ? *m_source : *m_codeRows;
}

int ListControl::pageRows() const {
  if (m_viewRows > 0) return m_viewRows;
  const int rowHeight = std::max(1, m_state.charHeight + kRowPadding);
  const int rows = (std::max(0, m_state.pixels.height) + rowHeight - 1) / rowHeight;
  // A drop list's page is what its drop-down part shows.
  return std::clamp(std::max(rows, m_state.dropCount), 1, kMaxPageRows);
}

void ListControl::relayout(bool force) {
  std::vector<ListAlign> aligns = source().fieldAligns();
  if (!force && m_layout && m_layoutCharWidth == m_state.charWidth &&
      m_layoutClientWidth == m_state.pixels.width && m_layoutAligns == aligns)
    return;
  const ListScale scale{2 * m_state.charWidth, 8};
  m_layout = std::make_shared<const ListLayout>(
      layoutForList(m_state.format, aligns, m_state.pixels.width, scale));
  m_layoutCharWidth = m_state.charWidth;
  m_layoutClientWidth = m_state.pixels.width;
  m_layoutAligns = std::move(aligns);
  ++m_generation;
}

void ListControl::fetchPage() {
  m_count = std::max<std::int64_t>(0, source().rowCount());
  const std::int64_t maxTop = std::max<std::int64_t>(0, m_count - pageRows());
  m_top = std::clamp<std::int64_t>(m_top, 0, maxTop);
  m_page.clear();
  if (m_count > 0)
    source().fetch(m_top, std::min<std::int64_t>(pageRows(), m_count - m_top), m_page);
}

void ListControl::bringIntoView(std::int64_t row) {
  if (row <= 0) return;
  const std::int64_t r = row - 1;
  if (r < m_top)
    m_top = r;
  else if (r >= m_top + pageRows())
    m_top = r - pageRows() + 1;
}

std::vector<ListCell> ListControl::cellsOf(const ListRow& row) const {
  std::vector<ListCell> cells;
  cells.reserve(m_layout->columns.size());
  for (const ListColumn& c : m_layout->columns) {
    ListCell cell;
    const std::string& value = fieldOf(row, c.valueField);
    if (c.has(listflag::kIcon)) {
      int icon = 0;
      std::from_chars(value.data(), value.data() + value.size(), icon);
      cell.icon = std::max(0, icon);
    } else {
      cell.text = shown(value, c);
    }
    if (c.colourField >= 0) {
      cell.foreground = colourOf(fieldOf(row, c.colourField));
      cell.background = colourOf(fieldOf(row, c.colourField + 1));
      cell.selectedForeground = colourOf(fieldOf(row, c.colourField + 2));
      cell.selectedBackground = colourOf(fieldOf(row, c.colourField + 3));
    }
    cells.push_back(std::move(cell));
  }
  return cells;
}

void ListControl::publish() {
  auto page = std::make_shared<ListPage>();
  page->layout = m_layout;
  page->icons = m_icons;
  page->rowCount = m_count;
  page->top = m_top;
  page->rows.reserve(m_page.size());
  for (const ListRow& row : m_page) page->rows.push_back(cellsOf(row));
  page->generation = m_generation;
  m_state.list = std::move(page);
}

void ListControl::writeVariable() {
  if (!m_use.bound()) return;
  if (!m_use.isString()) {
    m_use.setInteger(m_state.selected);
    return;
  }
  const std::int64_t n = m_state.selected;
  if (n < 1 || n > m_count) {
    m_use.setText("");
    return;
  }
  if (n - 1 >= m_top && n - 1 < m_top + static_cast<std::int64_t>(m_page.size())) {
    m_use.setText(fieldOf(m_page[static_cast<std::size_t>(n - 1 - m_top)], 0));
    return;
  }
  std::vector<ListRow> one;
  source().fetch(n - 1, 1, one);
  m_use.setText(one.empty() ? std::string() : fieldOf(one.front(), 0));
}

void ListControl::refresh() {
  relayout(false);
  fetchPage();
  if (m_use.bound()) {
    if (m_use.isString()) {
      const std::string v = m_use.text();
      if (!m_source) {
        auto it = std::find(m_state.rows.begin(), m_state.rows.end(), v);
        m_state.selected = it == m_state.rows.end() ? 0 : (it - m_state.rows.begin()) + 1;
      } else {
        for (std::size_t i = 0; i < m_page.size(); ++i)
          if (fieldOf(m_page[i], 0) == v)
            m_state.selected = m_top + static_cast<std::int64_t>(i) + 1;
      }
    } else {
      m_state.selected = m_use.integer();
    }
    if (m_state.selected < 0 || m_state.selected > m_count) m_state.selected = 0;
    const std::int64_t before = m_top;
    bringIntoView(m_state.selected);
    if (m_top != before) fetchPage();
  }
  publish();
}

int ListControl::takeValue(int event, const UserValue& value) {
  const auto* n = std::get_if<std::int64_t>(&value);
  if (!n) return event;
  if (isScroll(event)) {
    const int rows = scrollRows(*n);
    if (rows > 0) m_viewRows = std::min(rows, kMaxPageRows);
    const std::int64_t before = m_top;
    m_top = scrollTop(*n);
    fetchPage();
    publish();
    return m_top != before ? event : 0;
  }
  if (event == ev::kNewSelection || event == ev::kAccepted) {
    m_count = std::max<std::int64_t>(0, source().rowCount());
    m_state.selected = *n >= 1 && *n <= m_count ? *n : 0;
    writeVariable();
    publish();
  }
  return event;
}

void ListControl::rowsChanged() {
  if (!m_source) reload();
}

void ListControl::setFormat(std::string_view format) {
  m_state.format = std::string(format);
  relayout(true);
  fetchPage();
  publish();
}

void ListControl::setSource(std::shared_ptr<ListSource> source) {
  m_source = std::move(source);
  m_top = 0;
  m_state.selected = 0;
  relayout(true);
  fetchPage();
  publish();
}

void ListControl::setIcons(std::vector<std::string> icons) {
  m_icons = std::move(icons);
  ++m_generation;
  publish();
}

void ListControl::reload() {
  ++m_generation;
  relayout(false);
  fetchPage();
  if (m_state.selected > m_count) m_state.selected = m_count;
  publish();
}

void ListControl::scrollTo(std::int64_t top) {
  m_top = top;
  fetchPage();
  publish();
}

void ListControl::choose(std::int64_t n) {
  m_count = std::max<std::int64_t>(0, source().rowCount());
  m_state.selected = n >= 1 && n <= m_count ? n : 0;
  bringIntoView(m_state.selected);
  fetchPage();
  writeVariable();
  publish();
}

// --- Operations ----------------------------------------------------------------

namespace {

template <typename Fn>
void onList(int field, Fn fn) {
  Window* w = runtime().currentWindow();
  if (!w) lang::runtimeError(werr::kNotOpen, "WSLWIN");
  auto* list = dynamic_cast<ListControl*>(w->control(field));
  if (!list) return;
  fn(*list);
  runtime().backend().updateControl(*w, *list);
}

std::unique_ptr<Control> makeList(ControlState declared) {
  return std::make_unique<ListControl>(std::move(declared));
}

}  // namespace

void setListFormat(int field, std::string_view format) {
  onList(field, [&](ListControl& l) { l.setFormat(format); });
}

void setListSource(int field, std::shared_ptr<ListSource> source) {
  onList(field, [&](ListControl& l) { l.setSource(std::move(source)); });
}

void setListIcons(int field, std::vector<std::string> icons) {
  onList(field, [&](ListControl& l) { l.setIcons(std::move(icons)); });
}

void reloadList(int field) {
  onList(field, [](ListControl& l) { l.reload(); });
}

void scrollList(int field, std::int64_t top) {
  onList(field, [&](ListControl& l) { l.scrollTo(top); });
}

ListControl* listControl(int field) {
  Window* w = runtime().currentWindow();
  return w ? dynamic_cast<ListControl*>(w->control(field)) : nullptr;
}

void registerListControls() {
  registerCreator(ControlType::List, &makeList);
}

}  // namespace dw::ui
