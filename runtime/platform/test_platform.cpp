// TestPlatform: fault injection and crash simulation over the real files.
//
// The journal.  For every file (by device and inode) written since its last
// flush, State keeps the list of changes in the order they happened; each
// change holds the bytes and the size it replaced (its undo image) and what
// it wrote.  A flush of the file empties its list.  crash() then, file by
// file:
//   1. undoes every change, newest first, which restores exactly the
//      contents and size the file had at its last flush;
//   2. applies again, oldest first, the changes (or, for a torn write, the
//      512-byte sectors) that the crash mode says reached the disk.
// Step 2 running in order means a later kept write wins over an earlier one
// wherever they overlap, as it would on the disk.  The journal writes
// through a descriptor of its own, so it works on files already closed,
// renamed or removed, and regardless of locks and share modes.
#include "runtime/platform/test_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "runtime/platform/posix_platform.h"

namespace dw::platform {

namespace {

constexpr std::uint64_t kSector = 512;

// A descriptor closed when the last holder lets go.
struct RawFd {
  int fd = -1;
  ~RawFd() {
    if (fd >= 0) ::close(fd);
  }
};

struct Change {
  bool isWrite = true;
  std::uint64_t offset = 0;    // write: where; truncate: the new size
  std::uint64_t oldSize = 0;   // the size before the change
  std::vector<char> oldBytes;  // the bytes it overwrote or cut off, from offset
  std::vector<char> newBytes;  // write: what it wrote
};

struct Journal {
  std::shared_ptr<RawFd> raw;
  std::vector<Change> changes;
};

using FileKey = std::pair<dev_t, ino_t>;

std::uint64_t rawSize(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void rawWrite(int fd, std::uint64_t offset, const char* data, std::size_t len) {
  while (len > 0) {
    ssize_t n = ::pwrite(fd, data, len, static_cast<off_t>(offset));
    if (n <= 0) return;
    data += n;
    offset += static_cast<std::uint64_t>(n);
    len -= static_cast<std::size_t>(n);
  }
}

std::vector<char> rawRead(int fd, std::uint64_t offset, std::uint64_t len) {
  std::vector<char> out(len);
  std::size_t done = 0;
  while (done < len) {
    ssize_t n = ::pread(fd, out.data() + done, len - done, static_cast<off_t>(offset + done));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  out.resize(done);
  return out;
}

void undo(int fd, const Change& c) {
  // A write's old bytes start where it wrote, a truncation's at its new end.
  if (!c.oldBytes.empty()) rawWrite(fd, c.offset, c.oldBytes.data(), c.oldBytes.size());
  (void)::ftruncate(fd, static_cast<off_t>(c.oldSize));
}

// Applies again what of the change reached the disk: all, nothing, or
// (torn) a random choice of its sectors.
void redo(int fd, const Change& c, CrashMode mode, std::mt19937& rng) {
  int fate = 0;  // 0 kept, 1 lost, 2 torn
  if (mode == CrashMode::DropUnflushed) fate = 1;
  if (mode == CrashMode::TearUnflushed) fate = static_cast<int>(rng() % 3);
  if (!c.isWrite) {
    if (fate != 1) (void)::ftruncate(fd, static_cast<off_t>(c.offset));
    return;
  }
  if (fate == 1) return;
  std::uint64_t pos = c.offset, end = c.offset + c.newBytes.size();
  while (pos < end) {
    std::uint64_t next = std::min(end, (pos / kSector + 1) * kSector);
    if (fate == 0 || (rng() & 1) != 0)
      rawWrite(fd, pos, c.newBytes.data() + (pos - c.offset), next - pos);
    pos = next;
  }
}

}  // namespace

class TestFile;

struct TestPlatform::State {
  mutable std::mutex mutex;
  PosixPlatform real;

  std::optional<std::uint64_t> failAfter;
  std::uint64_t writesSinceFault = 0;
  OsError failError = kWriteFault;
  std::optional<std::uint64_t> diskFull;

  std::function<bool(std::uint64_t)> flushHook;
  CrashMode flushCrashMode = CrashMode::DropUnflushed;
  std::uint32_t flushCrashSeed = 0;
  std::uint64_t flushes = 0;
  std::uint64_t writes = 0;

  bool crashed = false;
  std::uint64_t epoch = 0;
  std::map<FileKey, Journal> journals;
  std::set<TestFile*> files;  // every open TestFile

  std::optional<LocalTime> now;
  std::optional<std::uint32_t> hundredths;
  bool recordStarts = false;
  std::vector<std::string> started;
  std::function<void(const std::string&)> startHook;
  bool refuseWrites = false;
  std::vector<std::string> sounds;
  std::string profileDir;

  // Undoes the journal as `mode` says; every open file dies.  Under mutex.
  void crashLocked(CrashMode mode, std::uint32_t seed);
};

// A file opened through TestPlatform: the real file plus the journal.
class TestFile final : public File {
 public:
  TestFile(std::shared_ptr<TestPlatform::State> state, std::unique_ptr<File> inner,
           std::shared_ptr<RawFd> raw, FileKey key)
      : m_state(std::move(state)),
        m_inner(std::move(inner)),
        m_raw(std::move(raw)),
        m_key(key),
        m_path(m_inner->path()),
        m_seesOtherWrites(m_inner->readsSeeOtherWrites()),
        m_epoch(m_state->epoch) {
    m_state->files.insert(this);  // the caller holds the mutex
  }
  ~TestFile() override {
    std::lock_guard lock(m_state->mutex);
    m_state->files.erase(this);
  }

  void kill() { m_inner.reset(); }

  OsResult<std::size_t> readAt(std::uint64_t offset, void* buffer, std::size_t len) override {
    auto inner = live();
    if (!inner) return OsResult<std::size_t>::failure(kDeviceGone);
    return inner->readAt(offset, buffer, len);
  }

  OsStatus writeAt(std::uint64_t offset, const void* buffer, std::size_t len) override {
    std::lock_guard lock(m_state->mutex);
    if (!m_inner || m_epoch != m_state->epoch) return OsStatus::failure(kDeviceGone);
    ++m_state->writes;
    if (m_state->failAfter && ++m_state->writesSinceFault > *m_state->failAfter)
      return OsStatus::failure(m_state->failError);
    std::uint64_t oldSize = rawSize(m_raw->fd);
    if (m_state->diskFull && offset + len > oldSize && offset + len > *m_state->diskFull)
      return OsStatus::failure(kDiskFull);
    Change c;
    c.offset = offset;
    c.oldSize = oldSize;
    if (offset < oldSize)
      c.oldBytes = rawRead(m_raw->fd, offset, std::min<std::uint64_t>(len, oldSize - offset));
    OsStatus status = m_inner->writeAt(offset, buffer, len);
    if (status) {
      const char* in = static_cast<const char*>(buffer);
      c.newBytes.assign(in, in + len);
      record(std::move(c));
    }
    return status;
  }

  OsStatus flush() override {
    std::function<bool(std::uint64_t)> hook;
    std::uint64_t index;
    {
      std::lock_guard lock(m_state->mutex);
      if (!m_inner || m_epoch != m_state->epoch) return OsStatus::failure(kDeviceGone);
      hook = m_state->flushHook;
      index = m_state->flushes;
    }
    bool crashHere = hook && hook(index);
    std::lock_guard lock(m_state->mutex);
    if (crashHere && !m_state->crashed)
      m_state->crashLocked(m_state->flushCrashMode, m_state->flushCrashSeed);
    if (!m_inner || m_epoch != m_state->epoch) return OsStatus::failure(kDeviceGone);
    ++m_state->flushes;
    m_state->journals.erase(m_key);
    return {};
  }

  OsResult<std::uint64_t> size() override {
    auto inner = live();
    if (!inner) return OsResult<std::uint64_t>::failure(kDeviceGone);
    return inner->size();
  }

  OsStatus truncate(std::uint64_t newSize) override {
    std::lock_guard lock(m_state->mutex);
    if (!m_inner || m_epoch != m_state->epoch) return OsStatus::failure(kDeviceGone);
    std::uint64_t oldSize = rawSize(m_raw->fd);
    if (m_state->diskFull && newSize > oldSize && newSize > *m_state->diskFull)
      return OsStatus::failure(kDiskFull);
    Change c;
    c.isWrite = false;
    c.offset = newSize;
    c.oldSize = oldSize;
    if (newSize < oldSize) c.oldBytes = rawRead(m_raw->fd, newSize, oldSize - newSize);
    OsStatus status = m_inner->truncate(newSize);
    if (status) record(std::move(c));
    return status;
  }

  OsStatus lock(std::uint64_t offset, std::uint64_t length, LockKind kind, LockWait wait) override {
    auto inner = live();
    if (!inner) return OsStatus::failure(kDeviceGone);
    OsStatus status = inner->lock(offset, length, kind, wait);
    if (status && !live()) return OsStatus::failure(kDeviceGone);  // crashed while waiting
    return status;
  }

  OsStatus unlock(std::uint64_t offset, std::uint64_t length) override {
    auto inner = live();
    if (!inner) return OsStatus::failure(kDeviceGone);
    return inner->unlock(offset, length);
  }

  const std::string& path() const override { return m_path; }
  bool readsSeeOtherWrites() const override { return m_seesOtherWrites; }

  OsStatus changeShare(OpenMode mode) override {
    auto inner = live();
    if (!inner) return OsStatus::failure(kDeviceGone);
    return inner->changeShare(mode);
  }

 private:
  // The real file while this one is alive; held by the caller for the
  // length of one call, so that a crash meanwhile cannot free it.
  std::shared_ptr<File> live() {
    std::lock_guard lock(m_state->mutex);
    if (m_epoch != m_state->epoch) return nullptr;
    return m_inner;
  }

  void record(Change c) {
    Journal& j = m_state->journals[m_key];
    if (!j.raw) j.raw = m_raw;
    j.changes.push_back(std::move(c));
  }

  std::shared_ptr<TestPlatform::State> m_state;
  std::shared_ptr<File> m_inner;
  std::shared_ptr<RawFd> m_raw;
  FileKey m_key;
  std::string m_path;
  bool m_seesOtherWrites;
  std::uint64_t m_epoch;
};

void TestPlatform::State::crashLocked(CrashMode mode, std::uint32_t seed) {
  std::mt19937 rng(seed);
  for (auto& [key, journal] : journals) {
    int fd = journal.raw->fd;
    for (auto it = journal.changes.rbegin(); it != journal.changes.rend(); ++it) undo(fd, *it);
    for (const Change& c : journal.changes) redo(fd, c, mode, rng);
  }
  journals.clear();
  for (TestFile* f : files) f->kill();
  crashed = true;
  ++epoch;
}

TestPlatform::TestPlatform() : m_state(std::make_shared<State>()) {}
TestPlatform::~TestPlatform() = default;

void TestPlatform::failWritesAfter(std::uint64_t n, OsError error) {
  std::lock_guard lock(m_state->mutex);
  m_state->failAfter = n;
  m_state->writesSinceFault = 0;
  m_state->failError = error;
}

void TestPlatform::diskFullAt(std::uint64_t bytes) {
  std::lock_guard lock(m_state->mutex);
  m_state->diskFull = bytes;
}

void TestPlatform::clearFaults() {
  std::lock_guard lock(m_state->mutex);
  m_state->failAfter.reset();
  m_state->diskFull.reset();
}

void TestPlatform::onFlush(std::function<bool(std::uint64_t)> hook) {
  std::lock_guard lock(m_state->mutex);
  m_state->flushHook = std::move(hook);
}

void TestPlatform::crashModeAtFlush(CrashMode mode, std::uint32_t seed) {
  std::lock_guard lock(m_state->mutex);
  m_state->flushCrashMode = mode;
  m_state->flushCrashSeed = seed;
}

std::uint64_t TestPlatform::flushCount() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->flushes;
}

std::uint64_t TestPlatform::writeCount() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->writes;
}

std::uint64_t TestPlatform::unflushedCount() const {
  std::lock_guard lock(m_state->mutex);
  std::uint64_t n = 0;
  for (const auto& [key, journal] : m_state->journals) n += journal.changes.size();
  return n;
}

void TestPlatform::crash(CrashMode mode, std::uint32_t seed) {
  std::lock_guard lock(m_state->mutex);
  m_state->crashLocked(mode, seed);
}

bool TestPlatform::crashed() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->crashed;
}

