// Control widgets: one Qt widget per control, placed at its pixel
// rectangle inside the window's content widget, drawn from the control's
// state, and reporting what the user does:
//   buttons, menu-like clicks      EVENT:Accepted
//   entries (Enter, leaving)       EVENT:Accepted with the typed text
//   spin arrows                    EVENT:NewSelection with the steps
//   check boxes                    EVENT:Accepted with 0/1
//   radios of an option group      EVENT:Accepted for the group with the radio's number
//   lists, sheets                  EVENT:NewSelection with the row or tab number;
//                                  a list row activated (double click, Enter) EVENT:Accepted;
//                                  lists scrolled: the scroll events (qt_list.cpp)
//   focus entering a control       a focus message (EVENT:Selected)
// Radios are children of the content widget (their rectangles are the
// window's), grouped by a QButtonGroup; a tab has no widget of its own.
// A prompt's buddy is the next control that takes the focus; Alt with an
// access letter is handled in qt_access_keys.cpp.  Tab stops at an option
// group's chosen radio, the arrows move the choice.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>

#include "runtime/ui/events.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/qt_list.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/window.h"

#include <algorithm>
#include <cstdlib>

namespace dw::ui::qt {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

}  // namespace

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::place(const Rect& r) {
  const int x1 = r.x + r.width, y1 = r.y + r.height;
  const int left = std::min(r.x, x1), top = std::min(r.y, y1);
  setGeometry(left, top, std::abs(r.width) + 1, std::abs(r.height) + 1);
  m_from = QPoint(r.x - left, r.y - top);
  m_to = QPoint(x1 - left, y1 - top);
  update();
}

void LineWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawLine(m_from, m_to);
}

namespace {

// Focus entering a control; leaving a multi-line text accepts it.
class ControlFilter : public QObject {
 public:
  ControlFilter(QtBackend& backend, QtWindow& qw, int field, QObject* parent)
      : QObject(parent), m_backend(backend), m_qw(qw), m_window(qw.id), m_field(field) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::FocusIn) {
      // Focus the runtime gave itself already queued its EVENT:Selected.
      if (m_qw.programFocus == m_field)
        m_qw.programFocus = 0;
      else
        m_backend.postFocus(m_window, m_field);
      if (auto* w = qobject_cast<QWidget*>(watched); w && !w->statusTip().isEmpty())
        showStatusText(w, w->statusTip());
    }
    if (e->type() == QEvent::FocusOut) {
      if (auto* text = qobject_cast<QPlainTextEdit*>(watched);
          text && text->document()->isModified()) {
        text->document()->setModified(false);
        m_backend.postEvent(m_window, ev::kAccepted, m_field, text->toPlainText().toStdString());
      }
    }
    return false;
  }

 private:
  QtBackend& m_backend;
  QtWindow& m_qw;
  std::uint32_t m_window;
  int m_field;
};

// A spin box whose arrows report steps and whose text is the control's.
class SpinWidget : public QAbstractSpinBox {
 public:
  SpinWidget(QtBackend& backend, std::uint32_t window, int field, QWidget* parent)
      : QAbstractSpinBox(parent), m_backend(backend), m_window(window), m_field(field) {}
  void stepBy(int steps) override {
    m_backend.postEvent(m_window, ev::kNewSelection, m_field, std::int64_t{steps});
  }
  QLineEdit* edit() const { return lineEdit(); }

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

 private:
  QtBackend& m_backend;
  std::uint32_t m_window;
  int m_field;
};

}  // namespace

QKeySequence keySequenceFor(int code) {
  const int vk = code & 0xFF;
  int key = 0;
  if (vk == 13)
    key = Qt::Key_Return;
  else if (vk == 27)
    key = Qt::Key_Escape;
  else if (vk >= 112 && vk <= 123)
    key = Qt::Key_F1 + (vk - 112);
  else if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
    key = vk;
  if (key == 0) return {};
  int mods = 0;
  if (code & 0x100) mods |= Qt::SHIFT;
  if (code & 0x200) mods |= Qt::CTRL;
  if (code & 0x400) mods |= Qt::ALT;
  return QKeySequence(key | mods);
}

void showStatusText(QWidget* anyWidget, const QString& text) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* frame = qobject_cast<QMainWindow*>(top);
    if (!frame || !frame->findChild<QMdiArea*>()) continue;
    if (anyWidget && anyWidget->window() != frame && !frame->isAncestorOf(anyWidget)) continue;
    frame->statusBar()->showMessage(text);
    return;
  }
}

