// POPUP: the menu text syntax and numbering through submenus, the answer
// of the headless screen (choice, dismissal, position), and the Runtime
// lock given up while the menu is on screen.
#include "runtime/ui/popup.h"

#include <atomic>
#include <condition_variable>

#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

using Kind = PopupItem::Kind;

// "1:&Add" for an item, "-" for a separator, "Title{...}" for a submenu;
// "~" marks disabled items, "+" checked, "o" shown unchecked.
std::string describe(const std::vector<PopupItem>& items) {
  std::string out;
  for (const PopupItem& item : items) {
    if (!out.empty()) out += ' ';
    if (item.kind == Kind::Separator) {
      out += '-';
      continue;
    }
    if (item.disabled) out += '~';
    if (item.checkable) out += item.checked ? '+' : 'o';
    if (item.kind == Kind::Submenu) {
      EXPECT_EQ(item.number, 0);
      out += item.text + "{" + describe(item.items) + "}";
    } else {
      out += std::to_string(item.number) + ":" + item.text;
    }
  }
  return out;
}

TEST(PopupMenuTest, TextSyntaxAndNumbering) {
  struct Case {
    std::string text;
    std::string menu;
    int count;
  };
  const Case cases[] = {
      {"&Add|&Change|&Delete|-|", "1:&Add 2:&Change 3:&Delete -", 3},
      {"&Add|~&Change|~&Delete", "1:&Add ~2:&Change ~3:&Delete", 3},
      {"A|B{C|D}|E", "1:A B{2:C 3:D} 4:E", 4},
      {"A{B{C}|D}|E", "A{B{1:C} 2:D} 3:E", 3},
      {"+On|-Off|~+Both|~-|Plain", "+1:On o2:Off ~+3:Both ~o4: 5:Plain", 5},
      {"&Add|&Change|&Delete|-|&Reschedule|Run &Now   ",
       "1:&Add 2:&Change 3:&Delete - 4:&Reschedule 5:Run &Now", 5},
      {"A}|B", "1:A", 1},          // a stray "}" ends the menu
      {"A{B|C", "A{1:B 2:C}", 2},  // a submenu left open runs to the end
      {"||-||", "-", 0},
      {"", "", 0},
      {"~Sub{X}", "~Sub{1:X}", 1},
  };
  for (const Case& c : cases) {
    const PopupMenu menu = parsePopupMenu(c.text);
    EXPECT_EQ(describe(menu.items), c.menu) << c.text;
    EXPECT_EQ(menu.itemCount, c.count) << c.text;
  }
  const PopupMenu menu = parsePopupMenu("A|B{C|D}|E");
  ASSERT_NE(findPopupItem(menu, 3), nullptr);
  EXPECT_EQ(findPopupItem(menu, 3)->text, "D");
  EXPECT_EQ(findPopupItem(menu, 0), nullptr);
  EXPECT_EQ(findPopupItem(menu, 5), nullptr);
}

TEST(PopupMenuTest, LongAndDeepTextsStayBounded) {
  // 1,023 characters are used: "Item|" five characters at a time.
  std::string text;
  for (int i = 0; i < 300; ++i) text += "Item|";
  const PopupMenu menu = parsePopupMenu(text);
  EXPECT_EQ(menu.itemCount, 205);  // 204 whole items and "Ite"
  EXPECT_EQ(findPopupItem(menu, 205)->text, "Ite");

  // Submenus nest, but not without end.
  const std::string deep = std::string(500, '{') + "X" + std::string(500, '}') + "|Y";
  const PopupMenu nested = parsePopupMenu(deep);
  EXPECT_EQ(nested.itemCount, 2);
  int depth = 0;
  for (const std::vector<PopupItem>* level = &nested.items; !level->empty();
       level = &level->front().items)
    ++depth;
  EXPECT_LE(depth, 40);
  EXPECT_EQ(findPopupItem(nested, 2)->text, "Y");
}

using PopupTest = UiTest;

TEST_F(PopupTest, TheChosenNumberComesBackAndDismissalIsZero) {
  runtime().adoptCurrentThread();
  runtime().open(windowDesc("Browse"), {});
  backend.setMousePosition(300, 400);
  backend.answerPopup(4);
  EXPECT_EQ(popup("A|B{C|D}|E", 10, 20), 4);
  EXPECT_EQ(lastPopupChoice(), 4);
  EXPECT_EQ(popup("&Add|&Change|&Delete|-|"), 0);  // no answer: dismissed
  EXPECT_EQ(lastPopupChoice(), 0);
  backend.answerPopup(2);
  EXPECT_EQ(popup("&Add|~&Change|~&Delete", std::nullopt, 50), 0);  // greyed: no choice
  backend.answerPopup(9);
  EXPECT_EQ(popup("&Add|&Change"), 0);  // a number the menu never gave
  backend.answerPopup(1);
  EXPECT_EQ(popup("&Add|~&Change|~&Delete", 5), 1);

  const auto shown = backend.popups();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0].x, 10);
  EXPECT_EQ(shown[0].y, 20);
  EXPECT_EQ(shown[0].menu.itemCount, 4);
  EXPECT_EQ(shown[1].x, 300);  // both coordinates from the mouse
  EXPECT_EQ(shown[1].y, 400);
  EXPECT_EQ(shown[2].x, 300);  // x from the mouse, y given
  EXPECT_EQ(shown[2].y, 50);
  EXPECT_EQ(shown[4].x, 5);
  EXPECT_EQ(shown[4].y, 400);
}

// A screen whose menu stays up until another runtime thread has run.
class WaitingPopupBackend : public HeadlessBackend {
 public:
  using HeadlessBackend::HeadlessBackend;
  int showPopup(const PopupMenu&, std::optional<int>, std::optional<int>) override {
    std::unique_lock lock(mutex);
    const bool ran = cv.wait_for(lock, std::chrono::seconds(10), [&] { return otherRan; });
    return ran ? 1 : 0;
  }
  std::mutex mutex;
  std::condition_variable cv;
  bool otherRan = false;
};

TEST(PopupLockTest, OtherThreadsRunWhileTheMenuIsUp) {
  lang::setHaltThrowsForTesting(true);
  WaitingPopupBackend screen(runtime());
  runtime().begin(screen);
  runtime().adoptCurrentThread();
  runtime().open(windowDesc("Frame"), {});
  const int thread = runtime().start(
      [&] {
        std::lock_guard lock(screen.mutex);
        screen.otherRan = true;
        screen.cv.notify_all();
      },
      0);
  EXPECT_GT(thread, 0);
  EXPECT_EQ(popup("Go|Stay"), 1);
  runtime().leaveAdopted();
  runtime().end();
}

}  // namespace
}  // namespace dw::ui::testing
