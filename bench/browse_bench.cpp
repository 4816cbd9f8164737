// The schedule window's list: opening the "All by Date" view (counting it
// and reading its first page) and moving one page down, over schedules of
// 100 and of 100,000 tasks.  Both cost one page of records whatever the
// size of the schedule, since the count comes from the key and the list
// asks only for the rows it shows: the run ends with the two times side
// by side and their ratio.
//
// Usage: browse_bench [google benchmark flags]
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "app/data/app_files.h"
#include "app/data/records.h"
#include "app/data/table_descs.h"
#include "app/forms/schedule/browse_schedule_views.h"
#include "runtime/db/table.h"
#include "runtime/lang/language_state.h"
#include "runtime/ui/events.h"
#include "runtime/ui/list_control.h"

namespace {

using namespace dw;

constexpr const char* kFormat =
    "11L|M*I@s1@47L|M*~Date~@d3@32L|M*~Time~@t3@60L|M~Category~@s20@90L|M~Description~@s40@"
    "60L|M~Task Type~@s20@60L|M~Schedule Type~L(1)@s20@";

// A data folder holding SM.BRK with n tasks, 100 a day.
class Schedule {
 public:
  explicit Schedule(int n) {
    std::string t = (std::filesystem::temp_directory_path() / "dwbrowseXXXXXX").string();
    m_dir = ::mkdtemp(t.data());
    db::TableOpenOptions o;
    o.disposition = db::OpenDisposition::CreateIfMissing;
    std::unique_ptr<db::Table> table;
    if (db::Table::openTable(m_dir + "/SM.BRK\\!Schedule", app::scheduleTableDesc(), o, table) != 0)
      std::abort();
    (void)table->beginBatch();
    for (int i = 1; i <= n; ++i) {
      table->clearRecord();
      app::ScheduleRecord r;
      std::memcpy(&r, table->record().data(), sizeof r);
      r.ID = i;
      r.Description = "Task " + std::to_string(i);
      r.Category = "General";
      r.TaskType = "None";
      r.Date = 80000 + i / 100;
      r.Time = i % 100 + 1;
      std::memcpy(table->record().data(), &r, sizeof r);
      if (table->addRecord() != 0) std::abort();
    }
    (void)table->endBatch();
    (void)table->closeTable();
  }
  ~Schedule() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  const std::string& dir() const { return m_dir; }

 private:
  std::string m_dir;
};

ui::ControlState listState() {
  ui::ControlState s;
  s.type = ui::ControlType::List;
  s.field = 2;
  s.format = kFormat;
  s.pixels = {0, 0, 648, 260};  // the window's list: 20 rows of a 13-pixel font
  return s;
}

// SCH open in the schedule's folder for the life of the object.
class OpenSchedule {
 public:
  explicit OpenSchedule(const Schedule& s) : m_saved(std::filesystem::current_path()) {
    std::filesystem::current_path(s.dir());
    if (app::SCH().open(0x42) != 0) std::abort();
  }
  ~OpenSchedule() {
    app::SCH().close();
    std::filesystem::current_path(m_saved);
  }

 private:
  std::filesystem::path m_saved;
};

// Opens the view on a list and moves one page down; the records read.
std::uint64_t openAndPageDown(app::ScheduleViews& views, ui::ListControl& list) {
  views.apply(app::schedule_view::kAllByDate);
  auto source = views.source();
  list.setSource(source);
  list.takeValue(ui::ev::kPageDown, ui::packListScroll(list.pageRows(), 0));
  return source->view().recordsRead();
}

void BM_OpenAndPageDown(benchmark::State& state) {
  Schedule schedule(static_cast<int>(state.range(0)));
  OpenSchedule open(schedule);
  app::ScheduleViews views;
  ui::ListControl list(listState());
  std::uint64_t read = 0;
  for (auto _ : state) read = openAndPageDown(views, list);
  state.counters["records_read"] = static_cast<double>(read);
}
BENCHMARK(BM_OpenAndPageDown)->Arg(100)->Arg(100'000)->Unit(benchmark::kMicrosecond);

// The calling thread's processor time in seconds: the machine may be busy
// with other work, which wall-clock time would count.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Timing {
  double wall = 0;  // seconds per open-and-page-down
  double cpu = 0;
  std::uint64_t read = 0;  // records one reads
};

Timing timed(int tasks, int rounds) {
  Schedule schedule(tasks);
  OpenSchedule open(schedule);
  app::ScheduleViews views;
  ui::ListControl list(listState());
  Timing t;
  for (int i = 0; i < rounds / 10; ++i) openAndPageDown(views, list);  // warm up
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = cpuSeconds();
  for (int i = 0; i < rounds; ++i) t.read = openAndPageDown(views, list);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  t.wall = spent.count() / rounds;
  t.cpu = (cpuSeconds() - cpuStart) / rounds;
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  lang::LanguageStatePtr state = lang::newLanguageState();
  lang::makeLanguageStateCurrent(state.get());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Side by side in one process.
  const Timing small = timed(100, 2000);
  const Timing large = timed(100'000, 2000);
  std::printf(
      "open and page down, 100 tasks: %.1f us (%.1f us processor), %llu records read\n"
      "open and page down, 100,000 tasks: %.1f us (%.1f us processor), %llu records read\n"
      "ratio 100,000 / 100: %.2f (processor %.2f)\n",
      small.wall * 1e6, small.cpu * 1e6, static_cast<unsigned long long>(small.read),
      large.wall * 1e6, large.cpu * 1e6, static_cast<unsigned long long>(large.read),
      large.wall / small.wall, large.cpu / small.cpu);
  return 0;
}
