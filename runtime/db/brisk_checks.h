// Consistency checks of the storage layer.  A failed check is a fault the
// program cannot continue from: it ends through the runtime's fatal error
// report.  A check that fails on what was read from the file (a page that
// does not parse, a file cut short, keys out of order) means the file is
// damaged: the report is error 36 "Invalid Data File" naming the file the
// operation was working on and pointing to "brk check"; any other check is
// "Internal error : brkbt line N", N naming the check.  Tests make such
// halts throw dw::lang::HaltRequested instead.  Before a damage halt the
// damage observer hears of the file, so that the process refuses every
// later change to it (the halt's box lets other threads run meanwhile).
//
// Threads: the file named is the calling thread's own (CheckedFile).
#pragma once

#include <string>

namespace dw::db {

namespace check {
inline constexpr int kNumberInReadMode = 1168;
inline constexpr int kRefreshFailed = 1169;
inline constexpr int kRefreshFailedRoot = 1003;
inline constexpr int kNumberExhausted = 1178;
inline constexpr int kSplitSingleEntry = 1369;
inline constexpr int kLevelMismatch = 1391;  // a child not exactly one level below its parent
inline constexpr int kPageSizeClass = 1482;
inline constexpr int kParseEnd = 1607;
inline constexpr int kImageOverEstimate = 1664;
inline constexpr int kPageTooLarge = 1683;
inline constexpr int kRoomAboveTooLarge = 1786;
inline constexpr int kParentMissing = 1896;
inline constexpr int kParentIsLeaf = 1899;
inline constexpr int kDeleteReadMode = 1208;
inline constexpr int kShortRead = 2174;
inline constexpr int kReadNotBlocks = 2271;
inline constexpr int kWriteNotBlocks = 2285;
inline constexpr int kReadFailed = 2276;
inline constexpr int kNamedShared = 2327;
inline constexpr int kNamedSharedRelease = 2351;
inline constexpr int kUnlockFailed = 2360;
inline constexpr int kEqualKeys = 696;
inline constexpr int kEntryTooLong = 814;
}  // namespace check

// Ends the program: error 36 for a damaged file, else "Internal error :
// brkbt line <number>".
[[noreturn]] void brkbtFail(int number);

// Called with the file name (the file part of the checked name) when a
// check finds the file damaged.  One observer per process; the table
// layer installs it (table_file.h).
using DamageObserver = void (*)(const std::string& file);
void setDamageObserver(DamageObserver observer);

// Names the file (a declared name such as "SM\\!Schedule", or a path) that
// this thread works on while the object lives, for brkbtFail's report.
class CheckedFile {
 public:
  explicit CheckedFile(const std::string& name);
  ~CheckedFile();
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;

 private:
  const std::string* m_previous;
};

}  // namespace dw::db
