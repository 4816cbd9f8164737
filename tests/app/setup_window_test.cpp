// The Setup window opened from File > Setup of a running frame, acting as
// the user on the headless backend over a real DORN.INI.
#include "app/frame/setup_window.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/frame/autostart.h"
#include "runtime/platform/platform.h"

#include <gtest/gtest.h>

#include "runtime/ui/help_book.h"
#include "tests/app/frame_fixture.h"

namespace dw::app {
namespace {

class SetupWindowTest : public testing::FrameFixture {
 protected:
  std::uint32_t openSetup() {
    backend.press(frameId, frame::kSetup);
    idle();
    const auto shot = backend.find("SETUP$WINDOW");
    EXPECT_TRUE(shot);
    return shot ? shot->id : 0;
  }
  bool checked(std::uint32_t window, int field) {
    return backend.control(window, field)->selected != 0;
  }
};

TEST_F(SetupWindowTest, DeclaresItsControlsInOrder) {
  startProgram();
  const std::uint32_t w = openSetup();
  const auto shot = backend.find("SETUP$WINDOW");
  EXPECT_EQ(shot->title, "Dornwatch Setup");
  using T = ui::ControlType;
  struct Expected {
    int field;
    T type;
    const char* text;
  };
  const Expected controls[] = {
      {1, T::Group, ""},
      {2, T::Entry, ""},
      {3, T::Prompt, "Removed Completed Tasks After:"},
      {4, T::String, "Days"},
      {5, T::Line, ""},
      {6, T::Image, ""},
      {7, T::Check, "Show schedule at start up"},
      {8, T::Check, "Show To Do List at start up"},
      {9, T::Check, "Minimize at start up"},
      {10, T::Check, "Scheduler active"},
      {11, T::Check, "Show full schedule initially"},
      {12, T::Check, "Hide Toolbar"},
      {13, T::Button, "&OK"},
      {14, T::Button, "Cancel"},
      {15, T::Check, "Start Dornwatch when I log in"},
      {16, T::Check, "Show messages as desktop notifications"},
      {17, T::Check, "Keep running in the tray when the frame is closed"},
  };
  ASSERT_EQ(shot->controls.size(), std::size(controls));
  for (const Expected& e : controls) {
    const ui::ControlState& c = shot->controls.at(e.field);
    EXPECT_EQ(c.type, e.type) << e.field;
    if (e.type != T::Image) {
      EXPECT_EQ(c.text, e.text) << e.field;
    }
  }
  EXPECT_EQ(shot->controls.at(2).picture, "n-13");
  EXPECT_EQ(shot->controls.at(2).statusText, "History expires in how many days");
  EXPECT_EQ(shot->controls.at(6).icon, "~WRENCH.GIF");
  EXPECT_EQ(shot->controls.at(13).icon, "~OK.ICO");
  EXPECT_EQ(shot->controls.at(14).icon, "~CANCEL.ICO");
  // A new installation: the check boxes show the settings, not the
  // inverted stored values.
  EXPECT_TRUE(checked(w, setup::kShowSchedule));
  EXPECT_TRUE(checked(w, setup::kActive));
  EXPECT_FALSE(checked(w, setup::kShowToDo));
  std::string expires = backend.control(w, setup::kHistoryExpires)->display;
  expires.erase(0, expires.find_first_not_of(' '));
  EXPECT_EQ(expires, "0");
  backend.press(w, setup::kCancel);
  idle();
  EXPECT_FALSE(backend.find("SETUP$WINDOW"));
}

TEST_F(SetupWindowTest, OkWritesTheSevenKeysWithTheInvertedOnesInverted) {
  startProgram();
  const std::uint32_t w = openSetup();
  backend.type(w, setup::kHistoryExpires, "30");
  backend.acceptTyped(w, setup::kHistoryExpires);
  backend.setCheck(w, setup::kShowSchedule, false);
  backend.setCheck(w, setup::kHideToolbar, true);
  idle();
  backend.press(w, setup::kOK);
  idle();
  EXPECT_FALSE(backend.find("SETUP$WINDOW"));
  EXPECT_EQ(ini("Settings", "HistoryExpires"), "30");
  EXPECT_EQ(ini("Settings", "StartUpSchedule"), "1");  // off, stored inverted
  EXPECT_EQ(ini("Settings", "StartUpActive"), "0");    // on, stored inverted
  EXPECT_EQ(ini("Settings", "StartUpToDo"), "0");
  EXPECT_EQ(ini("Settings", "HideToolbar"), "1");
  EXPECT_EQ(ini("Settings", "FullSchedule"), "0");  // untouched by its neighbour
  EXPECT_EQ(readSettings().historyExpires, 30);
  // The window's position is kept in its own section.
  EXPECT_EQ(ini("Setup", "Maximize"), "No");
  // Placed by the system, it keeps the place the system gave it (the
  // headless screen puts the second window made 32 pixels in).
  EXPECT_EQ(ini("Setup", "XPosit"), "21");
  EXPECT_EQ(ini("Setup", "YPosit"), "20");
  EXPECT_EQ(ini("Setup", "Width"), "220");
}

TEST_F(SetupWindowTest, TheDaysTakeAMinusSignButNoLetters) {
  startProgram();
  const std::uint32_t w = openSetup();
  const int beeps = backend.beeps();
  backend.type(w, setup::kHistoryExpires, "ten");
  backend.acceptTyped(w, setup::kHistoryExpires);
  idle();
  EXPECT_EQ(backend.beeps(), beeps + 1);
  backend.type(w, setup::kHistoryExpires, "-5");
  backend.acceptTyped(w, setup::kHistoryExpires);
  idle();
  backend.press(w, setup::kOK);
  idle();
  EXPECT_EQ(ini("Settings", "HistoryExpires"), "-5");
}

TEST_F(SetupWindowTest, CancelRestoresWhatTheFileHoldsNotWhatMemoryHeld) {
  writeIni("[Settings]\nHistoryExpires=10\n");
  startProgram();
  const std::uint32_t w = openSetup();
  // Meanwhile the file is edited by hand.
  writeIni("[Settings]\nHistoryExpires=45\nStartUpToDo=1\n");
  backend.setCheck(w, setup::kFullSchedule, true);
  idle();
  backend.press(w, setup::kCancel);
  idle();
  const std::string expires = ini("Settings", "HistoryExpires");
  EXPECT_EQ(expires, "45");  // nothing written
  Settings expected;
  expected.historyExpires = 45;
  expected.startUpToDo = true;
  // Reopened, the window shows the file's values.
  const std::uint32_t again = openSetup();
  EXPECT_TRUE(checked(again, setup::kShowToDo));
  EXPECT_FALSE(checked(again, setup::kFullSchedule));
  backend.press(again, setup::kOK);
  idle();
  EXPECT_EQ(readSettings(), expected);
}

TEST_F(SetupWindowTest, TheActiveSwitchTakesEffectAtTheNextTick) {
  int work = 0;
  setTimerWork([&] { ++work; });
  startProgram();
  tick();
  EXPECT_EQ(work, 1);
  EXPECT_EQ(frameTitle(), "Dornwatch '96");
  const std::uint32_t w = openSetup();
  backend.setCheck(w, setup::kActive, false);
  idle();
  // While Setup is open the frame's timer work waits.
  tick();
  EXPECT_EQ(work, 1);
  backend.press(w, setup::kOK);
  idle();
  tick();
  EXPECT_EQ(work, 1);
  EXPECT_EQ(frameTitle(), "Dornwatch '96 (Inactive)");
  EXPECT_EQ(ini("Settings", "StartUpActive"), "1");
}

TEST_F(SetupWindowTest, ReopensWhereItWasClosed) {
  writeIni("[Setup]\nXPosit=33\nYPosit=44\nWidth=1\nHeight=1\nMaximize=No\n");
  startProgram();
  const std::uint32_t w = openSetup();
  // Not resizable: the stored size is not taken, the declared one stays.
  backend.press(w, setup::kCancel);
  idle();
  EXPECT_EQ(ini("Setup", "XPosit"), "33");
  EXPECT_EQ(ini("Setup", "YPosit"), "44");
  EXPECT_EQ(ini("Setup", "Width"), "220");
  EXPECT_EQ(ini("Setup", "Height"), "200");
}

}  // namespace
}  // namespace dw::app

