// A fresh data directory for tests of the application's files: made the
// current directory for the test's life (data files are opened by relative
// name), in memory when inMemory() says so (tests of kills and locks
// between processes), and every process-wide declaration closed, uncounted
// and cleared when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/data/app_files.h"
#include "tests/db/loader_process.h"

namespace dw::app::testing {

inline std::vector<db::DeclaredFile*> allDeclarations() {
  return {&SCH(), &SCH1(), &HIS(), &CAT(), &TDO(), &SCR(), &TF_()};
}

inline void closeAllDeclarations() {
  for (db::DeclaredFile* f : allDeclarations()) {
    if (f->isOpen()) f->close();
    f->openCount() = 0;
    f->clear();
  }
}

class DataDirectoryTest : public ::testing::Test {
 protected:
  virtual bool inMemory() const { return false; }
  void SetUp() override {
    m_dir = std::make_unique<dw::testing::ScratchDir>(inMemory());
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir->path());
  }
  void TearDown() override {
    closeAllDeclarations();
    std::filesystem::current_path(m_previous);
  }
  const std::string& dataDirectory() const { return m_dir->path(); }

 private:
  std::unique_ptr<dw::testing::ScratchDir> m_dir;
  std::filesystem::path m_previous;
};

}  // namespace dw::app::testing