namespace {

// Tab stops at an option group's chosen radio only (at its first while none
// is chosen), as the arrow keys move the choice between them.
void tabStopOnChosen(QButtonGroup* group) {
  const QList<QAbstractButton*> buttons = group->buttons();
  QAbstractButton* stop = group->checkedButton();
  if (!stop && !buttons.isEmpty()) stop = buttons.front();
  for (QAbstractButton* b : buttons)
    b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

QWidget* makeWidget(QtBackend& backend, QtWindow& qw, Window& w, int index, QtControl& qc) {
  const Control& c = *w.controls()[index];
  const ControlState& s = c.state();
  const std::uint32_t id = qw.id;
  const int field = s.field;
  QWidget* parent = qw.content;
  switch (s.type) {
    case ControlType::StringVar:
    case ControlType::String:
    case ControlType::Prompt:
      return new QLabel(parent);
    case ControlType::Image: {
      auto* label = new QLabel(parent);
      label->setPixmap(pixmapFor(s.icon));
      qc.image = s.icon;
      label->setScaledContents(s.rect.width != 0 && s.pixels.width > 0);
      return label;
    }
    case ControlType::Region:
      return new QWidget(parent);
    case ControlType::Box: {
      auto* f = new QFrame(parent);
      f->setFrameStyle(QFrame::Box | QFrame::Plain);
      return f;
    }
    case ControlType::Line:
      return new LineWidget(parent);
    case ControlType::Entry: {
      auto* e = new QLineEdit(parent);
      QObject::connect(e, &QLineEdit::editingFinished, e, [&backend, e, id, field] {
        if (!e->isModified()) return;
        e->setModified(false);
        backend.postEvent(id, ev::kAccepted, field, e->text().toStdString());
      });
      return e;
    }
    case ControlType::Spin: {
      auto* sp = new SpinWidget(backend, id, field, parent);
      QLineEdit* e = sp->edit();
      QObject::connect(sp, &QAbstractSpinBox::editingFinished, sp, [&backend, e, id, field] {
        if (!e->isModified()) return;
        e->setModified(false);
        backend.postEvent(id, ev::kAccepted, field, e->text().toStdString());
      });
      return sp;
    }
    case ControlType::Button: {
      auto* b = new QPushButton(qs(s.text), parent);
      const QPixmap icon = pixmapFor(s.icon);
      if (!icon.isNull()) b->setIcon(QIcon(icon));
      QObject::connect(b, &QPushButton::clicked, b,
                       [&backend, id, field] { backend.postEvent(id, ev::kAccepted, field); });
      if (const QKeySequence key = keySequenceFor(s.keyCode); !key.isEmpty()) {
        auto* shortcut = new QShortcut(key, qw.top);
        QObject::connect(shortcut, &QShortcut::activated, b, [b] {
          if (b->isEnabled() && b->isVisible()) b->click();
        });
      }
      return b;
    }
    case ControlType::Option: {
      auto* g = new QGroupBox(qs(s.text), parent);
      QButtonGroup* group = qc.group = new QButtonGroup(g);
      QObject::connect(group, &QButtonGroup::idClicked, g, [&backend, id, field](int n) {
        backend.postEvent(id, ev::kAccepted, field, std::int64_t{n});
      });
      QObject::connect(group, &QButtonGroup::buttonToggled, g,
                       [group](QAbstractButton*, bool) { tabStopOnChosen(group); });
      return g;
    }
    case ControlType::Radio: {
      auto* r = new QRadioButton(qs(s.text), parent);
      if (s.parent >= 0) {
        auto parentIt = qw.controls.find(s.parent);
        if (parentIt != qw.controls.end() && parentIt->second.group) {
          QButtonGroup* group = parentIt->second.group;
          group->addButton(r, static_cast<int>(group->buttons().size()) + 1);
          tabStopOnChosen(group);
        }
      }
      return r;
    }
    case ControlType::Check: {
      auto* cb = new QCheckBox(qs(s.text), parent);
      QObject::connect(cb, &QCheckBox::clicked, cb, [&backend, id, field](bool on) {
        backend.postEvent(id, ev::kAccepted, field, std::int64_t{on ? 1 : 0});
      });
      return cb;
    }
    case ControlType::Group:
      return new QGroupBox(qs(s.text), parent);
    case ControlType::List:
      return makeListWidget(backend, id, s, qc, parent);
    case ControlType::Text: {
      auto* t = new QPlainTextEdit(parent);
      return t;
    }
    case ControlType::Progress:
      return new QProgressBar(parent);
    case ControlType::Sheet: {
      auto* tabs = new QTabBar(parent);
      for (const std::string& text : s.rows) tabs->addTab(qs(text));
      QObject::connect(tabs, &QTabBar::currentChanged, tabs, [&backend, &qc, id, field](int n) {
        if (!qc.updating && n >= 0)
          backend.postEvent(id, ev::kNewSelection, field, std::int64_t{n + 1});
      });
      return tabs;
    }
    case ControlType::Tab:
      return nullptr;
  }
  return nullptr;
}

}  // namespace

void createControlWidget(QtBackend& backend, QtWindow& qw, Window& w, int index) {
  if (index < 0 || index >= static_cast<int>(w.controls().size())) return;
  const Control& c = *w.controls()[index];
  QtControl& qc = qw.controls[index];
  qc.type = c.type();
  qc.field = c.field();
  qc.parent = c.state().parent;
  for (int up = qc.parent; up >= 0 && !qc.onPage; up = w.controls()[up]->state().parent)
    qc.onPage = w.controls()[up]->type() == ControlType::Tab;
  if (qc.type == ControlType::Tab) {
    qc.tabNumber = 0;
    for (int i = 0; i < index; ++i)
      if (w.controls()[i]->type() == ControlType::Tab &&
          w.controls()[i]->state().parent == qc.parent)
        ++qc.tabNumber;
  }
  qc.widget = makeWidget(backend, qw, w, index, qc);
  if (!qc.widget) return;
  qc.widget->setObjectName(QStringLiteral("field%1").arg(qc.field));
  if (qc.field != 0) {
    qc.widget->installEventFilter(new ControlFilter(backend, qw, qc.field, qc.widget));
    installMouseFilter(backend, qw.id, qc.field, qc.widget);
  }
  qc.widget->show();
  updateControlWidget(qw, w, c);  // may hide it again
}

namespace {

// A prompt's "&" letter moves the focus to the control it introduces: the
// next control in declaration order that can take the focus.  Only a shown
// prompt answers its letter, so prompts on hidden tabs do not compete.
void linkPrompts(QtWindow& qw, Window& w) {
  const int count = static_cast<int>(w.controls().size());
  for (int i = 0; i < count; ++i) {
    if (w.controls()[i]->type() != ControlType::Prompt) continue;
    auto it = qw.controls.find(i);
    auto* label = it == qw.controls.end() ? nullptr : qobject_cast<QLabel*>(it->second.widget);
    if (!label || !label->text().contains(QLatin1Char('&'))) continue;
    for (int j = i + 1; j < count; ++j) {
      auto next = qw.controls.find(j);
      if (next == qw.controls.end() || !next->second.widget) continue;
      if (next->second.widget->focusPolicy() == Qt::NoFocus) continue;
      label->setBuddy(next->second.widget);
      break;
    }
  }
}

}  // namespace

void createControlWidgets(QtBackend& backend, QtWindow& qw, Window& w) {
  for (std::size_t i = 0; i < w.controls().size(); ++i)
    createControlWidget(backend, qw, w, static_cast<int>(i));
  linkPrompts(qw, w);
}

namespace {

// Shows the tab buttons of the tabs that are not hidden (a hidden tab's
// page is hidden with it, through effectivelyVisible).
void showSheetTabs(QtWindow& qw, Window& w, int sheet) {
  auto it = qw.controls.find(sheet);
  if (it == qw.controls.end()) return;
  auto* tabs = qobject_cast<QTabBar*>(it->second.widget);
  if (!tabs) return;
  const bool updating = it->second.updating;
  it->second.updating = true;
  int n = 0;
  for (const auto& other : w.controls())
    if (other->state().parent == sheet && other->type() == ControlType::Tab)
      tabs->setTabVisible(n++, !other->state().hidden);
  it->second.updating = updating;
}

}  // namespace

void updateControlWidget(QtWindow& qw, Window& w, const Control& c) {
  const int index = w.indexOf(&c);
  auto it = qw.controls.find(index);
  if (it == qw.controls.end()) return;
  QtControl& qc = it->second;
  // A tab shows or hides its page: update everything on it.
  if (!qc.widget) {
    if (c.type() == ControlType::Tab) showSheetTabs(qw, w, c.state().parent);
    for (const auto& other : w.controls())
      if (other.get() != &c && other->state().parent == index) updateControlWidget(qw, w, *other);
    return;
  }
  const ControlState& s = c.state();
  QWidget* widget = qc.widget;
  qc.updating = true;
  const Rect& r = s.pixels;
  if (auto* line = dynamic_cast<LineWidget*>(widget))
    line->place(r);
  else if (r.width > 0 && r.height > 0)
    widget->setGeometry(r.x, r.y, r.width, r.height);
  else
    widget->move(r.x, r.y), widget->adjustSize();
  widget->setVisible(w.effectivelyVisible(c));
  widget->setEnabled(w.effectivelyEnabled(c));
  widget->setStatusTip(qs(s.statusText));
  // A sheet's tab texts are its rows, which the code may replace.
  if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
    for (int i = 0; i < tabs->count() && i < static_cast<int>(s.rows.size()); ++i)
      if (tabs->tabText(i) != qs(s.rows[static_cast<std::size_t>(i)]))
        tabs->setTabText(i, qs(s.rows[static_cast<std::size_t>(i)]));
  }
  // An image control whose picture the code replaced loads the new one.
  if (auto* label = qobject_cast<QLabel*>(widget); label && s.type == ControlType::Image) {
    if (s.icon != qc.image) {
      qc.image = s.icon;
      label->setPixmap(pixmapFor(s.icon));
      label->setScaledContents(s.rect.width != 0 && s.pixels.width > 0);
    }
    qc.updating = false;
    return;
  }
  const QString display = qs(s.display);
  // Typed text stays until the control shows a new value.
  const bool newValue = s.display != qc.shown;
  qc.shown = s.display;
  // Buttons and fixed strings are named for accessibility by their text,
  // which the code may change.
  const auto renamed = [&](QWidget* named) {
    if (s.type != ControlType::Button && s.type != ControlType::String) return;
    const QString name = qs(s.text).remove(QLatin1Char('&')).trimmed();
    if (!name.isEmpty() && named->accessibleName() != name) named->setAccessibleName(name);
  };
  if (auto* label = qobject_cast<QLabel*>(widget); label && label->pixmap().isNull()) {
    label->setText(display);
    renamed(label);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (newValue) edit->setText(display), edit->setModified(false);
  } else if (auto* spin = dynamic_cast<SpinWidget*>(widget)) {
    if (newValue) spin->edit()->setText(display), spin->edit()->setModified(false);
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
    if (newValue) text->setPlainText(display), text->document()->setModified(false);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(qs(s.text));
    renamed(button);
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    check->setText(qs(s.text));
    check->setChecked(s.selected != 0);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(qs(s.text));
    if (qc.group) {
      if (QAbstractButton* b = qc.group->button(static_cast<int>(s.selected))) b->setChecked(true);
    }
  } else if (updateListWidget(widget, s)) {
  } else if (auto* progress = qobject_cast<QProgressBar*>(widget)) {
    progress->setRange(static_cast<int>(s.rangeLow), static_cast<int>(s.rangeHigh));
    progress->setValue(static_cast<int>(s.progress));
  } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
    showSheetTabs(qw, w, index);
    tabs->setCurrentIndex(static_cast<int>(s.selected) - 1);
    for (const auto& other : w.controls())
      if (other->state().parent == index) updateControlWidget(qw, w, *other);
  }
  if (s.type == ControlType::Option || s.type == ControlType::Group)
    for (const auto& other : w.controls())
      if (other->state().parent == index) updateControlWidget(qw, w, *other);
  qc.updating = false;
}

