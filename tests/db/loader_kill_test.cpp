// A real `brk load` of Schedule rows killed with SIGKILL at 50 moments.
// The moments, drawn by a fixed-seed generator, are states the load has
// reached, never wall-clock delays: a record count the loader reported
// (its --progress lines), with a few more rows already fed so that the kill
// falls into live work (an add, a commit, the closing cut); or, for the
// whole-load transaction, the file on disk grown by some bytes (its commit
// writing pages) or its header recording pending copies (past the first
// phase).  What each leftover file may hold is fixed by the moment alone:
// - one commit per record: exactly the rows before the load plus a prefix
//   of the fed rows, at least as long as the count reported;
// - --transaction: the rows before the load, or those and every fed row.
// Every leftover passes `brk check` as a reader finds it (pending copies
// read in place), and again after a writer has opened it and completed or
// discarded what the kill left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "db_test_util.h"
#include "loader_process.h"

namespace dw::db::testing {
namespace {

using dw::testing::brkPath;
using dw::testing::runTool;
using dw::testing::ScratchDir;
using dw::testing::ToolProcess;
using dw::testing::ToolRun;

constexpr int kBaseRows = 5;
constexpr int kFedRows = 30;
constexpr const char* kTable = "\\!Schedule";

const char* kColumns =
    "SCH:ID,SCH:TaskType,SCH:Category,SCH:Description,SCH:Date,SCH:Time,SCH:Disabled,"
    "SCH:Message\n";

std::string scheduleDefinition() {
  return (std::filesystem::path(__FILE__).parent_path().parent_path() / "cli" / "data" /
          "schedule.def")
      .string();
}

// Rows with ids from `first`, fixed-seed values; messages of every size up
// to the memo's 1000 characters (several segments), with commas and quotes.
std::string scheduleRows(int first, int count, std::uint32_t seed) {
  static const char* types[] = {"Run Program", "Display Message", "Both", "None"};
  static const char* categories[] = {"Backups", "Billing", "Reports", "Network", "General"};
  std::mt19937 rng(seed);
  std::ostringstream out;
  for (int id = first; id < first + count; ++id) {
    std::string message;
    const std::size_t length = rng() % 3 == 0 ? 0 : rng() % 1000;
    while (message.size() < length) message += "step " + std::to_string(rng() % 997) + ", ";
    message.resize(length);
    if (!message.empty() && message.back() == ' ') message.back() = '.';
    out << id << ',' << types[rng() % 4] << ',' << categories[rng() % 5] << ",task " << id << " of "
        << rng() % 100000 << ',' << 80000 + rng() % 1096 << ',' << 1 + rng() % 8640000 << ','
        << (rng() % 10 == 0 ? 1 : 0) << ",\"" << message << " \"\"quoted\"\"\"\n";
  }
  return out.str();
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Kills between commits run in memory (ScratchDir); kills inside a commit
// want the disk, whose flushes keep each phase open long enough to be met.

// When a kill comes: after a progress line, once the file on disk has
// grown by some bytes (its commit is writing pages), or once its header
// records pending copies (the commit is past its first phase).
enum class Trigger { Line, Grown, Pending };

// One kill: where it falls and what the leftover may hold.
struct Moment {
  bool transaction = false;
  Trigger trigger = Trigger::Line;
  std::string line;  // the progress line waited for ("": none)
  std::uintmax_t grownBy = 0;
  int fed = 0;                // rows written to the loader before the kill
  int fewest = 0;             // rows of the load the leftover may hold: at least
  int most = 0;               // and at most
  bool allOrNothing = false;  // only fewest or most, nothing between
};

std::string describe(const Moment& m) {
  std::string s = m.transaction ? "--transaction " : "per record ";
  switch (m.trigger) {
    case Trigger::Line:
      s += m.line.empty() ? "at once" : "after \"" + m.line + "\"";
      break;
    case Trigger::Grown:
      s += "once grown by " + std::to_string(m.grownBy);
      break;
    case Trigger::Pending:
      s += "once copies are pending";
      break;
  }
  return s + ", " + std::to_string(m.fed) + " rows fed";
}

// Whether the header at offset 0 records pending copies.
bool pendingRecorded(int fd) {
  unsigned char h[14];
  if (::pread(fd, h, sizeof h, 0) != ssize_t(sizeof h)) return false;
  return std::memcmp(h + 6, h + 10, 4) != 0;
}

// Waits for a file-state trigger while the loader runs; returns when it
// holds or when the loader has ended (its commit came and went unseen).
void waitForState(const Moment& m, const std::string& path, ToolProcess& loader) {
  const std::uintmax_t start = std::filesystem::file_size(path);
  const int fd = ::open(path.c_str(), O_RDONLY);
  for (int spins = 0;; ++spins) {
    if (m.trigger == Trigger::Grown && std::filesystem::file_size(path) >= start + m.grownBy) break;
    if (m.trigger == Trigger::Pending && pendingRecorded(fd)) break;
    if (spins % 64 == 63 && loader.ended()) break;
    std::this_thread::yield();
  }
  ::close(fd);
}

class LoaderKill : public ::testing::Test {
 protected:
  virtual bool inMemory() const { return true; }
  void SetUp() override {
    dirOwned = std::make_unique<ScratchDir>(inMemory());
    brk = brkPath();
    ASSERT_TRUE(std::filesystem::exists(brk)) << "the brk tool is needed: " << brk;
    base = dirOwned->file("base.brk");
    ASSERT_EQ(runTool(brk, {"create", base + kTable, scheduleDefinition()}).exitCode, 0);
    ASSERT_EQ(
        runTool(brk, {"load", base + kTable}, kColumns + scheduleRows(1, kBaseRows, 1)).exitCode,
        0);
    rows = linesOf(scheduleRows(kBaseRows + 1, kFedRows, 2));
    // What a whole load leaves, as brk dump shows it.
    const std::string whole = dirOwned->file("whole.brk");
    std::filesystem::copy_file(base, whole);
    std::string all = kColumns;
    for (const std::string& r : rows) all += r + "\n";
    ASSERT_EQ(runTool(brk, {"load", whole + kTable, "--batch", "1000"}, all).exitCode, 0);
    reference = linesOf(runTool(brk, {"dump", whole + kTable, "--csv"}).out);
    ASSERT_EQ(reference.size(), std::size_t(1 + kBaseRows + kFedRows));
  }

  // The number of loaded rows the file holds: -1 unless its records are
  // exactly the rows before the load and a prefix of the fed rows.
  int loadedRows(const std::string& path) {
    const ToolRun dump = runTool(brk, {"dump", path + kTable, "--csv"});
    if (dump.exitCode != 0) return -1;
    const std::vector<std::string> got = linesOf(dump.out);
    if (got.size() < std::size_t(1 + kBaseRows) || got.size() > reference.size()) return -1;
    for (std::size_t i = 0; i < got.size(); ++i) {
      if (got[i] != reference[i]) return -1;
    }
    return int(got.size()) - 1 - kBaseRows;
  }

  bool checked(const std::string& path, std::string& out) {
    const ToolRun r = runTool(brk, {"check", path});
    out = r.out;
    return r.exitCode == 0 && r.out.find("FAULTY") == std::string::npos;
  }

  void killAt(const Moment& m, int index) {
    const std::string where = "moment " + std::to_string(index) + ": " + describe(m);
    SCOPED_TRACE(where);
    const std::string work = dirOwned->file("work" + std::to_string(index) + ".brk");
    std::filesystem::copy_file(base, work);
    ToolProcess loader;
    std::vector<std::string> args = {"load", work + kTable, "--progress"};
    if (m.transaction) args.push_back("--transaction");
    ASSERT_TRUE(loader.start(brk, args));
    std::string feed = kColumns;
    for (int i = 0; i < m.fed; ++i) feed += rows[std::size_t(i)] + "\n";
    ASSERT_TRUE(loader.write(feed));
    if (m.fed == kFedRows) loader.closeInput();
    if (m.trigger != Trigger::Line) {
      waitForState(m, work, loader);
    } else if (!m.line.empty()) {
      ASSERT_TRUE(loader.waitForLine(m.line)) << "the loader never reported " << m.line;
    }
    const int status = loader.killNow();
    // Killed, or done on its own just before (all rows fed).
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                (WIFEXITED(status) && WEXITSTATUS(status) == 0 && m.fed == kFedRows))
        << "status " << status;

    std::string report;
    EXPECT_TRUE(checked(work, report)) << report;
    const int held = loadedRows(work);
    if (m.allOrNothing) {
      EXPECT_TRUE(held == m.fewest || held == m.most) << held << " rows";
    } else {
      EXPECT_TRUE(held >= m.fewest && held <= m.most) << held << " rows";
    }
    // A writer's open completes or discards what the kill left pending and
    // closing cuts the file; the content stays the one a reader saw.
    const ToolRun writer = runTool(brk, {"load", work + kTable}, kColumns);
    EXPECT_EQ(writer.exitCode, 0) << writer.out;
    EXPECT_TRUE(checked(work, report)) << report;
    EXPECT_EQ(loadedRows(work), held);
    std::filesystem::remove(work);
  }

  std::string brk;
  std::string base;
  std::vector<std::string> rows;
  std::vector<std::string> reference;
  std::unique_ptr<ScratchDir> dirOwned;
};

class LoaderKillOnDisk : public LoaderKill {
  bool inMemory() const override { return false; }
};

// Kill moments drawn with a fixed seed.  Per record: after "committed K"
// with up to three more rows fed (the loader is adding them), or after
// "added K" (row K's commit is under way: K - 1 or K rows); with every row
// fed the kill may also fall into the closing of the file.
TEST_F(LoaderKill, OneCommitPerRecordLeavesAPrefixOfTheRows) {
  std::mt19937 rng(20261207);
  for (int i = 0; i < 25; ++i) {
    Moment m;
    const int k = i < 20 ? int(rng() % (kFedRows + 1)) : kFedRows - int(rng() % 2);
    m.fed = i < 20 ? std::min(kFedRows, k + int(rng() % 4)) : kFedRows;
    if (i % 2 == 0 || k == 0) {
      if (k > 0) m.line = "committed " + std::to_string(k);
      m.fewest = k;
    } else {
      m.line = "added " + std::to_string(k);
      m.fewest = k - 1;
    }
    m.most = m.fed;
    killAt(m, i);
    if (HasFatalFailure()) return;
  }
}

// --transaction: killed while adding, the file is as before; killed while
// the commit writes its pages it is before or after, never between; killed
// once the header records the pending copies, or after "committed", it
// holds every row.
TEST_F(LoaderKillOnDisk, TransactionLeavesTheFileBeforeOrAfterTheWholeLoad) {
  std::mt19937 rng(7121);
  for (int i = 0; i < 25; ++i) {
    Moment m;
    m.transaction = true;
    m.allOrNothing = true;
    if (i < 13) {
      const int k = int(rng() % kFedRows);
      m.fed = std::min(kFedRows, k + 1 + int(rng() % 4));
      if (k > 0) m.line = "added " + std::to_string(k);
      m.fewest = 0;
      m.most = m.fed == kFedRows ? kFedRows : 0;
    } else if (i < 19) {
      m.fed = kFedRows;
      m.trigger = Trigger::Grown;
      m.grownBy = 1 + rng() % 6000;
      m.fewest = 0;
      m.most = kFedRows;
    } else {
      m.fed = kFedRows;
      if (i < 23) {
        m.trigger = Trigger::Pending;
      } else {
        m.line = "committed " + std::to_string(kFedRows);
      }
      m.fewest = m.most = kFedRows;
    }
    killAt(m, i);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace dw::db::testing
