// Damaged application files opened through the file layer: SM.BRK and
// TagFile_.BRK cut short, with a zeroed or foreign header, with pages
// overwritten by garbage, and an SM.BRK whose stored Schedule definition
// differs from the program's.  Each case runs in a child process that opens
// the tables (also with the create bit, as the program's standard open
// routine may) and reads every record along every key: it must end with
// the errors the file layer posts (36 'Invalid Data File', 47 'Invalid
// Record Declaration', ...) or with an orderly halt of the runtime, never
// a crash, and the refused files stay byte for byte as they were.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/routines/file_routines.h"
#include "file_layer_test_util.h"

namespace dw::app::testing {
namespace {

// What the child saw: the result of its first open, and how it ended.
struct Outcome {
  int open = -1000;    // the first open's result
  int create = -1000;  // the open with the create bit, after it
  int exit = -1;       // 0 errors only, 2 an orderly halt, else a fault
};

// Reads every record of an open declaration along each key and in record
// order; the results do not matter, only that they come back.
void readEverything(db::DeclaredFile& f) {
  (void)f.records();
  for (std::size_t k = 0; k <= f.desc().keys.size(); ++k) {
    const int set = k < f.desc().keys.size() ? f.set(k) : f.setRecordOrder();
    if (set != 0) continue;
    for (int n = 0; n < 100000 && f.next() == 0; ++n) {
    }
    (void)f.previous();
    if (k < f.desc().keys.size()) (void)f.keyRecords(k);
  }
}

// Opens `f` in a child as the program would (0x42, then 0x142) and reads it.
Outcome tryInChild(db::DeclaredFile& f) {
  int pipe[2];
  EXPECT_EQ(::pipe(pipe), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    lang::setHaltThrowsForTesting(true);
    (void)!std::freopen("/dev/null", "w", stderr);  // the halt's box
    int results[2] = {-1000, -1000};
    int code = 0;
    try {
      results[0] = f.open(kShared);
      if (results[0] != 0 && lang::errorCode() != results[0]) results[0] = -2000;
      (void)!::write(pipe[1], results, sizeof results[0]);
      if (results[0] == 0) {
        readEverything(f);
        f.close();
      }
      results[1] = f.open(kCreateShared);
      (void)!::write(pipe[1], results + 1, sizeof results[1]);
      if (results[1] == 0) {
        readEverything(f);
        f.close();
      }
    } catch (const lang::HaltRequested& h) {
      code = h.exitCode == 2 ? 2 : 3;
    }
    _exit(code);
  }
  ::close(pipe[1]);
  Outcome o;
  ::signal(SIGPIPE, SIG_IGN);
  if (::read(pipe[0], &o.open, sizeof o.open) == sizeof o.open) {
    (void)!::read(pipe[0], &o.create, sizeof o.create);
  }
  ::close(pipe[0]);
  int status = 0;
  if (::waitpid(child, &status, 0) == child && WIFEXITED(status)) o.exit = WEXITSTATUS(status);
  return o;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

class FileLayerDamage : public DataDirTest {
 protected:
  bool inMemory() const override { return true; }
  void SetUp() override {
    DataDirTest::SetUp();
    std::mt19937 rng(99);
    ASSERT_EQ(SCH().open(kCreateShared), 0);
    ASSERT_EQ(HIS().open(kCreateShared), 0);
    ASSERT_EQ(TF_().open(kCreateShared), 0);
    for (std::int32_t id = 1; id <= 120; ++id) {
      fillTask(SCH(), id, rng);
      ASSERT_EQ(SCH().add(), 0);
      TF_().clear();
      TF_()->USR = 1;
      TF_()->PTR = id;
      TF_()->VAL = "v" + std::to_string(id % 7);
      ASSERT_EQ(TF_().add(), 0);
    }
    for (db::DeclaredFile* f : allDeclarations()) {
      if (f->isOpen()) f->close();
    }
    sm = fileBytes("SM.BRK");
    tags = fileBytes("TagFile_.BRK");
    ASSERT_GT(sm.size(), 20000u);
  }

  // A damaged copy of `good` as `path`, opened by `f` in a child.
  Outcome tryDamaged(db::DeclaredFile& f, const std::string& path, const std::string& bytes) {
    writeBytes(path, bytes);
    return tryInChild(f);
  }

  std::string sm, tags;
};

TEST_F(FileLayerDamage, ForeignShortOrZeroedHeadersGive36AndChangeNothing) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string zeroed = sm;
  std::fill(zeroed.begin(), zeroed.begin() + 512, '\0');
  std::string magic = sm;
  magic[14] = 'X';
  std::string regions = sm;
  for (int i = 0; i < 8; ++i) regions[36 + i] = char(0xEE);  // region bounds past any sense
  const Case cases[] = {{"shorter than a header", sm.substr(0, 300)},
                        {"header zeroed, pages kept", zeroed},
                        {"wrong magic", magic},
                        {"region bounds garbage", regions},
                        {"text file", std::string(4000, 'x')}};
  for (const Case& c : cases) {
    for (auto [file, path] :
         {std::pair<db::DeclaredFile*, const char*>{&SCH(), "SM.BRK"}, {&TF_(), "TagFile_.BRK"}}) {
      const Outcome o = tryDamaged(*file, path, c.bytes);
      EXPECT_EQ(o.exit, 0) << c.what << " " << path;
      EXPECT_EQ(o.open, 36) << c.what << " " << path;
      EXPECT_EQ(o.create, 36) << c.what << " " << path << ": the create bit must not replace it";
      EXPECT_TRUE(fileBytes(path) == c.bytes) << c.what << " " << path << " was changed";
    }
  }
}

// Cut at page boundaries and in the middle of pages, the files give an
// error or an orderly halt when the missing pages are needed.
TEST_F(FileLayerDamage, TruncatedFilesGiveAnErrorOrAnOrderlyHalt) {
  std::mt19937 rng(5);
  for (int i = 0; i < 12; ++i) {
    const bool tag = i % 3 == 2;
    const std::string& good = tag ? tags : sm;
    const std::size_t at = 512 + rng() % (good.size() - 512);
    const Outcome o = tryDamaged(tag ? static_cast<db::DeclaredFile&>(TF_()) : SCH(),
                                 tag ? "TagFile_.BRK" : "SM.BRK", good.substr(0, at));
    EXPECT_TRUE(o.exit == 0 || o.exit == 2) << "cut at " << at << ": exit " << o.exit;
  }
  // An empty file is a new database: the table is missing until created.
  const Outcome empty = tryDamaged(SCH(), "SM.BRK", "");
  EXPECT_EQ(empty.exit, 0);
  EXPECT_EQ(empty.open, 2);
  EXPECT_EQ(empty.create, 0);
}

TEST_F(FileLayerDamage, GarbagePagesGiveAnErrorOrAnOrderlyHalt) {
  std::mt19937 rng(31337);
  int halted = 0;
  for (int i = 0; i < 24; ++i) {
    const bool tag = i % 4 == 3;
    std::string bytes = tag ? tags : sm;
    const std::size_t units = (bytes.size() - 512) / 256;
    for (int n = 1 + int(rng() % 3); n > 0; --n) {
      const std::size_t unit = rng() % units;
      const std::size_t from = 512 + unit * 256 + (rng() % 2 ? 0 : rng() % 256);
      const std::size_t length = std::min<std::size_t>(bytes.size() - from, 1 + rng() % 300);
      for (std::size_t b = 0; b < length; ++b) bytes[from + b] = char(rng());
    }
    const Outcome o = tryDamaged(tag ? static_cast<db::DeclaredFile&>(TF_()) : SCH(),
                                 tag ? "TagFile_.BRK" : "SM.BRK", bytes);
    EXPECT_TRUE(o.exit == 0 || o.exit == 2) << "case " << i << ": exit " << o.exit;
    halted += o.exit == 2;
  }
  RecordProperty("halted", halted);
}

// What a child saw after a read met damage in a file it had open (exit
// status bits; kNoHalt when every read went through).
constexpr int kNoHalt = 100;
constexpr int kAddNot36 = 1, kAddTextWithoutAdvice = 2, kUpdateWent = 4, kScriptAddNot36 = 8;

// Opens SM as the program does, reads every Schedule record until a check
// halts, then tries the program's changes: an add through the file layer,
// an add to another table of the file, the update routine on the record in
// the buffer (in its transaction).
int changesAfterTheHalt() {
  const pid_t child = ::fork();
  if (child == 0) {
    lang::setHaltThrowsForTesting(true);
    (void)!std::freopen("/dev/null", "w", stderr);
    setStandardMessageSink([](const StandardMessage&) { return 0; });
    if (SCH().open(kShared) != 0 || SCR().open(kShared) != 0) _exit(kNoHalt);
    bool halted = false;
    try {
      readEverything(SCH());
    } catch (const lang::HaltRequested&) {
      halted = true;
    }
    if (!halted) _exit(kNoHalt);
    int result = 0;
    std::mt19937 rng(7);
    try {
      fillTask(SCH(), 9001, rng);
      if (SCH().add() != 36) result |= kAddNot36;
      if (lang::errorText().find("SM.BRK is damaged: run \"brk check SM.BRK\"") ==
          std::string::npos)
        result |= kAddTextWithoutAdvice;
    } catch (const lang::HaltRequested&) {
      result |= kAddNot36;  // an add must not read the damage
    }
    SCR().clear();
    if (SCR().add() != 36) result |= kScriptAddNot36;
    try {
      SCH()->Description = "changed after the damage";
      if (updateScheduleRecord() == 0) result |= kUpdateWent;
    } catch (const lang::HaltRequested&) {
      // Reading the stored record met the damage: nothing written either.
    }
    _exit(result);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A read that meets a damaged page halts the program, but its other
// threads run on while the halt's box is up: from the moment the damage
// was found the process changes nothing in that file, through any table.
TEST_F(FileLayerDamage, AFileFoundDamagedByAReadTakesNoMoreChanges) {
  ASSERT_EQ(SCR().open(kCreateShared), 0);
  ASSERT_EQ(SCR().close(), 0);
  const std::string good = fileBytes("SM.BRK");
  std::mt19937 rng(2718);
  int halted = 0;
  for (int i = 0; i < 40 && halted < 3; ++i) {
    std::string bytes = good;
    const std::size_t from = 512 + 256 * (rng() % ((bytes.size() - 1024) / 256));
    for (std::size_t b = 0; b < 256; ++b) bytes[from + b] = char(rng());
    writeBytes("SM.BRK", bytes);
    const int result = changesAfterTheHalt();
    if (result == kNoHalt) continue;
    ++halted;
    EXPECT_EQ(result, 0) << "page at " << from;
    EXPECT_TRUE(fileBytes("SM.BRK") == bytes) << "page at " << from << ": the file was changed";
  }
  EXPECT_GT(halted, 0) << "no damage was met by a read";
}

// A Schedule table created by another declaration: a field of another
// length gives 47 (also with the create bit) and leaves the file byte for
// byte; one that differs only in field names opens.
TEST_F(FileLayerDamage, ScheduleOfAnotherDefinitionGives47AndStaysAsItWas) {
  std::filesystem::remove("SM.BRK");
  for (const bool onlyNames : {false, true}) {
    db::TableDesc other = scheduleTableDesc();
    if (onlyNames) {
      for (db::FieldDesc& f : other.fields) f.name = "OLD:" + f.name.substr(4);
    } else {
      ASSERT_EQ(other.fields[5].name, "SCH:Path");
      other.fields[5].totalLength = 79;
      other.fields[5].declaredLength = 79;
    }
    ScheduleRecord buffer{};
    db::DeclaredFile older("OLD", "SM\\!Schedule", other, &buffer);
    std::filesystem::remove("SM.BRK");
    ASSERT_EQ(older.open(kCreateShared), 0) << "only names: " << onlyNames;
    older.clear();
    ASSERT_EQ(older.add(), 0);
    ASSERT_EQ(older.close(), 0);
    const std::string before = fileBytes("SM.BRK");
    const Outcome o = tryInChild(SCH());
    EXPECT_EQ(o.exit, 0);
    if (onlyNames) {
      EXPECT_EQ(o.open, 0);
    } else {
      EXPECT_EQ(o.open, 47);
      EXPECT_EQ(o.create, 47) << "the create bit must not replace the table";
      EXPECT_TRUE(fileBytes("SM.BRK") == before) << "a refused open changed the file";
    }
  }
}

}  // namespace
}  // namespace dw::app::testing
