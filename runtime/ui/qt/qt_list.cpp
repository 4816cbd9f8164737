// List controls on Qt (see qt_list.h).
//
// The model holds the list's latest page snapshot.  Its row count is the
// whole list's; data() answers from the page and, for a row on screen that
// the page lacks, asks the view to report what it shows.  The view reports
// its first row and how many rows fit as a scroll event (packListScroll):
// the runtime moves the list's top row, fetches that page and sends the
// new snapshot back through updateControl.  A report that moves the top row
// is an EVENT:ScrollUp/Down, PageUp/Down, ScrollTop/Bottom or ScrollDrag for
// the procedure; one that only asks for more rows is not.
//
// Keys: Insert, Delete, Ctrl+Enter, Backspace and printable characters on a
// list, and its context menu (right button, Menu key), go to the procedure
// as EVENT:AlertKey with their key code (keycodes.h); arrows, pages and
// Enter keep their usual meaning.
//
// Drawing: icons from the list's icon table (icon columns), the four
// colours of "*" columns (the selected pair through the palette), data
// indents, underlines, a right border line for "|" columns, header texts
// with their own alignment, resizable ("M") and fixed columns, zero-width
// columns hidden.  A column with a header is at least as wide as the
// header's text needs in the window's font, and the last shown column
// reaches the list's right edge when the columns leave room there.  Cells
// read as text for accessibility: an icon cell as its icon's name without
// the extension.
#include "runtime/ui/qt/qt_list.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/list_source.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/qt_window.h"

