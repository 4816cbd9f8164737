// The windows of the task form and the calendar as the user meets them:
// each control at its field number with its text and picture (other
// windows and the schedule list address them by these numbers), and the
// help topics the windows name, found in the program's help.
#include "app/forms/common/calendar.h"
#include "app/forms/schedule/update_schedule.h"
#include "runtime/ui/help_book.h"
#include "tests/forms/form_fixture.h"

namespace dw::app {
namespace {

using T = ui::ControlType;

struct Declared {
  int field;
  T type;
  const char* text;
  const char* picture;
};

class FormResourcesTest : public testing::FormFixture {
 protected:
  void expectControls(const std::string& label, const std::vector<Declared>& expected) {
    const auto shot = backend.find(label);
    ASSERT_TRUE(shot);
    for (const Declared& e : expected) {
      SCOPED_TRACE(e.field);
      ASSERT_TRUE(shot->controls.count(e.field));
      const ui::ControlState& c = shot->controls.at(e.field);
      EXPECT_EQ(c.type, e.type);
      EXPECT_EQ(c.text, e.text);
      EXPECT_EQ(c.picture, e.picture);
    }
  }
};

TEST_F(FormResourcesTest, TheTaskFormsControlsStandAtTheirFieldNumbers) {
  run([] {
    globalRequest() = request::kInsert;
    UpdateSchedule();
  });
  std::vector<Declared> expected = {
      {1, T::Sheet, "", ""},
      {2, T::Tab, "&Task", ""},
      {5, T::Option, "Task Type", ""},
      {6, T::Radio, "Run Program", ""},
      {7, T::Radio, "Display Message", ""},
      {8, T::Radio, "Both", ""},
      {9, T::Radio, "None", ""},
      {11, T::List, "", ""},
      {13, T::Entry, "", "s40"},
      {14, T::Tab, "&Command", ""},
      {17, T::Entry, "", "s80"},
      {19, T::Button, "&Browse", ""},
      {20, T::Prompt, "Start &in:", ""},
      {21, T::Entry, "", "s80"},
      {22, T::Tab, "&Message", ""},
      {26, T::Text, "", ""},
      {27, T::Tab, "&When", ""},
      {28, T::Option, "Schedule &Type", ""},
      {35, T::Group, "&Every...", ""},
      {48, T::Prompt, "Every:", ""},
      {49, T::Spin, "", "n6"},
      {50, T::Option, "Every Type", ""},
      {58, T::Entry, "", "d3"},
      {59, T::Button, "...", ""},
      {60, T::Prompt, "T&ime:", ""},
      {61, T::Spin, "", "t3"},
      {63, T::StringVar, "", "d3"},
      {64, T::StringVar, "", "t3"},
      {66, T::Check, "&Skip Next Time", ""},
      {68, T::Entry, "", "d3"},
      {69, T::Button, "...", ""},
      {71, T::Spin, "", "t3"},
      {72, T::Tab, "&Advanced", ""},
      {76, T::Check, "Alarm", ""},
      {78, T::Entry, "", "s80"},
      {79, T::Button, "&Browse", ""},
      {80, T::Button, "&Play", ""},
      {81, T::Check, "&Warn if not run on specified date", ""},
      {82, T::Check, "&Before performing task, give option to skip", ""},
      {83, T::Check, "&Disable", ""},
      {84, T::Button, "&OK", ""},
      {85, T::Button, "Cancel", ""},
  };
  const char* schedules[] = {"Once", "Day of Week", "Day of Month", "Monthly", "Yearly", "Custom"};
  for (int i = 0; i < 6; ++i) expected.push_back({29 + i, T::Radio, schedules[i], ""});
  const char* weeks[] = {"1st", "2nd", "3rd", "4th", "Last"};
  for (int i = 0; i < 5; ++i) expected.push_back({36 + i, T::Check, weeks[i], ""});
  const char* days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                        "Thursday", "Friday", "Saturday"};
  for (int i = 0; i < 7; ++i) expected.push_back({41 + i, T::Check, days[i], ""});
  const char* units[] = {"minute(s)", "hour(s)", "day(s)", "week(s)", "month(s)", "year(s)"};
  for (int i = 0; i < 6; ++i) expected.push_back({51 + i, T::Radio, units[i], ""});
  expectControls("UPDATE$WINDOW", expected);
  const auto shot = backend.find("UPDATE$WINDOW");
  EXPECT_EQ(shot->controls.at(11).format, "80L~Category~@s20@");
  backend.press(shot->id, 85);
}

TEST_F(FormResourcesTest, TheCalendarsControlsStandAtTheirFieldNumbers) {
  run([] { (void)Calendar(0); });
  std::vector<Declared> expected = {
      {53, T::Prompt, "Month:", ""}, {55, T::Entry, "", "n2"},      {58, T::Prompt, "Year:", ""},
      {60, T::Entry, "", "n04"},     {62, T::Button, "Cl&ose", ""},
  };
  const char* names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  for (int i = 0; i < 7; ++i) expected.push_back({2 + i, T::String, names[i], ""});
  for (int f : {54, 59}) expected.push_back({f, T::Button, "<", ""});
  for (int f : {56, 61}) expected.push_back({f, T::Button, ">", ""});
  expectControls("CALENDAR$WINDOW", expected);
  const auto shot = backend.find("CALENDAR$WINDOW");
  int buttons = 0;
  for (int f = 10; f <= 51; ++f) buttons += shot->controls.at(f).type == T::Button;
  EXPECT_EQ(buttons, 42);
  backend.press(shot->id, 62);
}

TEST(FormsHelp, EveryWindowsTopicIsAPageListedInTheContents) {
  const ui::HelpBook& book = ui::HelpBook::program();
  const std::pair<const char*, const char*> topics[] = {
      {"UpdateSchedule", "update_schedule.html"}, {"AddTaskWizard", "wizards.html"},
      {"AddMessageWizard", "wizards.html"},       {"AddProgramWizard", "wizards.html"},
      {"SpecialEventWizard", "reschedule.html"},  {"Calendar", "calendar.html"},
  };
  for (const auto& [topic, file] : topics) {
    const ui::HelpPage* page = book.findTopic(topic);
    ASSERT_NE(page, nullptr) << topic;
    EXPECT_EQ(page->file, file);
    EXPECT_NE(book.contents()->html.find(std::string("href=\"") + file), std::string::npos);
  }
  EXPECT_FALSE(book.search("next occurrences").empty());
}

}  // namespace
}  // namespace dw::app
