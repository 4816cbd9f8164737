// The schedule windows on a running scheduler (headless backend): a data
// folder made current for SM.BRK, tasks stored before the program starts,
// the frame's thread used to start windows and to read the files back, and
// the calls to other windows replaced by recorders.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/data/app_files.h"
#include "app/data/records.h"
#include "app/data/requests.h"
#include "app/data/table_descs.h"
#include "app/forms/schedule/browse_schedule.h"
#include "app/forms/schedule/schedule_calls.h"
#include "runtime/db/table.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/language_state.h"
#include "tests/app/frame_fixture.h"

namespace dw::app::testing {

// A task to store: the fields the tests look at, the rest cleared.
struct StoredTask {
  std::int32_t id = 0;
  std::string description;
  std::int32_t date = 0;
  std::int32_t time = 0;
  std::string taskType = "None";
  std::string category = "General";
  std::uint8_t disabled = 0;
  std::uint8_t skip = 0;
  std::uint8_t completed = 0;
  std::string message;
  std::string command;
  std::string path;

  StoredTask& inCategory(std::string c) {
    category = std::move(c);
    return *this;
  }
  StoredTask& ofType(std::string t) {
    taskType = std::move(t);
    return *this;
  }
  StoredTask& flags(std::uint8_t isDisabled, std::uint8_t isSkipped, std::uint8_t isCompleted) {
    disabled = isDisabled;
    skip = isSkipped;
    completed = isCompleted;
    return *this;
  }
  StoredTask& withMessage(std::string m) {
    message = std::move(m);
    return *this;
  }
  StoredTask& withCommand(std::string c, std::string p = {}) {
    command = std::move(c);
    path = std::move(p);
    return *this;
  }
};

inline StoredTask task(std::int32_t id, std::string description, std::int32_t date,
                       std::int32_t time) {
  StoredTask t;
  t.id = id;
  t.description = std::move(description);
  t.date = date;
  t.time = time;
  return t;
}

class BrowseFixture : public FrameFixture {
 protected:
  // 2 March 2026, 09:30.
  static constexpr platform::LocalTime kNow{2026, 3, 2, 9, 30, 0, 0, 1};

  void SetUp() override {
    FrameFixture::SetUp();
    m_platform.setNow(kNow);
    m_platform.recordProgramStarts(true);
    m_savedDir = platform::platform().currentDirectory();
    ASSERT_TRUE(platform::platform().setCurrentDirectory(m_dir.path()).ok());
    resetScheduleCalls();
    observeScheduleViews(nullptr);
    // The declarations' buffers live for the process: each test starts
    // from cleared ones (no runtime thread runs yet).
    CAT().clear();
    SCH().clear();
  }
  void TearDown() override {
    FrameFixture::TearDown();
    resetScheduleCalls();
    observeScheduleViews(nullptr);
    (void)platform::platform().setCurrentDirectory(m_savedDir);
  }

  static std::int32_t today() { return lang::date(kNow.month, kNow.day, kNow.year); }

  // Stores tasks in SM.BRK (before the program starts), in one batch.
  void store(const std::vector<StoredTask>& tasks) {
    lang::LanguageStatePtr state = lang::newLanguageState();
    lang::LanguageState* previous = lang::makeLanguageStateCurrent(state.get());
    db::TableOpenOptions o;
    o.disposition = db::OpenDisposition::CreateIfMissing;
    std::unique_ptr<db::Table> table;
    ASSERT_EQ(
        db::Table::openTable(m_dir.file("SM.BRK") + "\\!Schedule", scheduleTableDesc(), o, table),
        0);
    ASSERT_EQ(table->beginBatch(), 0);
    for (const StoredTask& t : tasks) {
      table->clearRecord();
      ScheduleRecord r;
      std::memcpy(&r, table->record().data(), sizeof r);
      r.ID = t.id;
      r.Description = t.description;
      r.Date = t.date;
      r.Time = t.time;
      r.TaskType = t.taskType;
      r.Category = t.category;
      r.Disabled = t.disabled;
      r.SkipNextTime = t.skip;
      r.Completed = t.completed;
      r.Command = t.command;
      r.Path = t.path;
      r.ScheduleType = "Once";
      std::memcpy(table->record().data(), &r, sizeof r);
      std::string memo = t.message;
      memo.resize(table->memo(kMessageMemo).size(), ' ');
      table->memo(kMessageMemo) = memo;
      ASSERT_EQ(table->addRecord(), 0);
    }
    ASSERT_EQ(table->endBatch(), 0);
    ASSERT_EQ(table->closeTable(), 0);
    lang::makeLanguageStateCurrent(previous);
  }

  // Runs fn once on the frame's thread (holding the Runtime lock).
  void onFrame(std::function<void()> fn) {
    bool done = false;
    setTimerWork([&] {
      if (!done) fn();
      done = true;
    });
    tick();
    setTimerWork(nullptr);
  }

  // Starts `procedure` as the frame's menu does and returns its window.
  ui::HeadlessBackend::WindowShot startWindow(void (*procedure)(), std::string_view title) {
    onFrame([procedure] { ui::runtime().start(procedure, 50000); });
    idle();
    const auto shot = backend.find(title);
    EXPECT_TRUE(shot) << title;
    return shot ? *shot : ui::HeadlessBackend::WindowShot{};
  }
  ui::HeadlessBackend::WindowShot startSchedule() {
    return startWindow(&BrowseSchedule, "View Schedule");
  }

  // The list control's state now.
  ui::ControlState list(std::uint32_t window, int field) {
    idle();
    const auto c = backend.control(window, field);
    EXPECT_TRUE(c);
    return c ? *c : ui::ControlState{};
  }
  // The descriptions the list shows on its page (column `column`).
  std::vector<std::string> shownColumn(std::uint32_t window, int field, std::size_t column) {
    std::vector<std::string> out;
    const ui::ControlState c = list(window, field);
    if (!c.list) return out;
    for (const auto& row : c.list->rows) out.push_back(row.at(column).text);
    return out;
  }
  bool disabled(std::uint32_t window, int field) {
    idle();
    return backend.control(window, field)->disabled;
  }

  // Records of a table read by key on the frame's thread.
  template <class Record, class File>
  std::vector<std::pair<Record, std::string>> readAll(File& file, std::size_t key) {
    std::vector<std::pair<Record, std::string>> out;
    onFrame([&] {
      const bool opened = !file.isOpen();
      if (opened && file.open(0x142) != 0) return;
      if (file.set(key) == 0) {
        while (file.next() == 0) out.emplace_back(file.rec(), file.memoText(kMessageMemo));
      }
      if (opened) file.close();
    });
    return out;
  }
  std::vector<std::pair<ScheduleRecord, std::string>> schedule() {
    return readAll<ScheduleRecord>(SCH(), sch_key::kKeyID);
  }
  std::vector<std::pair<HistoryRecord, std::string>> history() {
    return readAll<HistoryRecord>(HIS(), his_key::kKeyID);
  }

  std::string m_savedDir;
};

}  // namespace dw::app::testing