void TestPlatform::reboot() {
  std::lock_guard lock(m_state->mutex);
  m_state->crashed = false;
}

void TestPlatform::setNow(const LocalTime& t) {
  std::lock_guard lock(m_state->mutex);
  m_state->now = t;
}

void TestPlatform::setHundredths(std::uint32_t h) {
  std::lock_guard lock(m_state->mutex);
  m_state->hundredths = h;
}

void TestPlatform::useRealClock() {
  std::lock_guard lock(m_state->mutex);
  m_state->now.reset();
  m_state->hundredths.reset();
}

void TestPlatform::recordProgramStarts(bool on) {
  std::lock_guard lock(m_state->mutex);
  m_state->recordStarts = on;
}

std::vector<std::string> TestPlatform::startedPrograms() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->started;
}

void TestPlatform::refuseWriteAccess(bool on) {
  std::lock_guard lock(m_state->mutex);
  m_state->refuseWrites = on;
}

void TestPlatform::onProgramStart(std::function<void(const std::string&)> hook) {
  std::lock_guard lock(m_state->mutex);
  m_state->startHook = std::move(hook);
}

std::vector<std::string> TestPlatform::playedSounds() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->sounds;
}

void TestPlatform::setProfileDirectory(const std::string& dir) {
  std::lock_guard lock(m_state->mutex);
  m_state->profileDir = dir;
}

