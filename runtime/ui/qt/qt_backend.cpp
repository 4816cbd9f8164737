// Windows, menus, tool bars, status bars and timers on Qt (see
// qt_backend.h); control widgets are in qt_controls.cpp.
#include "runtime/ui/qt/qt_backend.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "runtime/ui/events.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/runtime.h"

namespace dw::ui::qt {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// The frame's smallest size: room for a menu bar, a tool bar, a little of
// the MDI area and the status bar.
constexpr int kFrameMinimumWidth = 320;
constexpr int kFrameMinimumHeight = 200;
// Room the status bar's stretching zone keeps, and the gap Qt leaves
// between permanent zones.
constexpr int kStretchZoneMinimum = 80;
constexpr int kZoneSpacing = 6;
// What an MDI sub-window adds around its content: its borders and title
// bar.  A child's size is its content's; the sub-window is this much larger.
constexpr int kSubFrameWidth = 8;
constexpr int kSubFrameHeight = 30;

// Close box and moves of a window become events for its procedure.
class WindowFilter : public QObject {
 public:
  WindowFilter(QtBackend& backend, QtWindow& qw) : QObject(qw.top), m_backend(backend), m_qw(qw) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != m_qw.top) return false;
    if (e->type() == QEvent::Close && !m_qw.destroying) {
      e->ignore();
      m_backend.postEvent(m_qw.id, ev::kCloseWindow, 0);
      return true;
    }
    // Where the window stands reaches the runtime before the event that
    // tells the procedure, so the procedure reads the new place.
    if (!m_qw.destroying && (e->type() == QEvent::Move || e->type() == QEvent::Resize ||
                             e->type() == QEvent::WindowStateChange))
      m_backend.reportPlace(m_qw);
    if (e->type() == QEvent::Move && !(m_qw.top->windowState() & Qt::WindowMinimized))
      m_backend.postEvent(m_qw.id, ev::kMoved, 0);
    if (e->type() == QEvent::Resize && m_qw.top->isVisible())
      m_backend.postEvent(m_qw.id, ev::kSized, 0);
    if (e->type() == QEvent::WindowStateChange) {
      const Qt::WindowStates s = m_qw.top->windowState();
      m_backend.postEvent(m_qw.id,
                          s & Qt::WindowMinimized   ? ev::kIconized
                          : s & Qt::WindowMaximized ? ev::kMaximized
                                                    : ev::kRestored,
                          0);
    }
    if (e->type() == QEvent::WindowActivate) m_backend.runtime().windowActivated(m_qw.id);
    return false;
  }

 private:
  QtBackend& m_backend;
  QtWindow& m_qw;
};

// F1 anywhere in the program asks for help on the focused control of the
// window that holds the focus (or, failing that, of the active window).
class HelpKeyFilter : public QObject {
 public:
  explicit HelpKeyFilter(QtBackend& backend) : m_backend(backend) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || key->isAutoRepeat())
      return false;
    QWidget* from = QApplication::focusWidget();
    if (!from) from = QApplication::activeWindow();
    const std::uint32_t window = m_backend.windowHolding(from);
    if (window == 0) return false;
    Message msg;
    msg.kind = MessageKind::Help;
    msg.window = window;
    m_backend.runtime().hub().postToWindow(msg);
    return true;
  }

 private:
  QtBackend& m_backend;
};

void addMenuEntries(QtBackend& backend, QtWindow& qw, QWidget* parentMenu, const MenuEntry& e,
                    QMenuBar* bar) {
  if (e.kind == MenuEntry::Kind::Separator) {
    if (auto* m = qobject_cast<QMenu*>(parentMenu)) m->addSeparator();
    return;
  }
  if (e.kind == MenuEntry::Kind::Menu) {
    QMenu* menu =
        bar ? bar->addMenu(qs(e.text)) : qobject_cast<QMenu*>(parentMenu)->addMenu(qs(e.text));
    menu->menuAction()->setStatusTip(qs(e.statusText));
    menu->setEnabled(!e.disabled);
    if (e.field != 0) qw.actions[e.field] = menu->menuAction();
    for (const MenuEntry& item : e.items) addMenuEntries(backend, qw, menu, item, nullptr);
    return;
  }
  QAction* a =
      bar ? bar->addAction(qs(e.text)) : qobject_cast<QMenu*>(parentMenu)->addAction(qs(e.text));
  a->setStatusTip(qs(e.statusText));
  a->setEnabled(!e.disabled);
  if (const QKeySequence key = keySequenceFor(e.keyCode); !key.isEmpty()) a->setShortcut(key);
  const std::uint32_t id = qw.id;
  const int field = e.field;
  QObject::connect(a, &QAction::triggered, a,
                   [&backend, id, field] { backend.postEvent(id, ev::kAccepted, field); });
  if (field != 0) qw.actions[field] = a;
}

