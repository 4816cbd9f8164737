// The query-by-example dialogs (see qbe_dialogs.h).
#include "app/forms/search/qbe_dialogs.h"

#include <cstring>

#include "fields/s_qbe.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;

namespace {

// Rows of the match-type radios, in dialog units.
constexpr int kFirstRadioY = 14;
constexpr int kRadioStep = 11;

template <std::size_t N>
std::string trimmed(const char (&text)[N]) {
  std::string s(text, N);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

template <std::size_t N>
void fill(char (&out)[N], const std::string& text) {
  std::memset(out, ' ', N);
  std::memcpy(out, text.data(), std::min(N, text.size()));
}

}  // namespace

int AskMatchType_(QbeKind kind, int current) {
  ui::Runtime& rt = runtime();
  // The option group keeps the chosen radio's position (from 1): type + 1.
  std::int32_t position = (matchOffered(kind, current) ? current : match::kIgnore) + 1;
  ui::Window& window = ui::openWindow(kQbeModule, "MATCHTYPE$WINDOW", ui::WindowKind::Plain);
  rt.setProperty(0, ui::prop::kText, matchDialogTitle(kind));
  int y = kFirstRadioY;
  for (int t = 0; t < match::kCount; ++t) {
    const int radio = s_qbe::kType0 + t;
    if (!matchOffered(kind, t)) {
      rt.hide(radio);
      continue;
    }
    rt.setProperty(radio, ui::prop::kYPos, std::to_string(y));
    y += kRadioStep;
  }
  rt.use(s_qbe::kMatchType, ui::VarRef::of(position));
  rt.select(s_qbe::kType0 + position - 1);
  int result = current;
  while (rt.accept()) {
    if (rt.event() != ev::kAccepted) continue;
    if (rt.field() == s_qbe::kOK) {
      if (matchOffered(kind, position - 1)) result = position - 1;
      rt.post(ev::kCloseWindow);
    } else if (rt.field() == s_qbe::kCancel) {
      rt.post(ev::kCloseWindow);
    }
  }
  if (rt.isOpen(&window)) rt.close(window);
  return result;
}

std::optional<RangeLimits> GetUpperLimit_(const RangeLimits& initial) {
  ui::Runtime& rt = runtime();
  char lower[20], upper[20];
  fill(lower, initial.lower);
  fill(upper, initial.upper);
  ui::Window& window = ui::openWindow(kQbeModule, "UPPERLIMIT$WINDOW", ui::WindowKind::Plain);
  rt.use(s_qbe::kLower, ui::VarRef::fixedString(lower));
  rt.use(s_qbe::kUpper, ui::VarRef::fixedString(upper));
  rt.select(s_qbe::kUpper);
  std::optional<RangeLimits> result;
  while (rt.accept()) {
    const int event = rt.event();
    if (event == ev::kCompleted) {
      result = RangeLimits{trimmed(lower), trimmed(upper)};
      rt.post(ev::kCloseWindow);
    } else if (event == ev::kAccepted && rt.field() == s_qbe::kLimitOK) {
      rt.selectAll();  // completion takes what is typed, then EVENT:Completed
    } else if (event == ev::kAccepted && rt.field() == s_qbe::kLimitCancel) {
      rt.post(ev::kCloseWindow);
    }
  }
  if (rt.isOpen(&window)) rt.close(window);
  return result;
}

QbeTask QBETask_() {
  ui::Runtime& rt = runtime();
  ui::Window& window = ui::openWindow(kQbeModule, "QBETASK$WINDOW", ui::WindowKind::Plain);
  QbeTask result = QbeTask::Cancel;
  while (rt.accept()) {
    if (rt.event() != ev::kAccepted) continue;
    const int field = rt.field();
    if (field == s_qbe::kEdit) result = QbeTask::Edit;
    if (field == s_qbe::kSelect) result = QbeTask::Select;
    if (field == s_qbe::kUnselect) result = QbeTask::Unselect;
    if (field == s_qbe::kEdit || field == s_qbe::kSelect || field == s_qbe::kUnselect ||
        field == s_qbe::kTaskCancel)
      rt.post(ev::kCloseWindow);
  }
  if (rt.isOpen(&window)) rt.close(window);
  return result;
}

}  // namespace dw::app