namespace dw::app {
namespace {

// The help topics the two windows name are pages of the program's help,
// listed in its contents.
TEST(SchedulerWindowHelp, TopicsAreFoundAndListed) {
  const ui::HelpBook& book = ui::HelpBook::program();
  const std::pair<const char*, const char*> topics[] = {{"Setup", "setup.html"},
                                                        {"SETUP$WINDOW", "setup.html"},
                                                        {"ShowMessage", "show_message.html"},
                                                        {"MESSAGE$WINDOW", "show_message.html"}};
  for (const auto& [topic, file] : topics) {
    const ui::HelpPage* page = book.findTopic(topic);
    ASSERT_NE(page, nullptr) << topic;
    EXPECT_EQ(page->file, file);
    EXPECT_NE(book.contents()->html.find(std::string("href=\"") + file), std::string::npos);
  }
  EXPECT_FALSE(book.search("preferences").empty());
}

// The start at login: the box shows whether the autostart entry exists, OK
// writes it (the program by its path, minimised, on this data directory) or
// removes it, and Cancel leaves it alone.
TEST_F(SetupWindowTest, StartAtLoginWritesAndRemovesTheAutostartEntry) {
  const std::string xdg = std::filesystem::current_path().string() + "/xdg config";
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string previous = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  const std::string entry = xdg + "/autostart/dornwatch.desktop";
  startProgram();

  std::uint32_t w = openSetup();
  EXPECT_FALSE(checked(w, setup::kStartAtLogin));
  backend.setCheck(w, setup::kStartAtLogin, true);
  backend.press(w, setup::kCancel);
  idle();
  EXPECT_FALSE(std::filesystem::exists(entry));

  w = openSetup();
  backend.setCheck(w, setup::kStartAtLogin, true);
  backend.press(w, setup::kOK);
  idle();
  std::ifstream in(entry);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Exec=" + desktopExecArgument(platform::platform().executablePath()) +
                            " --minimized --data " +
                            desktopExecArgument(std::filesystem::current_path().string()) + "\n"),
            std::string::npos)
      << text.str();
  EXPECT_FALSE(std::filesystem::exists(entry + ".new"));

