// The application's forms run on the headless backend, acting as the user:
// a temporary directory that is both the data directory (SM.BRK is made
// there) and the profile directory (DORN.INI, PELICAND.INI), the clock
// stopped at Monday 7 December 2026 10:00, program starts and sounds
// recorded, and one procedure run as the program's first thread.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/core/app_files.h"
#include "app/core/requests.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/profile.h"
#include "runtime/platform/test_platform.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/runtime.h"
#include "tests/platform/temp_dir.h"

namespace dw::app::testing {

class FormFixture : public ::testing::Test {
 protected:
  FormFixture() : m_scope(m_platform) {
    m_platform.setProfileDirectory(m_dir.path());
    m_platform.setNow({2026, 12, 7, 10, 0, 0, 0, 1});
    m_platform.recordProgramStarts(true);
    m_oldDirectory = m_platform.currentDirectory();
    (void)m_platform.setCurrentDirectory(m_dir.path());
  }
  ~FormFixture() override { (void)m_platform.setCurrentDirectory(m_oldDirectory); }

  void SetUp() override {
    lang::setHaltThrowsForTesting(true);
    globalRequest() = 0;
    globalResponse() = 0;
  }
  void TearDown() override {
    if (m_running) finish();
    closeAll();
  }

  static int today() { return lang::date(12, 7, 2026); }
  static int at(int hour, int minute) { return hour * 360000 + minute * 6000 + 1; }

  // Runs `procedure` as the program and waits until it shows its window.
  void run(std::function<void()> procedure) {
    closeAll();
    ui::runtime().begin(backend);
    m_running = true;
    ui::runtime().runProgram(std::move(procedure));
    idle();
  }
  // Waits for the procedure to return and ends the session.
  void finish() {
    ui::runtime().joinProgram();
    ui::runtime().end();
    m_running = false;
  }
  void idle() { ASSERT_TRUE(ui::runtime().waitIdle()); }

  std::uint32_t windowId(const std::string& label) {
    const auto shot = backend.find(label);
    EXPECT_TRUE(shot) << label;
    return shot ? shot->id : 0;
  }
  bool visible(const std::string& label, int field) {
    const auto shot = backend.find(label);
    return shot && shot->visible.at(field);
  }
  std::string shown(std::uint32_t window, int field) {
    std::string text = backend.control(window, field)->display;
    text.erase(0, text.find_first_not_of(' '));
    return text;
  }
  std::vector<std::string> rows(std::uint32_t window, int field) {
    return backend.control(window, field)->rows;
  }

  // The Schedule file, opened on the test's thread while no procedure runs.
  static void openSchedule() {
    if (!SCH().isOpen()) {
      ASSERT_EQ(SCH().open(0x142), 0);
    }
    if (!CAT().isOpen()) {
      ASSERT_EQ(CAT().open(0x142), 0);
    }
  }
  static void closeAll() {
    if (SCH().isOpen()) SCH().close();
    if (CAT().isOpen()) CAT().close();
    SCH().openCount() = 0;
    CAT().openCount() = 0;
  }
  // Adds a task with the given identifier and fields.
  static void addTask(std::int32_t id, const std::function<void(ScheduleRecord&)>& fill,
                      const std::string& message = {}) {
    openSchedule();
    SCH().clear();
    SCH()->ID = id;
    SCH()->TaskType = "Both";
    SCH()->ScheduleType = "Once";
    SCH()->Date = today() + 1;
    SCH()->Time = at(9, 0);
    fill(SCH().rec());
    SCH().setMemoText(kMessageMemo, message);
    ASSERT_EQ(SCH().add(), 0);
  }
  static void addCategory(const std::string& name) {
    openSchedule();
    CAT()->Category = name;
    ASSERT_EQ(CAT().add(), 0);
  }
  // Every stored task in identifier order.
  static std::vector<ScheduleRecord> tasks() {
    openSchedule();
    std::vector<ScheduleRecord> out;
    if (SCH().set(sch_key::kKeyID) != 0) return out;
    while (SCH().next() == 0) out.push_back(SCH().rec());
    return out;
  }
  static std::string messageOf(std::int32_t id) {
    openSchedule();
    SCH()->ID = id;
    if (SCH().get(sch_key::kKeyID) != 0) return "<none>";
    return SCH().memoText(kMessageMemo);
  }
  void writeProfile(const std::string& name, const std::string& content) {
    std::ofstream(m_dir.file(name), std::ios::binary) << content;
  }
  std::string ini(const std::string& section, const std::string& key) const {
    return platform::getProfileString(section, key, "<absent>", "DORN.INI");
  }

  platform::testing::TempDir m_dir;
  platform::TestPlatform m_platform;
  platform::ScopedPlatform m_scope;
  ui::HeadlessBackend backend{ui::runtime()};
  std::string m_oldDirectory;
  bool m_running = false;
};

}  // namespace dw::app::testing
