// The driver's state word: the errors of missing and forbidden bits, the
// bits an operation sets and clears, the operations it does not serve, and
// the registration record.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver_test_util.h"

namespace dw::db::testing {
namespace {

[[maybe_unused]] auto* const kHalts = ::testing::AddGlobalTestEnvironment(new HaltsThrow);

struct StateCase {
  int operation;
  std::uint32_t state;
  int expected;
};

TEST(DriverState, MissingAndForbiddenBitsGiveTheirErrors) {
  const StateCase cases[] = {
      {op::kAdd, 0x00, 37},       // not open comes first
      {op::kAdd, 0x01, 5},        // opened for reading only
      {op::kAdd, 0x41, 0},        //
      {op::kDelete, 0x41, 33},    // no current record
      {op::kDelete, 0x01, 33},    // 33 before the missing write access
      {op::kDelete, 0x03, 5},     //
      {op::kPut, 0x03, 5},        //
      {op::kNext, 0x01, 33},      // no SET
      {op::kNext, 0x21, 0},       //
      {op::kPointer, 0x01, 33},   //
      {op::kBuildAll, 0x41, 63},  // a share mode that denies nothing
      {op::kBuildAll, 0x81, 5},   // denying but read-only
      {op::kBuildAll, 0xC5, 56},  // inside a transaction
      {op::kEmpty, 0x41, 63},     //
      {op::kEmpty, 0xC0, 37},     //
      {op::kEmpty, 0xC1, 0},      //
      {op::kOpen, 0x01, 52},      //
      {op::kCopy, 0x41, 52},      //
      {op::kLogout, 0x05, 56},    // a second LOGOUT
      {op::kClose, 0x05, 56},     // CLOSE in a transaction
      {op::kCommit, 0x01, -1},    // COMMIT without LOGOUT
      {op::kRollback, 0x41, -1},  //
      {op::kLock, 0x11, -1},      // locked already
      {op::kStream, 0x09, -1},    // streaming already
      {op::kFlush, 0x01, -1},     // not streaming
      {op::kUnlock, 0x01, -1},    // not locked
      {op::kUnlock, 0x15, 56},    //
      {op::kSend, 0x00, 0},       // SEND needs nothing
      {op::kPosition, 0x21, 33},  //
      {op::kBlobSize, 0x00, 37},  //
  };
  for (const StateCase& c : cases) {
    const StateRule* rule = stateRuleOf(c.operation);
    ASSERT_NE(rule, nullptr) << c.operation;
    EXPECT_EQ(checkState(*rule, c.state), c.expected)
        << "operation " << c.operation << " state " << std::hex << c.state;
  }
}

TEST(DriverState, UnservedNumbersGive80AndOperation74Nothing) {
  FileControlBlock fcb;
  for (int n : {0, 23, 35, 39, 51, 52, 53, 55, 59, 68, 72, 80, 200, -3}) {
    EXPECT_EQ(call(n, fcb), kErrUnsupported) << n;
  }
  EXPECT_EQ(call(op::kNothing, fcb), 0);
  // A state check answers before anything is touched.
  EXPECT_EQ(call(op::kNext, fcb), 37);
  EXPECT_EQ(fcb.state, 0u);
}

TEST(DriverState, RegistrationListsWhatIsServed) {
  const DriverRegistration& r = driverRegistration();
  EXPECT_EQ(r.operations.size(), 65u);
  EXPECT_TRUE(std::is_sorted(r.operations.begin(), r.operations.end()));
  auto listed = [&](int n) {
    return std::find(r.operations.begin(), r.operations.end(), n) != r.operations.end();
  };
  EXPECT_TRUE(listed(52));   // published though answered with 80
  EXPECT_FALSE(listed(73));  // served though not published
  EXPECT_FALSE(listed(74));
  for (int n : r.operations) {
    EXPECT_TRUE(n == 52 || stateRuleOf(n) != nullptr) << n;
  }
  EXPECT_EQ(r.fieldTypes, (std::vector<int>{1, 2, 3, 6, 7, 8, 9, 10, 18, 19, 20, 21, 26, 22, 23}));
  EXPECT_STREQ(r.name, "BRISK");
  EXPECT_STREQ(r.description, "Brisk (BRK) Driver 1.00");
  EXPECT_EQ(r.entry, &driverCall);
}

struct OpenCase {
  std::int64_t mode;
  std::uint32_t state;
};

TEST(DriverState, OpenRecordsWriteAccessAndDenyingShareModes) {
  TempDir dir;
  const OpenCase cases[] = {
      {0x40, 0x01}, {0x42, 0x41}, {0x41, 0x41}, {0x22, 0xC1}, {0x12, 0xC1}, {0x10, 0x81},
  };
  {
    FileControlBlock maker;
    declare(maker, dir.file("s.brk"));
    ASSERT_EQ(call(op::kCreate, maker), 0);
  }
  for (const OpenCase& c : cases) {
    FileControlBlock fcb;
    declare(fcb, dir.file("s.brk"));
    ASSERT_EQ(call(op::kOpen, fcb, c.mode), 0) << std::hex << c.mode;
    EXPECT_EQ(fcb.state, c.state) << std::hex << c.mode;
    ASSERT_EQ(call(op::kClose, fcb), 0);
    EXPECT_EQ(fcb.state, c.state & 0xC0u);  // CLOSE clears 0x01; the access stays
  }
}

// BUILD needs write access and a denying share mode, not an open file: after
// CLOSE of an exclusive open it rebuilds the keys; of a shared one it is 63.
TEST(DriverState, BuildAfterCloseUsesTheLastOpensAccess) {
  TempDir dir;
  FileControlBlock fcb;
  declare(fcb, dir.file("s.brk"));
  ASSERT_EQ(call(op::kOpen, fcb, kCreateShared), 0);
  addRows(fcb, {1, 2, 3});
  ASSERT_EQ(call(op::kClose, fcb), 0);
  EXPECT_EQ(call(op::kBuildAll, fcb), 63);
  ASSERT_EQ(call(op::kOpen, fcb, kExclusive), 0);
  ASSERT_EQ(call(op::kClose, fcb), 0);
  EXPECT_EQ(call(op::kBuildAll, fcb), 0);
  EXPECT_EQ(fcb.state & 0x01u, 0u);  // still closed
  ASSERT_EQ(call(op::kOpen, fcb, kShared), 0);
  EXPECT_EQ(valueOf(op::kRecords, fcb), 3);
  ASSERT_EQ(call(op::kClose, fcb), 0);
}

TEST(DriverState, StepsSetAndClearTheCurrentRecord) {
  TempDir dir;
  FileControlBlock fcb;
  declare(fcb, dir.file("s.brk"));
  ASSERT_EQ(call(op::kOpen, fcb, kCreateShared), 0);
  addRows(fcb, {1, 2});
  EXPECT_EQ(fcb.state, 0x43u);  // ADD makes the added record current
  ASSERT_EQ(call(op::kSetKeyEnd, fcb), 0);
  EXPECT_EQ(fcb.state, 0x63u);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  ASSERT_EQ(call(op::kNext, fcb), 0);
  EXPECT_EQ(call(op::kNext, fcb), 33);
  EXPECT_EQ(fcb.state & kStateCurrent, 0u);  // a failed NEXT leaves no current record
  EXPECT_EQ(call(op::kPut, fcb), 33);
  ASSERT_EQ(call(op::kPrevious, fcb), 0);  // the position stayed on 2
  EXPECT_EQ(rowId(fcb), 1);
  ASSERT_EQ(call(op::kSkip, fcb, 1), 0);
  EXPECT_EQ(fcb.state & kStateCurrent, 0u);  // SKIP reads nothing
  ASSERT_EQ(call(op::kPrevious, fcb), 0);
  EXPECT_EQ(rowId(fcb), 1);
  EXPECT_EQ(call(op::kSkip, fcb, -1), 33);
}

}  // namespace
}  // namespace dw::db::testing
