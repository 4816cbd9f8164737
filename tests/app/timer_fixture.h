// The scheduler with its real timer work over a real SM.BRK in the test's
// data directory: the clock set by the test, program starts and sounds
// recorded (unless a test asks for real ones), tasks written and read on
// the frame's own thread through SCH, as the windows would.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/data/app_files.h"
#include "app/scheduler/main_frame_work.h"
#include "app/data/table_codes.h"
#include "runtime/lang/dates.h"
#include "tests/app/frame_fixture.h"

namespace dw::app::testing {

// Hundredths of a second since midnight, plus one.
constexpr std::int32_t clockAt(int hour, int minute, int second = 0, int hundredths = 0) {
  return ((hour * 60 + minute) * 60 + second) * 100 + hundredths + 1;
}

class TimerFixture : public FrameFixture {
 protected:
  static constexpr int kDay = 12;  // 12 January 2027, a Tuesday
  static int today() { return lang::date(1, kDay, 2027); }

  void SetUp() override {
    FrameFixture::SetUp();
    m_platform.recordProgramStarts(true);
    setClock(kDay, 9, 0);
    installFrameWork();
  }
  void TearDown() override {
    FrameFixture::TearDown();
    ScheduleFile& f = SCH();
    if (f.isOpen()) f.close();
    f.openCount() = 0;
  }

  // The local clock: January 2027, day `day`, at the time given.
  void setClock(int day, int hour, int minute, int second = 0, int hundredths = 0) {
    platform::LocalTime t;
    t.year = 2027;
    t.month = 1;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    t.millisecond = hundredths * 10;
    t.weekday = (lang::date(1, day, 2027)) % 7;
    m_platform.setNow(t);
  }

  // Runs fn on the frame's thread at the next tick instead of the timer
  // work (which is put back afterwards).
  void onFrame(const std::function<void()>& fn) {
    setTimerWork([&] { fn(); });
    tick();
    installFrameWork();
  }

  // A daily task ("Custom", every 1 day) at today's `time`.
  static ScheduleRecord task(std::int32_t id, std::string_view description, std::int32_t time,
                             const char* type = task_type::kRunProgram) {
    ScheduleRecord r{};
    SCH().clear();
    r = SCH().rec();
    r.ID = id;
    r.Description = description;
    r.TaskType = type;
    r.Command = "prog-" + std::string(description);
    r.ScheduleType = schedule_type::kCustom;
    r.Every = 1;
    r.EveryType = every_type::kDays;
    r.Date = today();
    r.Time = time;
    return r;
  }

  void add(const ScheduleRecord& r, std::string_view memo = {}) {
    onFrame([&] {
      ScheduleFile& f = SCH();
      if (!f.isOpen()) {
        ASSERT_EQ(f.open(0x142), 0);
      }
      f.rec() = r;
      f.setMemoText(kMessageMemo, memo);
      ASSERT_EQ(f.add(), 0);
    });
  }

  // Every Schedule record in SCH:KeyID order.
  std::vector<ScheduleRecord> records() {
    std::vector<ScheduleRecord> all;
    onFrame([&] {
      ScheduleFile& f = SCH();
      if (!f.isOpen()) {
        ASSERT_EQ(f.open(0x142), 0);
      }
      ASSERT_EQ(f.set(sch_key::kKeyID), 0);
      while (f.next() == 0) all.push_back(f.rec());
    });
    return all;
  }
  ScheduleRecord record(std::int32_t id) {
    for (const ScheduleRecord& r : records())
      if (r.ID == id) return r;
    ADD_FAILURE() << "no record " << id;
    return {};
  }

  std::vector<std::string> started() const { return m_platform.startedPrograms(); }
  std::vector<std::string> captions() const {
    std::vector<std::string> all;
    for (const auto& b : backend.boxes()) all.push_back(b.box.caption);
    return all;
  }
};

}  // namespace dw::app::testing
