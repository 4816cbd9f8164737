// PosixPlatform and its files: see posix_platform.h for the lock and
// share-mode layout.
#include "runtime/platform/posix_platform.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/platform/process.h"
#include "runtime/platform/sound.h"

namespace dw::platform {

OsError osErrorFromErrno(int err, ErrnoContext context) {
  switch (err) {
    case 0:
      return kOk;
    case ENOENT:
      return context == ErrnoContext::Path ? kPathNotFound : kFileNotFound;
    case ENOTDIR:
    case ELOOP:
      return kPathNotFound;
    case EACCES:
    case EAGAIN:
      return context == ErrnoContext::Lock ? kLockViolation : kAccessDenied;
    case EPERM:
    case EISDIR:
      return kAccessDenied;
    case EROFS:
      return kWriteProtect;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EBADF:
      return context == ErrnoContext::Lock ? kAccessDenied : kInvalidHandle;
    case ENOMEM:
    case ENOLCK:
      return kNotEnoughMemory;
    case ENOSPC:
    case EDQUOT:
      return kDiskFull;
    case EFBIG:
      return kFileTooLarge;
    case EEXIST:
      return kFileExists;
    case ENOTEMPTY:
      return kDirNotEmpty;
    case ENAMETOOLONG:
      return kFilenameTooLong;
    case EXDEV:
      return kNotSameDevice;
    case EBUSY:
    case ETXTBSY:
      return kSharingViolation;
    case EDEADLK:
      return kLockViolation;
    case EINVAL:
    case EOVERFLOW:
      return kInvalidParameter;
    case ENOSYS:
    case EOPNOTSUPP:
      return kNotSupported;
    case EIO:
      if (context == ErrnoContext::Read) return kReadFault;
      if (context == ErrnoContext::Write) return kWriteFault;
      return kGeneralFailure;
    default:
      return kGeneralFailure;
  }
}

namespace {

OsStatus errnoStatus(ErrnoContext context = ErrnoContext::General) {
  return OsStatus::failure(osErrorFromErrno(errno, context));
}

// ENOENT means a missing file when its directory exists, else a missing path.
OsError missingError(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return kFileNotFound;
  struct stat st {};
  std::string dir = path.substr(0, slash);
  if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kFileNotFound;
  return kPathNotFound;
}

OsError openError(int err, const std::string& path) {
  if (err == ENOENT) return missingError(path);
  return osErrorFromErrno(err);
}

// Share-mode marker bytes (see posix_platform.h).
constexpr std::uint64_t kMarkRead = kReservedLockBase + 0;
constexpr std::uint64_t kMarkWrite = kReservedLockBase + 1;
constexpr std::uint64_t kMarkDenyRead = kReservedLockBase + 2;
constexpr std::uint64_t kMarkDenyWrite = kReservedLockBase + 3;

struct LockRange {
  std::uint64_t offset;
  std::uint64_t length;
  LockKind kind;
  std::uint64_t end() const { return offset + length; }
  bool overlaps(std::uint64_t off, std::uint64_t len) const {
    return offset < off + len && off < end();
  }
};

int ofdLock(int fd, short type, std::uint64_t offset, std::uint64_t length, LockWait wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;
  int cmd = wait == LockWait::Wait ? F_OFD_SETLKW : F_OFD_SETLK;
  int rc;
  do {
    rc = ::fcntl(fd, cmd, &fl);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

// True when another open file holds a lock on the byte that conflicts with
// an exclusive lock there.
bool heldByOther(int fd, std::uint64_t offset) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = 1;
  fl.l_pid = 0;
  if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

// True when some open file of this platform (in any process) has the file
// at path open: it holds its read or write share byte.
bool openElsewhere(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  bool held = heldByOther(fd, kMarkRead) || heldByOther(fd, kMarkWrite);
  ::close(fd);
  return held;
}

// Local file systems, where the kernel's one copy of a file's pages is what
// every reader sees (statfs magic numbers).  Anything else, network file
// systems and FUSE above all, may serve a client's stale copy.
bool onLocalFileSystem(int fd) {
  struct statfs st {};
  if (::fstatfs(fd, &st) != 0) return false;
  switch (static_cast<std::uint64_t>(st.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0x794C7630:  // overlayfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0xCA451A4E:  // bcachefs
      return true;
    default:
      return false;
  }
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string path, Access access)
      : m_fd(fd), m_path(std::move(path)), m_access(access), m_local(onLocalFileSystem(fd)) {
    const int flags = ::fcntl(fd, F_GETFL);
    m_readable = flags >= 0 && (flags & O_ACCMODE) != O_WRONLY;
    m_writable = flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
  }
  ~PosixFile() override { ::close(m_fd); }

  OsResult<std::size_t> readAt(std::uint64_t offset, void* buffer, std::size_t len) override {
    if (m_access == Access::Write) return OsResult<std::size_t>::failure(kAccessDenied);
    if (offset > static_cast<std::uint64_t>(INT64_MAX))
      return OsResult<std::size_t>::failure(kInvalidParameter);
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < len) {
      ssize_t n = ::pread(m_fd, out + done, len - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return OsResult<std::size_t>::failure(osErrorFromErrno(errno, ErrnoContext::Read));
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

  OsStatus writeAt(std::uint64_t offset, const void* buffer, std::size_t len) override {
    if (m_access == Access::Read) return OsStatus::failure(kAccessDenied);
    if (offset > static_cast<std::uint64_t>(INT64_MAX) - len)
      return OsStatus::failure(kInvalidParameter);
    std::size_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < len) {
      ssize_t n = ::pwrite(m_fd, in + done, len - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return errnoStatus(ErrnoContext::Write);
      }
      if (n == 0) return OsStatus::failure(kDiskFull);
      done += static_cast<std::size_t>(n);
    }
    return {};
  }

  // fdatasync makes the data durable together with whatever is needed to
  // read it back (the size included); only the times may lag, and nothing
  // reads them, so flushes that overwrite do not wait for the journal.
  OsStatus flush() override {
    if (::fdatasync(m_fd) != 0 && errno != EINVAL) return errnoStatus(ErrnoContext::Write);
    return {};
  }

  OsResult<std::uint64_t> size() override {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return OsResult<std::uint64_t>::failure(osErrorFromErrno(errno));
    return static_cast<std::uint64_t>(st.st_size);
  }

  OsStatus truncate(std::uint64_t newSize) override {
    if (m_access == Access::Read) return OsStatus::failure(kAccessDenied);
    if (newSize > static_cast<std::uint64_t>(INT64_MAX))
      return OsStatus::failure(kInvalidParameter);
    int rc;
    do {
      rc = ::ftruncate(m_fd, static_cast<off_t>(newSize));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return errnoStatus(ErrnoContext::Write);
    return {};
  }

  OsStatus lock(std::uint64_t offset, std::uint64_t length, LockKind kind, LockWait wait) override {
    if (!validRange(offset, length)) return OsStatus::failure(kInvalidParameter);
    if (length == 0) return {};
    for (const LockRange& r : m_locks)
      if (kind == LockKind::Exclusive && r.overlaps(offset, length))
        return OsStatus::failure(kLockViolation);
    m_locks.push_back({offset, length, kind});
    OsStatus status = applyRange(offset, length, wait);
    if (!status) {
      m_locks.pop_back();
      (void)applyRange(offset, length, LockWait::TryOnce);
    }
    return status;
  }

  OsStatus unlock(std::uint64_t offset, std::uint64_t length) override {
    if (!validRange(offset, length)) return OsStatus::failure(kInvalidParameter);
    if (length == 0) return {};
    auto it = std::find_if(m_locks.begin(), m_locks.end(), [&](const LockRange& r) {
      return r.offset == offset && r.length == length;
    });
    if (it == m_locks.end()) return OsStatus::failure(kNotLocked);
    m_locks.erase(it);
    return applyRange(offset, length, LockWait::TryOnce);
  }

  const std::string& path() const override { return m_path; }
  bool readsSeeOtherWrites() const override { return m_local; }

  // Takes the share markers and checks them against other openers.
  OsStatus enterShare(OpenMode mode) {
    const Marks want = marksOf(mode);
    if (OsStatus taken = takeMarks(want, Marks{}); !taken) return taken;
    if (m_marks.skipped) return {};
    if (conflicts(want)) {
      dropMarks(want, Marks{});
      return OsStatus::failure(kSharingViolation);
    }
    m_marks = want;
    return {};
  }

  OsStatus changeShare(OpenMode mode) override {
    if (mode.access != Access::Read && !m_writable) return OsStatus::failure(kAccessDenied);
    if (mode.access != Access::Write && !m_readable) return OsStatus::failure(kAccessDenied);
    const Marks want = marksOf(mode);
    if (m_marks.skipped) {  // a write-only file takes no part in share checks
      m_access = mode.access;
      return {};
    }
    if (OsStatus taken = takeMarks(want, m_marks); !taken) return taken;
    if (conflicts(want)) {
      dropMarks(want, m_marks);
      return OsStatus::failure(kSharingViolation);
    }
    dropMarks(m_marks, want);
    m_marks = want;
    m_access = mode.access;
    return {};
  }

 private:
  // The marker bytes an open file holds (bit i: byte kReservedLockBase + i).
  struct Marks {
    unsigned bits = 0;
    bool skipped = false;
    bool has(std::uint64_t byte) const { return bits & (1u << (byte - kReservedLockBase)); }
  };

  static Marks marksOf(OpenMode mode) {
    Marks m;
    const bool denyRead = mode.share == Share::DenyAll || mode.share == Share::DenyRead;
    const bool denyWrite = mode.share == Share::DenyAll || mode.share == Share::DenyWrite;
    if (mode.access != Access::Write) m.bits |= 1u << 0;
    if (mode.access != Access::Read) m.bits |= 1u << 1;
    if (denyRead) m.bits |= 1u << 2;
    if (denyWrite) m.bits |= 1u << 3;
    return m;
  }

  // Takes the bytes of `want` that `held` lacks.
  OsStatus takeMarks(const Marks& want, const Marks& held) {
    for (std::uint64_t byte = kMarkRead; byte <= kMarkDenyWrite; ++byte) {
      if (!want.has(byte) || held.has(byte)) continue;
      if (ofdLock(m_fd, F_RDLCK, byte, 1, LockWait::TryOnce) != 0) {
        if (errno == EBADF) {  // a write-only file: no share checks
          m_marks.skipped = true;
          return {};
        }
        const OsStatus failed = errnoStatus(ErrnoContext::Lock);
        dropMarks(want, held);
        return failed;
      }
    }
    return {};
  }

  // Drops the bytes of `from` that `keep` does not hold.
  void dropMarks(const Marks& from, const Marks& keep) {
    for (std::uint64_t byte = kMarkRead; byte <= kMarkDenyWrite; ++byte) {
      if (from.has(byte) && !keep.has(byte))
        (void)ofdLock(m_fd, F_UNLCK, byte, 1, LockWait::TryOnce);
    }
  }

  // Whether another open file holds a byte that conflicts with `m`.
  bool conflicts(const Marks& m) const {
    return (m.has(kMarkRead) && heldByOther(m_fd, kMarkDenyRead)) ||
           (m.has(kMarkWrite) && heldByOther(m_fd, kMarkDenyWrite)) ||
           (m.has(kMarkDenyRead) && heldByOther(m_fd, kMarkRead)) ||
           (m.has(kMarkDenyWrite) && heldByOther(m_fd, kMarkWrite));
  }

  static bool validRange(std::uint64_t offset, std::uint64_t length) {
    return offset <= kReservedLockBase && length <= kReservedLockBase - offset;
  }

  // Sets the kernel's lock on every byte of [offset, offset+length) to the
  // strongest kind that this file's list of locks asks for there.
  OsStatus applyRange(std::uint64_t offset, std::uint64_t length, LockWait wait) {
    std::uint64_t end = offset + length;
    std::vector<std::uint64_t> cuts{offset, end};
    for (const LockRange& r : m_locks) {
      if (r.offset > offset && r.offset < end) cuts.push_back(r.offset);
      if (r.end() > offset && r.end() < end) cuts.push_back(r.end());
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
      std::uint64_t from = cuts[i], to = cuts[i + 1];
      short type = F_UNLCK;
      for (const LockRange& r : m_locks) {
        if (!r.overlaps(from, to - from)) continue;
        if (r.kind == LockKind::Exclusive) {
          type = F_WRLCK;
          break;
        }
        type = F_RDLCK;
      }
      if (ofdLock(m_fd, type, from, to - from, wait) != 0) return errnoStatus(ErrnoContext::Lock);
    }
    return {};
  }

  int m_fd;
  std::string m_path;
  Access m_access;
  bool m_local;
  bool m_readable = false;  // what the descriptor itself allows
  bool m_writable = false;
  Marks m_marks;  // this file's share markers
  std::vector<LockRange> m_locks;
};

int openFlags(Disposition disposition) {
  switch (disposition) {
    case Disposition::OpenExisting:
      return 0;
    case Disposition::CreateAlways:
    case Disposition::OpenAlways:
      return O_CREAT;
    case Disposition::CreateNew:
      return O_CREAT | O_EXCL;
  }
  return 0;
}

int requestedFlags(Access access) {
  switch (access) {
    case Access::Read:
      return O_RDONLY;
    case Access::Write:
      return O_WRONLY;
    case Access::ReadWrite:
      return O_RDWR;
  }
  return O_RDONLY;
}

const auto kProgramStart = std::chrono::steady_clock::now();

// mkdir -p; true when the directory exists afterwards.
bool makeDirectories(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  auto slash = dir.rfind('/');
  if (slash != std::string::npos && slash > 0) makeDirectories(dir.substr(0, slash));
  return ::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string envOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

OsResult<std::unique_ptr<File>> PosixPlatform::open(const std::string& path, OpenMode mode,
                                                    Disposition disposition) {
  using Result = OsResult<std::unique_ptr<File>>;
  if (path.empty() || path.find('\0') != std::string::npos) return Result::failure(kFileNotFound);
  auto share = static_cast<std::uint8_t>(mode.share);
  if (static_cast<int>(mode.access) > 2 || (share & 0x0F) != 0 || share > 0x40)
    return Result::failure(kInvalidAccess);
  // Non-blocking so that a FIFO cannot hang the open; only regular files
  // are accepted below, for which the flag changes nothing.
  int extra = openFlags(disposition) | O_CLOEXEC | O_NONBLOCK;
  // Read-write when allowed, so that exclusive locks work on every file.
  int fd = ::open(path.c_str(), O_RDWR | extra, 0666);
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == ETXTBSY || errno == EPERM)) {
    fd = ::open(path.c_str(), requestedFlags(mode.access) | extra, 0666);
  }
  if (fd < 0) return Result::failure(openError(errno, path));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Result::failure(kAccessDenied);
  }
  auto file = std::make_unique<PosixFile>(fd, path, mode.access);
  if (OsStatus share = file->enterShare(mode); !share) return Result::failure(share.error());
  // Truncated only once the share check has let this opener in.
  if (disposition == Disposition::CreateAlways && ::ftruncate(fd, 0) != 0)
    return Result::failure(osErrorFromErrno(errno, ErrnoContext::Write));
  return Result(std::unique_ptr<File>(std::move(file)));
}

OsStatus PosixPlatform::remove(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return OsStatus::failure(kAccessDenied);
  // As on Win32, a file that is open cannot be deleted; here that also
  // keeps its opener from writing on into a file nobody can reach.
  if (openElsewhere(path)) return OsStatus::failure(kSharingViolation);
  if (::unlink(path.c_str()) != 0)
    return OsStatus::failure(errno == ENOENT ? missingError(path) : osErrorFromErrno(errno));
  return {};
}

OsStatus PosixPlatform::rename(const std::string& from, const std::string& to) {
  if (::access(from.c_str(), F_OK) != 0)
    return OsStatus::failure(errno == ENOENT ? missingError(from) : osErrorFromErrno(errno));
  if (openElsewhere(from)) return OsStatus::failure(kSharingViolation);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno == EEXIST) return OsStatus::failure(kAlreadyExists);
  if (errno == EXDEV) {
    if (OsStatus c = copy(from, to); !c) return c;
    return remove(from);
  }
  if (errno != EINVAL && errno != ENOSYS) return errnoStatus(ErrnoContext::Path);
  // A file system without RENAME_NOREPLACE: link and unlink.
  if (::link(from.c_str(), to.c_str()) != 0) {
    if (errno == EEXIST) return OsStatus::failure(kAlreadyExists);
    return errnoStatus(ErrnoContext::Path);
  }
  ::unlink(from.c_str());
  return {};
}

OsStatus PosixPlatform::replace(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    if (errno == ENOENT) return OsStatus::failure(missingError(from));
    return errnoStatus(ErrnoContext::Path);
  }
  return {};
}

// Copies into a temporary file beside the target and renames it into place,
// so that a failed copy (a full disk) leaves the target as it was.  A target
// that another opener holds is refused with 32, as on Win32 (renaming over
// it would leave its holder writing into a file nobody can reach).
OsStatus PosixPlatform::copy(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return OsStatus::failure(openError(errno, from));
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return OsStatus::failure(kAccessDenied);
  }
  // Copying a file onto itself would truncate it first.
  struct stat target {};
  bool targetExists = ::stat(to.c_str(), &target) == 0;
  if ((targetExists && target.st_dev == st.st_dev && target.st_ino == st.st_ino) ||
      (targetExists && openElsewhere(to))) {
    ::close(in);
    return OsStatus::failure(kSharingViolation);
  }
  if (targetExists && S_ISDIR(target.st_mode)) {
    ::close(in);
    return OsStatus::failure(kAccessDenied);
  }
  static std::atomic<unsigned> counter{0};
  std::string temp =
      to + ".~copy" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
  int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    OsError e = openError(errno, to);
    ::close(in);
    return OsStatus::failure(e);
  }
  OsStatus status;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      status = errnoStatus(ErrnoContext::Read);
      break;
    }
    if (n == 0) break;
    ssize_t done = 0;
    while (done < n) {
      ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        status = w < 0 ? errnoStatus(ErrnoContext::Write) : OsStatus::failure(kDiskFull);
        break;
      }
      done += w;
    }
    if (!status) break;
  }
  ::close(in);
  if (status && ::fsync(out) != 0) status = errnoStatus(ErrnoContext::Write);
  if (::close(out) != 0 && status) status = errnoStatus(ErrnoContext::Write);
  if (status && ::rename(temp.c_str(), to.c_str()) != 0) status = errnoStatus(ErrnoContext::Path);
  if (!status) ::unlink(temp.c_str());
  return status;
}

