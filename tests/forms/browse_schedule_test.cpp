// The schedule window acting as the user: the views and their tabs, what
// each entry shows, the commands on the buttons, popups and keys, the
// empty list, and the window's place.
#include <gtest/gtest.h>

#include "app/forms/schedule/browse_schedule_list.h"
#include "app/forms/schedule/browse_schedule_rows.h"
#include "app/forms/schedule/update_schedule.h"
#include "runtime/lang/picture.h"
#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app {
namespace {

namespace bw = browse_window;
constexpr std::size_t kIconColumn = 0, kDateColumn = 1, kDescriptionColumn = 4;

class BrowseScheduleTest : public testing::BrowseFixture {
 protected:
  // What the task form was asked, with the task in SCH's buffer.
  struct FormCall {
    int request;
    std::int32_t id;
    std::string category;
  };
  void recordFormCalls(std::function<void()> then = nullptr) {
    scheduleCalls().updateSchedule = [this, then] {
      formCalls.push_back({globalRequest(), SCH()->ID, SCH()->Category.str()});
      if (then) then();
    };
  }
  std::vector<FormCall> formCalls;
};

TEST_F(BrowseScheduleTest, OpensOnTodayAndShowsEachEntrysStateByIconAndColour) {
  store({testing::task(1, "Yesterday", today() - 1, 100), testing::task(2, "Plain", today(), 200),
         testing::task(3, "Done and skipped", today(), 300).flags(1, 1, 1),
         testing::task(4, "Off but skipped", today(), 400).flags(1, 1, 0),
         testing::task(5, "Skipped", today(), 500).flags(0, 1, 0),
         testing::task(6, "Tomorrow", today() + 1, 100)});
  startProgram();
  const auto w = startSchedule();
  EXPECT_EQ(w.label, kBrowseScheduleLabel);
  const ui::ControlState sheet = list(w.id, bw::kSheet);
  ASSERT_EQ(sheet.rows.size(), 4u);
  EXPECT_EQ(sheet.rows[0], lang::format(today(), "@d3"));
  EXPECT_EQ(sheet.rows[1], "All by Date");
  EXPECT_EQ(sheet.selected, 1);

  const ui::ControlState c = list(w.id, bw::kList);
  ASSERT_TRUE(c.list);
  EXPECT_EQ(c.list->icons, kScheduleIcons);
  ASSERT_EQ(c.list->rows.size(), 4u);
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn),
            (std::vector<std::string>{"Plain", "Done and skipped", "Off but skipped", "Skipped"}));
  const auto& rows = c.list->rows;
  EXPECT_EQ(rows[0][kIconColumn].icon, schedule_icon::kNotDone);
  EXPECT_EQ(rows[1][kIconColumn].icon, schedule_icon::kDone);
  EXPECT_EQ(rows[2][kIconColumn].icon, schedule_icon::kSkip);
  EXPECT_EQ(rows[3][kIconColumn].icon, schedule_icon::kSkip);
  EXPECT_EQ(rows[0][kDateColumn].foreground, -1);
  EXPECT_EQ(rows[2][kDateColumn].foreground, kGreyText);
  EXPECT_EQ(rows[2][kDateColumn].selectedForeground, kGreyText);
  EXPECT_EQ(rows[3][kDateColumn].foreground, kBlueText);
  EXPECT_EQ(rows[3][kDateColumn].background, -1);
  EXPECT_EQ(rows[3][kIconColumn].foreground, -1);
  EXPECT_EQ(rows[3][kDateColumn + 1].foreground, -1);  // the time keeps the default
  EXPECT_EQ(rows[0][kDateColumn].text, lang::format(today(), "@d3"));

  // "All by Date" shows every task.
  backend.choose(w.id, bw::kSheet, 2);
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn).size(), 6u);
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn).front(), "Yesterday");
}

