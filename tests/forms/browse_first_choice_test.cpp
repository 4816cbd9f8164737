// The schedule window's commands act on the chosen task, so a view that
// lists tasks opens with its first task chosen: Change, Delete and Run Now
// work at once from the keyboard, without a row picked first.  An empty
// view chooses nothing, and Change then calls nothing.
#include <gtest/gtest.h>

#include "app/forms/schedule/browse_schedule_list.h"
#include "runtime/ui/events.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app {
namespace {

namespace bw = browse_window;

class BrowseFirstChoiceTest : public testing::BrowseFixture {
 protected:
  void SetUp() override {
    BrowseFixture::SetUp();
    scheduleCalls().updateSchedule = [this] { changed.push_back(SCH()->ID); };
  }
  std::vector<std::int32_t> changed;
};

TEST_F(BrowseFirstChoiceTest, EachViewOpensOnItsFirstTaskAndAnEmptyViewOnNone) {
  store({testing::task(8, "Backup", today() + 1, 200),
         testing::task(7, "Water the plants", today() + 1, 100)});
  startProgram();
  const auto w = startSchedule();
  // The day view of today lists nothing.
  EXPECT_EQ(list(w.id, bw::kList).selected, 0);
  backend.press(w.id, bw::kChange);
  idle();
  EXPECT_TRUE(changed.empty());

  // "All by Date": the earlier task first, chosen; Change acts on it.
  backend.choose(w.id, bw::kSheet, 2);
  EXPECT_EQ(list(w.id, bw::kList).selected, 1);
  EXPECT_FALSE(disabled(w.id, bw::kChange));
  backend.press(w.id, bw::kChange);
  idle();
  EXPECT_EQ(changed, (std::vector<std::int32_t>{7}));
}

}  // namespace
}  // namespace dw::app
