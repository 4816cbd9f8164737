// A running scheduler on the headless backend for tests that act as the
// user: a temporary directory that is both the data directory (current
// while the test runs: the program opens SM.BRK there) and the profile
// directory holding DORN.INI, the program code on thread 1 with its frame
// open, and the seams to the schedule file reset.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/frame/main_frame.h"
#include "app/routines/settings.h"
#include "app/scheduler/driver_seams.h"
#include "app/scheduler/message_window.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/profile.h"
#include "runtime/platform/test_platform.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/runtime.h"
#include "tests/platform/temp_dir.h"

namespace dw::app::testing {

class FrameFixture : public ::testing::Test {
 protected:
  FrameFixture() : m_scope(m_platform) {
    m_platform.setProfileDirectory(m_dir.path());
    m_previousDirectory = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.path());
  }
  ~FrameFixture() override { std::filesystem::current_path(m_previousDirectory); }

  void SetUp() override {
    setNextTaskSource(nullptr);
    setNextTasksSource(nullptr);
    setTimerWork(nullptr);
    setToDoAdder(nullptr);
    openMessageWindows() = 0;
    messageText().clear();
  }
  void TearDown() override {
    if (m_running) {
      if (const auto frame = backend.find("MAIN$APPFRAME")) backend.press(frame->id, frame::kExit);
      ui::runtime().joinProgram();
      ui::runtime().end();
    }
    setNextTaskSource(nullptr);
    setNextTasksSource(nullptr);
    setTimerWork(nullptr);
    setToDoAdder(nullptr);
  }

  // Starts the program; DORN.INI as the test prepared it.
  void startProgram() {
    lang::setHaltThrowsForTesting(true);
    ui::runtime().begin(backend);
    m_running = true;
    ui::runtime().runProgram(&ProgramCode);
    ASSERT_TRUE(ui::runtime().waitIdle());
    const auto shot = backend.find("MAIN$APPFRAME");
    ASSERT_TRUE(shot);
    frameId = shot->id;
  }
  void idle() { ASSERT_TRUE(ui::runtime().waitIdle()); }
  // One tick of the frame's timer (2.5 seconds).
  void tick() {
    backend.advance(250);
    idle();
  }
  std::string frameTitle() const { return backend.find("MAIN$APPFRAME")->title; }

  void writeIni(const std::string& content) {
    std::ofstream(m_dir.file(kIniFile), std::ios::binary) << content;
  }
  std::string ini(const std::string& section, const std::string& key) const {
    return platform::getProfileString(section, key, "<absent>", kIniFile);
  }

  platform::testing::TempDir m_dir;
  std::filesystem::path m_previousDirectory;
  platform::TestPlatform m_platform;
  platform::ScopedPlatform m_scope;
  ui::HeadlessBackend backend{ui::runtime()};
  std::uint32_t frameId = 0;
  bool m_running = false;
};

}  // namespace dw::app::testing
