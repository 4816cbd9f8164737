// Shared helpers of the storage tests: a fresh temporary folder per test,
// opening files, a model of the tree's content and a full scan.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "runtime/db/brisk_file.h"
#include "runtime/db/brkbt.h"
#include "runtime/db/checker.h"
#include "runtime/lang/errors.h"

namespace dw::db::testing {

class TempDir {
 public:
  TempDir() {
    std::string t = (std::filesystem::temp_directory_path() / "dwdbXXXXXX").string();
    m_path = mkdtemp(t.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  std::string file(const std::string& name) const { return m_path + "/" + name; }
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

inline BriskOptions writerOptions(std::string password = {}) {
  BriskOptions o;
  o.readMode = false;
  o.locking = Locking::None;
  o.password = std::move(password);
  return o;
}

inline BriskOptions readerOptions(std::string password = {}) {
  BriskOptions o = writerOptions(std::move(password));
  o.readMode = true;
  return o;
}

inline std::unique_ptr<BriskFile> openBrisk(const std::string& path, const BriskOptions& o) {
  auto r = BriskFile::open(path, o, dw::platform::Disposition::OpenAlways);
  if (!r) return nullptr;
  return std::move(*r);
}

// key -> whole entry bytes, keyLength kept separately.
using Model = std::map<std::string, Entry>;

// Every entry of the tree in order (the sentinel excluded).
inline std::vector<Entry> scanAll(BriskFile& f) {
  std::vector<Entry> out;
  std::string probe;
  while (auto e = findNext(f, probe)) {
    probe = std::string(e->key());
    out.push_back(std::move(*e));
  }
  return out;
}

inline ::testing::AssertionResult matchesModel(BriskFile& f, const Model& model) {
  auto all = scanAll(f);
  if (all.size() != model.size()) {
    return ::testing::AssertionFailure()
           << "tree has " << all.size() << " entries, model " << model.size();
  }
  std::size_t i = 0;
  for (const auto& [k, e] : model) {
    if (!(all[i] == e)) return ::testing::AssertionFailure() << "entry " << i << " differs";
    ++i;
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult sound(BriskFile& f) {
  CheckReport r = checkFile(f);
  if (r.sound) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "page " << r.page << ": " << r.fault;
}

// Makes halts throw for the whole test program.
class HaltsThrow : public ::testing::Environment {
 public:
  void SetUp() override {
    dw::lang::setHaltThrowsForTesting(true);
    dw::lang::setHaltBoxHook([](std::string_view, std::string_view) {});
  }
};

// The folder of shared sample files: DW_SHARED_DATA when set, else the
// first "shared/data" found walking up from this source file (it sits
// beside the repository checkout).  Empty when there is none.
inline std::string sharedDataDir() {
  if (const char* v = std::getenv("DW_SHARED_DATA")) return v;
  // __FILE__ may be relative to the build folder, which is where tests run.
  std::error_code ec;
  std::filesystem::path at =
      std::filesystem::weakly_canonical(std::filesystem::absolute(__FILE__, ec), ec).parent_path();
  while (!at.empty()) {
    const auto candidate = at / "shared" / "data";
    if (std::filesystem::is_directory(candidate, ec)) return candidate.string();
    if (at == at.parent_path()) break;
    at = at.parent_path();
  }
  return {};
}

// Whole contents of a file (empty when it cannot be read).
inline std::string fileBytes(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return {};
  std::string out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) out.append(buf, n);
  std::fclose(in);
  return out;
}

// True when the regions are as closed up as a commit leaves them: a region
// of at most one page starts where the region below ends, a larger one has
// less than one of its pages' room below it.
inline ::testing::AssertionResult compacted(const Header& h) {
  for (int c = 2; c <= kClassCount; ++c) {
    const std::int32_t pages = (h.regionEnd[c] - h.regionStart[c]) / c;
    const std::int32_t gap = h.regionStart[c] - h.regionEnd[c - 1];
    if ((pages <= 1 && gap != 0) || (pages > 1 && gap >= c)) {
      return ::testing::AssertionFailure()
             << "region " << c << " (" << pages << " pages) has a gap of " << gap << " units below";
    }
  }
  return ::testing::AssertionSuccess();
}

// How long the randomised runs go: DW_DB_LONG=n multiplies them.
inline int longFactor() {
  const char* v = std::getenv("DW_DB_LONG");
  return v ? std::max(1, std::atoi(v)) : 1;
}

}  // namespace dw::db::testing