namespace dw::ui::qt {

namespace {

constexpr int kSelectedForegroundRole = Qt::UserRole + 1;
constexpr int kSelectedBackgroundRole = Qt::UserRole + 2;

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

QColor colourOf(std::int32_t v) {
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

Qt::Alignment alignmentOf(ListAlign a) {
  switch (a) {
    case ListAlign::Right:
    case ListAlign::Decimal:
      return Qt::AlignRight | Qt::AlignVCenter;
    case ListAlign::Centre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ListAlign::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

class ListModel : public QAbstractTableModel {
 public:
  explicit ListModel(QObject* parent) : QAbstractTableModel(parent) {}

  // Called with a row on screen that the page does not hold.
  std::function<void(int row)> missing;
  const ListPage* page() const { return m_page.get(); }

  // True when the model was reset (new rows, layout or icons).
  bool setPage(std::shared_ptr<const ListPage> page) {
    const bool reset = !m_page || !page || page->generation != m_page->generation ||
                       page->rowCount != m_page->rowCount || page->layout != m_page->layout;
    if (reset) {
      beginResetModel();
      m_page = std::move(page);
      m_icons.clear();
      endResetModel();
      return true;
    }
    m_page = std::move(page);
    if (rowCount() > 0 && columnCount() > 0)
      Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    return false;
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    if (parent.isValid() || !m_page) return 0;
    return static_cast<int>(std::min<std::int64_t>(m_page->rowCount, INT_MAX));
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    if (parent.isValid() || !m_page || !m_page->layout) return 0;
    return static_cast<int>(m_page->layout->columns.size());
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.column() >= columnCount()) return {};
    const ListColumn& c = m_page->layout->columns[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignmentOf(c.align));
    const std::vector<ListCell>* row = m_page->row(index.row());
    if (!row) {
      if (role == Qt::DisplayRole && missing) missing(index.row());
      return {};
    }
    const ListCell& cell = (*row)[static_cast<std::size_t>(index.column())];
    switch (role) {
      case Qt::DisplayRole:
        return qs(cell.text);
      case Qt::AccessibleTextRole:
        return c.has(listflag::kIcon) ? iconName(cell.icon) : qs(cell.text);
      case Qt::DecorationRole:
        if (cell.icon > 0) return icon(cell.icon);
        return {};
      case Qt::ForegroundRole:
        if (cell.foreground >= 0) return QBrush(colourOf(cell.foreground));
        return {};
      case Qt::BackgroundRole:
        if (cell.background >= 0) return QBrush(colourOf(cell.background));
        return {};
      case kSelectedForegroundRole:
        if (cell.selectedForeground >= 0) return colourOf(cell.selectedForeground);
        return {};
      case kSelectedBackgroundRole:
        if (cell.selectedBackground >= 0) return colourOf(cell.selectedBackground);
        return {};
      case Qt::FontRole:
        if (c.has(listflag::kUnderline)) {
          QFont f;
          f.setUnderline(true);
          return f;
        }
        return {};
      default:
        return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    const ListColumn& c = m_page->layout->columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return qs(c.header);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignmentOf(c.headerAlign));
    return {};
  }

 private:
  QString iconName(int n) const {
    if (n < 1 || static_cast<std::size_t>(n) > m_page->icons.size()) return {};
    return QFileInfo(qs(m_page->icons[static_cast<std::size_t>(n - 1)])).completeBaseName();
  }
  QVariant icon(int n) const {
    if (static_cast<std::size_t>(n) > m_page->icons.size()) return {};
    auto it = m_icons.find(n);
    if (it == m_icons.end()) {
      const QPixmap pixmap = pixmapFor(m_page->icons[static_cast<std::size_t>(n - 1)]);
      it = m_icons.emplace(n, pixmap.isNull() ? QIcon() : QIcon(pixmap)).first;
    }
    if (it->second.isNull()) return {};
    return it->second;
  }

  std::shared_ptr<const ListPage> m_page;
  mutable std::map<int, QIcon> m_icons;
};

// Indents, the selected colours of "*" columns and right borders.
class ListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    const auto* model = static_cast<const ListModel*>(index.model());
    const ListPage* page = model->page();
    const ListColumn* c = page && page->layout && index.column() < model->columnCount()
                              ? &page->layout->columns[static_cast<std::size_t>(index.column())]
                              : nullptr;
    if (opt.state & QStyle::State_Selected) {
      const QVariant fg = index.data(kSelectedForegroundRole);
      const QVariant bg = index.data(kSelectedBackgroundRole);
      if (fg.isValid()) opt.palette.setColor(QPalette::HighlightedText, fg.value<QColor>());
      if (bg.isValid()) opt.palette.setColor(QPalette::Highlight, bg.value<QColor>());
    }
    if (c && c->indent > 0) opt.rect.adjust(std::min(c->indent, opt.rect.width()), 0, 0, 0);
    QStyledItemDelegate::paint(painter, opt, index);
    if (c && c->has(listflag::kRightBorder) && !c->has(listflag::kNewLine)) {
      painter->save();
      painter->setPen(option.palette.color(QPalette::Mid));
      painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
      painter->restore();
    }
  }
};

int scrollEventFor(std::int64_t from, std::int64_t to, std::int64_t last, int rows) {
  const std::int64_t delta = to - from;
  if (to == 0) return ev::kScrollTop;
  if (to == last) return ev::kScrollBottom;
  if (delta == 1) return ev::kScrollDown;
  if (delta == -1) return ev::kScrollUp;
  if (delta >= rows - 1 && delta <= rows) return ev::kPageDown;
  if (-delta >= rows - 1 && -delta <= rows) return ev::kPageUp;
  return ev::kScrollDrag;
}

// The key code a key press on a list alerts (keycodes.h), 0 for the keys
// the list itself uses: Insert, Delete, Ctrl+Enter, Backspace and
// printable characters (the procedure's locator).
int alertKeyCode(const QKeyEvent& e) {
  const Qt::KeyboardModifiers mods = e.modifiers() & ~Qt::KeypadModifier;
  switch (e.key()) {
    case Qt::Key_Insert:
      return mods == Qt::NoModifier ? key::kInsert : 0;
    case Qt::Key_Delete:
      return mods == Qt::NoModifier ? key::kDelete : 0;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return mods == Qt::ControlModifier ? key::kCtrlEnter : 0;
    case Qt::Key_Backspace:
      return mods == Qt::NoModifier ? key::kBackspace : 0;
    default:
      break;
  }
  if (mods & ~Qt::ShiftModifier) return 0;
  const QString text = e.text();
  if (text.size() != 1) return 0;
  const char16_t c = text.at(0).unicode();
  return c >= 0x20 && c < 0x7F ? static_cast<int>(c) : 0;
}

class ListView : public QTreeView {
 public:
  ListView(QtBackend& backend, std::uint32_t window, int field, QtControl& qc, QWidget* parent)
      : QTreeView(parent), m_backend(backend), m_window(window), m_field(field), m_qc(qc) {
    m_model = new ListModel(this);
    setModel(m_model);
    setItemDelegate(new ListDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    m_model->missing = [this](int) { scheduleReport(); };
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
              if (!m_qc.updating && current.isValid())
                m_backend.postEvent(m_window, ev::kNewSelection, m_field,
                                    std::int64_t{current.row() + 1});
            });
    connect(this, &QAbstractItemView::activated, this,
            [this] { m_backend.postEvent(m_window, ev::kAccepted, m_field); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
      if (!m_qc.updating) scheduleReport();
    });
  }

