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

#include "app/data/app_files.h"
#include "app/data/requests.h"
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

  // The Schedule file as the test sees it: through SCH1 (the timer's own
  // declaration, unused here), so that looking at the file while a form is
  // open moves neither SCH's buffer nor its position.  Categories through
  // CAT while no form runs.
  static ScheduleFile& probe() {
    if (!SCH1().isOpen()) {
      EXPECT_EQ(SCH1().open(0x142), 0);
    }
    return SCH1();
  }
  static void closeAll() {
    for (db::DeclaredFile* f :
         {static_cast<db::DeclaredFile*>(&SCH()), static_cast<db::DeclaredFile*>(&SCH1()),
          static_cast<db::DeclaredFile*>(&CAT())}) {
      if (f->isOpen()) f->close();
      f->openCount() = 0;
    }
  }
  // Adds a task with the given identifier and fields; SCH's buffer is left
  // holding it, as the schedule list leaves the task it passes on.
  static ScheduleRecord addTask(std::int32_t id, const std::function<void(ScheduleRecord&)>& fill,
                                const std::string& message = {}) {
    ScheduleFile& f = probe();
    f.clear();
    f->ID = id;
    f->TaskType = "Both";
    f->ScheduleType = "Once";
    f->Date = today() + 1;
    f->Time = at(9, 0);
    fill(f.rec());
    f.setMemoText(kMessageMemo, message);
    EXPECT_EQ(f.add(), 0);
    SCH().rec() = f.rec();
    SCH().setMemoText(kMessageMemo, message);
    return f.rec();
  }
  static void addCategory(const std::string& name) {
    if (!CAT().isOpen()) {
      ASSERT_EQ(CAT().open(0x142), 0);
    }
    CAT()->Category = name;
    ASSERT_EQ(CAT().add(), 0);
    CAT().close();
  }
  // Every stored task in identifier order.
  static std::vector<ScheduleRecord> tasks() {
    ScheduleFile& f = probe();
    std::vector<ScheduleRecord> out;
    if (f.set(sch_key::kKeyID) != 0) return out;
    while (f.next() == 0) out.push_back(f.rec());
    return out;
  }
  static std::string messageOf(std::int32_t id) {
    ScheduleFile& f = probe();
    f->ID = id;
    if (f.get(sch_key::kKeyID) != 0) return "<none>";
    return f.memoText(kMessageMemo);
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
