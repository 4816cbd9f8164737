// Access letters (see access_keys.h).
#include "runtime/ui/access_keys.h"

namespace dw::ui {

namespace {

int rank(const AccessCandidate& c) {
  return static_cast<int>(c.act) * 2 + (c.onPage ? 1 : 0);
}

}  // namespace

char accessLetter(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    const char c = text[i + 1];
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return 0;
  }
  return 0;
}

AccessAct accessAct(ControlType type) {
  switch (type) {
    case ControlType::Button:
      return AccessAct::Press;
    case ControlType::Check:
    case ControlType::Radio:
      return AccessAct::Toggle;
    case ControlType::Tab:
      return AccessAct::SelectTab;
    case ControlType::Prompt:
    case ControlType::Option:
    case ControlType::Group:
      return AccessAct::Focus;
    default:
      return AccessAct::None;
  }
}

int accessTarget(std::span<const AccessCandidate> candidates) {
  int best = -1;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (candidates[i].act == AccessAct::None) continue;
    if (best < 0 || rank(candidates[i]) < rank(candidates[static_cast<std::size_t>(best)]))
      best = static_cast<int>(i);
  }
  if (best < 0 || candidates[static_cast<std::size_t>(best)].sheet < 0) return best;
  // Tabs of the sheet (radios of the option group) with this letter take
  // it in turn: the first after the chosen one, else the first.
  const AccessCandidate& first = candidates[static_cast<std::size_t>(best)];
  const int sheet = first.sheet;
  bool afterChosen = false;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const AccessCandidate& c = candidates[i];
    if (c.act != first.act || c.sheet != sheet) continue;
    if (afterChosen) return static_cast<int>(i);
    if (c.chosen) afterChosen = true;
  }
  return best;
}

bool accessTie(const AccessCandidate& a, const AccessCandidate& b) {
  if (a.act == AccessAct::None || rank(a) != rank(b)) return false;
  return !(a.sheet >= 0 && a.act == b.act && a.sheet == b.sheet);
}

}  // namespace dw::ui
