// Access letters: the letter after "&" in a control's text, and which one
// of a window's controls Alt with that letter reaches when several carry
// it.  The window texts share letters ("&Next Date:" and "&Next ->",
// "<- &Back" and "&Browse"), so the letter goes to one control by a fixed
// order rather than moving the focus round them:
//   1. a push button, which it presses;
//   2. a check box or radio, which it toggles or chooses;
//   3. a tab, which it selects (tabs of one sheet with the same letter are
//      selected in turn: the first, or the next after the chosen one);
//   4. a prompt, option group or group, which moves the focus to the
//      control it introduces.
// Within one step the window's own controls go before those on a tab's
// page (a wizard's "<- &Back" before its page's "&Browse"), then the
// first declared.  Only shown, enabled controls compete.
//
// Thread-safety: pure functions; any thread.
#pragma once

#include <span>
#include <string_view>

#include "runtime/ui/control.h"

namespace dw::ui {

// The access letter of a text, in upper case; 0 when it has none ("&&"
// stands for "&" itself).
char accessLetter(std::string_view text);

// What a control's access letter does, in the order above.
enum class AccessAct : std::uint8_t { Press, Toggle, SelectTab, Focus, None };
AccessAct accessAct(ControlType type);

// One shown, enabled control that carries the letter.
struct AccessCandidate {
  AccessAct act = AccessAct::None;
  bool onPage = false;  // stands on a tab's page
  int sheet = -1;       // tabs: their sheet; radios: their option group
  bool chosen = false;  // tabs: the sheet's chosen tab; radios: the chosen one
};

// The position in `candidates` (in declaration order) of the control the
// letter reaches, or -1 when none does.
int accessTarget(std::span<const AccessCandidate> candidates);

// Whether two candidates tie in the order above and are not tabs of one
// sheet or radios of one option group (those take the letter in turn):
// then the letter would reach one of two controls that act differently,
// which the windows must never declare.
bool accessTie(const AccessCandidate& a, const AccessCandidate& b);

}  // namespace dw::ui
