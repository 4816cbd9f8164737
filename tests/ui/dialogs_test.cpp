// File and printer dialogs, help and the standard actions of menu items and
// buttons, through the runtime over the headless backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "runtime/ui/dialogs.h"
#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

namespace fs = std::filesystem;

std::string cwd() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? buf : "";
}

class DialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    printerSettings() = PrinterSettings{};
    runtime().adoptCurrentThread();
  }
};

TEST(FileFilterTest, PairsInOrderAndTheEmptyFilterIsAllFiles) {
  EXPECT_EQ(parseFileFilter(""), (std::vector<FileFilter>{{"All Files (*.*)", "*.*"}}));
  EXPECT_EQ(parseFileFilter("   "), (std::vector<FileFilter>{{"All Files (*.*)", "*.*"}}));
  EXPECT_EQ(parseFileFilter("WAV Files|*.WAV"), (std::vector<FileFilter>{{"WAV Files", "*.WAV"}}));
  EXPECT_EQ(parseFileFilter("All Files|*.*|EXEs|*.EXE|COMs|*.COM|BATs|*.BAT|Shortcuts|*.LNK"),
            (std::vector<FileFilter>{{"All Files", "*.*"},
                                     {"EXEs", "*.EXE"},
                                     {"COMs", "*.COM"},
                                     {"BATs", "*.BAT"},
                                     {"Shortcuts", "*.LNK"}}));
  // A description without its pattern is dropped.
  EXPECT_EQ(parseFileFilter("Text|*.TXT|Odd"), (std::vector<FileFilter>{{"Text", "*.TXT"}}));
  EXPECT_EQ(parseFileFilter("Odd|"), (std::vector<FileFilter>{{"All Files (*.*)", "*.*"}}));
}

TEST(FileFilterTest, TheVariableGivesTheInitialNameWhenItNamesAFile) {
  EXPECT_EQ(makeFileDialogRequest("", "C:\\APPS\\RUN.EXE  ", "", 0).initialName,
            "C:\\APPS\\RUN.EXE");
  EXPECT_EQ(makeFileDialogRequest("", "", "", 0).initialName, "");
  EXPECT_EQ(makeFileDialogRequest("", "*.WAV", "", 0).initialName, "");
  EXPECT_EQ(makeFileDialogRequest("", "/tmp", "", 0).initialName, "");
  const FileDialogRequest r = makeFileDialogRequest(std::string(100, 't'), "a.txt", "", 1);
  EXPECT_EQ(r.title.size(), 79u);
  EXPECT_TRUE(r.save);
}

TEST_F(DialogTest, CancellingLeavesTheVariableAndChoosingWritesThePath) {
  char file[256] = "START.EXE";
  const VarRef var = VarRef::cString(file);
  EXPECT_EQ(runtime().fileDialog("Choose a Program to Start", var, "All Files|*.*|EXEs|*.EXE", 0),
            0);
  EXPECT_STREQ(file, "START.EXE");
  backend.answerFileDialogs({"/opt/tools/run.sh"});
  EXPECT_EQ(runtime().fileDialog("Select WAV File for Alarm", var, "WAV Files|*.WAV", 1), 1);
  EXPECT_STREQ(file, "/opt/tools/run.sh");
  const auto requests = backend.fileRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].title, "Choose a Program to Start");
  EXPECT_EQ(requests[0].initialName, "START.EXE");
  EXPECT_FALSE(requests[0].save);
  EXPECT_EQ(requests[0].filters.size(), 2u);
  EXPECT_TRUE(requests[1].save);
  EXPECT_EQ(requests[1].filters, (std::vector<FileFilter>{{"WAV Files", "*.WAV"}}));
}

