// The task form acting as the user: priming and cancelling an insert, the
// visibility rules, the field events (date against the schedule type, the
// advance-warning rule and its defaults, the Browse buttons, Play), OK for
// insert and change, and delete.
#include "app/forms/schedule/update_schedule.h"

#include <algorithm>
#include <cctype>

#include "app/data/table_codes.h"
#include "app/forms/schedule/update_schedule_fields.h"
#include "fields/dorn005.h"
#include "runtime/ui/message_box.h"
#include "tests/forms/form_fixture.h"

namespace dw::app {
namespace {

namespace us = dorn005;
constexpr const char* kForm = "UPDATE$WINDOW";

// What an entry shows for 0: its picture's punctuation alone.
bool blank(const std::string& shown) {
  return std::none_of(shown.begin(), shown.end(),
                      [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

class UpdateScheduleTest : public testing::FormFixture {
 protected:
  std::uint32_t open(int request) {
    run([request] {
      globalRequest() = request;
      UpdateSchedule();
    });
    return backend.find(kForm) ? backend.find(kForm)->id : 0;
  }
  bool shownField(int field) { return visible(kForm, field); }
  // Chooses radio `n` of an option group and lets the form react.
  void choose(std::uint32_t w, int field, int n) {
    backend.choose(w, field, n);
    idle();
  }
  void typeInto(std::uint32_t w, int field, const std::string& text) {
    backend.type(w, field, text);
    backend.acceptTyped(w, field);
    idle();
  }
  void tab(std::uint32_t w, int tabField) {
    const auto shot = backend.find(kForm);
    const auto& tabs = shot->controls.at(us::kSheet).rows;
    const std::string title = shot->controls.at(tabField).text;
    for (std::size_t i = 0; i < tabs.size(); ++i)
      if (tabs[i] == title) backend.choose(w, us::kSheet, static_cast<std::int64_t>(i + 1));
    idle();
  }
};

TEST_F(UpdateScheduleTest, AnInsertPrimesADisabledPlaceholderAndCancelRemovesIt) {
  addTask(4, [](ScheduleRecord&) {});
  const std::uint32_t w = open(request::kInsert);
  ASSERT_NE(w, 0u);
  EXPECT_EQ(backend.find(kForm)->title, "Adding a Schedule Task");
  // The next identifier is taken at once, and the timer will not run it.
  std::vector<ScheduleRecord> all = tasks();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(static_cast<int>(all[1].ID), 5);
  EXPECT_EQ(all[1].Disabled, 1);
  // The defaults.
  EXPECT_EQ(backend.control(w, us::kTaskType)->selected, 3);      // Both
  EXPECT_EQ(backend.control(w, us::kScheduleType)->selected, 2);  // Day of Week
  EXPECT_EQ(backend.control(w, us::kEveryType)->selected, 2);     // hour(s)
  for (int d = 0; d < 7; ++d) EXPECT_EQ(backend.control(w, us::kSunday + d)->selected, 1);
  EXPECT_EQ(backend.control(w, us::kEveryLast)->selected, 1);
  EXPECT_EQ(backend.control(w, us::kEvery1st)->selected, 0);
  EXPECT_EQ(backend.control(w, us::kWarn)->selected, 1);
  EXPECT_EQ(backend.control(w, us::kDisabled)->selected, 0);
  EXPECT_EQ(shown(w, us::kDate), "DEC  7, 2026");
  EXPECT_EQ(shown(w, us::kTime), "10:00AM");
  EXPECT_EQ(backend.find(kForm)->focus, us::kTaskType);

  backend.press(w, us::kCancel);
  finish();
  EXPECT_EQ(globalResponse(), response::kCancelled);
  all = tasks();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(static_cast<int>(all[0].ID), 4);
  EXPECT_EQ(ini("UpdateSchedule", "Maximize"), "No");
}

TEST_F(UpdateScheduleTest, ClosingAnInsertWithTheCloseBoxAlsoRemovesThePlaceholder) {
  const std::uint32_t w = open(request::kInsert);
  EXPECT_EQ(tasks().size(), 1u);
  backend.closeBox(w);
  finish();
  EXPECT_TRUE(tasks().empty());
  EXPECT_EQ(globalResponse(), response::kCancelled);
}

TEST_F(UpdateScheduleTest, OkStoresTheNewTaskEnabledWithItsMessage) {
  const std::uint32_t w = open(request::kInsert);
  choose(w, us::kTaskType, 2);  // Display Message
  typeInto(w, us::kDescription, "Water the plants");
  tab(w, us::kMessageTab);
  typeInto(w, us::kMessageText, "The ficus too");
  backend.press(w, us::kOK);
  finish();
  EXPECT_EQ(globalResponse(), response::kCompleted);
  const std::vector<ScheduleRecord> all = tasks();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(static_cast<int>(all[0].ID), 1);
  EXPECT_EQ(all[0].Disabled, 0);
  EXPECT_TRUE(all[0].TaskType == task_type::kDisplayMessage);
  EXPECT_TRUE(all[0].Description == "Water the plants");
  EXPECT_TRUE(all[0].ScheduleType == schedule_type::kDayOfWeek);
  EXPECT_EQ(static_cast<int>(all[0].Date), today());
  EXPECT_EQ(SCH().memoText(kMessageMemo), "The ficus too");
  EXPECT_EQ(messageOf(1), "The ficus too");
  // The caller's buffer holds what was stored.
  EXPECT_EQ(static_cast<int>(SCH()->ID), 1);
}

TEST_F(UpdateScheduleTest, TheTaskTypeShowsAndHidesTheCommandMessageAndTime) {
  struct Case {
    int radio;
    bool command, message, time;
  } cases[] = {
      {1, true, false, true},   // Run Program
      {2, false, true, true},   // Display Message
      {3, true, true, true},    // Both
      {4, false, true, false},  // None
  };
  const std::uint32_t w = open(request::kInsert);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.radio);
    choose(w, us::kTaskType, c.radio);
    const auto shot = backend.find(kForm);
    EXPECT_EQ(!shot->controls.at(us::kCommandTab).hidden, c.command);
    EXPECT_EQ(!shot->controls.at(us::kCommand).hidden, c.command);
    EXPECT_EQ(!shot->controls.at(us::kBrowseCommand).hidden, c.command);
    EXPECT_EQ(!shot->controls.at(us::kMessageTab).hidden, c.message);
    EXPECT_EQ(!shot->controls.at(us::kTimePrompt).hidden, c.time);
    EXPECT_EQ(!shot->controls.at(us::kTime).hidden, c.time);
  }
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, TheScheduleTypeShowsTheChecksOrTheCustomRule) {
  struct Case {
    int radio;
    bool weeks, weekdays, custom;
  } cases[] = {
      {1, false, false, false},  // Once
      {2, false, true, false},   // Day of Week
      {3, true, true, false},    // Day of Month
      {4, false, false, false},  // Monthly
      {5, false, false, false},  // Yearly
      {6, false, false, true},   // Custom
  };
  const std::uint32_t w = open(request::kInsert);
  tab(w, us::kWhenTab);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.radio);
    choose(w, us::kScheduleType, c.radio);
    for (int f = us::kEvery1st; f <= us::kEveryLast; ++f) EXPECT_EQ(shownField(f), c.weeks) << f;
    for (int f = us::kSunday; f <= us::kSaturday; ++f) EXPECT_EQ(shownField(f), c.weekdays) << f;
    for (int f = us::kEveryPrompt; f <= us::kYears; ++f) EXPECT_EQ(shownField(f), c.custom) << f;
    EXPECT_TRUE(shownField(us::kEveryGroup));
  }
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, TheAlarmEnablesTheSoundFileControls) {
  const std::uint32_t w = open(request::kInsert);
  for (int f = us::kAlarmPrompt; f <= us::kPlay; ++f)
    EXPECT_TRUE(backend.control(w, f)->disabled) << f;
  backend.setCheck(w, us::kAlarm, true);
  idle();
  for (int f = us::kAlarmPrompt; f <= us::kPlay; ++f)
    EXPECT_FALSE(backend.control(w, f)->disabled) << f;
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, ADateThatDoesNotSuitTheScheduleIsWarnedAboutAndKept) {
  const std::uint32_t w = open(request::kInsert);
  tab(w, us::kWhenTab);
  // Day of Week on Mondays only: a Tuesday is warned about, a Monday not.
  for (int d = us::kSunday; d <= us::kSaturday; ++d) backend.setCheck(w, d, d == us::kSunday + 1);
  idle();
  typeInto(w, us::kDate, "DEC 8, 2026");
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_EQ(backend.messages()[0], "Warning|Date given does not match schedule type.");
  EXPECT_EQ(shown(w, us::kDate), "DEC  8, 2026");
  typeInto(w, us::kDate, "DEC 14, 2026");
  EXPECT_EQ(backend.messages().size(), 1u);
  // Day of Month in the first week, Mondays: the 7th is in the first week,
  // the 1st of a month is in it too.
  choose(w, us::kScheduleType, 3);
  backend.setCheck(w, us::kEveryLast, false);
  backend.setCheck(w, us::kEvery1st, true);
  idle();
  typeInto(w, us::kDate, "DEC 7, 2026");
  EXPECT_EQ(backend.messages().size(), 1u);
  typeInto(w, us::kDate, "DEC 14, 2026");
  EXPECT_EQ(backend.messages().size(), 2u);
  // Once takes any date.
  choose(w, us::kScheduleType, 1);
  typeInto(w, us::kDate, "DEC 8, 2026");
  EXPECT_EQ(backend.messages().size(), 2u);
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, AWarningAfterTheTaskIsClearedWithAMessage) {
  struct Case {
    const char* date;
    const char* time;
    bool cleared;
  } cases[] = {
      {"DEC 7, 2026", "11:00AM", true},   // same day, later time
      {"DEC 8, 2026", "9:00AM", true},    // a later day
      {"DEC 7, 2026", "9:00AM", false},   // an hour before
      {"DEC 6, 2026", "11:00AM", false},  // the day before
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.date) + " " + c.time);
    const std::size_t before = backend.messages().size();
    const std::uint32_t w = open(request::kInsert);
    tab(w, us::kWhenTab);
    typeInto(w, us::kAdvanceWarnTime, c.time);
    typeInto(w, us::kAdvanceWarnDate, c.date);
    const auto messages = backend.messages();
    if (c.cleared) {
      ASSERT_EQ(messages.size(), before + 1);
      EXPECT_EQ(messages.back(), "|Advanced Warning cannot be after scheduled task.");
      EXPECT_TRUE(blank(shown(w, us::kAdvanceWarnDate)));
      EXPECT_TRUE(blank(shown(w, us::kAdvanceWarnTime)));
    } else {
      EXPECT_EQ(messages.size(), before);
      EXPECT_FALSE(blank(shown(w, us::kAdvanceWarnDate)));
    }
    backend.press(w, us::kCancel);
    finish();
  }
}

