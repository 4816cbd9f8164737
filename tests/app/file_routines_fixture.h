// Shared set-up of the file routine tests: a fresh data directory made the
// current one (data files are opened by relative name), a window session
// on the headless backend with the test's thread as the program's first
// thread (so message boxes are answered from the backend's queue), halts
// that throw, and every declaration closed and its count reset afterwards
// (the declarations are process-wide).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/routines/file_routines.h"
#include "app/routines/open_routine_internal.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/runtime.h"
#include "tests/app/data_dir_fixture.h"

namespace dw::app::testing {

class FileRoutinesTest : public DataDirectoryTest {
 protected:
  void SetUp() override {
    DataDirectoryTest::SetUp();
    lang::setHaltThrowsForTesting(true);
    ui::runtime().begin(backend);
    ui::runtime().adoptCurrentThread();
  }
  void TearDown() override {
    db::rollback();
    setFileOpenerForTesting(nullptr);
    for (db::DeclaredFile* f : allDeclarations()) forgetRecord(*f);
    ui::runtime().leaveAdopted();
    ui::runtime().end();
    DataDirectoryTest::TearDown();
  }

  // Captions of the boxes shown so far.
  std::vector<std::string> captions() const {
    std::vector<std::string> out;
    for (const auto& b : backend.boxes()) out.push_back(b.box.caption);
    return out;
  }
  // Runs `fn`, which must end the program; the halt text ("" when it returned).
  template <class Fn>
  std::string haltOf(Fn fn) {
    try {
      fn();
    } catch (const lang::HaltRequested& h) {
      EXPECT_EQ(h.exitCode, kHaltExitCode);
      return h.text;
    }
    return {};
  }

  ui::HeadlessBackend backend{ui::runtime()};
};

}  // namespace dw::app::testing
