// Program start: word splitting, PATH search and a detached start.
//
// The start is a double fork: the child forks the program's process and
// exits at once, so the caller reaps it straight away and the program,
// orphaned, belongs to init: no zombie is left and nothing waits for the
// program.  Whether the program's exec worked comes back through a pipe
// that the exec closes (close-on-exec); a failed exec writes its errno
// there first.  Between fork and exec only async-signal-safe calls are
// made; everything else is prepared before the fork.
#include "runtime/platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "runtime/platform/os_error.h"
#include "runtime/platform/posix_platform.h"

extern char** environ;

namespace dw::platform {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// What an exec failure means to the caller.
std::uint32_t execError(int err) {
  if (err == ENOEXEC) return kBadFormat;
  if (err == ENOENT) return kFileNotFound;
  OsError e = osErrorFromErrno(err, ErrnoContext::General);
  return e <= 31 ? e : kGeneralFailure;
}

// The program file for `word`: searched on PATH unless it holds a "/".
// Sets *error to 2 (not found), 3 (directory missing) or 5 (not runnable).
std::string findProgram(const std::string& word, std::uint32_t* error) {
  auto runnable = [&](const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode) || ::access(path.c_str(), X_OK) != 0) {
      *error = kAccessDenied;
      return false;
    }
    return true;
  };
  *error = kFileNotFound;
  if (word.find('/') != std::string::npos) {
    if (runnable(word)) return word;
    if (*error == kFileNotFound) {
      std::string dir = word.substr(0, word.rfind('/'));
      struct stat st {};
      if (!dir.empty() && ::stat(dir.c_str(), &st) != 0) *error = kPathNotFound;
    }
    return std::string();
  }
  const char* env = std::getenv("PATH");
  std::string path = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::uint32_t found = kFileNotFound;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t colon = path.find(':', pos);
    if (colon == std::string::npos) colon = path.size();
    std::string dir = path.substr(pos, colon - pos);
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + word;
    *error = kFileNotFound;
    if (runnable(candidate)) return candidate;
    if (*error == kAccessDenied) found = kAccessDenied;
    pos = colon + 1;
  }
  *error = found;
  return std::string();
}

// Runs program with args detached; kStartedOk or the error.
std::uint32_t spawnDetached(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return kTooManyOpenFiles;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return kNotEnoughMemory;
  }
  if (child == 0) {
    ::close(report[0]);
    pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    ::setsid();
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP}) ::signal(sig, SIG_DFL);
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      if (devnull != 0) ::close(devnull);
    }
    ::execve(program.c_str(), argv.data(), environ);
    int err = errno;
    (void)!::write(report[1], &err, sizeof err);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return kNotEnoughMemory;
  if (n == static_cast<ssize_t>(sizeof err)) return execError(err);
  return kStartedOk;
}

bool startsWithStart(const std::string& line, std::string* rest) {
  static const char kStart[] = "start";
  if (line.size() < 6 || !isSpace(line[5])) return false;
  for (int i = 0; i < 5; ++i)
    if ((line[i] | 0x20) != kStart[i]) return false;
  std::size_t b = 5;
  while (b < line.size() && isSpace(line[b])) ++b;
  *rest = line.substr(b);
  return true;
}

}  // namespace

std::optional<std::vector<std::string>> splitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  std::size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (isSpace(c)) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      ++i;
      continue;
    }
    inWord = true;
    if (c == '\\') {
      if (i + 1 >= line.size()) return std::nullopt;
      word += line[i + 1];
      i += 2;
    } else if (c == '\'') {
      auto close = line.find('\'', i + 1);
      if (close == std::string::npos) return std::nullopt;
      word += line.substr(i + 1, close - i - 1);
      i = close + 1;
    } else if (c == '"') {
      ++i;
      for (;;) {
        if (i >= line.size()) return std::nullopt;
        char d = line[i];
        if (d == '"') break;
        if (d == '\\' && i + 1 < line.size() &&
            std::string("\\\"$`").find(line[i + 1]) != std::string::npos) {
          word += line[i + 1];
          i += 2;
        } else {
          word += d;
          ++i;
        }
      }
      ++i;
    } else {
      word += c;
      ++i;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

bool needsShell(const std::string& line) {
  char quote = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote == '\'') {
      if (c == '\'') quote = 0;
      continue;
    }
    if (c == '\\') {
      ++i;
      continue;
    }
    if (c == '$' || c == '`') return true;  // expanded even inside double quotes
    if (quote == '"') {
      if (c == '"') quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    if (c == '|' || c == '>' || c == '<' || c == ';' || c == '&') return true;
  }
  return false;
}

std::uint32_t startDetached(const std::string& commandLine) {
  if (commandLine.find('\0') != std::string::npos) return kBadFormat;
  auto words = splitCommandLine(commandLine);
  if (!words) return kBadFormat;
  if (words->empty()) return kFileNotFound;
  std::string target;
  if (startsWithStart(commandLine, &target)) {
    auto file = splitCommandLine(target);
    if (file && file->size() == 1) target = file->front();
    struct stat st {};
    if (target.empty() || ::stat(target.c_str(), &st) != 0) return kFileNotFound;
    std::uint32_t error;
    std::string opener = findProgram("xdg-open", &error);
    if (opener.empty()) return error;
    return spawnDetached(opener, {"xdg-open", target});
  }
  if (needsShell(commandLine)) return spawnDetached("/bin/sh", {"sh", "-c", commandLine});
  std::uint32_t error;
  std::string program = findProgram(words->front(), &error);
  if (program.empty()) return error;
  return spawnDetached(program, *words);
}

}  // namespace dw::platform