// The headless dialog moves the current directory to the chosen file's
// folder, as the platform's dialog may; the runtime puts it back unless
// flag bit 1 allows the change, so data files opened by relative name are
// still found.
TEST_F(DialogTest, TheCurrentDirectoryIsKeptUnlessFlagBit1AllowsTheChange) {
  const fs::path root = fs::temp_directory_path() / ("dw_dialogs_" + std::to_string(getpid()));
  fs::create_directories(root / "data");
  fs::create_directories(root / "music");
  std::ofstream(root / "data" / "SM.BRK") << "x";
  const std::string before = cwd();
  ASSERT_EQ(chdir((root / "data").c_str()), 0);
  char file[256] = "";
  const VarRef var = VarRef::cString(file);
  const std::string wav = (root / "music" / "ALARM.WAV").string();
  backend.answerFileDialogs({wav, wav});
  EXPECT_EQ(runtime().fileDialog("", var, "WAV Files|*.WAV", 0), 1);
  EXPECT_EQ(cwd(), (root / "data").string());
  EXPECT_TRUE(fs::exists("SM.BRK"));
  EXPECT_EQ(runtime().fileDialog("", var, "WAV Files|*.WAV", fileflag::kChangeDirectory), 1);
  EXPECT_EQ(cwd(), (root / "music").string());
  ASSERT_EQ(chdir(before.c_str()), 0);
  fs::remove_all(root);
}

TEST_F(DialogTest, PrintingToAFileAsksForTheNameAndCancellingItDropsTheChoice) {
  backend.answerPrinterDialogs({{true, true, "Laser"}, {true, true, ""}, {false, false, ""}});
  backend.answerFileDialogs({"", "/tmp/out.pdf"});
  EXPECT_EQ(runtime().printerDialog("Print", false), 0);
  EXPECT_FALSE(printerSettings().printToFile);
  EXPECT_EQ(printerSettings().printer, "Laser");  // the printer chosen is kept
  EXPECT_EQ(runtime().printerDialog("Print", false), 1);
  EXPECT_TRUE(printerSettings().printToFile);
  EXPECT_EQ(printerSettings().outputFile, "/tmp/out.pdf");
  EXPECT_EQ(runtime().printerDialog("Print", true), 0);  // cancelled: settings kept
  EXPECT_EQ(printerSettings().outputFile, "/tmp/out.pdf");
  const auto files = backend.fileRequests();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].title, "Print To File...");
  EXPECT_TRUE(files[0].save);
  EXPECT_EQ(files[0].filters, (std::vector<FileFilter>{{"All files (*.*)", "*.*"}}));
  EXPECT_EQ(backend.printerRequests(), (std::vector<std::pair<std::string, bool>>{
                                           {"Print", false}, {"Print", false}, {"Print", true}}));
}

// --- Help --------------------------------------------------------------------------

using Kind = HelpCommand::Kind;