TEST_F(UpdateScheduleTest, ANewDateTakesTheAdvanceWarningDefaults) {
  writeProfile("PELICAND.INI", "[Warning]\r\nActive=1\r\nDateWarning=2\r\nTimeWarning=360000\r\n");
  const std::uint32_t w = open(request::kInsert);
  tab(w, us::kWhenTab);
  choose(w, us::kScheduleType, 1);  // Once
  typeInto(w, us::kDate, "DEC 20, 2026");
  EXPECT_EQ(shown(w, us::kAdvanceWarnDate), "DEC 18, 2026");
  EXPECT_EQ(shown(w, us::kAdvanceWarnTime), "9:00AM");
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, BrowsingForAProgramFillsTheCommandAndStartIn) {
  struct Case {
    const char* chosen;
    const char* pathBefore;
    const char* command;
    const char* path;
  } cases[] = {
      {"C:\\APPS\\EDIT.EXE", "", "C:\\APPS\\EDIT.EXE", "C:\\APPS"},
      {"C:\\DOCS\\REPORT.DOC", "", "START C:\\DOCS\\REPORT.DOC", "C:\\DOCS"},
      {"C:\\DOCS\\REPORT.DOC", "D:\\WORK", "START C:\\DOCS\\REPORT.DOC", "D:\\WORK"},
      {"c:\\tools\\go.bat", "", "c:\\tools\\go.bat", "c:\\tools"},
      {"/usr/local/bin/backup", "", "/usr/local/bin/backup", "/usr/local/bin"},
      {"/home/me/notes.txt", "", "START /home/me/notes.txt", "/home/me"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    const std::uint32_t w = open(request::kInsert);
    tab(w, us::kCommandTab);
    typeInto(w, us::kPath, c.pathBefore);
    const std::string before = m_platform.currentDirectory();
    backend.answerFileDialogs({c.chosen});
    backend.press(w, us::kBrowseCommand);
    idle();
    const auto requests = backend.fileRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().title, "Choose a Program to Start");
    EXPECT_EQ(requests.back().filters.size(), 5u);
    EXPECT_EQ(shown(w, us::kCommand), c.command);
    EXPECT_EQ(shown(w, us::kPath), c.path);
    EXPECT_EQ(m_platform.currentDirectory(), before);
    backend.press(w, us::kCancel);
    finish();
  }
  // Cancelling the dialog changes nothing.
  const std::uint32_t w = open(request::kInsert);
  backend.answerFileDialogs({""});
  backend.press(w, us::kBrowseCommand);
  idle();
  EXPECT_EQ(shown(w, us::kCommand), "");
  EXPECT_EQ(shown(w, us::kPath), "");
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, PlayBrowsesWithoutAFileAndPlaysAChosenOne) {
  const std::uint32_t w = open(request::kInsert);
  tab(w, us::kAdvancedTab);
  backend.setCheck(w, us::kAlarm, true);
  idle();
  const std::string wav = m_dir.file("bell.wav");
  writeProfile("bell.wav", "RIFF");
  backend.answerFileDialogs({wav});
  backend.press(w, us::kPlay);
  idle();
  ASSERT_EQ(backend.fileRequests().size(), 1u);
  EXPECT_EQ(backend.fileRequests()[0].title, "Select WAV File for Alarm");
  // The sound file is taken as it is: no "START ", no start-in folder.
  EXPECT_EQ(shown(w, us::kAlarmFile), wav);
  EXPECT_EQ(shown(w, us::kPath), "");
  EXPECT_TRUE(m_platform.playedSounds().empty());
  backend.press(w, us::kPlay);
  idle();
  EXPECT_EQ(m_platform.playedSounds(), std::vector<std::string>{wav});
  // A file that cannot be played moves the focus to Browse.
  typeInto(w, us::kAlarmFile, "  /nowhere/gone.wav ");
  backend.press(w, us::kPlay);
  idle();
  EXPECT_EQ(shown(w, us::kAlarmFile), "/nowhere/gone.wav");
  EXPECT_EQ(backend.find(kForm)->focus, us::kBrowseAlarm);
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, AChangeIsWrittenOverTheStoredTask) {
  addTask(
      7, [](ScheduleRecord& t) { t.Description = "Old"; }, "Old text");
  const std::uint32_t w = open(request::kChange);
  EXPECT_EQ(backend.find(kForm)->title, "Changing a Schedule Task");
  EXPECT_EQ(shown(w, us::kDescription), "Old");
  typeInto(w, us::kDescription, "New");
  backend.press(w, us::kOK);
  finish();
  EXPECT_EQ(globalResponse(), response::kCompleted);
  const auto all = tasks();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_TRUE(all[0].Description == "New");
  EXPECT_EQ(messageOf(7), "Old text");
}

