// A platform for tests: the real POSIX one underneath, with faults injected
// and the clock under the test's control.
//
// Crash simulation: every write to a file opened through TestPlatform is
// remembered until that file's next flush.  crash() then undoes the
// unflushed writes as a power loss would (each one dropped, kept, or torn
// at a 512-byte boundary, chosen by CrashMode), so the files on disk hold
// what a machine that stopped at that moment could hold.  Flush hooks let a
// test stop "at every flush" of a commit: the hook runs before the flush and
// can ask for a crash there, after which every further operation on files
// opened before the crash fails with kDeviceGone.
//
// What is simulated: the contents and sizes of files written through this
// platform.  Creating, renaming and removing files are taken as durable at
// once.  A flush here does not call fsync (the undo images make the crash,
// not the disk); a crash closes every file opened before it, so their
// byte-range locks and share modes vanish as a dead process's would.
//
// Thread-safety: all members may be called from any thread.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace dw::platform {

inline constexpr OsError kDeviceGone = 21;  // "Device Not Ready": files after a simulated crash

enum class CrashMode : std::uint8_t {
  DropUnflushed,  // every write since the last flush is lost
  KeepUnflushed,  // every write reached the disk
  TearUnflushed,  // a seeded random choice per write: kept, lost, or torn
};

class TestPlatform : public Platform {
 public:
  TestPlatform();
  ~TestPlatform() override;

  // Faults.  failWritesAfter(n): the n+1-th and later writes fail with
  // `error` (kWriteFault unless given); diskFullAt(bytes): a write that
  // would grow any file past `bytes` fails with kDiskFull.  clearFaults()
  // ends both.
  void failWritesAfter(std::uint64_t n, OsError error = kWriteFault);
  void diskFullAt(std::uint64_t bytes);
  void clearFaults();
  // While on, an open asking for write access fails with kAccessDenied, as
  // for a file without write permission; opens for reading succeed.
  void refuseWriteAccess(bool on);

  // Called before every flush with the number of flushes so far (from 0);
  // return true to crash there (the flush does not happen).
  void onFlush(std::function<bool(std::uint64_t flushIndex)> hook);
  std::uint64_t flushCount() const;  // flushes that happened
  std::uint64_t writeCount() const;  // writes attempted, failed ones included

  // How a crash asked for by the flush hook undoes unflushed writes
  // (DropUnflushed unless set).
  void crashModeAtFlush(CrashMode mode, std::uint32_t seed = 0);
  // Writes (and truncations) not yet flushed, over all files.
  std::uint64_t unflushedCount() const;

  // Simulates a power loss now (see above); files opened before it are dead.
  void crash(CrashMode mode, std::uint32_t seed = 0);
  bool crashed() const;
  // Forgets the crash so that files can be opened again.
  void reboot();

  // Clock.
  void setNow(const LocalTime& t);
  void setHundredths(std::uint32_t h);
  void useRealClock();

  // Program starts and sounds are recorded, not performed, when set.
  void recordProgramStarts(bool on);
  std::vector<std::string> startedPrograms() const;
  // Called with each recorded start, as it happens (on the starting thread).
  void onProgramStart(std::function<void(const std::string& commandLine)> hook);
  std::vector<std::string> playedSounds() const;

  // Where bare INI names resolve; the real profile directory unless set.
  void setProfileDirectory(const std::string& dir);

  // Platform
  OsResult<std::unique_ptr<File>> open(const std::string& path, OpenMode mode,
                                       Disposition disposition) override;
  OsStatus remove(const std::string& path) override;
  OsStatus rename(const std::string& from, const std::string& to) override;
  OsStatus replace(const std::string& from, const std::string& to) override;
  OsStatus copy(const std::string& from, const std::string& to) override;
  bool exists(const std::string& path) override;
  LocalTime now() override;
  std::uint32_t hundredthsSinceStart() override;
  std::string currentDirectory() override;
  OsStatus setCurrentDirectory(const std::string& path) override;
  std::uint32_t startProgram(const std::string& commandLine) override;
  bool playSound(const std::string& wavPath) override;
  OsResult<std::string> makeTempFile(const std::string& prefix) override;
  std::string profileDirectory() override;
  std::string executablePath() override;

  struct State;  // shared with the files it opened

 private:
  std::shared_ptr<State> m_state;
};

}  // namespace dw::platform
