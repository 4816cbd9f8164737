// A disk that fills up under the file layer (the test platform refusing to
// grow SM.BRK and TagFile_.BRK past a limit): the add, the change and the
// two-file transaction that need the room fail with the system's error,
// posted; nothing of them is in the files, which stay sound; once there is
// room again the same operations succeed.
#include <gtest/gtest.h>

#include "file_layer_test_util.h"
#include "runtime/platform/os_error.h"
#include "runtime/platform/test_platform.h"

namespace dw::app::testing {
namespace {

// Text that run-length compression cannot shrink.
std::string noise(std::mt19937& rng, std::size_t length) {
  std::string s;
  while (s.size() < length) s += std::to_string(rng());
  s.resize(length);
  return s;
}

class FileLayerDiskFull : public DataDirTest {
 protected:
  void SetUp() override {
    DataDirTest::SetUp();
    installed = std::make_unique<platform::ScopedPlatform>(tp);
    ASSERT_EQ(SCH().open(kCreateShared), 0);
    ASSERT_EQ(TF_().open(kCreateShared), 0);
    for (std::int32_t id = 1; id <= 20; ++id) {
      fillTask(SCH(), id, rng);
      ASSERT_EQ(SCH().add(), 0);
    }
  }
  void TearDown() override {
    tp.clearFaults();
    DataDirTest::TearDown();  // closes the files on the test platform
    installed.reset();
  }
  // Room for `bytes` more in any file from now on.
  void roomFor(std::uintmax_t bytes) {
    tp.diskFullAt(
        std::max(std::filesystem::file_size("SM.BRK"), std::filesystem::file_size("TagFile_.BRK")) +
        bytes);
  }

  platform::TestPlatform tp;
  std::unique_ptr<platform::ScopedPlatform> installed;
  std::mt19937 rng{3};
};

TEST_F(FileLayerDiskFull, AFailedAddOrChangeLeavesNothingOfIt) {
  roomFor(600);
  std::int32_t id = 21;
  int rc = 0;
  for (; id < 100 && rc == 0; ++id) {
    fillTask(SCH(), id, rng);
    SCH().setMemoText(kMessageMemo, noise(rng, 900));
    rc = SCH().add();
  }
  const std::int32_t refused = id - 1;
  ASSERT_EQ(rc, int(platform::kDiskFull)) << "the disk never filled";
  EXPECT_EQ(lang::errorCode(), int(platform::kDiskFull));
  EXPECT_EQ(SCH().records(), refused - 1);
  SCH()->ID = refused;
  EXPECT_EQ(SCH().get(sch_key::kKeyID), 35);

  // Changes that need room (messages growing to the memo's size): the one
  // refused leaves its stored record as it was.
  int put = 0;
  std::int32_t changed = 0;
  std::string oldMessage;
  std::int32_t oldDate = 0;
  for (changed = 1; changed < refused && put == 0; ++changed) {
    SCH()->ID = changed;
    ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
    oldMessage = SCH().memoText(kMessageMemo);
    oldDate = SCH()->Date;
    SCH()->Date = oldDate + 1;
    SCH().setMemoText(kMessageMemo, noise(rng, 999));
    put = SCH().put();
  }
  ASSERT_EQ(put, int(platform::kDiskFull)) << "the disk never filled";
  EXPECT_EQ(lang::errorCode(), int(platform::kDiskFull));
  SCH()->ID = changed - 1;
  ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
  EXPECT_EQ(SCH()->Date, oldDate);
  EXPECT_EQ(SCH().memoText(kMessageMemo), oldMessage);

  // Room again: the same add goes through.
  tp.clearFaults();
  fillTask(SCH(), refused, rng);
  EXPECT_EQ(SCH().add(), 0);
  EXPECT_EQ(SCH().records(), refused);
  SCH().close();
  TF_().close();
  const auto check = dw::testing::runTool(dw::testing::brkPath(), {"check", "SM.BRK"});
  EXPECT_EQ(check.exitCode, 0) << check.out;
}

TEST_F(FileLayerDiskFull, AFailedTransactionCommitLeavesBothFilesAsBefore) {
  const std::vector<StoredRow> schedule = storedRows(SCH());
  const std::vector<StoredRow> tags = storedRows(TF_());
  roomFor(2000);
  ASSERT_EQ(db::logout(1, {&SCH(), &TF_()}), 0);
  for (std::int32_t i = 0; i < 10; ++i) {
    fillTask(SCH(), 500 + i, rng);
    SCH().setMemoText(kMessageMemo, noise(rng, 999));
    ASSERT_EQ(SCH().add(), 0);
    TF_().clear();
    TF_()->USR = 1;
    TF_()->PTR = 500 + i;
    ASSERT_EQ(TF_().add(), 0);
  }
  EXPECT_EQ(db::commit(), int(platform::kDiskFull));
  EXPECT_EQ(lang::errorCode(), int(platform::kDiskFull));
  EXPECT_EQ(storedRows(SCH()), schedule);
  EXPECT_EQ(storedRows(TF_()), tags);

  tp.clearFaults();
  ASSERT_EQ(db::logout(1, {&SCH(), &TF_()}), 0);
  fillTask(SCH(), 600, rng);
  ASSERT_EQ(SCH().add(), 0);
  TF_().clear();
  TF_()->PTR = 600;
  ASSERT_EQ(TF_().add(), 0);
  ASSERT_EQ(db::commit(), 0);
  EXPECT_EQ(SCH().records(), 21);
  EXPECT_EQ(TF_().records(), 1);
  SCH().close();
  TF_().close();
  for (const char* file : {"SM.BRK", "TagFile_.BRK"}) {
    const auto check = dw::testing::runTool(dw::testing::brkPath(), {"check", file});
    EXPECT_EQ(check.exitCode, 0) << check.out;
  }
}

}  // namespace
}  // namespace dw::app::testing