TEST_F(BrowseScheduleTest, AnEmptyViewDisablesChangeAndDeleteAndGreysThemInThePopup) {
  store({testing::task(1, "Next week", today() + 7, 100)});
  startProgram();
  const auto w = startSchedule();
  for (const int command : {bw::kChange, bw::kDelete, bw::kReschedule, bw::kRunNow})
    EXPECT_TRUE(disabled(w.id, command)) << command;
  EXPECT_FALSE(disabled(w.id, bw::kAdd));
  recordFormCalls();
  backend.answerPopup(2);  // a greyed item cannot be chosen: nothing happens
  backend.alertKey(w.id, bw::kList, ui::key::kMouseRight);
  idle();
  ASSERT_EQ(backend.popups().size(), 1u);
  const ui::PopupMenu menu = backend.popups()[0].menu;
  EXPECT_EQ(menu.itemCount, 3);
  EXPECT_FALSE(ui::findPopupItem(menu, 1)->disabled);
  EXPECT_TRUE(ui::findPopupItem(menu, 2)->disabled);
  EXPECT_TRUE(ui::findPopupItem(menu, 3)->disabled);
  EXPECT_TRUE(formCalls.empty());

  // On a view with tasks both are enabled, and the popup is the full one.
  backend.choose(w.id, bw::kSheet, 2);
  idle();
  for (const int command : {bw::kChange, bw::kDelete, bw::kReschedule, bw::kRunNow})
    EXPECT_FALSE(disabled(w.id, command)) << command;
  backend.choose(w.id, bw::kList, 1);
  backend.answerPopup(2);
  backend.alertKey(w.id, bw::kList, ui::key::kMouseRight);
  idle();
  ASSERT_EQ(backend.popups().size(), 2u);
  const ui::PopupMenu full = backend.popups()[1].menu;
  EXPECT_FALSE(ui::findPopupItem(full, 2)->disabled);
  ASSERT_EQ(formCalls.size(), 1u);
  EXPECT_EQ(formCalls[0].request, request::kChange);
  EXPECT_EQ(formCalls[0].id, 1);
}

TEST_F(BrowseScheduleTest, ButtonsKeysAndPopupsReachTheTaskFormWithTheirRequests) {
  store({testing::task(7, "Water the plants", today(), 100),
         testing::task(8, "Backup", today(), 200)});
  startProgram();
  const auto w = startSchedule();
  recordFormCalls();
  backend.choose(w.id, bw::kList, 2);
  backend.press(w.id, bw::kChange);
  backend.alertKey(w.id, bw::kList, ui::key::kCtrlEnter);
  backend.alertKey(w.id, bw::kList, ui::key::kMouseLeft2);
  backend.alertKey(w.id, bw::kList, ui::key::kDelete);
  backend.alertKey(w.id, bw::kList, ui::key::kInsert);
  backend.answerPopup(3);  // the window's popup: Delete
  backend.alertKey(w.id, 0, ui::key::kMouseRight);
  idle();
  ASSERT_EQ(formCalls.size(), 6u);
  const int expected[] = {request::kChange, request::kChange, request::kChange,
                          request::kDelete, request::kInsert, request::kDelete};
  for (std::size_t i = 0; i < formCalls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(formCalls[i].request, expected[i]);
    // Add clears the record; the others read the chosen task.
    EXPECT_EQ(formCalls[i].id, expected[i] == request::kInsert ? 0 : 8);
  }
  EXPECT_EQ(backend.popups().back().menu.itemCount, 5);
}

TEST_F(BrowseScheduleTest, AnAddedTaskIsChosenAfterTheFormStoresIt) {
  std::vector<testing::StoredTask> tasks;
  for (int i = 1; i <= 40; ++i)
    tasks.push_back(testing::task(i, "Task " + std::to_string(i), today(), i * 100));
  store(tasks);
  startProgram();
  const auto w = startSchedule();
  // The form adds a task at the end of the day and leaves it in SCH.
  recordFormCalls([] {
    ScheduleFile& sch = SCH();
    sch->ID = 99;
    sch->Description = "Added";
    sch->Date = today();
    sch->Time = 999999;
    if (sch.add() == 0) globalResponse() = response::kCompleted;
  });
  backend.press(w.id, bw::kAdd);
  idle();
  const ui::ControlState c = list(w.id, bw::kList);
  EXPECT_EQ(c.selected, 41);
  ASSERT_TRUE(c.list);
  ASSERT_TRUE(c.list->row(40));
  EXPECT_EQ((*c.list->row(40))[kDescriptionColumn].text, "Added");
  EXPECT_FALSE(disabled(w.id, bw::kChange));
}