  ~ListView() override {
    // Nothing the teardown of the model and selection emits reaches us.
    m_model->missing = nullptr;
    selectionModel()->disconnect(this);
  }

  void showState(const ControlState& s) {
    if (!s.list) return;
    const bool reset = m_model->setPage(s.list);
    const ListPage& page = *s.list;
    if (page.layout != m_layout) applyLayout(page.layout);
    if (reset) {
      doItemsLayout();
      verticalScrollBar()->setValue(static_cast<int>(m_reportedTop));
    } else if (page.top != m_reportedTop && !postedRecently(page.top) &&
               !covers(page, m_reportedTop, visibleRows())) {
      // The code moved the list away from what the view shows.
      doItemsLayout();
      verticalScrollBar()->setValue(static_cast<int>(page.top));
      m_reportedTop = page.top;
    }
    const int selected = static_cast<int>(s.selected) - 1;
    const QModelIndex current = currentIndex();
    if (selected < 0 || selected >= m_model->rowCount()) {
      if (current.isValid()) {
        selectionModel()->clear();
      }
    } else if (!current.isValid() || current.row() != selected) {
      setCurrentIndex(m_model->index(selected, 0));
    }
    scheduleReport();
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QTreeView::resizeEvent(e);
    fillWithLastColumn();
    scheduleReport();
  }
  // The window's font arrives after the list was laid out: the header
  // texts are measured again.
  void changeEvent(QEvent* e) override {
    QTreeView::changeEvent(e);
    if (e->type() == QEvent::FontChange && m_layout) applyLayout(m_layout);
  }
  // The list's alert keys go to the procedure as EVENT:AlertKey with their
  // key code; every other key moves through the list as usual.
  void keyPressEvent(QKeyEvent* e) override {
    if (const int code = alertKeyCode(*e)) {
      m_backend.postEvent(m_window, ev::kAlertKey, m_field, std::int64_t{code});
      return;
    }
    QTreeView::keyPressEvent(e);
  }
  void contextMenuEvent(QContextMenuEvent*) override {
    m_backend.postEvent(m_window, ev::kAlertKey, m_field, std::int64_t{key::kMouseRight});
  }

 private:
  void applyLayout(const std::shared_ptr<const ListLayout>& layout) {
    m_layout = layout;
    if (!layout) return;
    setHeaderHidden(!layout->hasHeader());
    m_widths.assign(layout->columns.size(), 0);
    for (std::size_t i = 0; i < layout->columns.size(); ++i) {
      const ListColumn& c = layout->columns[i];
      const int section = static_cast<int>(i);
      setColumnHidden(section, c.width <= 0);
      // A column holds at least its header's text, which the window's
      // font may draw wider than the format's width allows for.
      if (c.width > 0) {
        m_widths[i] = c.header.empty() || isHeaderHidden()
                          ? c.width
                          : std::max(c.width, header()->sectionSizeHint(section));
        header()->resizeSection(section, m_widths[i]);
      }
      header()->setSectionResizeMode(section, c.has(listflag::kResize) && !c.has(listflag::kFixed)
                                                  ? QHeaderView::Interactive
                                                  : QHeaderView::Fixed);
    }
    fillWithLastColumn();
  }

  // The last shown column reaches the list's right edge when the columns
  // leave room there (its text is not cut short beside empty space); it is
  // never narrower than applyLayout made it, so columns wider than the
  // list still scroll.
  void fillWithLastColumn() {
    const auto last = std::find_if(m_widths.rbegin(), m_widths.rend(), [](int w) { return w > 0; });
    if (last == m_widths.rend()) return;
    const int section = static_cast<int>(std::distance(last, m_widths.rend())) - 1;
    const int room = viewport()->width() - header()->sectionPosition(section);
    const int width = std::max(*last, room);
    if (header()->sectionSize(section) != width) header()->resizeSection(section, width);
  }

  int visibleRows() {
    int h = 0;
    if (m_model->rowCount() > 0) h = indexRowSizeHint(m_model->index(0, 0));
    if (h <= 0) h = fontMetrics().height() + 4;
    return std::max(1, viewport()->height() / h + 1);
  }

  // Whether the page holds rows top .. top + rows - 1 (those that exist).
  static bool covers(const ListPage& page, std::int64_t top, int rows) {
    const std::int64_t end = std::min(page.rowCount, top + rows);
    return page.top <= top && page.top + static_cast<std::int64_t>(page.rows.size()) >= end;
  }

