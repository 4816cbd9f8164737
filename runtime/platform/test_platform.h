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

  // Called before every flush with the number of flushes so far (from 0);
  // return true to crash there (the flush does not happen).
  void onFlush(std::function<bool(std::uint64_t flushIndex)> hook);
  std::uint64_t flushCount() const;
  std::uint64_t writeCount() const;

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
  std::vector<std::string> playedSounds() const;

  // Platform
  OsResult<std::unique_ptr<File>> open(const std::string& path, OpenMode mode,
                                       Disposition disposition) override;
  OsStatus remove(const std::string& path) override;
  OsStatus rename(const std::string& from, const std::string& to) override;
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