TEST_F(UpdateScheduleTest, AChangeToATaskChangedMeanwhileAsksBeforeOverwriting) {
  addTask(7, [](ScheduleRecord& t) { t.Description = "Mine"; });
  const std::uint32_t w = open(request::kChange);
  typeInto(w, us::kDescription, "Form's");
  // Another station changes the task while the form is open.
  ScheduleFile& other = probe();
  other->ID = 7;
  ASSERT_EQ(other.get(sch_key::kKeyID), 0);
  other->Description = "Theirs";
  ASSERT_EQ(other.put(), 0);
  // Cancel goes back to the form; No closes without saving.
  backend.answerBoxes({ui::button::kOk, ui::button::kCancel});
  backend.press(w, us::kOK);
  idle();
  ASSERT_TRUE(backend.find(kForm));
  auto messages = backend.messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "Update Operation Error|This record was changed by another station.");
  EXPECT_EQ(messages[1],
            "Record Update Error|An error was experienced changing this record.  Do you want "
            "to try to save again?");
  // Asked again, Yes overwrites the other station's change.
  backend.press(w, us::kOK);
  idle();
  EXPECT_FALSE(backend.find(kForm));
  finish();
  EXPECT_EQ(globalResponse(), response::kCompleted);
  EXPECT_TRUE(tasks()[0].Description == "Form's");
}