  w = openSetup();
  EXPECT_TRUE(checked(w, setup::kStartAtLogin));
  backend.setCheck(w, setup::kStartAtLogin, false);
  backend.press(w, setup::kOK);
  idle();
  EXPECT_FALSE(std::filesystem::exists(entry));

  // Desktop notifications: off at first, then kept in DORN.INI's "Desktop".
  w = openSetup();
  EXPECT_FALSE(checked(w, setup::kNotifications));
  backend.setCheck(w, setup::kNotifications, true);
  backend.press(w, setup::kOK);
  idle();
  EXPECT_EQ(ini("Desktop", "Notifications"), "1");
  // Keeping the program in the tray: off at first, kept beside it.
  w = openSetup();
  EXPECT_TRUE(checked(w, setup::kNotifications));
  EXPECT_FALSE(checked(w, setup::kKeepInTray));
  backend.setCheck(w, setup::kKeepInTray, true);
  backend.press(w, setup::kOK);
  idle();
  EXPECT_EQ(ini("Desktop", "KeepInTray"), "1");
  w = openSetup();
  EXPECT_TRUE(checked(w, setup::kKeepInTray));
  backend.press(w, setup::kCancel);
  idle();
  if (saved)
    setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST(AutostartEntry, QuotesEachExecArgumentForTheDesktop) {
  const struct {
    const char* argument;
    const char* quoted;
  } cases[] = {
      {"/usr/bin/dornwatch", R"("/usr/bin/dornwatch")"},
      {"/home/a b/data", R"("/home/a b/data")"},
      {R"(say "hi" $HOME `x`)", R"("say \\"hi\\" \\$HOME \\`x\\`")"},
      {R"(C:\dir)", R"("C:\\\\dir")"},
      {"100%", R"("100%%")"},
  };
  for (const auto& c : cases) EXPECT_EQ(desktopExecArgument(c.argument), c.quoted) << c.argument;
}

}  // namespace
}  // namespace dw::app
