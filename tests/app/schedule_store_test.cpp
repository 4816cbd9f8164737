// The schedule store on real files in a temporary data directory: a data
// directory without files reads as empty, adds issue identifiers and make
// categories exist (in the stored spelling), changes keep the stored task
// when refused, removal takes the Scripting steps, the history joins
// completed copies and History records, and a second process holding a task
// makes a change fail after the bounded wait while adds still succeed.
#include "app/exchange/schedule_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/data/app_files.h"
#include "app/data/table_codes.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/errors.h"
#include "tests/app/data_dir_fixture.h"

namespace dw::app {
namespace {

class ScheduleStoreTest : public testing::DataDirectoryTest {
 protected:
  static TaskDraft task(std::string_view description, std::string_view category, int date,
                        int time = 100) {
    TaskDraft t;
    primeNewTask(t.record, date, time);
    t.record.Description = description;
    t.record.Category = category;
    t.message = std::string(description) + " message";
    return t;
  }

  // Adds the tasks through a store of its own; their identifiers.
  static std::vector<std::int32_t> addAll(std::vector<TaskDraft> tasks) {
    ScheduleStore store(StoreAccess::Change);
    EXPECT_FALSE(store.open());
    std::vector<std::int32_t> ids;
    EXPECT_FALSE(store.add(tasks, ids));
    return ids;
  }

