// The delete and update routines over real tables: the Categories restrict
// checks (delete refused, rename refused with the old name put back), a
// record changed by another station since it was read, the transaction that
// cannot be framed, a failed delete, the Scripting steps deleted and moved
// with their task (and everything rolled back when a step fails), and the
// to-do adder.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/scheduler/driver_seams.h"
#include "app/scheduler/todo_adder.h"
#include "app/data/table_codes.h"
#include "tests/app/file_routines_fixture.h"

namespace dw::app::testing {
namespace {

class RecordRoutines : public FileRoutinesTest {
 protected:
  void SetUp() override {
    FileRoutinesTest::SetUp();
    useFile(SCH());
    useFile(CAT());
  }
  static void addTask(std::int32_t id, std::string_view category, std::string_view description) {
    ScheduleFile& f = SCH();
    f.clear();
    f->ID = id;
    f->Category = category;
    f->Description = description;
    f->Date = 80000 + id;
    f->TaskType = task_type::kDisplayMessage;
    ASSERT_EQ(f.add(), 0) << id;
  }
  static void addCategory(std::string_view name) {
    CAT().clear();
    CAT()->Category = name;
    ASSERT_EQ(CAT().add(), 0) << name;
  }
  // Reads a category into CAT's buffer, as a form does before it changes it.
  static void readCategory(std::string_view name) {
    CAT().clear();
    CAT()->Category = name;
    ASSERT_EQ(CAT().get(cat_key::kKeyCategory), 0) << name;
  }
  static std::vector<std::string> storedCategories() {
    std::vector<std::string> out;
    CategoriesFile& c = CAT();
    c.set(cat_key::kKeyCategory);
    while (c.next() == 0) out.push_back(c->Category.str());
    return out;
  }
  static void addStep(std::int64_t task, std::int64_t sequence) {
    ScriptingFile& s = SCR();
    s.clear();
    s->ID.set(task);
    s->Sequence.set(sequence);
    s->Action = "Wait";
    ASSERT_EQ(s.add(), 0) << task << "/" << sequence;
  }
  // (task, sequence) of every stored step, in key order.
  static std::vector<std::pair<std::int64_t, std::int64_t>> storedSteps() {
    std::vector<std::pair<std::int64_t, std::int64_t>> out;
    FileUser user(SCR());
    SCR().set(scr_key::kKeyID);
    while (SCR().next() == 0) out.emplace_back(SCR()->ID.get(), SCR()->Sequence.get());
    return out;
  }
  static bool taskStored(std::int32_t id) {
    ScheduleFile& f = SCH();
    f.clear();
    f->ID = id;
    return f.get(sch_key::kKeyID) == 0;
  }
};

TEST_F(RecordRoutines, ACategoryNoTaskUsesIsDeleted) {
  addCategory("Home");
  addCategory("Work");
  addTask(1, "Work", "report");
  readCategory("Home");
  EXPECT_EQ(deleteCategoriesRecord(), 0);
  EXPECT_EQ(storedCategories(), (std::vector<std::string>{"Work"}));
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(RecordRoutines, ACategoryInUseCannotBeDeleted) {
  addCategory("Work");
  addCategory("Zoo");
  // The task's category differs in letter case only: the key holds it as the same.
  addTask(1, "WORK", "report");
  for (const char* name : {"Work", "Zoo"}) {
    if (std::string(name) == "Zoo") addTask(2, "zoo", "feed");
    readCategory(name);
    EXPECT_EQ(deleteCategoriesRecord(), -1) << name;
  }
  EXPECT_EQ(storedCategories(), (std::vector<std::string>{"Work", "Zoo"}));
  ASSERT_EQ(backend.boxes().size(), 2u);
  EXPECT_EQ(backend.boxes()[0].box.caption, "Referential Integrity Delete Error");
  EXPECT_EQ(backend.boxes()[0].box.text,
            "This record is referenced from the file Schedule.  This record cannot be deleted "
            "while these references exist.");
  EXPECT_TRUE(taskStored(1));
}

TEST_F(RecordRoutines, WritesOfAnotherThreadWhileTheRefusalIsUpAreKept) {
  addCategory("Work");
  addTask(1, "Work", "report");
  addTask(2, "Home", "dishes");
  readCategory("Work");
  backend.holdBoxes(true);
  std::atomic<int> result{1000};
  ui::runtime().start([&result] { result = deleteCategoriesRecord(); }, 25000);
  std::optional<ui::MessageBox> box;
  ui::runtime().withoutLock([&] { box = backend.waitForOpenBox(); });
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "Referential Integrity Delete Error");
  // The timer work goes on while the box waits for the user.
  {
    FileUser timer(SCH1());
    SCH1().clear();
    SCH1()->ID = 2;
    ASSERT_EQ(SCH1().get(sch_key::kKeyID), 0);
    SCH1()->Description = "dishes done";
    ASSERT_EQ(SCH1().put(), 0);
  }
  backend.answerBox(ui::button::kOk);
  ui::runtime().yieldUntilIdle();
  EXPECT_EQ(result, -1);
  ASSERT_TRUE(taskStored(2));
  EXPECT_EQ(SCH()->Description.str(), "dishes done");
  EXPECT_EQ(storedCategories(), (std::vector<std::string>{"Work"}));
}

TEST_F(RecordRoutines, ATaskOfALaterCategoryIsNoReference) {
  addCategory("Work");
  addTask(1, "Workshop", "saw");
  readCategory("Work");
  EXPECT_EQ(deleteCategoriesRecord(), 0);
  EXPECT_TRUE(storedCategories().empty());
}

TEST_F(RecordRoutines, RenamingACategoryInUseIsRefusedAndTheOldNameComesBack) {
  addCategory("Work");
  addTask(1, "Work", "report");
  readCategory("Work");
  CAT()->Category = "Job";
  EXPECT_EQ(updateCategoriesRecord(), -1);
  EXPECT_EQ(CAT()->Category.str(), "Work");
  EXPECT_EQ(storedCategories(), (std::vector<std::string>{"Work"}));
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].box.caption, "Referential Integrity Update Error");

