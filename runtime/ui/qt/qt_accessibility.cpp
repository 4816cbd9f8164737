// Accessible names for what a window shows, so screen readers (and tests
// reading the accessibility tree) can tell its parts apart:
//   buttons, check boxes, radios, groups, strings, prompts, tabs  their text
//   entries, lists, drop lists, spin boxes, texts, progress bars  the text of
//                                                   the prompt declared before them,
//                                                   else of a prompt declared right
//                                                   after them that introduces no
//                                                   control of its own; a list without
//                                                   either takes its window's title
//   images                                          the file name without its extension
//   tool bar buttons                                their tip; tool bar images as images
//   status-bar zones                                "Status zone N"
// "&" marks of mnemonics are left out.  Display strings keep no fixed name:
// they are read by the text they show.
//
// Thread-safety: GUI thread, inside a backend call.
#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/window.h"

namespace dw::ui::qt {

namespace {

QString plain(std::string_view text) {
  QString t = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  t.remove(QLatin1Char('&'));
  return t.trimmed();
}

// "~PDWMAIN.GIF" or "/some/where/PDWMAIN.GIF" -> "PDWMAIN".
QString imageName(std::string_view reference) {
  std::string_view name = reference;
  if (!name.empty() && name.front() == '~') name.remove_prefix(1);
  if (const std::size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos)
    name.remove_prefix(slash + 1);
  if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
    name = name.substr(0, dot);
  return plain(name);
}

bool namedByPrompt(ControlType t) {
  switch (t) {
    case ControlType::Entry:
    case ControlType::List:
    case ControlType::Spin:
    case ControlType::Text:
    case ControlType::Progress:
      return true;
    default:
      return false;
  }
}

// The prompt (or fixed string) declared before control `index`, if no
// other editing control comes between.
QString promptBefore(const Window& w, int index) {
  const auto& controls = w.controls();
  for (int i = index - 1; i >= 0; --i) {
    const ControlState& s = controls[i]->state();
    if (s.type == ControlType::Prompt || s.type == ControlType::String) return plain(s.text);
    if (namedByPrompt(s.type) || s.type == ControlType::Button) break;
  }
  return {};
}

// A prompt declared right after control `index` that introduces nothing
// after it (a prompt that follows what it names, as "Days" after a count).
QString promptAfter(const Window& w, int index) {
  const auto& controls = w.controls();
  const int size = static_cast<int>(controls.size());
  if (index + 1 >= size || controls[index + 1]->state().type != ControlType::Prompt) return {};
  if (index + 2 < size && namedByPrompt(controls[index + 2]->state().type)) return {};
  return plain(controls[index + 1]->state().text);
}

}  // namespace

void nameForAccessibility(QtWindow& qw, Window& w) {
  const auto& controls = w.controls();
  for (auto& [index, qc] : qw.controls) {
    if (!qc.widget || index < 0 || index >= static_cast<int>(controls.size())) continue;
    const ControlState& s = controls[index]->state();
    QString name;
    if (s.type == ControlType::Image)
      name = imageName(s.icon);
    else if (namedByPrompt(s.type)) {
      name = promptBefore(w, index);
      if (name.isEmpty()) name = promptAfter(w, index);
      if (name.isEmpty() && s.type == ControlType::List) name = plain(w.desc().title);
    } else if (s.type != ControlType::StringVar)
      name = plain(s.text);
    if (name.isEmpty() && s.type == ControlType::Button) name = imageName(s.icon);
    if (!name.isEmpty()) qc.widget->setAccessibleName(name);
  }
  if (qw.toolBar) {
    for (const ToolEntry& t : w.desc().toolBar) {
      if (t.kind == ToolEntry::Kind::Button) {
        auto it = qw.actions.find(t.field);
        if (it == qw.actions.end()) continue;
        if (QWidget* b = qw.toolBar->widgetForAction(it->second))
          b->setAccessibleName(plain(t.text));
      } else if (t.kind == ToolEntry::Kind::Image) {
        if (auto* label = qw.toolBar->findChild<QLabel*>(QStringLiteral("field%1").arg(t.field)))
          label->setAccessibleName(imageName(t.icon));
      }
    }
    // The button that shows the entries that do not fit.
    for (auto* b : qw.toolBar->findChildren<QToolButton*>())
      if (b->accessibleName().isEmpty() && b->defaultAction() == nullptr)
        b->setAccessibleName(QStringLiteral("More tools"));
  }
  for (std::size_t i = 0; i < qw.zones.size(); ++i)
    qw.zones[i]->setAccessibleName(QStringLiteral("Status zone %1").arg(i + 1));
}

}  // namespace dw::ui::qt
