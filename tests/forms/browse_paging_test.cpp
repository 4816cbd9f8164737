// A schedule of 100,000 tasks: opening the window and scrolling it read
// the records shown, not the table; the day view reads that day's range.
#include <gtest/gtest.h>

#include "runtime/ui/events.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app {
namespace {

namespace bw = browse_window;

class BrowsePagingTest : public testing::BrowseFixture {
 protected:
  static std::vector<testing::StoredTask> manyTasks(int n) {
    std::vector<testing::StoredTask> tasks;
    tasks.reserve(static_cast<std::size_t>(n));
    // 100 tasks a day over 1,000 days around today.
    for (int i = 0; i < n; ++i)
      tasks.push_back(testing::task(i + 1, "Task " + std::to_string(i + 1), today() - 500 + i / 100,
                                    i % 100 + 1));
    return tasks;
  }
  std::shared_ptr<ScheduleListSource> m_source;
};

TEST_F(BrowsePagingTest, OpeningAndScrollingAHundredThousandTasksReadsThePagesShown) {
  store(manyTasks(100000));
  writeIni("[Settings]\r\nFullSchedule=1\r\n");
  startProgram();
  observeScheduleViews([this](const std::shared_ptr<ScheduleListSource>& s) {
    m_source = s;
    s->view().resetRecordsRead();
  });
  const auto w = startSchedule();
  ASSERT_TRUE(m_source);
  const ui::ControlState opened = list(w.id, bw::kList);
  ASSERT_TRUE(opened.list);
  EXPECT_EQ(opened.list->rowCount, 100000);
  const auto page = static_cast<std::uint64_t>(opened.list->rows.size());
  ASSERT_GT(page, 0u);
  // The count comes from the key; the page is read with at most the entry
  // that ends it.
  EXPECT_LE(m_source->view().recordsRead(), page + 1);

  std::int64_t top = 0;
  for (int step = 0; step < 20; ++step) {
    m_source->view().resetRecordsRead();
    top += static_cast<std::int64_t>(page);
    backend.scroll(w.id, bw::kList, top, static_cast<int>(page), ui::ev::kPageDown);
    const ui::ControlState c = list(w.id, bw::kList);
    ASSERT_EQ(c.list->top, top);
    EXPECT_LE(m_source->view().recordsRead(), page + 1) << step;
  }
  // The first row of the page shown is the task at that place in date order.
  const ui::ControlState c = list(w.id, bw::kList);
  EXPECT_EQ(c.list->rows.front().at(4).text, "Task " + std::to_string(top + 1));

  // The day view reads that day's hundred tasks and the one after.
  m_source.reset();
  backend.choose(w.id, bw::kSheet, 1);
  idle();
  ASSERT_TRUE(m_source);
  EXPECT_EQ(list(w.id, bw::kList).list->rowCount, 100);
  EXPECT_LE(m_source->view().recordsRead(), 100u + 1 + page + 1);
}

}  // namespace
}  // namespace dw::app
