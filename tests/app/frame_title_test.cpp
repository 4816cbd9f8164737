// The frame's title rules and the advance warning's text, as pure
// functions, and the to-do text of a message.
#include "app/scheduler/frame_title.h"

#include <gtest/gtest.h>

#include "app/scheduler/driver_seams.h"
#include "runtime/lang/dates.h"

namespace dw::app {
namespace {

constexpr const char* kTitle = "Dornwatch '96   ";  // as a STRING(32) holds it, padded

// 5 January 1996 at 13:30.
std::int32_t jan5() {
  return lang::date(1, 5, 1996);
}
constexpr std::int32_t kHalfPastOne = (13 * 3600 + 30 * 60) * 100 + 1;

TEST(FrameTitle, FollowsTheActiveSwitchAndShowsTheNextTaskOnlyWhenMinimised) {
  const NextTask backup{"Nightly backup      ", jan5(), kHalfPastOne};
  struct Case {
    bool active, minimized, withTask;
    const char* expected;
  };
  const Case cases[] = {
      {false, false, false, "Dornwatch '96 (Inactive)"},
      {false, true, true, "Dornwatch '96 (Inactive)"},  // inactive wins over the next task
      {true, false, false, "Dornwatch '96"},
      {true, false, true, "Dornwatch '96"},
      {true, true, false, "Dornwatch '96"},  // no enabled task
      {true, true, true, "Dornwatch '96 - Nightly backup JAN  5, 1996  1:30PM"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(frameTitle(kTitle, c.active, c.minimized,
                         c.withTask ? std::optional<NextTask>(backup) : std::nullopt),
              c.expected)
        << c.active << c.minimized << c.withTask;
  }
}

TEST(AdvanceWarningText, DependsOnTheTaskType) {
  const std::string head = "JAN  5, 1996  1:30PM\r";
  struct Case {
    const char* type;
    const char* memo;
    const char* command;
    std::string rest;
  };
  const Case cases[] = {
      {"Display Message", "  Call home  ", "ignored", "  Call home  "},
      {"Display Message     ", "Call home", "", "Call home"},  // padded type
      {"Run Program", "ignored", "backup.exe", "Command:  backup.exe"},
      {"Both", "  Call home   ", "dial.exe", "Call home\rCommand: dial.exe"},
      // An empty memo leaves the carriage return first: it is no blank.
      {"Both", "   ", "dial.exe", "\rCommand: dial.exe"},
      {"None", "Memo", "dial.exe", "Memo\rCommand: dial.exe"},
      {"None", "  Memo  ", "   ", "Memo"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(advanceWarningText(jan5(), kHalfPastOne, c.type, c.memo, c.command), head + c.rest)
        << c.type << "|" << c.memo;
  }
}

TEST(ToDoText, KeepsTheFirstFortyCharacters) {
  const std::string fortyOne = "0123456789012345678901234567890123456789X";
  EXPECT_EQ(toDoText(fortyOne), fortyOne.substr(0, 40));
  EXPECT_EQ(toDoText("short"), "short");
  EXPECT_EQ(toDoText(""), "");
}

}  // namespace
}  // namespace dw::app