OsResult<std::unique_ptr<File>> TestPlatform::open(const std::string& path, OpenMode mode,
                                                   Disposition disposition) {
  using Result = OsResult<std::unique_ptr<File>>;
  std::lock_guard lock(m_state->mutex);
  if (m_state->crashed) return Result::failure(kDeviceGone);
  if (m_state->refuseWrites && mode.access != Access::Read) return Result::failure(kAccessDenied);
  auto inner = m_state->real.open(path, mode, disposition);
  if (!inner) return Result::failure(inner.error());
  auto raw = std::make_shared<RawFd>();
  raw->fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (raw->fd < 0) raw->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st {};
  if (raw->fd < 0 || ::fstat(raw->fd, &st) != 0) return Result::failure(kGeneralFailure);
  // Creating counts as durable at once: the file's older unflushed writes
  // went with its old contents.
  if (disposition == Disposition::CreateAlways) m_state->journals.erase({st.st_dev, st.st_ino});
  return Result(std::make_unique<TestFile>(m_state, std::move(*inner), std::move(raw),
                                           FileKey{st.st_dev, st.st_ino}));
}

OsStatus TestPlatform::remove(const std::string& path) {
  std::lock_guard lock(m_state->mutex);
  if (m_state->crashed) return OsStatus::failure(kDeviceGone);
  return m_state->real.remove(path);
}

