// A schedule that cannot be written (read-only media, no write permission:
// the test platform refusing every open for writing): an open for reading
// succeeds and reads every task, as the command line's reading commands
// do; an open for writing is refused with 5.
#include <gtest/gtest.h>

#include "app/exchange/schedule_store.h"
#include "file_layer_test_util.h"
#include "runtime/platform/test_platform.h"

namespace dw::app::testing {
namespace {

class ReadOnlySchedule : public DataDirTest {
 protected:
  void SetUp() override {
    DataDirTest::SetUp();
    installed = std::make_unique<platform::ScopedPlatform>(tp);
  }
  void TearDown() override {
    tp.refuseWriteAccess(false);
    DataDirTest::TearDown();
    installed.reset();
  }
  platform::TestPlatform tp;
  std::unique_ptr<platform::ScopedPlatform> installed;
};

TEST_F(ReadOnlySchedule, OpensForReadingAndListsItsTasks) {
  std::mt19937 rng(5);
  ASSERT_EQ(SCH().open(kCreateShared), 0);
  for (std::int32_t id = 1; id <= 3; ++id) {
    fillTask(SCH(), id, rng);
    ASSERT_EQ(SCH().add(), 0);
  }
  SCH().close();

  tp.refuseWriteAccess(true);
  EXPECT_EQ(SCH().open(kShared), 5);
  ASSERT_EQ(SCH().open(0x40), 0);
  EXPECT_EQ(SCH().records(), 3);
  SCH().close();
  {
    ScheduleStore store(StoreAccess::Read);
    ASSERT_FALSE(store.open());
    std::vector<TaskDraft> all;
    ASSERT_FALSE(store.records(all));
    EXPECT_EQ(all.size(), 3u);
  }
}

}  // namespace
}  // namespace dw::app::testing
