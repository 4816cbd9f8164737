// The schedule of one category: its title, the tasks of that category in
// any letter case, Add with the category preset, the empty list, and the
// list following changes that another handle makes to the file.
#include <gtest/gtest.h>

#include "app/forms/schedule/browse_sch_by_category.h"
#include "runtime/ui/keycodes.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app {
namespace {

namespace cw = category_window;

class BrowseSchByCategoryTest : public testing::BrowseFixture {
 protected:
  // Opens the window for `category`, as the category list does.
  ui::HeadlessBackend::WindowShot open(const std::string& category) {
    onFrame([category] { CAT()->Category = category; });
    return startWindow(&BrowseSchByCategory, categoryScheduleTitle(category));
  }
  std::vector<std::string> descriptions(std::uint32_t w) { return shownColumn(w, cw::kList, 0); }
};

TEST_F(BrowseSchByCategoryTest, ListsTheCategorysTasksWhateverTheirLetterCase) {
  store({testing::task(1, "Pay rent", today(), 1).inCategory("Bills"),
         testing::task(2, "Walk", today(), 1).inCategory("Health"),
         testing::task(3, "Phone bill", today() + 1, 1).inCategory("BILLS"),
         testing::task(4, "Car tax", today() + 2, 1).inCategory("bills")});
  startProgram();
  const auto w = open("Bills");
  EXPECT_EQ(w.title, "Browse Schedule for Bills");
  EXPECT_EQ(w.label, kBrowseSchByCategoryLabel);
  EXPECT_EQ(backend.control(w.id, cw::kCategory)->display, "Bills");
  // SCH:KeyCategory orders by category, then description.
  EXPECT_EQ(descriptions(w.id), (std::vector<std::string>{"Car tax", "Pay rent", "Phone bill"}));
  const ui::ControlState c = list(w.id, cw::kList);
  EXPECT_EQ(c.list->rows[0][3].text, "None");  // the task type
  EXPECT_FALSE(c.disabled);
  EXPECT_FALSE(disabled(w.id, cw::kChange));

  // Add presets the category; Change reads the chosen task.
  std::vector<std::pair<int, std::string>> calls;
  scheduleCalls().updateSchedule = [&] {
    calls.emplace_back(globalRequest(), SCH()->Category.str() + "/" + SCH()->Description.str());
  };
  backend.press(w.id, cw::kAdd);
  backend.choose(w.id, cw::kList, 2);
  backend.alertKey(w.id, cw::kList, ui::key::kCtrlEnter);
  idle();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], std::make_pair(request::kInsert, std::string("Bills/")));
  EXPECT_EQ(calls[1], std::make_pair(request::kChange, std::string("Bills/Pay rent")));

  backend.press(w.id, cw::kClose);
  idle();
  EXPECT_EQ(ini("BrowseSCH:KeyCategory", "Maximize"), "No");
}

TEST_F(BrowseSchByCategoryTest, ACategoryWithoutTasksHasChangeAndDeleteDisabled) {
  store({testing::task(1, "Walk", today(), 1).inCategory("Health")});
  startProgram();
  const auto w = open("Garden   ");
  EXPECT_EQ(w.title, "Browse Schedule for Garden");
  EXPECT_TRUE(descriptions(w.id).empty());
  EXPECT_TRUE(disabled(w.id, cw::kChange));
  EXPECT_TRUE(disabled(w.id, cw::kDelete));
  // A form that stores a task of this category shows it and enables them.
  scheduleCalls().updateSchedule = [] {
    ScheduleFile& sch = SCH();
    sch->ID = 2;
    sch->Description = "Mow";
    if (sch.add() == 0) globalResponse() = response::kCompleted;
  };
  backend.alertKey(w.id, cw::kList, ui::key::kInsert);
  idle();
  EXPECT_EQ(descriptions(w.id), std::vector<std::string>{"Mow"});
  EXPECT_EQ(list(w.id, cw::kList).selected, 1);
  EXPECT_FALSE(disabled(w.id, cw::kChange));
  EXPECT_EQ(schedule().back().first.Category, "Garden");
}

TEST_F(BrowseSchByCategoryTest, TasksAddedOrDeletedElsewhereShowAtTheNextTick) {
  // Later today than the clock, so that the frame's ticks run none of them.
  store({testing::task(1, "Pay rent", today(), 4000000).inCategory("Bills"),
         testing::task(2, "Walk", today(), 4000000).inCategory("Health")});
  startProgram();
  const auto w = open("Bills");
  ASSERT_EQ(descriptions(w.id), std::vector<std::string>{"Pay rent"});
  store({testing::task(3, "Gas bill", today(), 4100000).inCategory("bills"),
         testing::task(4, "Run", today(), 4100000).inCategory("Health")});
  tick();
  EXPECT_EQ(descriptions(w.id), (std::vector<std::string>{"Gas bill", "Pay rent"}));
  EXPECT_FALSE(disabled(w.id, cw::kChange));
  // A tick with nothing changed leaves the user's choice alone.
  backend.choose(w.id, cw::kList, 2);
  idle();
  tick();
  EXPECT_EQ(list(w.id, cw::kList).selected, 2);
}

}  // namespace
}  // namespace dw::app
