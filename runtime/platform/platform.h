// The one seam between the runtime and the operating system.
//
// Everything the runtime needs from the machine (files and their byte-range
// locks, flushing, the clock, the current directory, starting programs,
// playing sounds, temporary files, where settings live) goes through the
// abstract Platform below.  PosixPlatform (posix_platform.h) is the real one;
// TestPlatform (test_platform.h) wraps it so that tests can fail writes,
// fill the disk, lose or tear unflushed writes at a simulated crash, and set
// the clock.
//
// Failures come back as Win32 error codes (os_error.h).  The process-wide
// instance is reached through platform(); tests swap it with
// ScopedPlatform.  Implementations are safe to call from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/platform/os_error.h"

namespace dw::platform {

// How a file is opened: the low nibble of the system's access-mode byte
// (0 read, 1 write, 2 read-write) and its sharing bits (mask 0x70).
enum class Access : std::uint8_t { Read = 0, Write = 1, ReadWrite = 2 };
enum class Share : std::uint8_t {
  Compatibility = 0x00,  // treated as deny-none between processes
  DenyAll = 0x10,
  DenyWrite = 0x20,
  DenyRead = 0x30,
  DenyNone = 0x40,
};
struct OpenMode {
  Access access = Access::Read;
  Share share = Share::DenyNone;
  // From the system's access-mode byte, e.g. 0x42 = read-write, deny none.
  static OpenMode fromByte(std::uint8_t mode) {
    return {static_cast<Access>(mode & 0x0F), static_cast<Share>(mode & 0x70)};
  }
};

enum class Disposition : std::uint8_t {
  OpenExisting,  // fails with kFileNotFound when missing
  CreateAlways,  // creates or truncates
  CreateNew,     // fails with kFileExists when present
  OpenAlways,    // opens, creating it when missing
};

enum class LockKind : std::uint8_t { Shared, Exclusive };
enum class LockWait : std::uint8_t { TryOnce, Wait };

// An open file.  Byte-range locks belong to this open file (not to the
// process), as on Win32: closing another descriptor of the same file does
// not drop them, and two Files of one process exclude each other.  Lock
// ranges may lie beyond the end of the file and beyond 2^32 (below 2^62).
// As on Win32, locks of one File stack rather than merge: an exclusive lock
// over a range this File already holds fails with kLockViolation, and
// unlock must name exactly a range that was locked (else kNotLocked).
// Closing the File releases its locks.  One File is used by one thread at
// a time.
class File {
 public:
  virtual ~File() = default;
  // Reads up to len bytes at offset; the count read (short at end of file).
  virtual OsResult<std::size_t> readAt(std::uint64_t offset, void* buffer, std::size_t len) = 0;
  // Writes all len bytes at offset, or fails (kDiskFull, kWriteFault, ...).
  virtual OsStatus writeAt(std::uint64_t offset, const void* buffer, std::size_t len) = 0;
  // Makes every completed write durable.
  virtual OsStatus flush() = 0;
  virtual OsResult<std::uint64_t> size() = 0;
  virtual OsStatus truncate(std::uint64_t size) = 0;
  virtual OsStatus lock(std::uint64_t offset, std::uint64_t length, LockKind kind,
                        LockWait wait) = 0;
  virtual OsStatus unlock(std::uint64_t offset, std::uint64_t length) = 0;
  virtual const std::string& path() const = 0;
  // Takes this open file's part in share checks anew, as if it had been
  // opened with `mode`: the access it may use from now on and what it
  // denies other openers.  Fails with kSharingViolation when another open
  // file conflicts, or kAccessDenied when the system gave this file less
  // access than asked; either way the old part stays.
  virtual OsStatus changeShare(OpenMode mode) = 0;
  // Whether a read sees at once every write another opener completed, with
  // no lock taken between them: true on a local file system, false where a
  // client may keep stale copies until a lock makes it look again (network
  // file systems) or where nothing is known.
  virtual bool readsSeeOtherWrites() const { return false; }
};

// The local date and time.
struct LocalTime {
  int year = 0;         // four digits
  int month = 0;        // 1..12
  int day = 0;          // 1..31
  int hour = 0;         // 0..23
  int minute = 0;       // 0..59
  int second = 0;       // 0..59
  int millisecond = 0;  // 0..999
  int weekday = 0;      // 0 Sunday .. 6 Saturday
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Files.  Paths are as given; relative ones are taken from the current
  // directory.
  virtual OsResult<std::unique_ptr<File>> open(const std::string& path, OpenMode mode,
                                               Disposition disposition) = 0;
  // Removing or renaming a file that is open (through any Platform, in any
  // process) fails with kSharingViolation, as on Win32.
  virtual OsStatus remove(const std::string& path) = 0;
  // Renames a file; fails with kAlreadyExists when `to` exists.
  virtual OsStatus rename(const std::string& from, const std::string& to) = 0;
  // Puts `from` in the place of `to` in one step, replacing it if present.
  virtual OsStatus replace(const std::string& from, const std::string& to) = 0;
  // Copies a file, replacing `to` if present: the copy is made beside `to`
  // and renamed into place, so a failed copy leaves `to` as it was.  A `to`
  // that is open anywhere gives kSharingViolation.
  virtual OsStatus copy(const std::string& from, const std::string& to) = 0;
  virtual bool exists(const std::string& path) = 0;

  // Clock.
  virtual LocalTime now() = 0;
  // Hundredths of a second since the program started.
  virtual std::uint32_t hundredthsSinceStart() = 0;

  // Current directory (PATH() and SETPATH); setting fails with kPathNotFound.
  virtual std::string currentDirectory() = 0;
  virtual OsStatus setCurrentDirectory(const std::string& path) = 0;

  // Starts a command line detached, in the current directory, never waiting
  // for it.  Above 31 on success; 31 or less on failure (2: program not found).
  virtual std::uint32_t startProgram(const std::string& commandLine) = 0;

  // Plays a WAV file without blocking; false at once when it cannot
  // (missing file, no sound device).
  virtual bool playSound(const std::string& wavPath) = 0;

  // Creates an empty temporary file whose name begins with prefix, in
  // $TMPDIR (default /tmp); its full path.
  virtual OsResult<std::string> makeTempFile(const std::string& prefix) = 0;

  // Where INI files named without a directory live (created when missing).
  virtual std::string profileDirectory() = 0;
  // The running program's full path (the environment file sits beside it).
  virtual std::string executablePath() = 0;
};

// The process-wide platform: PosixPlatform unless a test installed another.
Platform& platform();

// Installs p as the process-wide platform for its lifetime.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& p);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* m_previous;
};

}  // namespace dw::platform