TEST_F(BrowseScheduleTest, AddInTheCategoryViewPresetsTheChosenCategory) {
  store({testing::task(1, "Mail", today(), 1).inCategory("Office")});
  startProgram();
  const auto w = startSchedule();
  // The category picker is not connected: it says so and changes nothing.
  backend.choose(w.id, bw::kSheet, 3);
  backend.press(w.id, bw::kPickCategory);
  idle();
  EXPECT_EQ(backend.find("View Schedule")->status, "Choosing a category is not available");
  EXPECT_TRUE(shownColumn(w.id, bw::kList, kDescriptionColumn).empty());  // CAT's blank category
  scheduleCalls().selectCategories = [] {
    CAT()->Category = "office";
    globalResponse() = response::kCompleted;
  };
  recordFormCalls();
  backend.press(w.id, bw::kPickCategory);
  idle();
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn), (std::vector<std::string>{"Mail"}));
  backend.press(w.id, bw::kAdd);
  idle();
  ASSERT_EQ(formCalls.size(), 1u);
  EXPECT_EQ(formCalls[0].category, "office");
  // Entering the view again takes the category CAT holds then.
  onFrame([] { CAT()->Category = "Home"; });
  backend.choose(w.id, bw::kSheet, 2);
  backend.choose(w.id, bw::kSheet, 3);
  EXPECT_TRUE(shownColumn(w.id, bw::kList, kDescriptionColumn).empty());
}

TEST_F(BrowseScheduleTest, PickDayRetitlesTheFirstTabAndListsThatDay) {
  store({testing::task(1, "Today", today(), 1), testing::task(2, "In ten days", today() + 10, 1),
         testing::task(3, "Also in ten days", today() + 10, 2)});
  startProgram();
  const auto w = startSchedule();
  std::int32_t passed = -1;
  scheduleCalls().calendar = [&](std::int32_t initial, std::string_view title,
                                 std::string_view mode) {
    passed = initial;
    EXPECT_TRUE(title.empty());
    EXPECT_TRUE(mode.empty());
    EXPECT_TRUE(SCH()->ScheduleType.isBlank());  // cleared: every day can be picked
    return today() + 10;
  };
  backend.press(w.id, bw::kPickDay);
  idle();
  EXPECT_EQ(passed, today());
  EXPECT_EQ(list(w.id, bw::kSheet).rows[0], lang::format(today() + 10, "@d3"));
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn),
            (std::vector<std::string>{"In ten days", "Also in ten days"}));
}

TEST_F(BrowseScheduleTest, AddAfterPickDayStartsTheNewTaskOnThePickedDay) {
  startProgram();
  const auto w = startSchedule();
  scheduleCalls().calendar = [&](std::int32_t, std::string_view, std::string_view) {
    return today() + 40;
  };
  std::int32_t formDay = -1;
  scheduleCalls().updateSchedule = [&] { formDay = selectedDay(); };
  backend.press(w.id, bw::kPickDay);
  idle();
  backend.press(w.id, bw::kAdd);
  idle();
  EXPECT_EQ(formDay, today() + 40);
  // A task added from elsewhere (a wizard of the frame) starts today.
  EXPECT_EQ(selectedDay(), 0);
}

TEST_F(BrowseScheduleTest, F1ShowsTheWindowsHelpTopic) {
  startProgram();
  const auto w = startSchedule();
  backend.helpKey(w.id);
  idle();
  ASSERT_FALSE(backend.helpCommands().empty());
  const ui::HelpCommand shown = backend.helpCommands().back();
  EXPECT_EQ(shown.kind, ui::HelpCommand::Kind::Topic);
  EXPECT_EQ(shown.file, "DORN.HLP");
  EXPECT_EQ(shown.argument, "BrowseSchedule");
}

TEST_F(BrowseScheduleTest, FullScheduleSettingOpensOnAllByDate) {
  writeIni("[Settings]\r\nFullSchedule=1\r\n");
  store({testing::task(1, "Later", today() + 3, 1)});
  startProgram();
  const auto w = startSchedule();
  EXPECT_EQ(list(w.id, bw::kSheet).selected, 2);
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn), (std::vector<std::string>{"Later"}));
}

TEST_F(BrowseScheduleTest, SelectedViewShowsTheTaggedTasksOnly) {
  store({testing::task(1, "One", today(), 1), testing::task(2, "Two", today(), 2),
         testing::task(3, "Three", today(), 3)});
  startProgram();
  const auto w = startSchedule();
  // The search tags task "Two" under its record number.
  scheduleCalls().searchSchedule = [] {
    EXPECT_EQ(globalRequest(), request::kSearch);
    ScheduleFile& sch = SCH();
    sch->ID = 2;
    ASSERT_EQ(sch.get(sch_key::kKeyID), 0);
    TagFile& tags = TF_();
    tags.clear();
    tags->USR = kTagUser;
    tags->TBL = kScheduleTagTable;
    tags->PTR = static_cast<std::int32_t>(sch.pointer());
    tags->VAL = "2";
    ASSERT_EQ(tags.add(), 0);
  };
  backend.choose(w.id, bw::kSheet, 4);
  EXPECT_TRUE(shownColumn(w.id, bw::kList, kDescriptionColumn).empty());
  backend.press(w.id, bw::kSearch);
  idle();
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn), (std::vector<std::string>{"Two"}));
}

