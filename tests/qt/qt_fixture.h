// What the Qt tests share: the one QApplication of the test program, a
// pump that processes GUI events until a condition holds, and a fixture
// that puts the runtime on a real Qt backend (offscreen) with a temporary
// data directory made current (the main frame opens SM.BRK there).  The
// test's thread is the GUI thread; procedures run on runtime threads.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "runtime/lang/errors.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/runtime.h"
#include "tests/platform/temp_dir.h"

namespace dw::ui::qt {

inline QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

// Processes GUI events until pred holds (or a few seconds pass).
inline bool pumpUntil(const std::function<bool()>& pred) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

inline bool idle() {
  return runtime().hub().waitIdle(std::chrono::milliseconds(0));
}

class QtBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previousDirectory = std::filesystem::current_path();
    std::filesystem::current_path(m_dataDir.path());
    app();
    lang::setHaltThrowsForTesting(true);
    backend = std::make_unique<QtBackend>(runtime());
    runtime().begin(*backend);
  }
  void TearDown() override {
    EXPECT_TRUE(pumpUntil([] { return runtime().hub().liveThreads() == 0; }));
    backend->shutdown();
    runtime().end();
    backend.reset();
    std::filesystem::current_path(m_previousDirectory);
  }
  std::unique_ptr<QtBackend> backend;
  platform::testing::TempDir m_dataDir;
  std::filesystem::path m_previousDirectory;
};

}  // namespace dw::ui::qt