void syncMenuState(QtWindow& qw, const std::vector<MenuEntry>& entries) {
  for (const MenuEntry& e : entries) {
    if (auto it = qw.actions.find(e.field); e.field != 0 && it != qw.actions.end())
      it->second->setEnabled(!e.disabled);
    syncMenuState(qw, e.items);
  }
}

}  // namespace

QtBackend::QtBackend(Runtime& runtime) : m_runtime(runtime) {
  m_helpKeys = std::make_unique<HelpKeyFilter>(*this);
  QApplication::instance()->installEventFilter(m_helpKeys.get());
  m_accessKeys = makeAccessKeyFilter(*this);
  QApplication::instance()->installEventFilter(m_accessKeys.get());
}

QtBackend::~QtBackend() {
  shutdown();
  if (QCoreApplication* app = QApplication::instance()) {
    app->removeEventFilter(m_helpKeys.get());
    app->removeEventFilter(m_accessKeys.get());
  }
}

std::uint32_t QtBackend::windowHolding(const QWidget* widget) const {
  // The nearest window: an MDI child before the frame that holds it.
  for (const QWidget* w = widget; w; w = w->parentWidget())
    for (const auto& [id, qw] : m_windows)
      if (qw->top == w) return id;
  return 0;
}

void QtBackend::shutdown() {
  m_dispatcher.shutdown();
  m_threadTimers.clear();
  delete m_helpWindow.data();
  for (auto& [id, qw] : m_windows) {
    qw->destroying = true;
    delete qw->top.data();
  }
  m_windows.clear();
}

void QtBackend::postEvent(std::uint32_t window, int event, int field, UserValue value) {
  m_runtime.hub().postToWindow(Message::forWindow(window, event, field, std::move(value)));
}

void QtBackend::postFocus(std::uint32_t window, int field) {
  Message msg;
  msg.kind = MessageKind::Focus;
  msg.window = window;
  msg.field = field;
  m_runtime.hub().postToWindow(msg);
}

QWidget* QtBackend::widgetOf(std::uint32_t windowId) const {
  auto it = m_windows.find(windowId);
  return it == m_windows.end() ? nullptr : it->second->top.data();
}

QWidget* QtBackend::controlWidget(std::uint32_t windowId, int field) const {
  auto it = m_windows.find(windowId);
  if (it == m_windows.end()) return nullptr;
  Window* w = m_runtime.window(windowId);
  if (!w) return nullptr;
  return controlWidgetFor(*it->second, *w, field);
}

std::uint32_t QtBackend::applicationWindow() const {
  for (const auto& [id, qw] : m_windows)
    if (qw->kind == WindowKind::Application) return id;
  return 0;
}

bool QtBackend::triggerAction(std::uint32_t windowId, int field) {
  auto it = m_windows.find(windowId);
  if (it == m_windows.end()) return false;
  auto a = it->second->actions.find(field);
  if (a == it->second->actions.end() || !a->second->isEnabled()) return false;
  a->second->trigger();
  return true;
}

FontMetrics QtBackend::metrics(const Window& w) {
  FontMetrics m;
  m_dispatcher.call([&] {
    QFont font = QApplication::font();
    if (!w.desc().fontFace.empty()) font.setFamily(qs(w.desc().fontFace));
    if (w.desc().fontSize > 0) font.setPointSize(w.desc().fontSize);
    const QFontMetrics fm(font);
    // Dialog units take the average width of the 52 letters, as message
    // boxes do: the font's own average (its OS/2 table's) is narrower than
    // the letters of the faces that stand in for the resources' fonts, and
    // windows, controls and list columns sized by it cut their texts short.
    m.averageCharWidth = std::max(1, averageWidthFromLetters(fm.horizontalAdvance(
                                         QStringLiteral("abcdefghijklmnopqrstuvwxyz"
                                                        "ABCDEFGHIJKLMNOPQRSTUVWXYZ"))));
    m.charHeight = std::max(1, fm.height());
    if (const QScreen* s = QApplication::primaryScreen()) {
      m.dpiX = static_cast<int>(s->logicalDotsPerInchX());
      m.dpiY = static_cast<int>(s->logicalDotsPerInchY());
    }
  });
  return m;
}

