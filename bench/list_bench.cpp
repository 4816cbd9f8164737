// Lists: parsing a format string (the day schedule's), and a list scrolled
// page by page over a source of 100 and of 100,000 rows.  A page costs the
// same whatever the row count, since the list asks only for the rows it
// shows: the run ends with that ratio, measured side by side.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "runtime/ui/events.h"
#include "runtime/ui/list_control.h"

namespace {

using namespace dw::ui;

constexpr const char* kDaySchedule =
    "11L|M*I@s1@47L|M*~Date~@d3@32L|M*~Time~@t3@60L|M~Category~@s20@90L|M~Description~@s40@"
    "60L|M~Task Type~@s20@60L|M~Schedule Type~L(1)@s20@";

// Rows made on demand, as a view over a table would read them.
class GeneratedSource : public ListSource {
 public:
  explicit GeneratedSource(std::int64_t rows) : m_rows(rows) {}
  std::int64_t rowCount() override { return m_rows; }
  void fetch(std::int64_t first, std::int64_t count, std::vector<ListRow>& out) override {
    for (std::int64_t r = first; r < first + count && r < m_rows; ++r)
      out.push_back({std::to_string(1 + r % 4), "0", "16777215", "-1", "-1",
                     std::to_string(80000 + r / 10), "0", "-1", "-1", "-1",
                     std::to_string(360000 * (r % 24) + 1), "0", "-1", "-1", "-1", "Work",
                     "Task " + std::to_string(r), "Program", "Daily"});
  }

 private:
  std::int64_t m_rows;
};

ControlState listState() {
  ControlState s;
  s.type = ControlType::List;
  s.field = 1;
  s.format = kDaySchedule;
  s.pixels = {0, 0, 600, 400};  // about 24 rows of a 13-pixel font
  return s;
}

// Scrolls `pages` pages down (wrapping at the end); seconds per page.
double secondsPerPage(ListControl& list, std::int64_t rows, int pages) {
  const int page = list.pageRows();
  std::int64_t top = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < pages; ++i) {
    top = top + page >= rows ? 0 : top + page;
    list.takeValue(ev::kPageDown, packListScroll(top, 0));
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / pages;
}

void BM_ParseDayScheduleFormat(benchmark::State& state) {
  for (auto _ : state) {
    if (validateListFormat(kDaySchedule) != 0) state.SkipWithError("invalid");
    benchmark::DoNotOptimize(parseListFormat(kDaySchedule, ListScale{12, 8}));
  }
}
BENCHMARK(BM_ParseDayScheduleFormat);

void BM_ScrollPageByPage(benchmark::State& state) {
  const std::int64_t rows = state.range(0);
  ListControl list(listState());
  list.setSource(std::make_shared<GeneratedSource>(rows));
  const int page = list.pageRows();
  std::int64_t top = 0;
  for (auto _ : state) {
    top = top + page >= rows ? 0 : top + page;
    list.takeValue(ev::kPageDown, packListScroll(top, 0));
    benchmark::DoNotOptimize(list.state().list);
  }
  state.counters["rows_per_page"] = page;
}
BENCHMARK(BM_ScrollPageByPage)->Arg(100)->Arg(100'000);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Side by side: the same pages over 100 and 100,000 rows.
  ListControl small(listState()), large(listState());
  small.setSource(std::make_shared<GeneratedSource>(100));
  large.setSource(std::make_shared<GeneratedSource>(100'000));
  secondsPerPage(small, 100, 200);  // warm up
  secondsPerPage(large, 100'000, 200);
  const double a = secondsPerPage(small, 100, 4000);
  const double b = secondsPerPage(large, 100'000, 4000);
  std::printf("page of %d rows: %.1f us over 100 rows, %.1f us over 100,000 rows, ratio %.2f\n",
              small.pageRows(), a * 1e6, b * 1e6, b / a);
  return 0;
}
