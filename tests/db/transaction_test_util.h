// Helpers of the transaction tests: deterministic changes of a file, its
// content without the transaction entry, and the state of the control file.
#pragma once

#include <fstream>
#include <iterator>

#include "db_test_util.h"
#include "runtime/db/transaction.h"

namespace dw::db::testing {

// Changes of round `round` to a file: inserts of random sizes (some large
// enough to move pages between size classes) and deletes.  Without a file
// only the model changes (what a child process did, as the parent expects).
inline void changeRound(BriskFile* f, Model& model, int round) {
  std::mt19937 rng(7000 + round);
  for (int i = 0; i < 30; ++i) {
    std::string key = "k" + std::to_string(rng() % 150);
    if (model.count(key)) {
      if (rng() % 3 == 0) continue;
      if (f) {
        ASSERT_TRUE(deleteEntry(*f, key));
      }
      model.erase(key);
      continue;
    }
    const std::size_t len = rng() % 9 == 0 ? 1500 + rng() % 4000 : rng() % 250;
    Entry e(key + std::string(len, char('a' + round % 26)), key.size());
    if (f) insertEntry(*f, e);
    model[key] = e;
  }
}

// Every entry but the file's transaction entry.
inline Model contentOf(BriskFile& f) {
  Model m;
  for (Entry& e : scanAll(f)) {
    if (e.key() == std::string_view("\xFF", 1)) continue;
    m[std::string(e.key())] = std::move(e);
  }
  return m;
}

inline BriskOptions txnOptions(bool readMode, Locking locking) {
  BriskOptions o;
  o.readMode = readMode;
  o.locking = locking;
  return o;
}

// Opens a file as the driver would: with the transaction recovery test.
inline std::unique_ptr<BriskFile> openWithRecovery(const std::string& path, bool readMode,
                                                   Locking locking = Locking::None) {
  auto f = openBrisk(path, txnOptions(readMode, locking));
  if (f) enableTransactionRecovery(*f);
  return f;
}

// The transaction numbers the control file lists (-1 entries: unreadable).
inline std::vector<std::uint32_t> listedNumbers(const std::string& controlPath) {
  std::vector<std::uint32_t> out;
  auto c = openBrisk(controlPath, txnOptions(true, Locking::Shared));
  if (!c || c->refreshHeader() != 0) return out;
  if (c->header().changeCounter != 0) {
    for (const Entry& e : scanAll(*c)) {
      std::uint32_t n = 0;
      for (int i = 3; i >= 0; --i) n = (n << 8) | std::uint8_t(e.key()[i]);
      out.push_back(n);
    }
  }
  c->release();
  return out;
}

// Committed content of a file as a fresh opener (writer) sees it.
inline Model committedContent(const std::string& path, Locking locking = Locking::None) {
  auto f = openWithRecovery(path, false, locking);
  EXPECT_EQ(f->refreshHeader(), 0);
  EXPECT_TRUE(sound(*f)) << path;
  EXPECT_EQ(f->header().pendingStart, f->header().pendingEnd) << path;
  Model m = contentOf(*f);
  f->release();
  return m;
}

inline std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Two data files with committed content and a control file beside them.
struct Pair {
  std::string a, b, control;
  Model beforeA, beforeB, afterA, afterB;
  std::unique_ptr<BriskFile> fa, fb;

  explicit Pair(const TempDir& dir, const std::string& controlName = "brisk.tcf")
      : a(dir.file("A.BRK")), b(dir.file("B.BRK")), control(dir.file(controlName)) {
    for (auto [path, model, round] : {std::tuple{&a, &beforeA, 0}, std::tuple{&b, &beforeB, 1}}) {
      auto f = openBrisk(*path, writerOptions());
      EXPECT_EQ(f->refreshHeader(), 0);
      changeRound(f.get(), *model, round);
      EXPECT_EQ(f->commit(), 0u);
    }
    afterA = beforeA;
    afterB = beforeB;
  }
  // Opens both, enlists them and changes them (only A when `onlyA`).
  void change(Transaction& t, bool onlyA = false, Locking locking = Locking::None) {
    fa = openWithRecovery(a, true, locking);
    fb = openWithRecovery(b, true, locking);
    t.enlist(*fa);
    t.enlist(*fb);
    ASSERT_EQ(fa->refreshHeader(), 0);
    ASSERT_EQ(fb->refreshHeader(), 0);
    changeRound(fa.get(), afterA, 10);
    if (!onlyA) changeRound(fb.get(), afterB, 11);
  }
  // The models of change() without touching the files.
  void expectChange() {
    changeRound(nullptr, afterA, 10);
    changeRound(nullptr, afterB, 11);
  }
  void close() {
    fa.reset();
    fb.reset();
  }
  bool bothBefore(Locking l = Locking::None) {
    return committedContent(a, l) == beforeA && committedContent(b, l) == beforeB;
  }
  bool bothAfter(Locking l = Locking::None) {
    return committedContent(a, l) == afterA && committedContent(b, l) == afterB;
  }
};

}  // namespace dw::db::testing