  bool postedRecently(std::int64_t top) const {
    return std::find(m_posted.begin(), m_posted.end(), top) != m_posted.end();
  }

  void scheduleReport() {
    if (m_scheduled) return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
      m_scheduled = false;
      report();
    });
  }

  void post(int event, std::int64_t top, int rows) {
    m_backend.postEvent(m_window, event, m_field, packListScroll(top, rows));
    m_requested = {top, rows};
    m_posted.push_back(top);
    if (m_posted.size() > 64) m_posted.pop_front();
  }

  // Tells the runtime where the view stands when it moved, or when it
  // shows rows the page lacks.
  void report() {
    const ListPage* page = m_model->page();
    if (!page) return;
    const std::int64_t top = verticalScrollBar()->value();
    const int rows = visibleRows();
    if (top != m_reportedTop) {
      const int event = scrollEventFor(m_reportedTop, top, verticalScrollBar()->maximum(), rows);
      m_reportedTop = top;
      post(event, top, rows);
      return;
    }
    if (!covers(*page, top, rows) && m_requested != std::make_pair(top, rows))
      post(ev::kScrollDrag, top, rows);
  }

  QtBackend& m_backend;
  std::uint32_t m_window;
  int m_field;
  QtControl& m_qc;
  ListModel* m_model;
  std::shared_ptr<const ListLayout> m_layout;
  std::vector<int> m_widths;  // each column's width as laid out, 0 for hidden ones
  std::int64_t m_reportedTop = 0;
  std::pair<std::int64_t, int> m_requested{-1, -1};
  std::deque<std::int64_t> m_posted;  // tops this view asked for, newest last
  bool m_scheduled = false;
};

class DropList : public QComboBox {
 public:
  DropList(QtBackend& backend, std::uint32_t window, int field, QtControl& qc, int dropCount,
           QWidget* parent)
      : QComboBox(parent),
        m_backend(backend),
        m_window(window),
        m_field(field),
        m_qc(qc),
        m_dropCount(std::max(1, dropCount)) {
    auto* view = new QListView(this);
    view->setUniformItemSizes(true);
    setView(view);
    m_model = new ListModel(this);
    setModel(m_model);
    setMaxVisibleItems(m_dropCount);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_model->missing = [this](int row) { request(row); };
    connect(this, &QComboBox::activated, this, [this](int row) {
      if (!m_qc.updating && row >= 0)
        m_backend.postEvent(m_window, ev::kNewSelection, m_field, std::int64_t{row + 1});
    });
  }

  void showState(const ControlState& s) {
    if (!s.list) return;
    m_model->setPage(s.list);
    const ListLayout* layout = s.list->layout.get();
    int column = 0;
    if (layout)
      for (std::size_t i = 0; i < layout->columns.size(); ++i)
        if (layout->columns[i].width > 0 && !layout->columns[i].has(listflag::kIcon)) {
          column = static_cast<int>(i);
          break;
        }
    if (modelColumn() != column) setModelColumn(column);
    const int selected = static_cast<int>(s.selected) - 1;
    if (currentIndex() != selected) setCurrentIndex(selected < m_model->rowCount() ? selected : -1);
  }

 private:
  void request(int row) {
    if (row == m_requested) return;
    m_requested = row;
    QTimer::singleShot(0, this, [this, row] {
      m_backend.postEvent(m_window, ev::kScrollDrag, m_field,
                          packListScroll(row, std::max(m_dropCount, 8)));
    });
  }

  QtBackend& m_backend;
  std::uint32_t m_window;
  int m_field;
  QtControl& m_qc;
  int m_dropCount;
  ListModel* m_model;
  int m_requested = -1;
};

}  // namespace

QWidget* makeListWidget(QtBackend& backend, std::uint32_t window, const ControlState& s,
                        QtControl& qc, QWidget* parent) {
  if (s.dropCount > 0) return new DropList(backend, window, s.field, qc, s.dropCount, parent);
  return new ListView(backend, window, s.field, qc, parent);
}

bool updateListWidget(QWidget* widget, const ControlState& s) {
  if (auto* list = dynamic_cast<ListView*>(widget)) {
    list->showState(s);
    return true;
  }
  if (auto* drop = dynamic_cast<DropList*>(widget)) {
    drop->showState(s);
    return true;
  }
  return false;
}

}  // namespace dw::ui::qt
