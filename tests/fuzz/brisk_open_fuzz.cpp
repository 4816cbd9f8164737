// Fuzz target: opening and reading arbitrary bytes as a Brisk file.  The
// input is written to a temporary file, opened in read mode, checked and
// walked; every third input is also opened for writing (recovery may then
// rewrite it) and changed.  Halting checks throw in this mode and end the
// input, not the fuzzer.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "runtime/db/brisk_file.h"
#include "runtime/db/brkbt.h"
#include "runtime/db/checker.h"
#include "runtime/lang/errors.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::string tempPath() {
  static const std::string path = dw::fuzz::tempPath("brisk_open_fuzz", ".brk");
  return path;
}

void exercise(const std::string& path, bool writer) {
  dw::db::BriskOptions options;
  options.readMode = !writer;
  options.locking = dw::db::Locking::None;
  auto opened = dw::db::BriskFile::open(path, options);
  if (!opened) return;
  dw::db::BriskFile& f = **opened;
  if (f.refreshHeader() != 0) return;
  (void)dw::db::checkFile(f);
  std::string probe;
  for (int n = 0; n < 5000; ++n) {
    auto e = dw::db::findNext(f, probe);
    if (!e || dw::db::compareKeys(e->key(), probe) <= 0) break;
    probe = std::string(e->key());
  }
  (void)dw::db::findPrevious(f, "\x80");
  (void)dw::db::lastOfPrefix(f, "\x01");
  if (writer) {
    dw::db::insertEntry(f, dw::db::Entry("fuzz-entry", 4));
    (void)dw::db::deleteEntry(f, probe);
    (void)f.commit();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dw::fuzz::throwQuietHalts();
  const std::string path = tempPath();
  if (!dw::fuzz::writeInput(path, data, size)) return 0;
  try {
    exercise(path, size % 3 == 0);
  } catch (const dw::lang::HaltRequested&) {
  }
  return 0;
}