  // A change of letter case keeps the tasks under it: allowed.
  readCategory("Work");
  CAT()->Category = "WORK";
  EXPECT_EQ(updateCategoriesRecord(), 0);
  EXPECT_EQ(storedCategories(), (std::vector<std::string>{"WORK"}));
}

TEST_F(RecordRoutines, RenamingAnUnusedCategoryIsWritten) {
  addCategory("Work");
  addTask(1, "Home", "dishes");
  readCategory("Work");
  CAT()->Category = "Job";
  EXPECT_EQ(updateCategoriesRecord(), 0);
  EXPECT_EQ(storedCategories(), (std::vector<std::string>{"Job"}));
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(SCH().openCount(), 1);  // the routine's own use of Schedule ended
}

TEST_F(RecordRoutines, ARecordChangedByAnotherStationSinceItWasReadIsNotWritten) {
  addTask(1, "Work", "report");
  ScheduleFile& s = SCH();
  s.clear();
  s->ID = 1;
  ASSERT_EQ(s.watch(), 0);
  ASSERT_EQ(s.get(sch_key::kKeyID), 0);
  // The timer's declaration changes the task meanwhile.
  FileUser timer(SCH1());
  SCH1().clear();
  SCH1()->ID = 1;
  ASSERT_EQ(SCH1().get(sch_key::kKeyID), 0);
  SCH1()->Description = "moved on";
  ASSERT_EQ(SCH1().put(), 0);

  s->Description = "edited";
  EXPECT_EQ(updateScheduleRecord(), 89);
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].box.caption, "Update Operation Error");
  EXPECT_EQ(backend.boxes()[0].box.text, "This record was changed by another station.");
  ASSERT_TRUE(taskStored(1));
  EXPECT_EQ(s->Description.str(), "moved on");
  // Read again, the change goes through.
  s->Description = "edited";
  EXPECT_EQ(updateScheduleRecord(), 0);
  ASSERT_TRUE(taskStored(1));
  EXPECT_EQ(s->Description.str(), "edited");
}

TEST_F(RecordRoutines, ATransactionThatCannotBeFramedWritesNothing) {
  addCategory("Work");
  readCategory("Work");
  releaseFile(CAT());  // closed: the transaction cannot enlist it
  EXPECT_NE(deleteCategoriesRecord(), 0);
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].box.caption, "Transaction Framing Error");
  EXPECT_EQ(backend.boxes()[0].box.text,
            "Error: (File Not Open (37)) attempting to frame the delete transaction on "
            "Categories.  Delete transaction cancelled.");
  useFile(CAT());
  EXPECT_EQ(storedCategories(), (std::vector<std::string>{"Work"}));
}

TEST_F(RecordRoutines, AFailedDeleteIsReportedWithTheFileLabel) {
  FileUser todo(TDO());
  TDO().clear();  // no record read
  EXPECT_EQ(deleteToDoRecord(), 33);
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].box.caption, "Delete Operation Error");
  EXPECT_EQ(backend.boxes()[0].box.text,
            "An error (Record Not Available (33)) was experienced when attempting to delete a "
            "record from the file Todo.");
  EXPECT_NE(db::commit(), 0);  // rolled back: no transaction left open
}