std::optional<std::string> pendingControlText(QtWindow& qw, Window& w, const Control& c) {
  auto it = qw.controls.find(w.indexOf(&c));
  if (it == qw.controls.end() || !it->second.widget) return std::nullopt;
  QWidget* widget = it->second.widget;
  if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && edit->isModified())
    return edit->text().toStdString();
  if (auto* spin = dynamic_cast<SpinWidget*>(widget); spin && spin->edit()->isModified())
    return spin->edit()->text().toStdString();
  if (auto* text = qobject_cast<QPlainTextEdit*>(widget); text && text->document()->isModified())
    return text->toPlainText().toStdString();
  return std::nullopt;
}

QWidget* controlWidgetFor(QtWindow& qw, Window& w, int field) {
  const Control* c = w.control(field);
  if (!c) return nullptr;
  auto it = qw.controls.find(w.indexOf(c));
  return it == qw.controls.end() ? nullptr : it->second.widget.data();
}

QWidget* focusWidgetFor(QtWindow& qw, Window& w, int field, int& focusField) {
  focusField = field;
  const Control* c = w.control(field);
  if (!c) return nullptr;
  auto it = qw.controls.find(w.indexOf(c));
  if (it == qw.controls.end()) return nullptr;
  QButtonGroup* group = it->second.group;
  if (!group || group->buttons().isEmpty()) return it->second.widget.data();
  QAbstractButton* radio = group->checkedButton();
  if (!radio) radio = group->buttons().front();
  for (const auto& [index, other] : qw.controls)
    if (other.widget == radio) focusField = other.field;
  return radio;
}

}  // namespace dw::ui::qt
