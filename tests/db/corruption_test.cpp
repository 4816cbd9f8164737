// Damaged files: byte flips anywhere in a valid file give a refused header,
// a checker fault or a halting check, never a crash or a sanitizer report.
#include <fstream>

#include "db_test_util.h"
#include "runtime/platform/test_platform.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

std::string buildSample(const TempDir& dir, const std::string& password) {
  const std::string path = dir.file("sample.brk");
  auto f = openBrisk(path, writerOptions(password));
  EXPECT_EQ(f->refreshHeader(), 0);
  std::mt19937 rng(99);
  for (int i = 0; i < 260; ++i) {
    std::string key = "t" + std::to_string(rng() % 100000);
    if (findEqual(*f, key)) continue;
    const std::size_t len = rng() % 10 == 0 ? 1500 : rng() % 120;
    std::string data(len, 'p');
    if (i % 2) data.assign(len, char(rng()));
    insertEntry(*f, Entry(key + data, key.size()));
  }
  EXPECT_EQ(f->commit(), 0u);
  EXPECT_TRUE(sound(*f));
  f.reset();
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class Seen { Refused, Fault, Halt, Unnoticed };

Seen openDamaged(const std::string& path, const std::string& password, bool writer) {
  try {
    auto f = openBrisk(path, writer ? writerOptions(password) : readerOptions(password));
    if (f->refreshHeader() != 0) return Seen::Refused;
    const CheckReport r = checkFile(*f);
    std::size_t n = 0;
    std::string probe;
    while (auto e = findNext(*f, probe)) {
      if (compareKeys(e->key(), probe) <= 0 || ++n > 100000) break;
      probe = std::string(e->key());
    }
    (void)findPrevious(*f, "t5");
    (void)lastOfPrefix(*f, "t");
    if (writer) {
      insertEntry(*f, Entry("zz-new", 6));
      (void)deleteEntry(*f, "t1");
      (void)f->commit();
    }
    return r.sound ? Seen::Unnoticed : Seen::Fault;
  } catch (const dw::lang::HaltRequested&) {
    return Seen::Halt;
  }
}

void flipRun(const std::string& password) {
  // Flushes of the test platform skip the disk, which keeps the run quick.
  dw::platform::TestPlatform tp;
  dw::platform::ScopedPlatform installed(tp);
  TempDir dir;
  const std::string good = buildSample(dir, password);
  ASSERT_GT(good.size(), 4096u);
  const std::string path = dir.file("damaged.brk");
  std::mt19937 rng(5);
  int counts[4] = {};
  const int flips = 1500 * longFactor();
  for (int i = 0; i < flips; ++i) {
    std::string bad = good;
    // A third of the flips hit the header, the rest anywhere.
    const std::size_t at = i % 3 == 0 ? rng() % 512 : rng() % bad.size();
    bad[at] = char(bad[at] ^ (1 + rng() % 255));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bad;
    ++counts[int(openDamaged(path, password, i % 4 == 0))];
  }
  std::printf("flips: %d refused, %d checker faults, %d halts, %d unnoticed (data bytes)\n",
              counts[0], counts[1], counts[2], counts[3]);
  EXPECT_GT(counts[0] + counts[1] + counts[2], flips / 3);
}

TEST(CorruptionTest, ByteFlipsNeverCrash) {
  flipRun("");
}
TEST(CorruptionTest, ByteFlipsInAnEncipheredFileNeverCrash) {
  flipRun("pw");
}

TEST(CorruptionTest, TruncatedFilesNeverCrash) {
  TempDir dir;
  const std::string good = buildSample(dir, "");
  const std::string path = dir.file("cut.brk");
  for (std::size_t len = 0; len < good.size(); len += 97) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << good.substr(0, len);
    (void)openDamaged(path, "", false);
  }
}

}  // namespace
}  // namespace dw::db
