// The brk tool on SM.BRK and TagFile_.BRK exactly as the file layer writes
// them (adds, changes and deletes through SCH, SCH1, HIS, CAT, TDO, SCR and
// TF_, and a transaction over both files): brk check finds every table
// sound, brk tables lists them, brk dump shows what the file layer reads
// (in record order and along a key), and the dump loaded back with brk
// load into tables the file layer made gives the same records byte for
// byte, memos included.
#include <gtest/gtest.h>

#include "app/data/table_descs.h"
#include "file_layer_test_util.h"
#include "tests/db/loader_process.h"
#include "tests/platform/temp_dir.h"

namespace dw::app::testing {
namespace {

using dw::testing::brkPath;
using dw::testing::runTool;
using dw::testing::ToolRun;

// RFC 4180 rows of a whole text (quoted cells may hold line breaks).
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\n') {
      row.push_back(std::move(cell));
      cell.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else {
      cell += c;
    }
  }
  return rows;
}

std::size_t columnOf(const std::vector<std::string>& header, const std::string& name) {
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] == name) return i;
  }
  ADD_FAILURE() << "no column " << name;
  return 0;
}

class FileLayerBrk : public DataDirTest {
 protected:
  bool inMemory() const override { return true; }
  void SetUp() override {
    DataDirTest::SetUp();
    brk = brkPath();
    ASSERT_TRUE(std::filesystem::exists(brk)) << "the brk tool is needed: " << brk;
  }

  // Every table of both files, written as the program writes them.
  void writeApplicationFiles() {
    std::mt19937 rng(1207);
    for (db::DeclaredFile* f :
         std::vector<db::DeclaredFile*>{&SCH(), &HIS(), &CAT(), &TDO(), &SCR(), &TF_()}) {
      ASSERT_EQ(f->open(kCreateShared), 0) << f->prefix();
    }
    ASSERT_EQ(SCH1().open(kShared), 0);
    for (std::int32_t id = 1; id <= 60; ++id) {
      fillTask(SCH(), id, rng);
      ASSERT_EQ(SCH().add(), 0) << id;
    }
    // Changes through both declarations, and deletions.
    for (std::int32_t id = 3; id <= 60; id += 7) {
      SCH1()->ID = id;
      ASSERT_EQ(SCH1().get(sch_key::kKeyID), 0);
      SCH1()->Date = SCH1()->Date.get() + 7;
      SCH1().setMemoText(kMessageMemo, "moved on, \"" + std::to_string(id) + "\"");
      ASSERT_EQ(SCH1().put(), 0);
      SCH()->ID = id + 1;
      ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
      ASSERT_EQ(SCH().erase(), 0);
    }
    for (std::int32_t id = 1; id <= 5; ++id) {
      HIS().clear();
      HIS()->ID = id;
      HIS()->Description = "run by hand " + std::to_string(id);
      HIS()->Completed = 1;
      HIS().setMemoText(kMessageMemo, std::string(300 + 100 * id, char('a' + id)));
      ASSERT_EQ(HIS().add(), 0);
    }
    for (const char* name : {"General", "Backups", "Reports"}) {
      CAT().clear();
      CAT()->Category = name;
      ASSERT_EQ(CAT().add(), 0);
    }
    for (int i = 0; i < 8; ++i) {
      TDO().clear();
      TDO()->Done = std::uint8_t(i % 2);
      TDO()->Priority = std::uint8_t(1 + i % 10);
      TDO()->ToDo = i % 3 ? "water the plants" : "Water the plants";
      ASSERT_EQ(TDO().add(), 0);
    }
    for (int i = 0; i < 6; ++i) {
      SCR().clear();
      SCR()->ID.set(1 + i / 3);
      SCR()->Sequence.set(i % 3 + 1);
      SCR()->Action = "Send keystrokes";
      SCR()->Keystrokes = "{ENTER}, {TAB}";
      SCR()->SecondsToWait.set(i * 11);
      ASSERT_EQ(SCR().add(), 0);
    }
    // Tags, one in a transaction with a Schedule change: both files then
    // carry the transaction's entry.
    for (int i = 0; i < 4; ++i) {
      TF_().clear();
      TF_()->USR = -1 - i;
      TF_()->TBL = std::int16_t(-300 + i);
      TF_()->PTR = 1000 + i;
      TF_()->VAL = "tag " + std::to_string(i);
      ASSERT_EQ(TF_().add(), 0);
    }
    ASSERT_EQ(db::logout(1, {&SCH(), &TF_()}), 0);
    fillTask(SCH(), 100, rng);
    ASSERT_EQ(SCH().add(), 0);
    TF_().clear();
    TF_()->USR = 7;
    TF_()->PTR = 100;
    TF_()->VAL = "in txn";
    ASSERT_EQ(TF_().add(), 0);
    ASSERT_EQ(db::commit(), 0);
  }

