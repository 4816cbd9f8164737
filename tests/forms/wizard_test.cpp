// The four wizards acting as the user: page navigation with the pages that
// apply to the task type, presets and titles, Finish and Cancel, and the
// reschedule copy with and without skipping the copied task.
#include <string>
#include <vector>

#include "app/data/table_codes.h"
#include "app/forms/schedule/add_message_wizard.h"
#include "app/forms/schedule/add_program_wizard.h"
#include "app/forms/schedule/add_task_wizard.h"
#include "app/forms/schedule/special_event_wizard.h"
#include "fields/dorn003.h"
#include "fields/dorn019.h"
#include "fields/dorn020.h"
#include "fields/dorn021.h"
#include "runtime/ui/message_box.h"
#include "tests/forms/form_fixture.h"

namespace dw::app {
namespace {

constexpr const char* kWizard = "WIZARD$WINDOW";
constexpr const char* kReschedule = "RESCHEDULE$WINDOW";

// The buttons and sheet of one wizard window.
struct Nav {
  const char* label;
  int sheet, back, next, finish, cancel;
};
constexpr Nav kTaskNav{kWizard,        dorn021::kSheet,  dorn021::kBack,
                       dorn021::kNext, dorn021::kFinish, dorn021::kCancel};
constexpr Nav kMessageNav{kWizard,        dorn019::kSheet,  dorn019::kBack,
                          dorn019::kNext, dorn019::kFinish, dorn019::kCancel};
constexpr Nav kProgramNav{kWizard,        dorn020::kSheet,  dorn020::kBack,
                          dorn020::kNext, dorn020::kFinish, dorn020::kCancel};
constexpr Nav kRescheduleNav{kReschedule,    dorn003::kSheet,  dorn003::kBack,
                             dorn003::kNext, dorn003::kFinish, dorn003::kCancel};

class WizardTest : public testing::FormFixture {
 protected:
  std::uint32_t open(void (*wizard)(), const Nav& nav, int request = 0) {
    // Whatever another window left in the shared request.
    run([wizard, request] {
      globalRequest() = request;
      wizard();
    });
    m_nav = nav;
    return windowId(nav.label);
  }
  // The title of the page shown, "" when none.
  std::string page() {
    const auto shot = backend.find(m_nav.label);
    const auto& sheet = shot->controls.at(m_nav.sheet);
    const auto n = static_cast<std::size_t>(sheet.selected);
    return n >= 1 && n <= sheet.rows.size() ? sheet.rows[n - 1] : "";
  }
  // What the buttons show: "B" back, "N" next, "F" finish.
  std::string buttons() {
    const auto shot = backend.find(m_nav.label);
    std::string out;
    if (!shot->controls.at(m_nav.back).hidden) out += "B";
    if (!shot->controls.at(m_nav.next).hidden) out += "N";
    if (!shot->controls.at(m_nav.finish).hidden) out += "F";
    return out;
  }
  void press(std::uint32_t w, int field) {
    backend.press(w, field);
    idle();
  }
  // Pages visited pressing Next until Finish shows, then Back to the start.
  std::vector<std::string> walk(std::uint32_t w) {
    std::vector<std::string> seen{page() + ":" + buttons()};
    for (int i = 0; i < 10 && buttons().find('N') != std::string::npos; ++i) {
      press(w, m_nav.next);
      seen.push_back(page() + ":" + buttons());
    }
    for (int i = 0; i < 10 && buttons().find('B') != std::string::npos; ++i) {
      press(w, m_nav.back);
      seen.push_back(page() + ":" + buttons());
    }
    return seen;
  }
  Nav m_nav{};
};

TEST_F(WizardTest, AddTaskWizardVisitsThePagesThatApplyToTheTaskType) {
  using V = std::vector<std::string>;
  struct Case {
    int radio;
    V pages;
  } cases[] = {
      {3,  // Both
       {"&Task:N", "&Category:BN", "&Command:BN", "&Message:BN", "&When:BN", "&Advanced:BF",
        "&When:BN", "&Message:BN", "&Command:BN", "&Category:BN", "&Task:N"}},
      {1,  // Run Program: no message page
       {"&Task:N", "&Category:BN", "&Command:BN", "&When:BN", "&Advanced:BF", "&When:BN",
        "&Command:BN", "&Category:BN", "&Task:N"}},
      {2,  // Display Message: no command page
       {"&Task:N", "&Category:BN", "&Message:BN", "&When:BN", "&Advanced:BF", "&When:BN",
        "&Message:BN", "&Category:BN", "&Task:N"}},
      {4,  // None: no program to start
       {"&Task:N", "&Category:BN", "&Message:BN", "&When:BN", "&Advanced:BF", "&When:BN",
        "&Message:BN", "&Category:BN", "&Task:N"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.radio);
    const std::uint32_t w = open(&AddTaskWizard, kTaskNav);
    backend.choose(w, dorn021::kTaskType, c.radio);
    idle();
    EXPECT_EQ(walk(w), c.pages);
    // A page that does not apply is not offered as a tab either.
    const auto shot = backend.find(kWizard);
    EXPECT_EQ(shot->controls.at(dorn021::kCommandTab).hidden, c.radio == 2 || c.radio == 4);
    EXPECT_EQ(shot->controls.at(dorn021::kMessageTab).hidden, c.radio == 1);
    press(w, dorn021::kCancel);
    finish();
  }
  EXPECT_TRUE(tasks().empty());
}

TEST_F(WizardTest, TheMessageAndProgramWizardsGoStraightThroughWithTheirPresets) {
  struct Case {
    void (*wizard)();
    const Nav* nav;
    int category;
    std::vector<std::string> pages;
    const char* title;
    const char* type;
  } cases[] = {
      {&AddMessageWizard,
       &kMessageNav,
       dorn019::kCategory,
       {"&Message:N", "&When:BN", "&Advanced:BF", "&When:BN", "&Message:N"},
       "Add Message Wizard",
       task_type::kDisplayMessage},
      {&AddProgramWizard,
       &kProgramNav,
       dorn020::kCategory,
       {"&Command:N", "&When:BN", "&Category:BN", "&Advanced:BF", "&Category:BN", "&When:BN",
        "&Command:N"},
       "Add Program Wizard",
       task_type::kRunProgram},
      {&AddTaskWizard, &kTaskNav, dorn021::kCategory, {}, "Add Task Wizard", task_type::kBoth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const std::uint32_t w = open(c.wizard, *c.nav);
    EXPECT_EQ(backend.find(kWizard)->title, c.title);
    const auto category = backend.control(w, c.category);
    ASSERT_GE(category->selected, 1);
    EXPECT_EQ(category->rows.at(category->selected - 1), kGeneralCategory);
    if (!c.pages.empty()) {
      EXPECT_EQ(walk(w), c.pages);
    }
    // Finish from the last page stores the preset task.
    while (buttons().find('N') != std::string::npos) press(w, c.nav->next);
    press(w, c.nav->finish);
    finish();
    EXPECT_EQ(globalResponse(), response::kCompleted);
    const auto all = tasks();
    ASSERT_FALSE(all.empty());
    EXPECT_TRUE(all.back().TaskType == c.type);
    EXPECT_TRUE(all.back().Category == kGeneralCategory);
    EXPECT_EQ(all.back().Disabled, 0);
  }
  EXPECT_EQ(tasks().size(), 3u);
  EXPECT_EQ(ini("AddMessageWizard", "Maximize"), "No");
  EXPECT_EQ(ini("AddProgramWizard", "Maximize"), "No");
  EXPECT_EQ(ini("AddTaskWizard", "Maximize"), "No");
}

TEST_F(WizardTest, CancelOrTheCloseBoxLeavesNoTask) {
  for (const bool closeBox : {false, true}) {
    const std::uint32_t w = open(&AddMessageWizard, kMessageNav);
    EXPECT_EQ(tasks().size(), 1u);  // primed
    if (closeBox)
      backend.closeBox(w);
    else
      backend.press(w, dorn019::kCancel);
    finish();
    EXPECT_EQ(globalResponse(), response::kCancelled);
    EXPECT_TRUE(tasks().empty());
  }
}

TEST_F(WizardTest, ChoosingATabMovesTheWizardThereAndEachPageFocusesItsFirstField) {
  const std::uint32_t w = open(&AddTaskWizard, kTaskNav);
  EXPECT_EQ(backend.find(kWizard)->focus, dorn021::kTaskType);
  backend.choose(w, dorn021::kSheet, 6);
  idle();
  EXPECT_EQ(page(), "&Advanced");
  EXPECT_EQ(backend.find(kWizard)->focus, dorn021::kAlarm);
  EXPECT_EQ(buttons(), "BF");
  press(w, dorn021::kBack);
  EXPECT_EQ(page(), "&When");
  EXPECT_EQ(backend.find(kWizard)->focus, dorn021::kScheduleType);
  press(w, dorn021::kCancel);
}

TEST_F(WizardTest, AChangeTitlesTheWizardAndWritesOverTheTask) {
  addTask(
      12, [](ScheduleRecord& t) { t.TaskType = task_type::kDisplayMessage; }, "Hello");
  // The adding entry leaves a request another window left there alone...
  std::uint32_t w = open(&AddMessageWizard, kMessageNav, request::kChange);
  EXPECT_EQ(backend.find(kWizard)->title, "Add Message Wizard");
  press(w, dorn019::kCancel);
  finish();
  EXPECT_EQ(tasks().size(), 1u);
  // ...and the request of a caller that asks for a change is honoured.
  SCH()->ID = 12;
  run([] { AddMessageWizardFor(request::kChange); });
  m_nav = kMessageNav;
  w = windowId(kWizard);
  EXPECT_EQ(backend.find(kWizard)->title, "Changing a Schedule Record");
  backend.type(w, dorn019::kMessageText, "Hello again");
  backend.acceptTyped(w, dorn019::kMessageText);
  idle();
  press(w, dorn019::kNext);
  press(w, dorn019::kNext);
  press(w, dorn019::kFinish);
  finish();
  EXPECT_EQ(globalResponse(), response::kCompleted);
  ASSERT_EQ(tasks().size(), 1u);
  EXPECT_EQ(messageOf(12), "Hello again");
}

class RescheduleTest : public WizardTest {
 protected:
  // The regular task the schedule list has selected: every Monday at 9.
  void addRegularTask() {
    addTask(
        5,
        [](ScheduleRecord& t) {
          t.ScheduleType = schedule_type::kDayOfWeek;
          t.Monday = 1;
          t.Date = today() + 7;
          t.Description = "Weekly report";
          t.Command = "report.sh";
          t.AdvanceWarned = 1;
          t.Disabled = 1;
        },
        "Send it");
  }
  std::uint32_t openReschedule() {
    const std::uint32_t w = open(&SpecialEventWizard, kRescheduleNav, request::kInsert);
    EXPECT_EQ(backend.find(kReschedule)->title, "Reschedule Event Wizard");
    return w;
  }
  void finishOnLastPage(std::uint32_t w) {
    while (buttons().find('N') != std::string::npos) press(w, dorn003::kNext);
    press(w, dorn003::kFinish);
    finish();
  }
};

TEST_F(RescheduleTest, WithTheSkipCheckTheCopyRunsOnceAndTheTaskSkipsItsNextTime) {
  addRegularTask();
  const std::uint32_t w = openReschedule();
  EXPECT_EQ(walk(w), (std::vector<std::string>{"&Task:N", "&Command:BN", "&Message:BN", "&When:BN",
                                               "&Advanced:BF", "&When:BN", "&Message:BN",
                                               "&Command:BN", "&Task:N"}));
  press(w, dorn003::kNext);
  press(w, dorn003::kNext);
  press(w, dorn003::kNext);
  backend.type(w, dorn003::kDate, "DEC 10, 2026");
  backend.acceptTyped(w, dorn003::kDate);
  backend.setCheck(w, dorn003::kSkipCopied, true);
  idle();
  finishOnLastPage(w);
  EXPECT_EQ(globalResponse(), response::kCompleted);
  const auto all = tasks();
  ASSERT_EQ(all.size(), 2u);
  const ScheduleRecord& regular = all[0];
  const ScheduleRecord& special = all[1];
  EXPECT_EQ(static_cast<int>(regular.ID), 5);
  EXPECT_EQ(regular.SkipNextTime, 1);
  EXPECT_TRUE(regular.ScheduleType == schedule_type::kDayOfWeek);
  EXPECT_EQ(static_cast<int>(special.ID), 6);
  EXPECT_TRUE(special.ScheduleType == schedule_type::kOnce);
  EXPECT_EQ(special.SkipNextTime, 0);
  EXPECT_EQ(special.Disabled, 0);
  EXPECT_EQ(special.AdvanceWarned, 0);
  EXPECT_EQ(static_cast<int>(special.Date), lang::date(12, 10, 2026));
  EXPECT_TRUE(special.Description == "Weekly report");
  EXPECT_TRUE(special.Command == "report.sh");
  EXPECT_EQ(messageOf(6), "Send it");
  EXPECT_TRUE(backend.messages().empty());
}

TEST_F(RescheduleTest, WithoutTheCheckTheTaskIsLeftAndTheCopyIsNeverSkipped) {
  addTask(5, [](ScheduleRecord& t) {
    t.ScheduleType = schedule_type::kMonthly;
    t.SkipNextTime = 1;  // already to be skipped
  });
  const std::uint32_t w = openReschedule();
  finishOnLastPage(w);
  const auto all = tasks();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].SkipNextTime, 1);
  EXPECT_TRUE(all[0].ScheduleType == schedule_type::kMonthly);
  EXPECT_EQ(all[1].SkipNextTime, 0);
  EXPECT_TRUE(all[1].ScheduleType == schedule_type::kOnce);
}

TEST_F(RescheduleTest, ACopiedTaskGoneMeanwhileIsReportedAndCancelLeavesOnlyTheTask) {
  addRegularTask();
  std::uint32_t w = openReschedule();
  backend.press(w, dorn003::kCancel);
  finish();
  EXPECT_EQ(tasks().size(), 1u);

  // The list's record is as it was.
  EXPECT_EQ(static_cast<int>(SCH()->ID), 5);
  w = openReschedule();
  // Another station deletes the regular task while the wizard is open.
  ScheduleFile& other = probe();
  other->ID = 5;
  ASSERT_EQ(other.get(sch_key::kKeyID), 0);
  ASSERT_EQ(other.erase(), 0);
  press(w, dorn003::kNext);
  press(w, dorn003::kNext);
  press(w, dorn003::kNext);
  backend.setCheck(w, dorn003::kSkipCopied, true);
  idle();
  finishOnLastPage(w);
  const auto messages = backend.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("|Could not set SKIP status  ID #5Error:", 0), 0u) << messages[0];
  EXPECT_NE(messages[0].find("(35)"), std::string::npos) << messages[0];
  const auto all = tasks();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(static_cast<int>(all[0].ID), 6);
}

}  // namespace
}  // namespace dw::app