TEST_F(BrowseScheduleTest, TypingFindsATaskByDescriptionOrCategory) {
  store({testing::task(1, "Backup", today(), 1).inCategory("Work"),
         testing::task(2, "water plants", today(), 2).inCategory("Home"),
         testing::task(3, "Walk", today(), 3).inCategory("Health"),
         testing::task(4, "Wash car", today(), 4).inCategory("Home")});
  startProgram();
  const auto w = startSchedule();
  backend.alertKey(w.id, bw::kList, 'W');
  EXPECT_EQ(list(w.id, bw::kList).selected, 2);
  backend.alertKey(w.id, bw::kList, 'A');
  backend.alertKey(w.id, bw::kList, 'L');
  EXPECT_EQ(list(w.id, bw::kList).selected, 3);
  EXPECT_EQ(backend.control(w.id, bw::kLocator)->text, "WAL");
  backend.alertKey(w.id, bw::kList, ui::key::kBackspace);
  backend.alertKey(w.id, bw::kList, 'S');
  EXPECT_EQ(list(w.id, bw::kList).selected, 4);  // "WAS", from the chosen task on
  const int beeps = backend.beeps();
  backend.alertKey(w.id, bw::kList, 'Q');
  EXPECT_EQ(list(w.id, bw::kList).selected, 4);
  EXPECT_EQ(backend.beeps(), beeps + 1);
  // By category in the category view, wrapping round to the top.
  backend.choose(w.id, bw::kSheet, 3);
  idle();
  backend.alertKey(w.id, bw::kList, 'h');
  idle();
  EXPECT_EQ(backend.control(w.id, bw::kLocator)->text, "h");
}

TEST_F(BrowseScheduleTest, ClosingSavesThePlaceAndReleasesTheFiles) {
  store({testing::task(1, "One", today(), 1)});
  startProgram();
  const auto w = startSchedule();
  backend.press(w.id, bw::kClose);
  idle();
  EXPECT_FALSE(backend.find("View Schedule"));
  EXPECT_EQ(ini("BrowseSchedule", "Maximize"), "No");
  EXPECT_EQ(ini("BrowseSchedule", "Width"), "440");
  onFrame([] {
    EXPECT_EQ(SCH().openCount(), 0);
    EXPECT_FALSE(SCH().isOpen());
    EXPECT_FALSE(CAT().isOpen());
    EXPECT_FALSE(TF_().isOpen());
    EXPECT_EQ(globalResponse(), response::kCancelled);
  });
  // Two windows share the files; the second to close closes them.
  const auto a = startSchedule();
  startWindow(&BrowseSchedule, "View Schedule");
  ASSERT_EQ(backend.windows().size(), 3u);
  backend.press(a.id, bw::kClose);
  idle();
  onFrame([] {
    EXPECT_EQ(SCH().openCount(), 1);
    EXPECT_TRUE(SCH().isOpen());
  });
}

TEST_F(BrowseScheduleTest, LeavingTheProgramClosesTheWindowAndKeepsItsPlace) {
  store({testing::task(1, "One", today(), 1)});
  startProgram();
  startSchedule();
  backend.press(frameId, frame::kExit);
  ui::runtime().joinProgram();
  EXPECT_FALSE(backend.find("View Schedule"));
  EXPECT_EQ(ini("BrowseSchedule", "Maximize"), "No");
  EXPECT_FALSE(SCH().isOpen());
}

TEST_F(BrowseScheduleTest, ATaskAddedThroughAnotherHandleAppearsAtTheNextTick) {
  // Later today than the clock, so that the frame's ticks run none of them.
  store(
      {testing::task(1, "First", today(), 4000000), testing::task(2, "Second", today(), 4100000)});
  startProgram();
  const auto w = startSchedule();
  backend.choose(w.id, bw::kList, 2);
  idle();
  store({testing::task(3, "Added elsewhere", today(), 4200000)});
  tick();
  EXPECT_EQ(shownColumn(w.id, bw::kList, kDescriptionColumn),
            (std::vector<std::string>{"First", "Second", "Added elsewhere"}));
  EXPECT_EQ(list(w.id, bw::kList).selected, 2);
}

}  // namespace
}  // namespace dw::app
