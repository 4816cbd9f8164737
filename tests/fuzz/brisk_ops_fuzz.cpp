// Fuzz target: the input is a program of tree operations (inserts and
// deletes of entries up to the longest key and entry allowed, searches,
// commits and re-opens) run on a new Brisk file, with or without a
// password, against an ordered map.  Every operation is legal, so any halt
// ("Internal error : brkbt line N"), any difference from the map and any
// file the checker calls unsound is a failure: the target aborts.
//
// Files go through the test platform, whose flushes do not wait for the
// disk, so that an input's many commits stay fast.
//
// Input layout: byte 0 chooses the password (bit 0); then each operation is
// an opcode byte followed by its operand bytes (missing bytes read as 0).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "runtime/db/brisk_file.h"
#include "runtime/db/brkbt.h"
#include "runtime/db/checker.h"
#include "runtime/db/page_image.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/test_platform.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using dw::db::Entry;

std::string tempPath() {
  static const std::string path = dw::fuzz::tempPath("brisk_ops_fuzz", ".brk");
  return path;
}

[[noreturn]] void failure(const std::string& what) {
  std::fprintf(stderr, "brisk_ops_fuzz: %s\n", what.c_str());
  std::abort();
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  bool more() const { return m_at < m_size; }
  std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_at = 0;
};

// A length from one byte: mostly short, sometimes long, and the two top
// values give exactly the limit and one below it.
std::size_t lengthOf(std::uint8_t b, std::size_t limit) {
  if (b == 255) return limit;
  if (b == 254) return limit - 1;
  if (b < 192) return std::size_t(b % 48);
  return std::size_t(b - 192) * (limit / 62);
}

// Bytes from a small alphabet, so that keys share long prefixes and collide.
std::string bytesOf(std::size_t length, std::uint8_t seed) {
  std::string out(length, '\0');
  std::uint32_t x = 0x9E3779B9u * (seed + 1u);
  for (std::size_t i = 0; i < length; ++i) {
    // Runs of one letter now and then, so that pages compress.
    if (i < 8 || (i / 64) % 2 == 0) x = x * 1103515245u + 12345u;
    out[i] = char('a' + (x >> 16) % 3);
  }
  return out;
}

struct Run {
  std::unique_ptr<dw::db::BriskFile> file;
  std::map<std::string, Entry> model;
  dw::db::BriskOptions options;

  void open() {
    file.reset();
    auto opened =
        dw::db::BriskFile::open(tempPath(), options, dw::platform::Disposition::OpenAlways);
    if (!opened) failure("cannot open the file");
    file = std::move(*opened);
    if (file->refreshHeader() != 0) failure("refresh refused a file the engine wrote");
  }

  void verify(const char* when) {
    const dw::db::CheckReport r = dw::db::checkFile(*file);
    if (!r.sound)
      failure(std::string(when) + ": unsound at page " + std::to_string(r.page) + ": " + r.fault);
    std::string probe;
    auto it = model.begin();
    while (auto e = dw::db::findNext(*file, probe)) {
      if (it == model.end() || !(it->second == *e)) failure(std::string(when) + ": scan differs");
      probe = std::string(e->key());
      ++it;
    }
    if (it != model.end()) failure(std::string(when) + ": entries missing");
  }

  void commit() {
    if (file->commit() != 0) failure("commit failed");
    const dw::db::CheckReport r = dw::db::checkFile(*file);
    if (!r.sound)
      failure("unsound after commit at page " + std::to_string(r.page) + ": " + r.fault);
  }

  void step(Input& in) {
    const std::uint8_t op = in.byte();
    switch (op % 8) {
      case 0:
      case 1:
      case 2: {
        const std::size_t keyLength =
            std::max<std::size_t>(1, lengthOf(in.byte(), dw::db::kMaxKeyLength));
        const std::size_t dataLength = std::min(lengthOf(in.byte(), dw::db::kMaxEntryLength),
                                                dw::db::kMaxEntryLength - keyLength);
        const std::uint8_t seed = in.byte();
        std::string key = bytesOf(keyLength, seed);
        if (model.count(key)) return;
        Entry e(key + bytesOf(dataLength, std::uint8_t(seed ^ 0x5A)), keyLength);
        dw::db::insertEntry(*file, e);
        model[key] = e;
        return;
      }
      case 3:
      case 4: {
        const std::uint8_t pick = in.byte();
        if (model.empty() || pick == 0) {
          // A key that may or may not be there.
          const std::string key = bytesOf(1 + pick % 5, pick);
          if (dw::db::deleteEntry(*file, key) != (model.erase(key) == 1)) {
            failure("delete of a short key disagrees with the model");
          }
          return;
        }
        auto it = model.begin();
        std::advance(it, pick % model.size());
        if (!dw::db::deleteEntry(*file, it->first)) failure("delete missed an entry");
        model.erase(it);
        return;
      }
      case 5:
        commit();
        return;
      case 6:
        commit();
        file->release();
        open();
        verify("after re-open");
        return;
      default: {
        const std::string probe = bytesOf(1 + in.byte() % 12, in.byte());
        auto next = dw::db::findNext(*file, probe);
        auto expect = model.upper_bound(probe);
        if (bool(next) != (expect != model.end()) || (next && next->key() != expect->first)) {
          failure("next differs");
        }
        auto prev = dw::db::findPrevious(*file, probe);
        auto below = model.lower_bound(probe);
        if (bool(prev) != (below != model.begin()) ||
            (prev && prev->key() != std::prev(below)->first)) {
          failure("previous differs");
        }
        return;
      }
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dw::fuzz::throwQuietHalts();
  // Real files, but flushes that do not wait for the disk.
  static dw::platform::TestPlatform platform;
  static dw::platform::ScopedPlatform installed(platform);
  if (size == 0 || size > 4096) return 0;
  std::remove(tempPath().c_str());
  Input in(data, size);
  Run run;
  run.options.locking = dw::db::Locking::None;
  if (in.byte() & 1) run.options.password = "fuzz-owner";
  try {
    run.open();
    for (int ops = 0; in.more() && ops < 120; ++ops) run.step(in);
    run.commit();
    run.file.reset();
    run.options.readMode = true;
    run.open();
    run.verify("read back");
  } catch (const dw::lang::HaltRequested& h) {
    failure("halt on a legal operation: " + h.text);
  }
  run.file.reset();
  std::remove(tempPath().c_str());
  return 0;
}