TEST_F(UpdateScheduleTest, DeleteAsksAndDeletesOnlyOnOk) {
  addTask(3, [](ScheduleRecord&) {});
  addTask(9, [](ScheduleRecord&) {});
  backend.answerBoxes({ui::button::kCancel});
  run([] {
    globalRequest() = request::kDelete;
    UpdateSchedule();
  });
  finish();
  EXPECT_FALSE(backend.find(kForm).has_value());
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_EQ(backend.messages()[0],
            "Confirm Delete|You've selected to delete the highlighted record.  Press OK to "
            "confirm deletion of this record.");
  EXPECT_EQ(globalResponse(), response::kCancelled);
  EXPECT_EQ(tasks().size(), 2u);

  SCH()->ID = 9;
  backend.answerBoxes({ui::button::kOk});
  run([] {
    globalRequest() = request::kDelete;
    UpdateSchedule();
  });
  finish();
  EXPECT_EQ(globalResponse(), response::kCompleted);
  const auto all = tasks();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(static_cast<int>(all[0].ID), 3);
}

TEST_F(UpdateScheduleTest, TheCategoryListOffersTheCategoriesFile) {
  addCategory("Work");
  addCategory("Home");
  addTask(2, [](ScheduleRecord& t) { t.Category = "Work"; });
  const std::uint32_t w = open(request::kChange);
  auto list = backend.control(w, us::kCategory);
  EXPECT_EQ(list->rows, (std::vector<std::string>{"Home", "Work"}));
  EXPECT_EQ(list->selected, 2);
  backend.choose(w, us::kCategory, 1);
  idle();
  backend.press(w, us::kOK);
  finish();
  EXPECT_TRUE(tasks()[0].Category == "Home");
}

