// The tag routines on a real tag file: set, test, clear, count and clear
// all, the quick and the slow way of clearing (the slow one and the count
// stepping under their progress window, one step per timer tick), and a
// task's tag going with the task when it is deleted.
#include <atomic>
#include <fstream>
#include <iterator>
#include <optional>

#include "app/routines/file_routines.h"
#include "app/routines/tag_routines.h"
#include "fields/s_tag.h"
#include "tests/forms/form_fixture.h"

namespace dw::app::testing {
namespace {

class TagRoutinesTest : public FormFixture {
 protected:
  void TearDown() override {
    FormFixture::TearDown();
    if (TF_().isOpen()) TF_().close();
    TF_().openCount() = 0;
  }
  // Runs `body` as the program, stepping the clock until it returns.
  void runTicking(std::function<void()> body) {
    std::atomic<bool> done{false};
    run([&] {
      body();
      done = true;
    });
    for (int i = 0; i < 100000 && !done; ++i) {
      backend.advance(1);
      idle();
    }
    ASSERT_TRUE(done);
    finish();
  }
  // Adds tags (user kTagUser) of `table` at positions first..last directly.
  static void addTags(std::int16_t table, std::uint32_t first, std::uint32_t last) {
    TagFile& t = TF_();
    if (!t.isOpen()) {
      ASSERT_EQ(t.open(0x142), 0);
    }
    for (std::uint32_t p = first; p <= last; ++p) ASSERT_EQ(setTag(table, p, "x"), 0);
    t.close();
  }
  std::string tagFileBytes() const {
    std::ifstream in(m_dir.file("TagFile_.BRK"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(TagRoutinesTest, SetTestClearAndOverwrite) {
  bool before = true, after = false, other = true, cleared = true;
  std::string value;
  runTicking([&] {
    before = TagIsSet_(1, 7);
    SetTag_(1, 7, "12");
    SetTag_(1, 7, "13");  // present: the value is overwritten
    after = TagIsSet_(1, 7);
    other = TagIsSet_(2, 7);
    FileUser user(TF_());
    EXPECT_EQ(TF_().records(), 1);
    (void)tagIsSet(1, 7);
    value = TF_()->VAL.str();
    ClrTag_(1, 7);
    cleared = tagIsSet(1, 7);
  });
  EXPECT_FALSE(before);
  EXPECT_TRUE(after);
  EXPECT_FALSE(other);
  EXPECT_EQ(value.substr(0, 2), "13");
  EXPECT_FALSE(cleared);
}

TEST_F(TagRoutinesTest, ClearingAnAbsentTagLeavesTheFileByteIdentical) {
  addTags(1, 1, 3);
  const std::string bytes = tagFileBytes();
  runTicking([] { ClrTag_(1, 99); });
  EXPECT_EQ(tagFileBytes(), bytes);
}

TEST_F(TagRoutinesTest, ClearAllEmptiesAtOnceWhenOnlyThisTableIsTagged) {
  addTags(1, 1, 40);
  bool done = false;
  runTicking([&] { done = NewTag_(1); });
  EXPECT_TRUE(done);
  EXPECT_EQ(backend.createdCount(), 0);  // no progress window
  ASSERT_EQ(TF_().open(0x142), 0);
  EXPECT_EQ(TF_().records(), 0);
}

TEST_F(TagRoutinesTest, ClearAllDeletesOneByOneBesideOtherTables) {
  addTags(1, 1, 35);
  addTags(2, 1, 5);
  bool done = false;
  std::optional<std::int64_t> left, others;
  runTicking([&] { done = NewTag_(1); });
  EXPECT_TRUE(done);
  EXPECT_EQ(backend.createdCount(), 1);  // "Clearing Tags"
  runTicking([&] {
    left = CntTag_(1);
    others = CntTag_(2);
  });
  EXPECT_EQ(left, 0);
  EXPECT_EQ(others, 5);
}

TEST_F(TagRoutinesTest, CountStepsUnderItsWindowAndCancelStops) {
  addTags(1, 1, 250);
  addTags(3, 1, 2);
  std::optional<std::int64_t> count;
  runTicking([&] { count = CntTag_(1); });
  EXPECT_EQ(count, 250);

  // Cancel after the first tick: nothing counted is returned.
  std::atomic<bool> done{false};
  count = 7;
  run([&] {
    count = CntTag_(1);
    done = true;
  });
  backend.advance(1);
  idle();
  const auto w = backend.find(kCountingTagsTitle);
  ASSERT_TRUE(w);
  EXPECT_EQ(backend.control(w->id, s_tag::kPercent)->text, "39% Completed");
  backend.press(w->id, s_tag::kCancel);
  idle();
  EXPECT_TRUE(done);
  finish();
  EXPECT_FALSE(count.has_value());
}

TEST_F(TagRoutinesTest, ADeletedTaskLosesItsTag) {
  addTask(1, [](ScheduleRecord&) {});
  const std::uint32_t first = probe().pointer();
  addTask(2, [](ScheduleRecord&) {});
  const std::uint32_t second = probe().pointer();
  addTags(kScheduleTagTable, first, first);
  addTags(kScheduleTagTable, second, second);
  closeAll();
  bool firstTagged = true, secondTagged = false;
  runTicking([&] {
    FileUser schedule(SCH());
    SCH()->ID = 1;
    ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
    ASSERT_EQ(deleteScheduleRecord(), 0);
    firstTagged = TagIsSet_(kScheduleTagTable, first);
    secondTagged = TagIsSet_(kScheduleTagTable, second);
  });
  EXPECT_FALSE(firstTagged);
  EXPECT_TRUE(secondTagged);
}

TEST(TagHaltText, ReadsCodeMessageAndOperation) {
  EXPECT_EQ(tagHaltText(5, "Access Denied   ", "SetTag_/ADD"),
            "Error #5 - Access Denied (SetTag_/ADD)");
}

}  // namespace
}  // namespace dw::app::testing
