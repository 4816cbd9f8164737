// The open routine over real data files: a missing file created at the first
// open, the refusals to create, an invalid file, keys that must be rebuilt
// (rebuilt for real, and the rebuild failing), other errors ending with
// "Disk Error"; and the user counts shared by several users.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "app/data/table_codes.h"
#include "tests/app/file_routines_fixture.h"

namespace dw::app::testing {
namespace {

using ui::button::kNo;
using ui::button::kYes;

using OpenRoutine = FileRoutinesTest;

TEST_F(OpenRoutine, AMissingDataFileIsCreatedAtTheFirstOpen) {
  ASSERT_FALSE(std::filesystem::exists("SM.BRK"));
  openRoutine(HIS());
  EXPECT_TRUE(HIS().isOpen());
  EXPECT_TRUE(std::filesystem::exists("SM.BRK"));
  // A second table of the same file is created inside it.
  openRoutine(TDO());
  EXPECT_TRUE(TDO().isOpen());
  EXPECT_EQ(TDO().records(), 0);
  // Open already: nothing to do, nothing said.
  openRoutine(TDO());
  EXPECT_TRUE(TDO().isOpen());
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(OpenRoutine, AMissingFileThatMayNotBeCreatedEndsTheProgram) {
  // Without the create flag: message 4.
  EXPECT_EQ(haltOf([] { openRoutine(HIS(), CreateFile::No); }), "File Creation Error!");
  ASSERT_EQ(backend.boxes().size(), 2u);
  EXPECT_EQ(backend.boxes()[0].box.text,
            "Error: (File Not Found (2)) creating SM\\!History.  Press OK to end this "
            "application.");
  EXPECT_FALSE(std::filesystem::exists("SM.BRK"));

  // Creating forbidden: the error is reported as any other and ends with "Disk Error".
  lang::setHaltThrowsForTesting(true);
  EXPECT_EQ(haltOf([] { openRoutine(HIS(), CreateFile::Yes, ForbidCreate::Yes); }), "Disk Error");
  ASSERT_EQ(backend.boxes().size(), 4u);
  EXPECT_EQ(backend.boxes()[2].box.caption, "File Access Error");
  EXPECT_EQ(backend.boxes()[2].box.text,
            "File (SM\\!History) could not be opened.  Error: File Not Found (2).");
  EXPECT_FALSE(std::filesystem::exists("SM.BRK"));
}

TEST_F(OpenRoutine, AFileThatDoesNotHoldTheTableAsDeclaredIsInvalid) {
  // "SM\!ToDo" stored with the Categories layout.
  {
    CategoryRecord rec{};
    db::DeclaredFile other("TDO", "SM\\!ToDo", categoriesTableDesc(), &rec);
    ASSERT_EQ(other.open(0x142), 0);
    other.close();
  }
  EXPECT_EQ(haltOf([] { openRoutine(TDO()); }), "Invalid File!");
  EXPECT_EQ(captions(), (std::vector<std::string>{"Invalid File", "Halt"}));
  EXPECT_EQ(backend.boxes()[0].box.text,
            "Error: (Invalid Record Declaration (47)) accessing SM\\!ToDo.  Press OK to end this "
            "application.");
}

TEST_F(OpenRoutine, AnyOtherErrorEndsWithDiskError) {
  std::filesystem::create_directory("SM.BRK");  // not a file the driver can open
  EXPECT_EQ(haltOf([] { openRoutine(CAT()); }), "Disk Error");
  EXPECT_EQ(captions(), (std::vector<std::string>{"File Access Error", "Halt"}));
  EXPECT_FALSE(CAT().isOpen());
}

// Keys that must be rebuilt: records appended without their key entries
// (the keys are really stale), and an open that reports it as 46.
class KeyRebuild : public FileRoutinesTest {
 protected:
  void SetUp() override {
    FileRoutinesTest::SetUp();
    ToDoFile& t = TDO();
    ASSERT_EQ(t.open(0x142), 0);
    for (const char* text : {"water plants", "call Ann", "buy stamps"}) {
      t.clear();
      t->Priority = 5;
      t->ToDo = text;
      ASSERT_EQ(t.append(), 0);
    }
    ASSERT_EQ(keyed(), -1);  // the key does not know them yet
    ASSERT_EQ(t.close(), 0);
    setFileOpenerForTesting([this](db::DeclaredFile& file, std::uint32_t mode) {
      if (m_reportStale) {
        m_reportStale = false;
        lang::postError(lang::err::kKeyMustBeRebuilt);
        return lang::err::kKeyMustBeRebuilt;
      }
      file.open(mode);
      return lang::errorCode();
    });
  }
  std::int64_t keyed() {
    ToDoFile& t = TDO();
    t.clear();
    t->ToDo = "call Ann";
    t->Priority = 5;
    return t.get(tdo_key::kKeyToDo) == 0 ? t.keyRecords(tdo_key::kKeyToDo) : -1;
  }
  bool m_reportStale = true;
};

TEST_F(KeyRebuild, YesRebuildsTheKeysAndTheProgramGoesOn) {
  backend.answerBoxes({kYes});
  openRoutine(TDO());
  ASSERT_TRUE(TDO().isOpen());
  EXPECT_EQ(captions(), (std::vector<std::string>{"Invalid Key"}));
  EXPECT_EQ(backend.boxes()[0].box.text,
            "SM\\!ToDo key file is invalid.  Do you want to rebuild the key?");
  EXPECT_EQ(keyed(), 3);
  // Open shared again, as asked: another opener may write meanwhile.
  ToDoRecord rec{};
  db::DeclaredFile second("TDO", "SM\\!ToDo", toDoTableDesc(), &rec);
  EXPECT_EQ(second.open(0x42), 0);
}

TEST_F(KeyRebuild, NoEndsTheProgramWithInvalidKey) {
  backend.answerBoxes({kNo});
  EXPECT_EQ(haltOf([] { openRoutine(TDO()); }), "Invalid Key!");
  EXPECT_FALSE(TDO().isOpen());
}

TEST_F(KeyRebuild, ARebuildThatFailsEndsTheProgram) {
  // Two categories that the unique, case-blind key cannot both hold: the
  // rebuild refuses the second (40).
  CategoriesFile& c = CAT();
  ASSERT_EQ(c.open(0x142), 0);
  for (const char* name : {"Work", "WORK"}) {
    c.clear();
    c->Category = name;
    ASSERT_EQ(c.append(), 0);
  }
  ASSERT_EQ(c.close(), 0);
  backend.answerBoxes({kYes});
  EXPECT_EQ(haltOf([] { openRoutine(CAT()); }), "Error Rebuilding Key!");
  ASSERT_EQ(captions(), (std::vector<std::string>{"Invalid Key", "Key Rebuild Error", "Halt"}));
  EXPECT_EQ(backend.boxes()[1].box.text,
            "Error: (Creates Duplicate Key (40)) repairing key for SM\\!Categories.  Press OK to "
            "end this application.");
  EXPECT_FALSE(CAT().isOpen());
}

using UserCounts = FileRoutinesTest;

TEST_F(UserCounts, TheFirstUserOpensAndTheLastClosesTheFile) {
  ToDoFile& t = TDO();
  EXPECT_TRUE(useFile(t));  // opened (and created) by the first user
  EXPECT_FALSE(useFile(t));
  EXPECT_EQ(t.openCount(), 2);
  {
    FileUser third(t);
    EXPECT_FALSE(third.opened());
    EXPECT_EQ(t.openCount(), 3);
  }
  releaseFile(t);
  EXPECT_TRUE(t.isOpen());
  releaseFile(t);
  EXPECT_FALSE(t.isOpen());
  EXPECT_EQ(t.openCount(), 0);
  releaseFile(t);  // one release too many changes nothing
  EXPECT_EQ(t.openCount(), 0);
  // The next first user opens it again.
  {
    FileUser again(t);
    EXPECT_TRUE(again.opened());
    EXPECT_TRUE(t.isOpen());
  }
  EXPECT_FALSE(t.isOpen());
}

TEST_F(UserCounts, UsersOnTwoThreadsShareOneOpen) {
  ToDoFile& t = TDO();
  ASSERT_TRUE(useFile(t));
  std::atomic<int> seen{-1};
  ui::runtime().start(
      [&] {
        FileUser user(t);
        seen = t.openCount();
      },
      25000);
  ui::runtime().yieldUntilIdle();
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(t.openCount(), 1);
  EXPECT_TRUE(t.isOpen());
  releaseFile(t);
  EXPECT_FALSE(t.isOpen());
}

}  // namespace
}  // namespace dw::app::testing