OsStatus TestPlatform::rename(const std::string& from, const std::string& to) {
  std::lock_guard lock(m_state->mutex);
  if (m_state->crashed) return OsStatus::failure(kDeviceGone);
  return m_state->real.rename(from, to);
}

OsStatus TestPlatform::replace(const std::string& from, const std::string& to) {
  std::lock_guard lock(m_state->mutex);
  if (m_state->crashed) return OsStatus::failure(kDeviceGone);
  return m_state->real.replace(from, to);
}

OsStatus TestPlatform::copy(const std::string& from, const std::string& to) {
  std::lock_guard lock(m_state->mutex);
  if (m_state->crashed) return OsStatus::failure(kDeviceGone);
  if (m_state->failAfter && m_state->writesSinceFault >= *m_state->failAfter)
    return OsStatus::failure(m_state->failError);
  return m_state->real.copy(from, to);
}

bool TestPlatform::exists(const std::string& path) {
  return m_state->real.exists(path);
}

LocalTime TestPlatform::now() {
  {
    std::lock_guard lock(m_state->mutex);
    if (m_state->now) return *m_state->now;
  }
  return m_state->real.now();
}

std::uint32_t TestPlatform::hundredthsSinceStart() {
  {
    std::lock_guard lock(m_state->mutex);
    if (m_state->hundredths) return *m_state->hundredths;
  }
  return m_state->real.hundredthsSinceStart();
}

std::string TestPlatform::currentDirectory() {
  return m_state->real.currentDirectory();
}

OsStatus TestPlatform::setCurrentDirectory(const std::string& path) {
  return m_state->real.setCurrentDirectory(path);
}

std::uint32_t TestPlatform::startProgram(const std::string& commandLine) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard lock(m_state->mutex);
    if (!m_state->recordStarts) return m_state->real.startProgram(commandLine);
    m_state->started.push_back(commandLine);
    hook = m_state->startHook;
  }
  if (hook) hook(commandLine);
  return 33;
}

bool TestPlatform::playSound(const std::string& wavPath) {
  {
    std::lock_guard lock(m_state->mutex);
    if (m_state->recordStarts) {
      m_state->sounds.push_back(wavPath);
      return ::access(wavPath.c_str(), R_OK) == 0;
    }
  }
  return m_state->real.playSound(wavPath);
}

OsResult<std::string> TestPlatform::makeTempFile(const std::string& prefix) {
  return m_state->real.makeTempFile(prefix);
}

std::string TestPlatform::profileDirectory() {
  {
    std::lock_guard lock(m_state->mutex);
    if (!m_state->profileDir.empty()) return m_state->profileDir;
  }
  return m_state->real.profileDirectory();
}

std::string TestPlatform::executablePath() {
  return m_state->real.executablePath();
}

}  // namespace dw::platform