void QtBackend::buildChrome(QtWindow& qw, Window& w) {
  const WindowDesc& d = w.desc();
  QMainWindow* frame = qw.frame;
  frame->setMinimumSize(kFrameMinimumWidth, kFrameMinimumHeight);
  // F10 opens the menu bar at its first menu, as desktop users expect.
  if (!d.menuBar.empty()) {
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), frame);
    QMenuBar* bar = frame->menuBar();
    QObject::connect(f10, &QShortcut::activated, bar, [bar] {
      for (QAction* a : bar->actions())
        if (a->isVisible() && a->isEnabled()) {
          bar->setFocus(Qt::ShortcutFocusReason);
          bar->setActiveAction(a);
          return;
        }
    });
  }
  if (!d.menuBar.empty())
    for (const MenuEntry& e : d.menuBar)
      addMenuEntries(*this, qw, frame->menuBar(), e, frame->menuBar());
  if (!d.toolBar.empty()) {
    qw.toolBar = frame->addToolBar(QStringLiteral("Tools"));
    qw.toolBar->setMovable(false);
    for (const ToolEntry& t : d.toolBar) {
      if (t.kind == ToolEntry::Kind::Separator) {
        qw.toolBar->addSeparator();
        continue;
      }
      const QPixmap pix = pixmapFor(t.icon);
      if (t.kind == ToolEntry::Kind::Image) {
        auto* label = new QLabel;
        label->setPixmap(pix);
        label->setObjectName(QStringLiteral("field%1").arg(t.field));
        qw.toolBar->addWidget(label);
        continue;
      }
      QAction* a = qw.toolBar->addAction(QIcon(pix), qs(t.text));
      a->setStatusTip(qs(t.statusText));
      a->setToolTip(qs(t.text));
      a->setEnabled(!t.disabled);
      const std::uint32_t id = qw.id;
      const int field = t.field;
      QObject::connect(a, &QAction::triggered, a,
                       [this, id, field] { postEvent(id, ev::kAccepted, field); });
      if (field != 0) qw.actions[field] = a;
    }
  }
  if (!d.statusZones.empty()) {
    QStatusBar* bar = frame->statusBar();
    for (std::size_t i = 0; i < d.statusZones.size(); ++i) {
      auto* zone = new QLabel;
      zone->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      if (d.statusZones[i] >= 0) {
        zone->setFixedWidth(d.statusZones[i]);
        bar->addPermanentWidget(zone);
      } else {
        bar->addWidget(zone, 1);
      }
      qw.zones.push_back(zone);
    }
    // The frame never gets so small that the fixed zones overlap (the
    // stretching zone keeps a little room too).
    int zonesWidth = kStretchZoneMinimum;
    for (int width : d.statusZones)
      if (width > 0) zonesWidth += width + kZoneSpacing;
    frame->setMinimumWidth(std::max(zonesWidth, kFrameMinimumWidth));
    // Status tips of menus and tool bar buttons appear in the first zone.
    QObject::connect(bar, &QStatusBar::messageChanged, bar,
                     [zones = qw.zones](const QString& text) {
                       if (!zones.empty()) zones.front()->setText(text);
                     });
  }
}