bool PosixPlatform::exists(const std::string& path) {
  return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

LocalTime PosixPlatform::now() {
  struct timespec ts {};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm {};
  time_t secs = ts.tv_sec;
  ::localtime_r(&secs, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = std::min(tm.tm_sec, 59);  // a leap second reads as :59
  t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  t.weekday = tm.tm_wday;
  return t;
}

std::uint32_t PosixPlatform::hundredthsSinceStart() {
  auto elapsed = std::chrono::steady_clock::now() - kProgramStart;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  return static_cast<std::uint32_t>(ms / 10);
}

std::string PosixPlatform::currentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE || buffer.size() > (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

OsStatus PosixPlatform::setCurrentDirectory(const std::string& path) {
  if (path.empty() || ::chdir(path.c_str()) != 0) return OsStatus::failure(kPathNotFound);
  return {};
}

std::uint32_t PosixPlatform::startProgram(const std::string& commandLine) {
  return startDetached(commandLine);
}

bool PosixPlatform::playSound(const std::string& wavPath) {
  return playWavAsync(wavPath);
}

OsResult<std::string> PosixPlatform::makeTempFile(const std::string& prefix) {
  std::string dir = envOrEmpty("TMPDIR");
  if (dir.empty()) dir = "/tmp";
  std::string name = prefix;
  std::replace(name.begin(), name.end(), '/', '_');
  name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
  std::string pattern = dir + "/" + name + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = ::mkstemp(buffer.data());
  if (fd < 0) return OsResult<std::string>::failure(osErrorFromErrno(errno, ErrnoContext::Path));
  ::close(fd);
  return std::string(buffer.data());
}

std::string PosixPlatform::profileDirectory() {
  std::string dir = envOrEmpty("DORNWATCH_CONFIG");
  if (dir.empty()) {
    std::string base = envOrEmpty("XDG_CONFIG_HOME");
    if (base.empty()) {
      std::string home = envOrEmpty("HOME");
      if (home.empty()) {
        struct passwd pw {};
        struct passwd* found = nullptr;
        char buffer[4096];
        if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found)
          home = found->pw_dir;
      }
      if (home.empty()) home = "/tmp";
      base = home + "/.config";
    }
    dir = base + "/dornwatch";
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  makeDirectories(dir);
  return dir;
}

std::string PosixPlatform::executablePath() {
  std::vector<char> buffer(4096);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return std::string();
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string osErrorText(OsError error) {
  // The errno each code stands for most often, described by the system.
  static const struct {
    OsError code;
    int err;
  } kErrnos[] = {
      {kFileNotFound, ENOENT},     {kPathNotFound, ENOTDIR},
      {kTooManyOpenFiles, EMFILE}, {kAccessDenied, EACCES},
      {kInvalidHandle, EBADF},     {kNotEnoughMemory, ENOMEM},
      {kWriteProtect, EROFS},      {kWriteFault, EIO},
      {kReadFault, EIO},           {kGeneralFailure, EIO},
      {kSharingViolation, EBUSY},  {kLockViolation, EAGAIN},
      {kHandleDiskFull, ENOSPC},   {kNotSupported, ENOTSUP},
      {kFileExists, EEXIST},       {kInvalidParameter, EINVAL},
      {kDiskFull, ENOSPC},         {kDirNotEmpty, ENOTEMPTY},
      {kAlreadyExists, EEXIST},    {kFilenameTooLong, ENAMETOOLONG},
      {kFileTooLarge, EFBIG},
  };
  for (const auto& e : kErrnos) {
    if (e.code != error) continue;
    char buf[128];
    // The GNU strerror_r returns the text, in buf or elsewhere.
    return ::strerror_r(e.err, buf, sizeof buf);
  }
  return {};
}

}  // namespace dw::platform