TEST_F(UpdateScheduleTest, ANewTaskStartsOnTheDayTheScheduleListPicked) {
  selectedDay() = lang::date(1, 15, 2027);
  const std::uint32_t w = open(request::kInsert);
  selectedDay() = 0;
  EXPECT_EQ(shown(w, us::kDate), "JAN 15, 2027");
  backend.press(w, us::kCancel);
}

TEST_F(UpdateScheduleTest, TheDateButtonsPickFromTheCalendar) {
  const std::uint32_t w = open(request::kInsert);
  backend.choose(w, us::kSheet, 4);  // the When tab
  // Mondays only: the next date's calendar disables the other days.
  for (int d = us::kSunday; d <= us::kSaturday; ++d) backend.setCheck(w, d, d == us::kSunday + 1);
  idle();
  backend.press(w, us::kPickDate);
  idle();
  auto calendar = backend.find("CALENDAR$WINDOW");
  ASSERT_TRUE(calendar);
  EXPECT_EQ(calendar->title, "Select Date");
  const auto dayButton = [&](int day) {
    const auto shot = backend.find("CALENDAR$WINDOW");
    for (const auto& [field, c] : shot->controls)
      if (c.type == ui::ControlType::Button && c.text == std::to_string(day)) return field;
    return 0;
  };
  EXPECT_TRUE(backend.control(calendar->id, dayButton(15))->disabled);  // a Tuesday
  backend.press(calendar->id, dayButton(14));
  idle();
  EXPECT_FALSE(backend.find("CALENDAR$WINDOW"));
  EXPECT_EQ(shown(w, us::kDate), "DEC 14, 2026");
  // The warning's calendar disables nothing.
  backend.press(w, us::kPickWarnDate);
  idle();
  calendar = backend.find("CALENDAR$WINDOW");
  ASSERT_TRUE(calendar);
  EXPECT_FALSE(backend.control(calendar->id, dayButton(15))->disabled);
  backend.press(calendar->id, dayButton(10));
  idle();
  EXPECT_EQ(shown(w, us::kAdvanceWarnDate), "DEC 10, 2026");
  EXPECT_TRUE(backend.messages().empty());
  // OK from this tab: the empty warning time reads back as no time.
  backend.press(w, us::kOK);
  finish();
  EXPECT_EQ(static_cast<int>(tasks()[0].Date), lang::date(12, 14, 2026));
  EXPECT_EQ(static_cast<int>(tasks()[0].AdvanceWarnDate), lang::date(12, 10, 2026));
}

TEST_F(UpdateScheduleTest, TheChosenFileRulesOfTheBrowseButton) {
  EXPECT_EQ(folderOf("C:\\APPS\\EDIT.EXE"), "C:\\APPS");
  EXPECT_EQ(folderOf("EDIT.EXE"), "");
  EXPECT_EQ(folderOf("/a/b\\c/d.txt"), "/a/b\\c");
  EXPECT_EQ(commandForChosenFile("C:\\X.COM\\y.doc"), "C:\\X.COM\\y.doc");  // as the rule reads
  EXPECT_EQ(commandForChosenFile("/opt/app.d/run"), "/opt/app.d/run");
  EXPECT_EQ(commandForChosenFile("Setup.Exe"), "Setup.Exe");
  EXPECT_EQ(commandForChosenFile("link.lnk"), "START link.lnk");
}

}  // namespace
}  // namespace dw::app
