// Access letters: which control a shared letter reaches, and, over every
// window the program carries, that no letter reaches two controls that act
// differently in any state of the window's sheets (each sheet showing any
// one of its tabs).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/platform/resource_table.h"
#include "runtime/ui/access_keys.h"
#include "runtime/ui/resfmt/window_record.h"
#include "runtime/ui/window_resource.h"

namespace ui = dw::ui;
namespace rf = dw::resfmt;
using A = ui::AccessAct;

namespace {

TEST(AccessLetters, LetterOfAText) {
  EXPECT_EQ('N', ui::accessLetter("&Next ->"));
  EXPECT_EQ('B', ui::accessLetter("<- &Back"));
  EXPECT_EQ('I', ui::accessLetter("T&ime:"));
  EXPECT_EQ('D', ui::accessLetter("Fish && Chips &do"));
  EXPECT_EQ(0, ui::accessLetter("Fish && Chips"));
  EXPECT_EQ(0, ui::accessLetter("Trailing &"));
}

struct TargetCase {
  const char* what;
  std::vector<ui::AccessCandidate> candidates;
  int target;
};

TEST(AccessLetters, ASharedLetterActsOnOneControl) {
  const TargetCase cases[] = {
      {"the page's prompt yields to the window's button", {{A::Focus, true}, {A::Press, false}}, 1},
      {"the window's button before the page's button and check box",
       {{A::Press, true}, {A::Toggle, true}, {A::Press, false}},
       2},
      {"a tab before a prompt on a page", {{A::SelectTab, false, 1}, {A::Focus, true}}, 0},
      {"a check box before a tab", {{A::SelectTab, false, 1}, {A::Toggle, true}}, 1},
      {"tabs of one sheet in turn after the chosen one",
       {{A::SelectTab, false, 1, true}, {A::Focus, true}, {A::SelectTab, false, 1}},
       2},
      {"back to the first tab after the last",
       {{A::SelectTab, false, 1}, {A::SelectTab, false, 1, true}},
       0},
      {"nothing that acts", {{A::None}}, -1},
  };
  for (const TargetCase& c : cases) EXPECT_EQ(c.target, ui::accessTarget(c.candidates)) << c.what;
}

// One control of a window record with its access letter and where it
// stands: the tabs it is on, as (sheet, tab number) pairs.
struct Placed {
  char letter;
  ui::AccessCandidate candidate;
  std::vector<std::pair<int, int>> onTabs;
  std::string text;
};

struct Flattened {
  std::vector<Placed> controls;
  std::map<int, int> tabCounts;  // by sheet
};

void flatten(const std::vector<rf::ControlRecord>& records, Flattened& out,
             std::vector<std::pair<int, int>> onTabs, int& sheets) {
  for (const rf::ControlRecord& r : records) {
    const auto type = static_cast<ui::ControlType>(r.type);
    if (r.type == rf::ControlType::Sheet) {
      const int sheet = sheets++;
      int tab = 0;
      for (const rf::ControlRecord& t : r.children) {
        Placed p{ui::accessLetter(t.text), {A::SelectTab, !onTabs.empty(), sheet}, onTabs, t.text};
        out.controls.push_back(p);
        auto inner = onTabs;
        inner.emplace_back(sheet, tab++);
        flatten(t.children, out, inner, sheets);
      }
      out.tabCounts[sheet] = tab;
      continue;
    }
    out.controls.push_back(
        {ui::accessLetter(r.text), {ui::accessAct(type), !onTabs.empty()}, onTabs, r.text});
    const std::size_t firstChild = out.controls.size();
    flatten(r.children, out, onTabs, sheets);
    // The radios of an option group take a shared letter in turn.
    if (r.type == rf::ControlType::OptionGroup) {
      const int group = sheets++;
      for (std::size_t i = firstChild; i < out.controls.size(); ++i)
        if (out.controls[i].candidate.act == A::Toggle) out.controls[i].candidate.sheet = group;
    }
  }
}

// Two buttons whose own texts share a letter, known and kept: the preview's
// "&Print!" and "&Previous Page!" (Alt+P presses Print, the first declared;
// Previous Page is reached by the mouse or Tab).  Any other tie is a fault.
bool knownTie(const std::string& window, char letter) {
  return window == "PREVIEW$WINDOW" && letter == 'P';
}

TEST(AccessLetters, NoWindowLetsALetterReachTwoControlsThatActDifferently) {
  int windows = 0;
  for (const dw::res::Resource* res : dw::res::resourcesOfType(ui::kWindowResourceType)) {
    const rf::ParseResult parsed = rf::parseModule(res->bytes);
    ASSERT_TRUE(parsed.module) << res->name;
    for (const rf::WindowRecord& w : parsed.module->windows) {
      if (w.kind != rf::RecordKind::Window) continue;
      ++windows;
      Flattened f;
      int sheets = 0;
      flatten(w.controls, f, {}, sheets);
      // Every state: each sheet showing one of its tabs.
      std::map<int, int> chosen;
      for (const auto& [sheet, count] : f.tabCounts) chosen[sheet] = 0;
      for (;;) {
        std::map<char, std::vector<const Placed*>> shown;
        for (const Placed& p : f.controls) {
          bool visible = p.letter != 0;
          for (const auto& [sheet, tab] : p.onTabs) visible = visible && chosen[sheet] == tab;
          if (visible) shown[p.letter].push_back(&p);
        }
        for (const auto& [letter, those] : shown) {
          std::vector<ui::AccessCandidate> candidates;
          for (const Placed* p : those) candidates.push_back(p->candidate);
          const int target = ui::accessTarget(candidates);
          if (target < 0) continue;
          for (std::size_t i = 0; i < those.size(); ++i) {
            if (static_cast<int>(i) == target) continue;
            if (knownTie(w.label, letter)) continue;
            EXPECT_FALSE(ui::accessTie(candidates[static_cast<std::size_t>(target)], candidates[i]))
                << w.label << ": Alt+" << letter << " reaches \"" << those[target]->text
                << "\" and \"" << those[i]->text << "\"";
          }
        }
        // The next state.
        auto it = chosen.begin();
        for (; it != chosen.end(); ++it) {
          if (++it->second < f.tabCounts[it->first]) break;
          it->second = 0;
        }
        if (it == chosen.end()) break;
      }
    }
  }
  EXPECT_GT(windows, 10);
}

}  // namespace