void QtBackend::applyWindow(QtWindow& qw, Window& w, unsigned parts) {
  const WindowDesc& d = w.desc();
  QWidget* top = qw.top;
  if (parts & window_part::kTitle) {
    top->setWindowTitle(qs(d.title));
    const QPixmap icon = pixmapFor(d.icon);
    if (!icon.isNull()) top->setWindowIcon(QIcon(icon));
  }
  if ((parts & window_part::kFont) && (!d.fontFace.empty() || d.fontSize > 0)) {
    QFont font = top->font();
    if (!d.fontFace.empty()) font.setFamily(qs(d.fontFace));
    if (d.fontSize > 0) font.setPointSize(d.fontSize);
    top->setFont(font);
  }
  if (parts & window_part::kGeometry) {
    const Rect& r = w.pixels;
    if (r.width > 0 && r.height > 0) {
      if (qw.frame)
        qw.frame->resize(r.width, r.height);
      else if (qw.sub)
        qw.sub->resize(r.width + kSubFrameWidth, r.height + kSubFrameHeight);
      else
        top->resize(r.width, r.height);
    }
    if (r.x != kSystemPlaced && r.y != kSystemPlaced) top->move(r.x, r.y);
  }
  if ((parts & window_part::kStatus) && !qw.zones.empty())
    qw.zones.front()->setText(qs(w.statusMessage));
  if (parts & window_part::kMenus) {
    syncMenuState(qw, d.menuBar);
    for (const ToolEntry& t : d.toolBar)
      if (auto it = qw.actions.find(t.field); t.field != 0 && it != qw.actions.end())
        it->second->setEnabled(!t.disabled);
  }
  if ((parts & window_part::kState) && top->isVisible()) {
    const Qt::WindowStates now = top->windowState();
    if (w.minimized) {
      if (!(now & Qt::WindowMinimized)) top->showMinimized();
    } else if (w.maximized) {
      if (!(now & Qt::WindowMaximized) || (now & Qt::WindowMinimized)) top->showMaximized();
    } else if (now & (Qt::WindowMinimized | Qt::WindowMaximized)) {
      top->showNormal();
    }
  }
}

void QtBackend::reportPlace(const QtWindow& qw) {
  const QWidget* top = qw.top;
  if (!top) return;
  Message msg;
  msg.kind = MessageKind::Placed;
  msg.window = qw.id;
  const Qt::WindowStates s = top->windowState();
  msg.place.minimized = (s & Qt::WindowMinimized) != 0;
  msg.place.maximized = (s & Qt::WindowMaximized) != 0;
  msg.place.x = top->x();
  msg.place.y = top->y();
  msg.place.width = top->width() - (qw.sub ? kSubFrameWidth : 0);
  msg.place.height = top->height() - (qw.sub ? kSubFrameHeight : 0);
  m_runtime.hub().postToWindow(msg);
}

void QtBackend::fitFrameAround(QtWindow& app, QWidget& child) {
  if (!app.frame || !app.mdi) return;
  if (app.frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) return;
  const QRect area = app.mdi->viewport()->rect();
  const int wider = child.geometry().right() + 1 - area.width();
  const int taller = child.geometry().bottom() + 1 - area.height();
  if (wider <= 0 && taller <= 0) return;
  QSize size = app.frame->size() + QSize(std::max(wider, 0), std::max(taller, 0));
  if (const QScreen* screen = app.frame->screen()) {
    const QRect room = screen->availableGeometry();
    size = size.boundedTo(room.size());
  }
  app.frame->resize(size);
}

bool QtBackend::createWindow(Window& w) {
  bool ok = false;
  m_dispatcher.call([&] {
    auto qw = std::make_unique<QtWindow>();
    qw->id = w.id();
    qw->kind = w.kind();
    switch (w.kind()) {
      case WindowKind::Application: {
        qw->frame = new QMainWindow;
        qw->mdi = new QMdiArea;
        qw->frame->setCentralWidget(qw->mdi);
        // A child larger than the area is reached by scrolling.
        qw->mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        qw->mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        qw->content = qw->mdi->viewport();
        qw->top = qw->frame;
        buildChrome(*qw, w);
        installFrameContextRequests(*this, *qw);
        break;
      }
      case WindowKind::MdiChild: {
        QtWindow* app = nullptr;
        for (auto& [id, other] : m_windows)
          if (other->kind == WindowKind::Application) app = other.get();
        if (!app || !app->mdi) return;
        qw->content = new QWidget;
        qw->sub = app->mdi->addSubWindow(qw->content);
        qw->top = qw->sub;
        break;
      }
      case WindowKind::Plain:
        qw->content = new QWidget;
        qw->top = qw->content;
        break;
    }
    installWindowContextRequests(*this, *qw);
    qw->top->setObjectName(qs(w.className()));
    qw->top->installEventFilter(new WindowFilter(*this, *qw));
    createControlWidgets(*this, *qw, w);
    applyWindow(*qw, w, window_part::kAll & ~window_part::kState);
    nameForAccessibility(*qw, w);
    w.platformHandle = qw->top.data();
    // Qt ignores a modality set on a window already shown.
    if (w.desc().modal) qw->top->setWindowModality(Qt::ApplicationModal);
    QtWindow& shown = *qw;
    m_windows[w.id()] = std::move(qw);
    shown.top->show();
    if (w.minimized || w.maximized) applyWindow(shown, w, window_part::kState);
    if (shown.sub)
      for (auto& [id, other] : m_windows)
        if (other->kind == WindowKind::Application) fitFrameAround(*other, *shown.sub);
    ok = true;
  });
  return ok;
}

