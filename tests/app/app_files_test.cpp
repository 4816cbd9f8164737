// The application's declared files through the file layer: SCH and SCH1
// over one stored table with their own buffers and positions, the posted
// error of every operation, memos, bound names, and transactions over two
// declarations.  Each test works in a temporary data directory and closes
// what it opened (the declarations are process-wide).
#include "app/data/app_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/data/schedule_ids.h"
#include "app/data/script_steps.h"
#include "app/data/table_codes.h"
#include "runtime/db/view.h"
#include "runtime/lang/errors.h"
#include "runtime/lang/expr_compiler.h"
#include "runtime/lang/expr_eval.h"
#include "runtime/lang/symbol_table.h"
#include "tests/app/data_dir_fixture.h"

namespace dw::app {
namespace {

constexpr std::uint32_t kCreateShared = 0x142;

class AppFiles : public testing::DataDirectoryTest {
 protected:
  // Adds a task through SCH.
  static void addTask(std::int32_t id, std::int32_t date, std::string_view description,
                      std::string_view message = {}, std::uint8_t disabled = 0) {
    ScheduleFile& f = SCH();
    f.clear();
    f->ID = id;
    f->Date = date;
    f->Time = 100;
    f->Disabled = disabled;
    f->Description = description;
    f->TaskType = task_type::kDisplayMessage;
    f.setMemoText(kMessageMemo, message);
    ASSERT_EQ(f.add(), 0) << id;
  }
};

TEST_F(AppFiles, ScheduleDeclarationsShareTheTableButNotBuffersOrPositions) {
  ASSERT_EQ(SCH().open(kCreateShared), 0);
  addTask(1, 80000, "first", "hello there");
  addTask(2, 80002, "second");
  addTask(3, 80001, "third");
  ASSERT_TRUE(std::filesystem::exists("SM.BRK"));

  ASSERT_EQ(SCH1().open(0x42), 0);
  EXPECT_EQ(SCH1().records(), 3);

  // The windows walk by date while the timer reads its first due task.
  ASSERT_EQ(SCH().set(sch_key::kKeyDate), 0);
  ASSERT_EQ(SCH().next(), 0);
  EXPECT_EQ(SCH()->ID, 1);
  ASSERT_EQ(SCH1().set(sch_key::kKeyDateEnabled), 0);
  ASSERT_EQ(SCH1().next(), 0);
  ASSERT_EQ(SCH1().next(), 0);
  EXPECT_EQ(SCH1()->ID, 3);
  EXPECT_EQ(SCH1().memoText(kMessageMemo), "");
  ASSERT_EQ(SCH().next(), 0);
  EXPECT_EQ(SCH()->ID, 3) << "SCH1's steps must not move SCH";
  ASSERT_EQ(SCH().next(), 0);
  EXPECT_EQ(SCH()->ID, 2);
  EXPECT_EQ(SCH().next(), 33);

  // A memo written through one declaration is read through the other.
  SCH1()->ID = 1;
  ASSERT_EQ(SCH1().get(sch_key::kKeyID), 0);
  EXPECT_EQ(SCH1().memoText(kMessageMemo), "hello there");
  EXPECT_EQ(SCH1()->Description, "first");
}

TEST_F(AppFiles, EveryOperationPostsItsErrorAndAFailedReadKeepsTheBuffer) {
  EXPECT_EQ(CAT().add(), 37);
  EXPECT_EQ(lang::errorCode(), 37);
  ASSERT_EQ(CAT().open(kCreateShared), 0);
  EXPECT_EQ(lang::errorCode(), 0) << "a successful operation clears the posted error";

  CAT()->Category = "Backups";
  ASSERT_EQ(CAT().add(), 0);
  CAT()->Category = "BACKUPS";
  EXPECT_EQ(CAT().add(), 40) << "categories differing only in case";
  EXPECT_EQ(lang::errorCode(), 40);
  EXPECT_FALSE(lang::errorText().empty());

  CAT()->Category = "Missing";
  EXPECT_EQ(CAT().get(cat_key::kKeyCategory), 35);
  EXPECT_EQ(lang::errorCode(), 35);
  EXPECT_EQ(CAT()->Category, "Missing") << "a failed read leaves the program's buffer";

  CAT()->Category = "backups";
  ASSERT_EQ(CAT().get(cat_key::kKeyCategory), 0);
  EXPECT_EQ(CAT()->Category, "Backups");
  EXPECT_EQ(CAT().pointer(), CAT().pointer());
  EXPECT_NE(CAT().pointer(), 0u);

  EXPECT_EQ(CAT().open(0x42), 52);
  EXPECT_EQ(lang::errorCode(), 52);
}

TEST_F(AppFiles, FieldsAndMemosAreBoundForExpressionsAndViews) {
  ASSERT_EQ(SCH().open(kCreateShared), 0);
  for (int i = 1; i <= 30; ++i) addTask(i, 80000 + i, "task " + std::to_string(i), "", i % 3 == 0);

  SCH().bindFields();
  SCH()->ID = 41;
  SCH().setMemoText(kMessageMemo, "Water the plants");
  lang::ExprTree e = lang::compileExpression("SCH:ID * 2");
  ASSERT_TRUE(e);
  EXPECT_EQ(lang::evalInteger(*e), 82);
  lang::ExprTree m = lang::compileExpression("SUB(SCH:Message, 1, 5)");
  ASSERT_TRUE(m);
  EXPECT_EQ(lang::evalString(*m), "Water");

  // A view over the declaration evaluates its filter in the program's
  // buffer and leaves the buffer as it was.
  SCH()->ID = 777;
  db::View view(*SCH().table(), sch_key::kKeyDateEnabled, static_cast<char*>(SCH().buffer()));
  ASSERT_EQ(view.setFilter("SCH:Disabled = 0 AND SCH:Date > 80010"), 0);
  db::ViewPage page;
  ASSERT_EQ(view.firstPage(100, page), 0);
  EXPECT_EQ(page.rows.size(), 13u);  // 11..30 without 12, 15, ..., 30
  EXPECT_EQ(SCH()->ID, 777);
}

TEST_F(AppFiles, TransactionsCoverTwoDeclarations) {
  ASSERT_EQ(SCH().open(kCreateShared), 0);
  ASSERT_EQ(HIS().open(kCreateShared), 0);

  ASSERT_EQ(db::logout(1, {&SCH(), &HIS()}), 0);
  addTask(5, 80000, "kept back");
  HIS().clear();
  HIS()->ID = 1;
  ASSERT_EQ(HIS().add(), 0);
  ASSERT_EQ(db::rollback(), 0);
  EXPECT_EQ(SCH().records(), 0);
  EXPECT_EQ(HIS().records(), 0);

  ASSERT_EQ(db::logout(1, {&SCH(), &HIS()}), 0);
  addTask(6, 80000, "written");
  HIS()->ID = 2;
  ASSERT_EQ(HIS().add(), 0);
  ASSERT_EQ(db::commit(), 0);
  EXPECT_EQ(SCH().records(), 1);
  EXPECT_EQ(HIS().records(), 1);

  EXPECT_EQ(db::commit(), -1) << "COMMIT without LOGOUT";
  EXPECT_EQ(lang::errorCode(), -1);
}

TEST_F(AppFiles, HoldAndWatchBetweenSchAndSch1) {
  ASSERT_EQ(SCH().open(kCreateShared), 0);
  ASSERT_EQ(SCH1().open(0x42), 0);
  addTask(9, 80000, "watched");

  SCH1()->ID = 9;
  ASSERT_EQ(SCH1().watch(), 0);
  ASSERT_EQ(SCH1().get(sch_key::kKeyID), 0);
  SCH()->ID = 9;
  ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
  SCH()->Description = "changed by the window";
  ASSERT_EQ(SCH().put(), 0);

  SCH1()->Disabled = 1;
  EXPECT_EQ(SCH1().put(), 89) << "the timer must not overwrite the window's change";
  ASSERT_EQ(SCH1().get(sch_key::kKeyID), 0);
  EXPECT_EQ(SCH1()->Description, "changed by the window");
  EXPECT_EQ(SCH1()->Disabled, 0);
}

TEST_F(AppFiles, TagFileIsAFileOfItsOwnNamedByItsVariable) {
  EXPECT_EQ(tagFileName().raw().size(), kTagFileNameWidth);
  EXPECT_EQ(TF_().name(), "TagFile_.BRK");
  ASSERT_EQ(TF_().open(kCreateShared), 0);
  TF_()->USR = 1;
  TF_()->TBL = 2;
  TF_()->PTR = 3;
  TF_()->VAL = "x";
  ASSERT_EQ(TF_().add(), 0);
  EXPECT_TRUE(std::filesystem::exists("TagFile_.BRK"));
  EXPECT_FALSE(std::filesystem::exists("SM.BRK"));
}

TEST_F(AppFiles, NewIdentifiersFollowTheHighestAndKeepTheBuffers) {
  ASSERT_EQ(SCH().open(kCreateShared), 0);
  std::int32_t id = 0;
  ASSERT_EQ(nextScheduleId(SCH(), id), 0);
  EXPECT_EQ(id, 1) << "an empty table";
  EXPECT_EQ(lang::errorCode(), 0);
  addTask(7, 80000, "seven", "its message");
  SCH()->ID = 7;
  SCH().setMemoText(kMessageMemo, "");
  ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
  EXPECT_EQ(SCH().memoText(kMessageMemo), "its message") << "the next read after an empty table";
  addTask(3, 80000, "three");
  SCH()->ID = 99;
  SCH().setMemoText(kMessageMemo, "typed by the user");
  ASSERT_EQ(nextScheduleId(SCH(), id), 0);
  EXPECT_EQ(id, 8);
  EXPECT_EQ(SCH()->ID, 99);
  EXPECT_EQ(SCH().memoText(kMessageMemo), "typed by the user");
  EXPECT_TRUE(scheduleIdExists(SCH(), 3));
  EXPECT_FALSE(scheduleIdExists(SCH(), 4));
  EXPECT_EQ(SCH()->ID, 99);
  addTask(2147483647, 80000, "last");
  EXPECT_EQ(nextScheduleId(SCH(), id), 40) << "no identifier above the largest";
  EXPECT_EQ(lang::errorCode(), 40);
}

TEST_F(AppFiles, ScriptStepsOfATaskMoveAndGoWithItNegativeSequencesIncluded) {
  ASSERT_EQ(SCR().open(kCreateShared), 0);
  for (const auto& [id, sequence] :
       std::initializer_list<std::pair<int, int>>{{4, -3}, {4, 0}, {4, 9}, {5, -1}, {3, 2}}) {
    SCR().clear();
    SCR()->ID.set(id);
    SCR()->Sequence.set(sequence);
    ASSERT_EQ(SCR().add(), 0);
  }
  ASSERT_EQ(moveScriptSteps(4, 7), 0);
  ASSERT_EQ(deleteScriptSteps(5), 0);
  std::vector<std::pair<std::int64_t, std::int64_t>> left;
  ASSERT_EQ(SCR().set(scr_key::kKeyID), 0);
  while (SCR().next() == 0) left.emplace_back(SCR()->ID.get(), SCR()->Sequence.get());
  const std::vector<std::pair<std::int64_t, std::int64_t>> expected{
      {3, 2}, {7, -3}, {7, 0}, {7, 9}};
  EXPECT_EQ(left, expected);
}

}  // namespace
}  // namespace dw::app
