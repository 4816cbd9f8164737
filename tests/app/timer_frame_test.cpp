// The main frame with its data files: History and SCH1 opened (SM.BRK
// created when missing) for the life of the frame and closed at its end,
// the to-do item a due message adds, and the end of the session closing
// the files like File > Exit.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/scheduler/message_window.h"
#include "runtime/ui/events.h"
#include "tests/app/timer_fixture.h"

namespace dw::app {
namespace {

using testing::clockAt;

class TimerFrameTest : public testing::TimerFixture {
 protected:
  void exitAndCheckClosed() {
    backend.press(frameId, frame::kExit);
    ui::runtime().joinProgram();
    EXPECT_FALSE(HIS().isOpen());
    EXPECT_FALSE(SCH1().isOpen());
    EXPECT_EQ(HIS().openCount(), 0);
    EXPECT_EQ(SCH1().openCount(), 0);
  }
};

TEST_F(TimerFrameTest, TheFrameCreatesTheDataFileAndClosesItsTablesAtTheEnd) {
  ASSERT_FALSE(std::filesystem::exists("SM.BRK"));
  startProgram();
  EXPECT_TRUE(std::filesystem::exists("SM.BRK"));
  bool open = false;
  int hisCount = 0;
  onFrame([&] {
    open = HIS().isOpen() && SCH1().isOpen();
    hisCount = HIS().openCount();
  });
  EXPECT_TRUE(open);
  EXPECT_EQ(hisCount, 1);
  exitAndCheckClosed();
}

TEST_F(TimerFrameTest, TheEndOfTheSessionClosesTheTablesToo) {
  startProgram();
  ui::runtime().endSessionRequested();
  ui::runtime().joinProgram();
  EXPECT_FALSE(SCH1().isOpen());
  EXPECT_FALSE(HIS().isOpen());
}

TEST_F(TimerFrameTest, ADueMessageCanBeAddedToTheToDoList) {
  startProgram();
  add(task(1, "Call", clockAt(8, 0), task_type::kDisplayMessage),
      "Call the garage about the winter tyres before Friday");
  tick();
  std::uint32_t window = 0;
  for (const auto& w : backend.windows())
    if (w.label == kMessageLabel) window = w.id;
  ASSERT_NE(window, 0u);
  backend.press(window, message_window::kAddToDo);
  idle();
  std::vector<std::string> items;
  onFrame([&] {
    ToDoFile& f = TDO();
    ASSERT_EQ(f.open(0x42), 0);
    ASSERT_EQ(f.set(tdo_key::kKeyToDo), 0);
    while (f.next() == 0) items.push_back(f->ToDo.str() + "/" + std::to_string(f->Priority));
    f.close();
  });
  EXPECT_EQ(items, std::vector<std::string>{"Call the garage about the winter tyres b/5"});
}

}  // namespace
}  // namespace dw::app