void QtBackend::destroyRecord(std::uint32_t id) {
  auto it = m_windows.find(id);
  if (it == m_windows.end()) return;
  std::unique_ptr<QtWindow> qw = std::move(it->second);
  m_windows.erase(it);
  qw->destroying = true;
  if (qw->timer) qw->timer->stop();
  delete qw->top.data();  // its filter, timer and widgets go with it
}

void QtBackend::destroyWindow(Window& w) {
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it == m_windows.end()) return;
    // The frame's widgets own its MDI children's: those records go first,
    // so that none is left pointing into deleted widgets (a child closed
    // later finds no record and has nothing left to do).
    if (it->second->kind == WindowKind::Application) {
      std::vector<std::uint32_t> children;
      for (const auto& [id, other] : m_windows)
        if (other->kind == WindowKind::MdiChild) children.push_back(id);
      for (std::uint32_t child : children) destroyRecord(child);
    }
    destroyRecord(w.id());
  });
  w.platformHandle = nullptr;
}

void QtBackend::updateWindow(Window& w, unsigned parts) {
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it != m_windows.end()) applyWindow(*it->second, w, parts);
  });
}

void QtBackend::addControl(Window& w, const Control& c) {
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it == m_windows.end()) return;
    createControlWidget(*this, *it->second, w, w.indexOf(&c));
    nameForAccessibility(*it->second, w);
  });
}

void QtBackend::updateControl(Window& w, const Control& c) {
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it != m_windows.end()) updateControlWidget(*it->second, w, c);
  });
}

std::optional<std::string> QtBackend::pendingText(Window& w, const Control& c) {
  std::optional<std::string> out;
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it != m_windows.end()) out = pendingControlText(*it->second, w, c);
  });
  return out;
}

void QtBackend::focusControl(Window& w, int field) {
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it == m_windows.end()) return;
    int focusField = field;
    QWidget* widget = focusWidgetFor(*it->second, w, field, focusField);
    if (!widget || widget->hasFocus()) return;
    it->second->programFocus = focusField;
    widget->setFocus();
  });
}

void QtBackend::setTimer(Window& w, int period) {
  m_dispatcher.call([&] {
    auto it = m_windows.find(w.id());
    if (it == m_windows.end()) return;
    QtWindow& qw = *it->second;
    if (period <= 0) {
      if (qw.timer) qw.timer->stop();
      return;
    }
    if (!qw.timer) {
      qw.timer = new QTimer(qw.top);
      const std::uint32_t id = qw.id;
      QObject::connect(qw.timer, &QTimer::timeout, qw.timer,
                       [this, id] { m_runtime.hub().timerFired(id); });
    }
    qw.timer->start(period * 10);
  });
}

void QtBackend::standardAction(Window& w, int action) {
  m_dispatcher.call([&] {
    QtWindow* app = nullptr;
    for (auto& [id, other] : m_windows)
      if (other->kind == WindowKind::Application) app = other.get();
    (void)w;
    if (!app || !app->mdi) return;
    arrangeDocumentWindows(*app->mdi, action);
  });
}

void QtBackend::beep() {
  m_dispatcher.call([] { QApplication::beep(); });
}

void QtBackend::quit(int exitCode) {
  m_dispatcher.post([exitCode] { QCoreApplication::exit(exitCode); });
}

}  // namespace dw::ui::qt
