// Mouse, drag and keyboard input of the Qt backend beyond clicks and typed
// text: the mouse filter on control widgets, the window-less thread timers
// and the keystrokes PRESS types.
//
// Mouse events: a button released over a control posts EVENT:MouseUp; the
// pointer entering or leaving it EVENT:MouseIn / EVENT:MouseOut.  Mouse
// tracking is never switched on, so Qt reports moves only while a button
// is held; each goes to the hub as a coalesced EVENT:MouseMove (at most one
// pending per window), so dragging never floods a busy procedure's queue.
// A press followed by a move beyond the platform's drag distance starts a
// drag: EVENT:Dragging goes to each other control of the same window the
// pointer comes over (once per control entered), and releasing over one
// posts EVENT:Drag to the source and EVENT:Drop to that target.  List
// controls report their scrolling themselves (qt_list.cpp).
//
// The frame's context menu: a right click on the APPLICATION's client area,
// the Menu key there, or Shift+F10 anywhere in the frame posts
// EVENT:AlertKey with field 0 to the frame; its procedure answers with a
// POPUP.  Any other window gets the same (with the right button's key
// code) for a right click or the Menu key on its own area or on a control
// that has no menu of its own.
//
// Thread-safety: GUI thread only, except the Backend members, which hand
// their work to it.
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimer>

#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window.h"

namespace dw::ui::qt {

namespace {

// The field number of a control widget ("fieldN"), or of the control that
// holds `w`; 0 when `w` is none of `window`'s controls.
int fieldAt(QWidget* w, QWidget* windowTop) {
  for (; w; w = w->parentWidget()) {
    const QString name = w->objectName();
    if (name.startsWith(QLatin1String("field"))) {
      if (w->window() != windowTop) return 0;
      bool ok = false;
      const int field = name.mid(5).toInt(&ok);
      return ok ? field : 0;
    }
  }
  return 0;
}

class MouseFilter : public QObject {
 public:
  MouseFilter(QtBackend& backend, std::uint32_t window, int field, QObject* parent)
      : QObject(parent), m_backend(backend), m_window(window), m_field(field) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (e->type()) {
      case QEvent::Enter:
        m_backend.postEvent(m_window, ev::kMouseIn, m_field);
        break;
      case QEvent::Leave:
        m_backend.postEvent(m_window, ev::kMouseOut, m_field);
        break;
      case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(e);
        m_pressAt = me->globalPosition().toPoint();
        m_pressed = true;
        m_dragging = false;
        m_over = 0;
        break;
      }
      case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        m_backend.runtime().hub().mouseMoved(m_window, m_field);
        if (!m_pressed || !widget) break;
        const QPoint at = me->globalPosition().toPoint();
        if (!m_dragging && (at - m_pressAt).manhattanLength() >= QApplication::startDragDistance())
          m_dragging = true;
        if (m_dragging) {
          const int over = fieldAt(QApplication::widgetAt(at), widget->window());
          if (over != m_over && over != 0 && over != m_field)
            m_backend.postEvent(m_window, ev::kDragging, over);
          m_over = over;
        }
        break;
      }
      case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(e);
        m_backend.postEvent(m_window, ev::kMouseUp, m_field);
        if (m_dragging && widget) {
          const int target =
              fieldAt(QApplication::widgetAt(me->globalPosition().toPoint()), widget->window());
          if (target != 0 && target != m_field) {
            m_backend.postEvent(m_window, ev::kDrag, m_field);
            m_backend.postEvent(m_window, ev::kDrop, target);
          }
        }
        m_pressed = m_dragging = false;
        m_over = 0;
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  QtBackend& m_backend;
  std::uint32_t m_window;
  int m_field;
  QPoint m_pressAt;
  bool m_pressed = false;
  bool m_dragging = false;
  int m_over = 0;  // the control the drag is over
};

// The Qt key of one typed character.
int keyFor(QChar c) {
  if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) return Qt::Key_Return;
  if (c == QLatin1Char('\t')) return Qt::Key_Tab;
  if (c == QLatin1Char(' ')) return Qt::Key_Space;
  if (c.isLetter()) return c.toUpper().unicode();
  return c.unicode();
}

}  // namespace

void installMouseFilter(QtBackend& backend, std::uint32_t window, int field, QWidget* widget) {
  widget->installEventFilter(new MouseFilter(backend, window, field, widget));
}

void installFrameContextRequests(QtBackend& backend, QtWindow& qw) {
  if (!qw.mdi || !qw.frame) return;
  const std::uint32_t id = qw.id;
  auto request = [&backend, id] { backend.postEvent(id, ev::kAlertKey, 0); };
  qw.mdi->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(qw.mdi, &QWidget::customContextMenuRequested, qw.mdi, request);
  auto* shiftF10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), qw.frame);
  QObject::connect(shiftF10, &QShortcut::activated, qw.frame, request);
}

void installWindowContextRequests(QtBackend& backend, QtWindow& qw) {
  if (!qw.content || qw.frame) return;
  const std::uint32_t id = qw.id;
  qw.content->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(qw.content, &QWidget::customContextMenuRequested, qw.content, [&backend, id] {
    backend.postEvent(id, ev::kAlertKey, 0, std::int64_t{key::kMouseRight});
  });
}

void QtBackend::setThreadTimer(int slot, int period) {
  m_dispatcher.call([&] {
    auto& timer = m_threadTimers[slot];
    if (period <= 0) {
      if (timer) timer->stop();
      return;
    }
    if (!timer) {
      timer = std::make_unique<QTimer>();
      QObject::connect(timer.get(), &QTimer::timeout, timer.get(),
                       [this, slot] { m_runtime.hub().threadTimerFired(slot); });
    }
    timer->start(period * 10);
  });
}

void QtBackend::typeKeys(Window& w, std::string_view keys) {
  const QString text = QString::fromUtf8(keys.data(), static_cast<qsizetype>(keys.size()));
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it == m_windows.end()) return;
    QWidget* target = controlWidgetFor(*it->second, w, w.focusField());
    if (!target) target = QApplication::focusWidget();
    if (!target) return;
    // Posted, not sent: the keys arrive in order through the event loop,
    // as the keyboard's would.
    for (QChar c : text) {
      const int key = keyFor(c);
      const QString t = key == Qt::Key_Tab ? QString() : QString(c);
      QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, t));
      QCoreApplication::postEvent(target,
                                  new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, t));
    }
  });
}

}  // namespace dw::ui::qt
