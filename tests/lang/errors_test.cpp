// The posted error, message texts and overrides, halts and the diagnostic log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/lang/errors.h"
#include "runtime/platform/test_platform.h"

namespace dw::lang {
namespace {

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clearError();
    clearMessageOverrides();
    setHaltThrowsForTesting(true);
  }
  void TearDown() override {
    clearMessageOverrides();
    setHaltBoxHook(nullptr);
  }
};

TEST_F(ErrorsTest, PostAndClear) {
  postError(35);
  EXPECT_EQ(errorCode(), 35);
  EXPECT_EQ(errorText(), "Record Not Found");
  setErrorFile("SM.BRK");
  clearError();
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(errorText(), "");
  EXPECT_EQ(errorFile(), "");
}

TEST_F(ErrorsTest, MessageTable) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {2, "File Not Found"},
      {78, "Invalid Number Of Parameters "},
      {89, "Record Changed By Another Station"},
      {312, "Invalid Access"},
      {391, "Unknown Error"},
      {403, "Termination caused by signal.  (User break or Floating point)"},
      {502, "Internal error 02"},
      {544, "Too Many VBX Hooks"},
      {605, "DDE transaction timed out"},
      {802, "Mismatched PUSHSCOPE/POPSCOPE"},
      {0, "Unknown Error Posted"},
      {9, "Unknown Error Posted : 9"},
      {314, "Unknown Error Posted : 314"},
  };
  for (const auto& c : cases) EXPECT_EQ(messageText(c.code), c.text) << c.code;
}

TEST_F(ErrorsTest, PlatformErrorsPostThreeHundredPlusCode) {
  postOsError(2);
  EXPECT_EQ(errorCode(), 302);
  EXPECT_EQ(errorText(), "File Not Found");
  EXPECT_EQ(platformError(), 2u);
  postOsError(12);
  EXPECT_EQ(errorCode(), 312);
  EXPECT_EQ(errorText(), "Invalid Access");
}

TEST_F(ErrorsTest, OverridesAndTheCut) {
  setMessageOverride(35, "Kein Satz");
  postError(35);
  EXPECT_EQ(errorText(), "Kein Satz");
  setMessageOverride(36, "   " + std::string(100, 'x'));
  postError(36);
  EXPECT_EQ(errorText(), std::string(76, 'x'));  // leading blanks dropped after the cut
  setMessageOverride(37, std::string(100, 'y'));
  postError(37);
  EXPECT_EQ(errorText(), std::string(79, 'y'));
  setMessageOverride(81, "Mystery");
  EXPECT_EQ(messageText(9), "Mystery : 9");
}

TEST_F(ErrorsTest, SavedStatesRestore) {
  postError(35);
  pushErrorState();
  postError(40);
  pushErrorState();
  clearError();
  popErrorState();
  EXPECT_EQ(errorCode(), 40);
  popErrorState();
  EXPECT_EQ(errorCode(), 35);
  EXPECT_EQ(errorText(), "Record Not Found");
  popErrorState();  // unbalanced: no change
  EXPECT_EQ(errorCode(), 35);
}

TEST_F(ErrorsTest, RuntimeErrorShowsBoxAndHaltsWithTwo) {
  std::string caption;
  std::string shown;
  setHaltBoxHook([&](std::string_view c, std::string_view t) {
    caption = c;
    shown = t;
  });
  std::vector<int> order;
  registerExitRoutine([&] { order.push_back(1); });
  registerExitRoutine([&] { order.push_back(2); });
  try {
    runtimeError(502, "WSLDIAL");
    FAIL() << "runtimeError returned";
  } catch (const HaltRequested& h) {
    EXPECT_EQ(h.exitCode, 2);
    EXPECT_EQ(h.text, "Internal error 02 : WSLDIAL");
  }
  EXPECT_EQ(caption, "Runtime error");
  EXPECT_EQ(shown, "Internal error 02 : WSLDIAL");
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  EXPECT_TRUE(isHalting());
  // A second halt while halting runs no routine again.
  registerExitRoutine([&] { order.push_back(3); });
  EXPECT_THROW(halt(5), HaltRequested);
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST_F(ErrorsTest, HaltBoxOnlyWithMessageAndDetailAloneForCodeZero) {
  int boxes = 0;
  std::string caption;
  std::string shown;
  setHaltBoxHook([&](std::string_view c, std::string_view t) {
    ++boxes;
    caption = c;
    shown = t;
  });
  EXPECT_THROW(halt(0), HaltRequested);
  EXPECT_EQ(boxes, 0);
  setHaltThrowsForTesting(true);
  try {
    halt(7, "Bye");
  } catch (const HaltRequested& h) {
    EXPECT_EQ(h.exitCode, 7);
  }
  EXPECT_EQ(caption, "Halt");
  EXPECT_EQ(shown, "Bye");
  setHaltThrowsForTesting(true);
  EXPECT_THROW(runtimeError(0, "Heap corrupt"), HaltRequested);
  EXPECT_EQ(shown, "Heap corrupt");
}

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs in a child process so that "first write of the run" is really the
// first, and the log lands in a fresh directory.
TEST(DiagnosticLog, FirstWriteReplacesOlderLogThenAppends) {
  auto dir = std::filesystem::temp_directory_path() / ("dwlog_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream old(dir / "QXLOG.TXT");
    old << "an older run\n";
  }
  EXPECT_EXIT(
      {
        std::filesystem::current_path(dir);
        logDiagnostic("first %d\n", 1);
        logConsistencyFailure("ctlentry", 42);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(readFile(dir / "QXLOG.TXT"), "first 1\nError @(File,Line) (ctlentry, 42)\n");
  EXPECT_EXIT(
      {
        std::filesystem::current_path(dir);
        setHaltThrowsForTesting(false);
        setHaltBoxHook([](std::string_view, std::string_view) {});
        memoryFault("Block freed twice");
      },
      ::testing::ExitedWithCode(2), "");
  std::string log = readFile(dir / "QXLOG.TXT");
  EXPECT_EQ(log.rfind("Error: Block freed twice\r\n   ", 0), 0u) << log;
  EXPECT_NE(log.find("\r\n----------------------------------\r\n"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(DiagnosticLog, AFailedWriteIsDroppedAndTheNextOneStartsTheFile) {
  auto dir = std::filesystem::temp_directory_path() / ("dwlogf_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  EXPECT_EXIT(
      {
        platform::TestPlatform test;
        platform::ScopedPlatform scoped(test);
        std::filesystem::current_path(dir);
        test.failWritesAfter(0);
        logDiagnostic("lost\n");
        test.clearFaults();
        logDiagnostic("kept\n");
        logDiagnostic("appended\n");
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(readFile(dir / "QXLOG.TXT"), "kept\nappended\n");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace dw::lang