  std::string brk;
};

TEST_F(FileLayerBrk, CheckAndTablesFindEveryTableSound) {
  writeApplicationFiles();
  for (db::DeclaredFile* f : allDeclarations()) f->close();
  ASSERT_FALSE(HasFatalFailure());

  const ToolRun sm = runTool(brk, {"check", "SM.BRK"});
  EXPECT_EQ(sm.exitCode, 0) << sm.out;
  for (const char* line :
       {"table SCHEDULE (number 1): sound, 52 records", "table HISTORY (number ",
        "table CATEGORIES (number ", "table TODO (number ", "table SCRIPTING (number "}) {
    EXPECT_NE(sm.out.find(line), std::string::npos) << line << "\n" << sm.out;
  }
  EXPECT_EQ(sm.out.find("FAULTY"), std::string::npos) << sm.out;
  const ToolRun tag = runTool(brk, {"check", "TagFile_.BRK"});
  EXPECT_EQ(tag.exitCode, 0) << tag.out;
  EXPECT_NE(tag.out.find("table UNNAMED (number 1): sound, 5 records"), std::string::npos)
      << tag.out;

  const ToolRun tables = runTool(brk, {"tables", "SM.BRK"});
  EXPECT_EQ(tables.exitCode, 0) << tables.out;
  for (const char* line :
       {"SCHEDULE  number 1  records 52  record length 412  fields ", "memos 1  keys 9", "HISTORY ",
        "record length 411", "CATEGORIES ", "record length 20 ", "TODO ", "record length 42 ",
        "SCRIPTING ", "record length 622 ", "key 7 SCH:KeyDateEnabled"}) {
    EXPECT_NE(tables.out.find(line), std::string::npos) << line << "\n" << tables.out;
  }
}

// What brk dump shows is what the file layer reads: the records in record
// order and along SCH:KeyDateEnabled, every field and the message.
TEST_F(FileLayerBrk, DumpShowsWhatTheFileLayerReads) {
  writeApplicationFiles();
  ASSERT_FALSE(HasFatalFailure());
  std::vector<std::int32_t> ids, byKey;
  std::vector<std::string> messages, alarms;
  ASSERT_EQ(SCH().setRecordOrder(), 0);
  while (SCH().next() == 0) {
    ids.push_back(SCH()->ID);
    messages.push_back(SCH().memoText(kMessageMemo));
    alarms.push_back(std::string(SCH()->AlarmFile.view()));
  }
  ASSERT_EQ(SCH().set(sch_key::kKeyDateEnabled), 0);
  while (SCH().next() == 0) byKey.push_back(SCH()->ID);
  for (db::DeclaredFile* f : allDeclarations()) f->close();

  const ToolRun dump = runTool(brk, {"dump", "SM\\!Schedule", "--csv"});
  ASSERT_EQ(dump.exitCode, 0) << dump.out;
  const auto rows = parseCsv(dump.out);
  ASSERT_EQ(rows.size(), ids.size() + 1);
  const std::size_t idCol = columnOf(rows[0], "SCH:ID");
  const std::size_t messageCol = columnOf(rows[0], "SCH:Message");
  const std::size_t alarmCol = columnOf(rows[0], "SCH:AlarmFile");
  for (const char* name : {"SCH:Sunday", "SCH:EveryLast", "SCH:Date", "SCH:Completed"}) {
    columnOf(rows[0], name);
  }
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ASSERT_EQ(rows[i + 1].size(), rows[0].size()) << "row " << i;
    EXPECT_EQ(rows[i + 1][idCol], std::to_string(ids[i]));
    EXPECT_EQ(rows[i + 1][messageCol], messages[i]) << "row " << i;
    EXPECT_EQ(rows[i + 1][alarmCol], alarms[i]) << "row " << i;
  }

  const ToolRun keyed =
      runTool(brk, {"dump", "SM\\!Schedule", "--csv", "--key", "SCH:KeyDateEnabled"});
  ASSERT_EQ(keyed.exitCode, 0) << keyed.out;
  const auto keyRows = parseCsv(keyed.out);
  ASSERT_EQ(keyRows.size(), byKey.size() + 1);
  for (std::size_t i = 0; i < byKey.size(); ++i) {
    EXPECT_EQ(keyRows[i + 1][idCol], std::to_string(byKey[i])) << "row " << i;
  }

  const ToolRun tags = runTool(brk, {"dump", "TagFile_.BRK"});
  ASSERT_EQ(tags.exitCode, 0) << tags.out;
  EXPECT_NE(tags.out.find("TF_:TBL = -300"), std::string::npos) << tags.out;
  EXPECT_NE(tags.out.find("TF_:VAL = in txn"), std::string::npos) << tags.out;
}

