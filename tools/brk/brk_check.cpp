// brk info FILE and brk check FILE: the header, the regions and the tree of
// a file, and the structural check of every page.  Both open the file
// read-only in read mode: a file left with pending copies by a crash is
// shown as a reader would see it, and nothing is written.  A refused header
// is named with its fault and what follows it in the file.
#include <cstdio>
#include <string>

#include "runtime/db/brisk_file.h"
#include "runtime/db/checker.h"
#include "runtime/lang/errors.h"
#include "tools/brk/brk_commands.h"

namespace dw::brk {
namespace {

using dw::db::BriskFile;
using dw::db::BriskOptions;
using dw::db::CheckReport;

std::string counterText(const std::array<std::uint8_t, 4>& n) {
  const std::uint32_t v =
      (std::uint32_t(n[0]) << 24) | (std::uint32_t(n[1]) << 16) | (std::uint32_t(n[2]) << 8) | n[3];
  return std::to_string(v);
}

void printInfo(BriskFile& f, const CheckReport& r, std::uint64_t fileSize) {
  const dw::db::Header& h = f.header();
  std::printf("file            %s (%llu bytes)\n", f.path().c_str(),
              static_cast<unsigned long long>(fileSize));
  std::printf("header size     %u\n", h.headerSize);
  std::printf("number counter  %s\n", counterText(h.numberCounter).c_str());
  std::printf("change counter  %u\n", h.changeCounter);
  std::printf("root page       %d\n", h.rootPage);
  std::printf("pending range   %u..%u%s\n", h.pendingStart, h.pendingEnd,
              h.pendingStart == h.pendingEnd ? " (empty)" : " (unfinished commit)");
  std::printf("end of data     %u\n", h.endOfData());
  std::printf("regions         class  start    end  pages\n");
  for (int c = 1; c <= dw::db::kClassCount; ++c) {
    const auto s = h.regionStart[c], e = h.regionEnd[c];
    if (s == e) continue;
    std::printf("                %5d %6d %6d %6d\n", c, s, e, (e - s) / c);
  }
  std::printf("tree depth      %u\n", r.depth);
  std::printf("pages           %llu\n", static_cast<unsigned long long>(r.pages));
  std::printf("entries         %llu\n", static_cast<unsigned long long>(r.entries));
  std::printf("entry bytes     %llu\n", static_cast<unsigned long long>(r.entryBytes));
  if (!r.sound) std::printf("fault           page %d: %s\n", r.page, r.fault.c_str());
}

// What lies after a header that was refused: the page images found by
// their own offsets (a page starts with its own byte offset and a stored
// size that fits a page), so that a damaged header can be told from a file
// that never held data.
void describeAfterHeader(BriskFile& f) {
  auto size = f.osFile().size();
  const std::uint64_t fileSize = size ? *size : 0;
  if (fileSize <= dw::db::kHeaderSize) return;
  std::uint64_t pages = 0, first = 0, end = 0;
  std::uint8_t head[dw::db::kCipherBlock];
  for (std::uint64_t at = dw::db::kHeaderSize; at + sizeof head <= fileSize;) {
    if (f.readAt(at, sizeof head, head) != sizeof head) break;
    const std::uint32_t stored = dw::db::getU16(head + 4);
    const std::uint32_t plain = dw::db::getU16(head + 6);
    if (dw::db::getU32(head) == at && stored >= dw::db::kPageHeaderSize &&
        stored <= dw::db::kMaxPageBytes && plain >= stored) {
      if (pages++ == 0) first = at;
      at += dw::db::roundUpUnits(stored);
      end = at;
    } else {
      at += dw::db::kUnit;
    }
  }
  std::printf("after the header: %llu bytes", static_cast<unsigned long long>(fileSize - 512));
  if (pages == 0) {
    std::printf(", no page images\n");
  } else {
    std::printf(", %llu page images from byte %llu to %llu\n",
                static_cast<unsigned long long>(pages), static_cast<unsigned long long>(first),
                static_cast<unsigned long long>(end));
  }
}

int run(const std::string& command, const std::string& path, const std::string& password) {
  BriskOptions options;
  options.readMode = true;
  options.locking = dw::db::Locking::Shared;
  options.password = password;
  options.readOnlyHandle = true;
  auto opened = BriskFile::open(path, options);
  if (!opened) {
    std::fprintf(stderr, "brk: cannot open %s (system error %u)\n", path.c_str(), opened.error());
    return 2;
  }
  BriskFile& f = **opened;
  if (f.refreshHeader() != 0) {
    std::printf("%s: not a valid data file (header): %s\n", path.c_str(), f.refreshFault().c_str());
    describeAfterHeader(f);
    return 1;
  }
  const CheckReport r = dw::db::checkFile(f);
  auto size = f.osFile().size();
  if (command == "info") {
    printInfo(f, r, size ? *size : 0);
    return 0;
  }
  if (r.sound) {
    std::printf("%s: sound (%llu entries in %llu pages, depth %u)\n", path.c_str(),
                static_cast<unsigned long long>(r.entries),
                static_cast<unsigned long long>(r.pages), r.depth);
    return checkTablesOf(f, path);
  }
  if (r.page < 0) {
    std::printf("%s: fault in the header: %s\n", path.c_str(), r.fault.c_str());
  } else {
    std::printf("%s: fault at page %d: %s\n", path.c_str(), r.page, r.fault.c_str());
  }
  return 1;
}

int runGuarded(const std::string& command, const BrkArgs& args) {
  if (args.positional.size() != 1) return -1;
  const std::string& path = args.positional[0];
  try {
    return run(command, path, args.password);
  } catch (const dw::lang::HaltRequested& h) {
    std::printf("%s: damaged: %s\n", path.c_str(), h.text.c_str());
    return 1;
  }
}

}  // namespace

int cmdInfo(const BrkArgs& args) {
  return runGuarded("info", args);
}
int cmdCheck(const BrkArgs& args) {
  return runGuarded("check", args);
}

}  // namespace dw::brk
