// POPUP on Qt: the parsed menu built as a QMenu and run with exec() at the
// requested screen position (the mouse cursor's for a missing coordinate).
// Each numbered item's QAction carries its number as data; a dismissed menu
// gives 0.  Runs on the GUI thread while the asking runtime thread waits
// without the Runtime lock.
#include <QAction>
#include <QCursor>
#include <QMenu>

#include "runtime/ui/popup.h"
#include "runtime/ui/qt/qt_backend.h"

namespace dw::ui::qt {

namespace {

void addItems(QMenu& menu, const std::vector<PopupItem>& items) {
  for (const PopupItem& item : items) {
    const QString text = QString::fromStdString(item.text);
    switch (item.kind) {
      case PopupItem::Kind::Separator:
        menu.addSeparator();
        break;
      case PopupItem::Kind::Submenu: {
        QMenu* sub = menu.addMenu(text);
        sub->setEnabled(!item.disabled);
        addItems(*sub, item.items);
        break;
      }
      case PopupItem::Kind::Item: {
        QAction* a = menu.addAction(text);
        a->setData(item.number);
        a->setEnabled(!item.disabled);
        if (item.checkable) {
          a->setCheckable(true);
          a->setChecked(item.checked);
        }
        break;
      }
    }
  }
}

}  // namespace

int QtBackend::showPopup(const PopupMenu& menu, std::optional<int> x, std::optional<int> y) {
  int result = 0;
  m_dispatcher.call([&] {
    QMenu qmenu;
    qmenu.setObjectName(QStringLiteral("popup"));
    addItems(qmenu, menu.items);
    QPoint at = QCursor::pos();
    if (x) at.setX(*x);
    if (y) at.setY(*y);
    if (QAction* chosen = qmenu.exec(at)) result = chosen->data().toInt();
  });
  return result;
}

}  // namespace dw::ui::qt