TEST_F(RecordRoutines, DeletingATaskDeletesItsScriptStepsOnly) {
  addTask(1, "Work", "report");
  addTask(2, "Work", "backup");
  {
    FileUser scr(SCR());
    for (int seq : {1, 2, 3}) addStep(1, seq);
    addStep(2, 1);
  }
  ASSERT_FALSE(SCR().isOpen());
  ASSERT_TRUE(taskStored(1));
  EXPECT_EQ(deleteScheduleRecord(), 0);
  EXPECT_FALSE(taskStored(1));
  EXPECT_TRUE(taskStored(2));
  EXPECT_FALSE(SCR().isOpen());  // opened for the routine, closed after it
  EXPECT_EQ(storedSteps(), (std::vector<std::pair<std::int64_t, std::int64_t>>{{2, 1}}));
}

TEST_F(RecordRoutines, DeletingATaskCreatesAMissingScriptingTable) {
  addTask(7, "Work", "report");
  ASSERT_TRUE(taskStored(7));
  EXPECT_EQ(deleteScheduleRecord(), 0);
  EXPECT_FALSE(taskStored(7));
  EXPECT_TRUE(storedSteps().empty());
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(RecordRoutines, ANewIdentifierTakesTheStepsAlongOrNothingChanges) {
  addTask(1, "Work", "report");
  {
    FileUser scr(SCR());
    addStep(1, 1);
    addStep(1, 2);
    addStep(3, 2);  // task 3's step 2 stands in the way of a move to 3
  }
  ASSERT_TRUE(taskStored(1));
  SCH()->ID = 3;
  EXPECT_EQ(updateScheduleRecord(), 40);
  ASSERT_EQ(backend.boxes().size(), 1u);
  EXPECT_EQ(backend.boxes()[0].box.caption, "Process PUT Error");
  EXPECT_FALSE(taskStored(3));
  EXPECT_TRUE(taskStored(1));
  using Steps = std::vector<std::pair<std::int64_t, std::int64_t>>;
  EXPECT_EQ(storedSteps(), (Steps{{1, 1}, {1, 2}, {3, 2}}));

  ASSERT_TRUE(taskStored(1));
  SCH()->ID = 2;
  EXPECT_EQ(updateScheduleRecord(), 0);
  EXPECT_TRUE(taskStored(2));
  EXPECT_EQ(storedSteps(), (Steps{{2, 1}, {2, 2}, {3, 2}}));
}

TEST_F(RecordRoutines, ARememberedRecordTellsWhetherTheBufferWasChanged) {
  addCategory("Work");
  readCategory("Work");
  EXPECT_TRUE(recordChanged(CAT()));  // nothing remembered: assume changed
  rememberRecord(CAT());
  EXPECT_FALSE(recordChanged(CAT()));
  CAT()->Category = "Job";
  EXPECT_TRUE(recordChanged(CAT()));
  CAT()->Category = "Work";
  EXPECT_FALSE(recordChanged(CAT()));
  EXPECT_TRUE(recordChanged(TDO()));  // per declaration
  forgetRecord(CAT());
  EXPECT_TRUE(recordChanged(CAT()));
}

TEST_F(RecordRoutines, TheToDoAdderAddsAnItemAndLeavesTheFileAndBufferAsFound) {
  installFileRoutines();
  const std::string message = "Renew the passport before the trip to Lisbon in May";
  addMessageToToDo(message);
  EXPECT_FALSE(TDO().isOpen());
  {
    FileUser todo(TDO());
    TDO()->ToDo = "the form's item";
    TDO()->Priority = 9;
    addMessageToToDo("second");
    EXPECT_TRUE(TDO().isOpen());  // still held by the form
    EXPECT_EQ(TDO().openCount(), 1);
    EXPECT_EQ(TDO()->ToDo.str(), "the form's item");
    EXPECT_EQ(TDO()->Priority, 9);

    std::vector<std::string> items;
    TDO().set(tdo_key::kKeyToDo);
    while (TDO().next() == 0) {
      EXPECT_EQ(TDO()->Priority, 5);
      EXPECT_EQ(TDO()->Done, 0);
      items.push_back(TDO()->ToDo.str());
    }
    EXPECT_EQ(items, (std::vector<std::string>{message.substr(0, 40), "second"}));
  }
  setToDoAdder(nullptr);
  EXPECT_TRUE(backend.boxes().empty());
}

}  // namespace
}  // namespace dw::app::testing
