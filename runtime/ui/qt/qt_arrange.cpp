// Arranging the APPLICATION's document windows (standard actions 2, 3, 4,
// 17, 18): tiling side by side (vertical, 2 and 18) or one above the other
// (horizontal, 17) over the whole area, cascading, and lining up the
// minimised windows along the bottom edge.  Minimised windows keep their
// place when the others are tiled or cascaded.  Cascading moves each
// window a title bar further down and to the right and keeps its size (a
// window the area cannot hold is reached by scrolling), starting again at
// the top-left corner before a window would begin in the area's far half.
//
// Thread-safety: GUI thread, inside a backend call.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

#include <algorithm>

#include "runtime/ui/qt/qt_window.h"

namespace dw::ui::qt {

namespace {

// Cascaded windows stand at least this far apart (pixels), whatever the
// style's title bar.
constexpr int kSmallestCascadeStep = 20;

void tile(QMdiArea& area, bool sideBySide) {
  QList<QMdiSubWindow*> open;
  for (QMdiSubWindow* w : area.subWindowList(QMdiArea::CreationOrder))
    if (w->isVisible() && !w->isMinimized()) open << w;
  if (open.isEmpty()) return;
  const QRect r = area.viewport()->rect();
  const int n = static_cast<int>(open.size());
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = open[i];
    if (w->isMaximized()) w->showNormal();
    if (sideBySide) {
      const int x0 = r.width() * i / n, x1 = r.width() * (i + 1) / n;
      w->setGeometry(x0, 0, x1 - x0, r.height());
    } else {
      const int y0 = r.height() * i / n, y1 = r.height() * (i + 1) / n;
      w->setGeometry(0, y0, r.width(), y1 - y0);
    }
  }
}

void cascade(QMdiArea& area) {
  const QRect r = area.viewport()->rect();
  int offset = 0;
  for (QMdiSubWindow* w : area.subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isVisible() || w->isMinimized()) continue;
    if (w->isMaximized()) w->showNormal();
    const int step = std::max(w->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, w),
                              kSmallestCascadeStep);
    if (offset > 0 && (offset > r.width() / 2 || offset > r.height() / 2)) offset = 0;
    w->move(offset, offset);
    w->raise();
    offset += step;
  }
}

void arrangeIcons(QMdiArea& area) {
  const QRect r = area.viewport()->rect();
  int x = 0, y = r.height();
  for (QMdiSubWindow* w : area.subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isMinimized()) continue;
    const QSize s = w->size();
    if (x > 0 && x + s.width() > r.width()) {
      x = 0;
      y -= s.height();
    }
    w->move(x, y - s.height());
    x += s.width();
  }
}

}  // namespace

void arrangeDocumentWindows(QMdiArea& area, int action) {
  switch (action) {
    case action::kTile:
    case action::kTileVertical:
      tile(area, true);
      break;
    case action::kTileHorizontal:
      tile(area, false);
      break;
    case action::kCascade:
      cascade(area);
      break;
    case action::kArrangeIcons:
      arrangeIcons(area);
      break;
    default:
      break;
  }
}

}  // namespace dw::ui::qt