TEST(HelpCommandTest, TopicTextsBecomeViewerCommands) {
  struct Case {
    const char* topic;
    const char* current;
    HelpCommand expected;
  };
  const std::vector<Case> cases = {
      {"", "DORN.HLP", {Kind::Open, "DORN.HLP", ""}},
      {"~BrowseSchedule", "DORN.HLP", {Kind::Topic, "DORN.HLP", "BrowseSchedule"}},
      {"Schedule", "DORN.HLP", {Kind::Keyword, "DORN.HLP", "Schedule"}},
      {"OTHER@@~Intro", "DORN.HLP", {Kind::Topic, "OTHER.HLP", "Intro"}},
      {"other.txt@@Printing", "", {Kind::Keyword, "other.txt", "Printing"}},
      {"Schedule", "", {Kind::Quit, "", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(helpCommandFor(c.topic, c.current), c.expected) << c.topic;
  EXPECT_EQ(helpCommandFor("~Main", "C:\\DORN\\DORN.HLP").macro(),
            "JI(\"C:\\DORN\\DORN.HLP\",\"Main\")");
  EXPECT_EQ(helpFileName("DORN"), "DORN.HLP");
  EXPECT_EQ(helpFileName("dir.d/DORN"), "dir.d/DORN.HLP");
  EXPECT_EQ(helpFileName("DORN.TXT"), "DORN.TXT");
}

TEST_F(DialogTest, HelpWithoutAHelpFileDoesNothing) {
  EXPECT_EQ(runtime().help({}, "Schedule"), 0);
  EXPECT_EQ(runtime().help(), 0);
  EXPECT_TRUE(backend.helpCommands().empty());
  EXPECT_EQ(runtime().help("dorn"), 1);
  EXPECT_EQ(runtime().helpFile(), "dorn.HLP");
  EXPECT_EQ(runtime().help({}, "~Main"), 1);
  EXPECT_EQ(backend.helpCommands(), (std::vector<HelpCommand>{{Kind::Topic, "dorn.HLP", "Main"}}));
}

TEST_F(DialogTest, EachThreadHasItsOwnHelpFile) {
  runtime().help("DORN.HLP");
  std::string other = "unset";
  const int t = runtime().start([&] { other = runtime().helpFile(); }, 0);
  ASSERT_NE(t, 0);
  runtime().yieldUntilIdle();
  EXPECT_EQ(other, "");
  EXPECT_EQ(runtime().helpFile(), "DORN.HLP");
}

TEST_F(DialogTest, HelpOnTheFocusedControlFallsBackToTheWindowsTopic) {
  runtime().help("DORN.HLP");
  WindowDesc d = windowDesc("Form");
  d.helpTopic = "~UpdateSchedule";
  std::vector<ControlState> states = {declared(ControlType::Entry, 1, "", "s10"),
                                      declared(ControlType::Entry, 2, "", "s10")};
  states[1].helpTopic = "Alarm";
  Window& w = runtime().open(d, makeControls(states));
  w.setFocusField(1);
  EXPECT_EQ(runtime().help(), 1);
  w.setFocusField(2);
  EXPECT_EQ(runtime().help(), 1);
  EXPECT_EQ(backend.helpCommands(),
            (std::vector<HelpCommand>{{Kind::Topic, "DORN.HLP", "UpdateSchedule"},
                                      {Kind::Keyword, "DORN.HLP", "Alarm"}}));
  runtime().close(w);
}

// --- Standard actions ---------------------------------------------------------------

MenuEntry item(int field, int act) {
  return {MenuEntry::Kind::Item, field, "item", "", 0, act, false, {}};
}

TEST_F(DialogTest, MenuHelpCommandsUseTheThreadsHelpFileAndTheFrameEndsTheViewer) {
  runtime().help("DORN.HLP");
  WindowDesc d = windowDesc("Frame", WindowKind::Application);
  MenuEntry help{MenuEntry::Kind::Menu, 0, "&Help", "", 0, 0, false, {}};
  help.items = {item(-1, action::kHelpContents),   item(-2, action::kHelpSearch),
                item(-3, action::kHelpOnHelp),     item(-4, action::kPrintSetup),
                item(-5, action::kTileHorizontal), item(-6, 9),
                item(-7, action::kClose)};
  d.menuBar.push_back(help);
  Window& w = runtime().open(d, {});
  for (int f = -1; f >= -7; --f) backend.press(w.id(), f);
  std::vector<std::string> seen;
  while (runtime().accept()) seen.push_back(describeCurrent());
  // 9 is no standard action: the procedure gets it.
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "Accepted -6", "CloseWindow"}));
  EXPECT_EQ(backend.printerRequests(), (std::vector<std::pair<std::string, bool>>{{"", true}}));
  EXPECT_EQ(backend.standardActions(), std::vector<int>{action::kTileHorizontal});
  runtime().close(w);
  EXPECT_EQ(backend.helpCommands(), (std::vector<HelpCommand>{{Kind::Contents, "DORN.HLP", ""},
                                                              {Kind::Open, "DORN.HLP", ""},
                                                              {Kind::HelpOnHelp, "DORN.HLP", ""},
                                                              {Kind::Quit, "DORN.HLP", ""}}));
}

TEST_F(DialogTest, ButtonsCarryStandardActionsAndEditsReachTheActiveWindowsFocus) {
  std::vector<ControlState> states = {
      declared(ControlType::Entry, 1, "", "s10"), declared(ControlType::Button, 2, "&Copy"),
      declared(ControlType::Button, 3, "&Close"), declared(ControlType::Button, 4, "&Other")};
  states[1].standardAction = action::kCopy;
  states[2].standardAction = action::kClose;
  states[3].standardAction = 1;  // not a standard action
  Window& w = runtime().open(windowDesc("Form"), makeControls(states));
  backend.activate(w.id());
  backend.focus(w.id(), 1);
  backend.press(w.id(), 2);
  backend.press(w.id(), 4);
  backend.press(w.id(), 3);
  std::vector<std::string> seen;
  while (runtime().accept()) seen.push_back(describeCurrent());
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenWindow", "GainFocus", "Selected 1", "Accepted 4",
                                            "CloseWindow"}));
  EXPECT_EQ(backend.edits(), (std::vector<HeadlessBackend::EditShot>{{action::kCopy, w.id(), 1}}));
  runtime().close(w);
}

}  // namespace
}  // namespace dw::ui::testing