  static std::vector<std::string> categories() {
    std::vector<std::string> names;
    EXPECT_EQ(CAT().open(0x42), 0);
    CAT().set(cat_key::kKeyCategory);
    while (CAT().next() == 0) names.emplace_back(CAT()->Category.trimmed());
    CAT().close();
    return names;
  }
};

TEST_F(ScheduleStoreTest, ADirectoryWithoutFilesReadsAsEmptyAndIsNotWritten) {
  ScheduleStore store(StoreAccess::Read);
  ASSERT_FALSE(store.open());
  std::vector<TaskDraft> records;
  EXPECT_FALSE(store.records(records));
  EXPECT_TRUE(records.empty());
  std::optional<TaskDraft> found;
  EXPECT_FALSE(store.find(1, found));
  EXPECT_FALSE(found);
  std::vector<HistoryEntry> history;
  EXPECT_FALSE(store.history(history));
  EXPECT_TRUE(history.empty());

  ScheduleStore changing(StoreAccess::ChangeExisting);
  ASSERT_FALSE(changing.open());
  const auto noChange = [](TaskDraft&) -> std::optional<OptionError> { return std::nullopt; };
  EXPECT_EQ(changing.change(1, noChange).status, ChangeResult::Status::NotFound);
  EXPECT_EQ(changing.remove(1).status, ChangeResult::Status::NotFound);
  EXPECT_FALSE(std::filesystem::exists("SM.BRK"));
}

TEST_F(ScheduleStoreTest, AddsIssueIdentifiersAndMakeCategoriesExist) {
  const int day = lang::dayNumberOf({2026, 7, 12});
  EXPECT_EQ(addAll({task("one", "Work", day), task("two", "WORK", day), task("three", "", day)}),
            (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(addAll({task("four", "home", day)}), (std::vector<std::int32_t>{4}));
  EXPECT_EQ(categories(), (std::vector<std::string>{"General", "home", "Work"}));

  ScheduleStore store(StoreAccess::Read);
  ASSERT_FALSE(store.open());
  const struct {
    std::int32_t id;
    const char* category;
    const char* description;
  } expected[] = {{1, "Work", "one"}, {2, "Work", "two"}, {3, "General", "three"}};
  for (const auto& e : expected) {
    std::optional<TaskDraft> t;
    ASSERT_FALSE(store.find(e.id, t));
    ASSERT_TRUE(t) << e.id;
    EXPECT_EQ(t->record.Category.str(), e.category) << e.id;
    EXPECT_EQ(t->record.Description.str(), e.description) << e.id;
    EXPECT_EQ(t->message, std::string(e.description) + " message");
  }
}

TEST_F(ScheduleStoreTest, RecordsComeInTheOrderOfEnabledTasksByDate) {
  const int day = lang::dayNumberOf({2026, 7, 12});
  auto late = task("late", "A", day + 1), early = task("early", "A", day, 500),
       earlier = task("earlier", "A", day, 400), off = task("off", "A", day - 5),
       undated = task("undated", "A", 0, 0);
  off.record.Disabled = 1;
  addAll({late, early, off, earlier, undated});
  ScheduleStore store(StoreAccess::Read);
  ASSERT_FALSE(store.open());
  std::vector<TaskDraft> records;
  ASSERT_FALSE(store.records(records));
  std::vector<std::string> order;
  for (const TaskDraft& t : records) order.emplace_back(t.record.Description.trimmed());
  // The task without date and time, which the key leaves out, is listed
  // where its empty values put it.
  EXPECT_EQ(order, (std::vector<std::string>{"undated", "earlier", "early", "late", "off"}));
}

TEST_F(ScheduleStoreTest, ChangesAreRefusedWholeAndCompletedCopiesAreNotTasks) {
  const int day = lang::dayNumberOf({2026, 7, 12});
  auto done = task("done", "A", day);
  done.record.Completed = 1;
  done.record.Disabled = 1;
  addAll({task("kept", "A", day), done});
  {
    ScheduleStore store(StoreAccess::Change);
    ASSERT_FALSE(store.open());

    ChangeResult r = store.change(1, [](TaskDraft& t) -> std::optional<OptionError> {
      t.record.Description = "half changed";
      return OptionError{"--date", "refused"};
    });
    EXPECT_EQ(r.status, ChangeResult::Status::Refused);
    ASSERT_TRUE(r.refused);
    EXPECT_EQ(r.refused->option, "--date");
    std::optional<TaskDraft> t;
    ASSERT_FALSE(store.find(1, t));
    EXPECT_EQ(t->record.Description.str(), "kept");

    r = store.change(1, [](TaskDraft& t) -> std::optional<OptionError> {
      t.record.Category = "New one";
      t.message = "changed message";
      return std::nullopt;
    });
    EXPECT_EQ(r.status, ChangeResult::Status::Done);
    EXPECT_FALSE(r.fault);
    ASSERT_FALSE(store.find(1, t));
    EXPECT_EQ(t->message, "changed message");
    EXPECT_EQ(t->record.Category.str(), "New one");

    const auto noChange = [](TaskDraft&) -> std::optional<OptionError> { return std::nullopt; };
    EXPECT_EQ(store.change(2, noChange).status, ChangeResult::Status::NotATask);
    EXPECT_EQ(store.change(9, noChange).status, ChangeResult::Status::NotFound);
    EXPECT_EQ(store.remove(9).status, ChangeResult::Status::NotFound);
  }
  EXPECT_EQ(categories(), (std::vector<std::string>{"A", "New one"}));
}

TEST_F(ScheduleStoreTest, RemovingATaskRemovesItsScriptingSteps) {
  const int day = lang::dayNumberOf({2026, 7, 12});
  addAll({task("one", "A", day), task("two", "A", day)});
  ASSERT_EQ(SCR().open(0x142), 0);
  for (auto [id, sequence] : {std::pair{1, 1}, {1, 2}, {2, 1}, {1, 3}}) {
    SCR().clear();
    SCR()->ID.set(id);
    SCR()->Sequence.set(sequence);
    ASSERT_EQ(SCR().add(), 0);
  }
  SCR().close();

  ScheduleStore store(StoreAccess::Change);
  ASSERT_FALSE(store.open());
  const ChangeResult r = store.remove(1);
  EXPECT_EQ(r.status, ChangeResult::Status::Done);
  EXPECT_FALSE(r.fault);
  std::optional<TaskDraft> t;
  ASSERT_FALSE(store.find(1, t));
  EXPECT_FALSE(t);
  ASSERT_FALSE(store.find(2, t));
  EXPECT_TRUE(t);
  EXPECT_EQ(SCR().records(), 1);
  SCR().setRecordOrder();
  ASSERT_EQ(SCR().next(), 0);
  EXPECT_EQ(SCR()->ID.get(), 2);
}

TEST_F(ScheduleStoreTest, HistoryJoinsCompletedCopiesAndRunsByHandByDate) {
  const int day = lang::dayNumberOf({2026, 7, 12});
  auto copy = task("copy", "A", day, 300);
  copy.record.Completed = 1;
  copy.record.Disabled = 1;
  addAll({task("task", "A", day), copy});
  ASSERT_EQ(HIS().open(0x142), 0);
  for (auto [id, date] : {std::pair{1, day + 1}, {2, day - 1}}) {
    HIS().clear();
    HIS()->ID = id;
    HIS()->Date = date;
    HIS()->Description = "by hand";
    HIS()->Warn = 1;
    HIS().setMemoText(kMessageMemo, "hand message");
    ASSERT_EQ(HIS().add(), 0);
  }
  HIS().close();

  ScheduleStore store(StoreAccess::Read);
  ASSERT_FALSE(store.open());
  std::vector<HistoryEntry> history;
  ASSERT_FALSE(store.history(history));
  ASSERT_EQ(history.size(), 3u);
  EXPECT_TRUE(history[0].runByHand);
  EXPECT_EQ(history[0].task.record.Date, day - 1);
  EXPECT_EQ(history[0].task.record.Warn, 1);  // History's flags sit one byte earlier
  EXPECT_EQ(history[0].task.message, "hand message");
  EXPECT_FALSE(history[1].runByHand);
  EXPECT_EQ(history[1].task.record.Description.str(), "copy");
  EXPECT_TRUE(history[2].runByHand);
}

// A second process opens the Schedule table in the shared mode and holds
// task 1 until told to stop: changing that task gives up after the bounded
// wait with the driver's error, while adding a task goes through.
TEST_F(ScheduleStoreTest, AnotherProcessHoldingATask) {
  const int day = lang::dayNumberOf({2026, 7, 12});
  addAll({task("held", "A", day)});
  int ready[2], stop[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(stop), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char byte = SCH().open(0x42) == 0 ? 1 : 0;
    SCH()->ID = 1;
    SCH().hold(0);
    if (SCH().get(sch_key::kKeyID) != 0) byte = 0;
    [[maybe_unused]] ssize_t n = write(ready[1], &byte, 1);
    n = read(stop[0], &byte, 1);
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 1) << "the second process could not hold the task";
  {
    ScheduleStore store(StoreAccess::Change, 1);
    ASSERT_FALSE(store.open());
    const ChangeResult r = store.change(1, [](TaskDraft& t) -> std::optional<OptionError> {
      t.record.Disabled = 1;
      return std::nullopt;
    });
    ASSERT_TRUE(r.fault);
    EXPECT_EQ(r.fault->file, "Schedule");
    EXPECT_EQ(r.fault->code, 43);
    std::vector<TaskDraft> added{task("beside", "B", day)};
    std::vector<std::int32_t> ids;
    EXPECT_FALSE(store.add(added, ids));
    EXPECT_EQ(ids, (std::vector<std::int32_t>{2}));
  }
  ASSERT_EQ(write(stop[1], &byte, 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  for (int fd : {ready[0], ready[1], stop[0], stop[1]}) close(fd);

  // Released: the change goes through, and the task was not disabled before.
  ScheduleStore store(StoreAccess::Change, 1);
  ASSERT_FALSE(store.open());
  std::optional<TaskDraft> t;
  ASSERT_FALSE(store.find(1, t));
  EXPECT_EQ(t->record.Disabled, 0);
  const ChangeResult r = store.change(1, [](TaskDraft& t) -> std::optional<OptionError> {
    t.record.Disabled = 1;
    return std::nullopt;
  });
  EXPECT_FALSE(r.fault);
  ASSERT_FALSE(store.find(1, t));
  EXPECT_EQ(t->record.Disabled, 1);
}

// The scheduler keeps SCH1 open while another process changes the file:
// its next reads see the change (a task disabled, a task added).
TEST_F(ScheduleStoreTest, TheSchedulersOpenDeclarationSeesAChangeByAnotherProcess) {
  const int day = lang::dayNumberOf({2026, 7, 12});
  addAll({task("first", "A", day)});
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char byte = 0;
    if (read(go[0], &byte, 1) != 1) _exit(3);
    ScheduleStore store(StoreAccess::Change, 1);
    if (store.open()) _exit(4);
    const ChangeResult r = store.change(1, [](TaskDraft& t) -> std::optional<OptionError> {
      t.record.Disabled = 1;
      return std::nullopt;
    });
    if (r.fault || r.status != ChangeResult::Status::Done) _exit(5);
    std::vector<TaskDraft> added{task("second", "A", day + 3)};
    std::vector<std::int32_t> ids;
    _exit(store.add(added, ids) ? 6 : 0);
  }
  ASSERT_EQ(SCH1().open(0x42), 0);
  ASSERT_EQ(SCH1().set(sch_key::kKeyDateEnabled), 0);
  ASSERT_EQ(SCH1().next(), 0);
  EXPECT_EQ(SCH1()->ID, 1);
  ASSERT_EQ(write(go[1], "g", 1), 1);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  close(go[0]);
  close(go[1]);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  EXPECT_EQ(SCH1().records(), 2);
  ASSERT_EQ(SCH1().set(sch_key::kKeyDateEnabled), 0);
  ASSERT_EQ(SCH1().next(), 0);
  EXPECT_EQ(SCH1()->ID, 2);  // the first enabled task is now the added one
  ASSERT_EQ(SCH1().next(), 0);
  EXPECT_EQ(SCH1()->ID, 1);
  EXPECT_EQ(SCH1()->Disabled, 1);
}

}  // namespace
}  // namespace dw::app
