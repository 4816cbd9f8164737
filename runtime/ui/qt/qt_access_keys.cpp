// Access letters in the Qt backend.  Qt's own mnemonics move the focus
// round every control that shares a letter; the window texts share many
// ("&Next Date:" and "&Next ->"), so Alt+letter is taken before Qt's
// shortcuts see it and given to the one control access_keys.h picks among
// the window's shown, enabled controls: a push button is clicked, a check
// box or radio clicked and focused, a tab selected (as a click on it
// would), and a prompt, option group or group focuses the control it
// introduces.  A letter no control of the focused window carries is left
// to Qt (the frame's menu bar).
//
// Thread-safety: GUI thread only.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>

#include "runtime/ui/access_keys.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/qt_window.h"

#include <vector>

namespace dw::ui::qt {

namespace {

QTabBar* tabBarOf(const QtWindow& qw, const QtControl& tab) {
  auto it = qw.controls.find(tab.parent);
  return it == qw.controls.end() ? nullptr : qobject_cast<QTabBar*>(it->second.widget);
}

QString textOf(const QtWindow& qw, const QtControl& qc) {
  if (qc.type == ControlType::Tab) {
    QTabBar* tabs = tabBarOf(qw, qc);
    return tabs ? tabs->tabText(qc.tabNumber) : QString();
  }
  if (auto* b = qobject_cast<QAbstractButton*>(qc.widget)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(qc.widget)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(qc.widget)) return g->title();
  return {};
}

bool usable(const QWidget* w) {
  return w && w->isVisible() && w->isEnabled();
}

bool shown(const QtWindow& qw, const QtControl& qc) {
  if (qc.type != ControlType::Tab) return usable(qc.widget);
  QTabBar* tabs = tabBarOf(qw, qc);
  return usable(tabs) && tabs->isTabVisible(qc.tabNumber) && tabs->isTabEnabled(qc.tabNumber);
}

// The control a focusing letter introduces: an option group's chosen
// radio (its first while none is), else the next shown control after it
// that takes the focus.
QWidget* introduced(const QtWindow& qw, int index) {
  const QtControl& qc = qw.controls.at(index);
  if (qc.group) {
    QAbstractButton* chosen = qc.group->checkedButton();
    if (!chosen && !qc.group->buttons().isEmpty()) chosen = qc.group->buttons().front();
    if (usable(chosen)) return chosen;
  }
  for (auto it = qw.controls.upper_bound(index); it != qw.controls.end(); ++it) {
    QWidget* w = it->second.widget;
    if (usable(w) && w->focusPolicy() != Qt::NoFocus && !qobject_cast<QGroupBox*>(w)) return w;
  }
  return nullptr;
}

class AccessKeyFilter : public QObject {
 public:
  explicit AccessKeyFilter(QtBackend& backend) : m_backend(backend) {}
  bool eventFilter(QObject*, QEvent* e) override {
    const QEvent::Type type = e->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease)
      return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    // The key press that follows a letter taken here types nothing.
    if (type != QEvent::ShortcutOverride) {
      if (m_taken == 0 || key->key() != m_taken) return false;
      if (type == QEvent::KeyRelease) m_taken = 0;
      return true;
    }
    if (key->modifiers() != Qt::AltModifier || key->isAutoRepeat()) return false;
    const int k = key->key();
    if (!((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))) return false;
    const QWidget* from = QApplication::focusWidget();
    if (!from) from = QApplication::activeWindow();
    if (!m_backend.pressAccessKey(from, static_cast<char>(k))) return false;
    e->accept();
    m_taken = k;
    return true;
  }

 private:
  QtBackend& m_backend;
  int m_taken = 0;  // the key of the letter taken, until it is released
};

}  // namespace

std::unique_ptr<QObject> QtBackend::makeAccessKeyFilter(QtBackend& backend) {
  return std::make_unique<AccessKeyFilter>(backend);
}

bool QtBackend::pressAccessKey(const QWidget* from, char letter) {
  auto found = m_windows.find(windowHolding(from));
  if (found == m_windows.end()) return false;
  QtWindow& qw = *found->second;
  std::vector<AccessCandidate> candidates;
  std::vector<int> indexes;
  for (const auto& [index, qc] : qw.controls) {
    const AccessAct act = accessAct(qc.type);
    if (act == AccessAct::None || !shown(qw, qc)) continue;
    const QByteArray text = textOf(qw, qc).toUtf8();
    if (accessLetter(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))) !=
        letter)
      continue;
    AccessCandidate c{act, qc.onPage};
    if (act == AccessAct::SelectTab) {
      c.sheet = qc.parent;
      QTabBar* tabs = tabBarOf(qw, qc);
      c.chosen = tabs && tabs->currentIndex() == qc.tabNumber;
    } else if (qc.type == ControlType::Radio && qc.parent >= 0) {
      // Radios of one option group take a shared letter in turn.
      c.sheet = qc.parent;
      const auto* button = qobject_cast<const QAbstractButton*>(qc.widget);
      c.chosen = button && button->isChecked();
    }
    candidates.push_back(c);
    indexes.push_back(index);
  }
  const int target = accessTarget(candidates);
  if (target < 0) return false;
  const int index = indexes[static_cast<std::size_t>(target)];
  const QtControl& qc = qw.controls.at(index);
  switch (candidates[static_cast<std::size_t>(target)].act) {
    case AccessAct::Press:
      if (auto* b = qobject_cast<QAbstractButton*>(qc.widget)) b->click();
      break;
    case AccessAct::Toggle:
      if (auto* b = qobject_cast<QAbstractButton*>(qc.widget)) {
        b->setFocus(Qt::ShortcutFocusReason);
        b->click();
      }
      break;
    case AccessAct::SelectTab:
      if (QTabBar* tabs = tabBarOf(qw, qc)) tabs->setCurrentIndex(qc.tabNumber);
      break;
    case AccessAct::Focus:
      if (QWidget* w = introduced(qw, index)) w->setFocus(Qt::ShortcutFocusReason);
      break;
    case AccessAct::None:
      break;
  }
  return true;
}

}  // namespace dw::ui::qt