// brk dump --csv loaded with brk load into tables that the file layer made
// in another data directory: the file layer reads the same records.
// The written definition of the Schedule table, found from this source
// file before any test changes the current directory.
const std::string kScheduleDefinition =
    std::filesystem::absolute(std::filesystem::path(__FILE__).parent_path().parent_path() / "cli" /
                              "data" / "schedule.def")
        .string();

// A Schedule table made by brk from its written definition and one the
// program creates accept each other's declarations.
TEST_F(FileLayerBrk, AScheduleCreatedByBrkOpensThroughTheDeclarations) {
  const ToolRun made = runTool(brk, {"create", "SM\\!Schedule", kScheduleDefinition});
  ASSERT_EQ(made.exitCode, 0) << made.out;
  EXPECT_EQ(SCH().open(kShared), 0);
  EXPECT_EQ(SCH1().open(kShared), 0);
}

TEST_F(FileLayerBrk, DumpLoadedBackGivesTheSameRecords) {
  writeApplicationFiles();
  ASSERT_FALSE(HasFatalFailure());
  struct Table {
    db::DeclaredFile* file;
    const char* name;
    std::vector<StoredRow> rows;
    std::string csv;
  };
  std::vector<Table> tables = {
      {&SCH(), "SM\\!Schedule", {}, {}},   {&HIS(), "SM\\!History", {}, {}},
      {&CAT(), "SM\\!Categories", {}, {}}, {&TDO(), "SM\\!ToDo", {}, {}},
      {&SCR(), "SM\\!Scripting", {}, {}},  {&TF_(), "TagFile_.BRK", {}, {}}};
  for (Table& t : tables) t.rows = storedRows(*t.file);
  for (db::DeclaredFile* f : allDeclarations()) f->close();
  for (Table& t : tables) {
    const ToolRun dump = runTool(brk, {"dump", t.name, "--csv"});
    ASSERT_EQ(dump.exitCode, 0) << t.name << "\n" << dump.out;
    t.csv = dump.out;
  }

  platform::testing::TempDir other;
  std::filesystem::current_path(other.path());
  for (Table& t : tables) {
    ASSERT_EQ(t.file->open(kCreateShared), 0) << t.name;
    ASSERT_EQ(t.file->close(), 0);
    const ToolRun load = runTool(brk, {"load", t.name, "--transaction"}, t.csv);
    ASSERT_EQ(load.exitCode, 0) << t.name << "\n" << load.out;
  }
  for (Table& t : tables) {
    ASSERT_EQ(t.file->open(kShared), 0) << t.name;
    const std::vector<StoredRow> back = storedRows(*t.file);
    ASSERT_EQ(back.size(), t.rows.size()) << t.name;
    for (std::size_t i = 0; i < back.size(); ++i) {
      EXPECT_TRUE(back[i] == t.rows[i]) << t.name << " row " << i;
    }
    t.file->close();
  }
  const ToolRun check = runTool(brk, {"check", "SM.BRK"});
  EXPECT_EQ(check.exitCode, 0) << check.out;
  std::filesystem::current_path(dataDirectory());
}

}  // namespace
}  // namespace dw::app::testing
