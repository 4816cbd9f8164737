// The real platform: POSIX files, open-file-description locks, the system
// clock, the process's current directory, program start and sound.
//
// Files.  Every file is opened read-write when the system allows it (and in
// the requested mode otherwise), so that exclusive byte-range locks work on a
// file opened for reading, as they do on Win32; the requested access is
// enforced by readAt/writeAt themselves (kAccessDenied).
//
// Byte-range locks are open-file-description locks (F_OFD_SETLK), which
// belong to one open file and survive the closing of other descriptors of
// the same file.  POSIX locks merge and convert where Win32 locks stack, so
// each PosixFile keeps the list of ranges it locked and sets the kernel's
// lock on every byte to the strongest kind its list asks for:
//   - an exclusive lock over any range this file already holds fails with
//     kLockViolation (Win32 refuses it too); a shared lock may overlap;
//   - unlock must name exactly a range that was locked (else kNotLocked),
//     and bytes still covered by another of this file's locks stay locked.
// Locks may lie anywhere below kReservedLockBase.
//
// Share modes.  Win32 open checks the requested access against the denials
// of every other opener and the requested denials against their access.
// Here each open file records what it has on four bytes far beyond any data
// (kReservedLockBase = 2^62, outside the database's lock bytes at 2^31):
//     2^62 + 0   shared lock held: this opener may read
//     2^62 + 1   shared lock held: this opener may write
//     2^62 + 2   shared lock held: this opener denies reading to others
//     2^62 + 3   shared lock held: this opener denies writing to others
// An opener first takes its own marker bytes, then asks the kernel
// (F_OFD_GETLK, which ignores the asker's own locks) whether any other open
// file holds a byte that conflicts; if so it drops them and fails with
// kSharingViolation.  Two racing incompatible opens may therefore both
// fail, but two incompatible opens never both succeed.  The markers vanish
// with the open file, also when its process dies.  Compatibility mode is
// deny-none.  Write-only files (no read permission) cannot hold shared
// locks and take part in no share checks.  remove() and rename() look at
// the read and write bytes too and refuse a file that is open anywhere.
//
// Thread-safety: PosixPlatform may be used from any thread; one PosixFile
// by one thread at a time.
#pragma once

#include <string>

#include "runtime/platform/platform.h"

namespace dw::platform {

// Bytes at and beyond this offset are reserved for share-mode bookkeeping.
inline constexpr std::uint64_t kReservedLockBase = std::uint64_t{1} << 62;

// Where an errno came from, for the few codes whose meaning depends on it.
enum class ErrnoContext : std::uint8_t { General, Read, Write, Lock, Path };

// The one translation of errno values into Win32 codes.
OsError osErrorFromErrno(int err, ErrnoContext context = ErrnoContext::General);

class PosixPlatform : public Platform {
 public:
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
};

}  // namespace dw::platform
