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

#include <time.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string_view>

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

// True when the first bytes of a file read as a script without a "#!" line:
// no NUL byte and no executable-format magic.  Such a file, when the kernel
// refuses it, runs under /bin/sh as a shell would run it.
bool looksLikeScript(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  char head[256];
  ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  if (n < 0) return false;
  std::string_view text(head, static_cast<std::size_t>(n));
  if (text.substr(0, 4) ==
      "\x7f"
      "ELF")
    return false;
  return text.find('\0') == std::string_view::npos;
}

// Closes every descriptor above 2 except `keep`, so that a started program
// holds nothing of ours (no file, and so no lock of a data file, can be kept
// alive by it).  Async-signal-safe.
void closeInheritedDescriptors(int keep) {
  auto closeFrom = [](unsigned first, unsigned last) {
    if (first > last) return;
    if (::close_range(first, last, 0) == 0) return;
    long max = ::sysconf(_SC_OPEN_MAX);
    if (max < 0 || max > 65536) max = 65536;
    for (unsigned fd = first; fd <= last && fd < static_cast<unsigned>(max); ++fd) ::close(int(fd));
  };
  closeFrom(3, static_cast<unsigned>(keep) - 1);
  closeFrom(static_cast<unsigned>(keep) + 1, ~0U);
}

// What the starter learns through its report pipe: a failed exec (with its
// errno) or, when it waits for the program, the program's exit status.
struct Report {
  int kind = 0;  // kExecFailed or kExited
  int value = 0;
};
constexpr int kExecFailed = 1;
constexpr int kExited = 2;
constexpr int kStillRunning = -1;

// How long a START waits for the opener to say whether it could open the
// file; an opener still running then is taken to have opened it.
constexpr int kOpenerVerdictMs = 3000;

void writeReport(int fd, int kind, int value) {
  Report r{kind, value};
  (void)!::write(fd, &r, sizeof r);
}

// Runs program with args detached; kStartedOk or the error.  With
// `verdictMs` the intermediate process waits that long for the program to
// end and reports its exit status (for openers such as xdg-open, which end
// at once with a status that says whether the file could be opened).
std::uint32_t spawnDetached(const std::string& program, const std::vector<std::string>& args,
                            int verdictMs = 0, int* exitStatus = nullptr) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // A text file without "#!" runs under the shell, as a shell would run it.
  bool script = looksLikeScript(program);
  std::string shell = "/bin/sh";
  std::vector<char*> shellArgv{const_cast<char*>("sh"), const_cast<char*>(program.c_str())};
  for (std::size_t i = 1; i < args.size(); ++i) shellArgv.push_back(argv[i]);
  shellArgv.push_back(nullptr);
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
    if (grandchild < 0) ::_exit(1);
    if (grandchild != 0) {
      if (verdictMs > 0) {
        int status = 0;
        int waited = 0;
        pid_t done = 0;
        while ((done = ::waitpid(grandchild, &status, WNOHANG)) == 0 && waited < verdictMs) {
          struct timespec tick {
            0, 20 * 1000 * 1000
          };
          ::nanosleep(&tick, nullptr);
          waited += 20;
        }
        int value = kStillRunning;
        if (done == grandchild) value = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        writeReport(report[1], kExited, value);
      }
      ::_exit(0);
    }
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
    closeInheritedDescriptors(report[1]);
    ::execve(program.c_str(), argv.data(), environ);
    int err = errno;
    if (err == ENOEXEC && script) {
      ::execve(shell.c_str(), shellArgv.data(), environ);
      err = errno;
    }
    writeReport(report[1], kExecFailed, err);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // Reports come until every writer (the program's exec, the waiting
  // intermediate) has closed its end.
  std::uint32_t result = kStartedOk;
  bool childFailed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
  for (;;) {
    Report r;
    ssize_t n = ::read(report[0], &r, sizeof r);
    if (n < 0 && errno == EINTR) continue;
    if (n != static_cast<ssize_t>(sizeof r)) break;
    if (r.kind == kExecFailed) result = execError(r.value);
    if (r.kind == kExited && exitStatus) *exitStatus = r.value;
  }
  ::close(report[0]);
  if (childFailed) return kNotEnoughMemory;
  return result;
}

bool startsWithStart(const std::string& line, std::string* rest) {
  static const char kStart[] = "start";
  if (line.size() < 6 || !isSpace(line[5])) return false;
  for (int i = 0; i < 5; ++i)
    if ((line[i] | 0x20) != kStart[i]) return false;
  std::size_t b = 5;
  while (b < line.size() && isSpace(line[b])) ++b;
  *rest = line.substr(b);
  while (!rest->empty() && isSpace(rest->back())) rest->pop_back();
  return true;
}

// What the desktop opener's exit status means: 2 the file is missing, and
// any other failure (no application for the file, the application failed)
// is the old "no association" result.
constexpr std::uint32_t kNoAssociation = 31;

// "START file": the file named by the rest of the line, taken whole (a name
// may hold blanks and quotes); only when no such file exists and the whole
// name is quoted are the quotes dropped.  The opener's verdict is awaited
// briefly so that a file no application can open is reported as a failed
// start.
std::uint32_t openWithDesktop(std::string target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0 && target.size() >= 2 &&
      (target.front() == '"' || target.front() == '\'') && target.back() == target.front())
    target = target.substr(1, target.size() - 2);
  if (target.empty() || ::stat(target.c_str(), &st) != 0) return kFileNotFound;
  std::uint32_t error;
  std::string opener = findProgram("xdg-open", &error);
  if (opener.empty()) return error;
  int status = kStillRunning;
  std::uint32_t started = spawnDetached(opener, {"xdg-open", target}, kOpenerVerdictMs, &status);
  if (started <= 31) return started;
  if (status == kStillRunning || status == 0) return kStartedOk;
  return status == 2 ? kFileNotFound : kNoAssociation;
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

namespace {

// Words that mean something to the shell when they begin a command:
// reserved words and the built-ins that are not programs on PATH.
bool isShellWord(const std::string& word) {
  static const char* const kWords[] = {
      "!",      "{",       "}",      "if",     "then",     "else",  "elif",     "fi",
      "do",     "done",    "case",   "esac",   "while",    "until", "for",      "in",
      ".",      ":",       "cd",     "export", "exec",     "eval",  "set",      "unset",
      "alias",  "unalias", "ulimit", "umask",  "readonly", "shift", "trap",     "wait",
      "source", "return",  "exit",   "break",  "continue", "local", "function", "select",
  };
  for (const char* w : kWords)
    if (word == w) return true;
  return false;
}

// True when the line begins with an assignment such as VAR=value.
bool startsWithAssignment(const std::string& line) {
  std::size_t i = 0;
  while (i < line.size() && isSpace(line[i])) ++i;
  std::size_t name = i;
  while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_'))
    ++i;
  return i > name && !std::isdigit(static_cast<unsigned char>(line[name])) && i < line.size() &&
         line[i] == '=';
}

}  // namespace

bool needsShell(const std::string& line) {
  if (startsWithAssignment(line)) return true;
  char quote = 0;
  bool wordStart = true;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote == '\'') {
      if (c == '\'') quote = 0;
      continue;
    }
    if (c == '$' || c == '`') return true;  // expanded even inside double quotes
    if (c == '\\') {
      ++i;
      wordStart = false;
      continue;
    }
    if (quote == '"') {
      if (c == '"') quote = 0;
      continue;
    }
    if (isSpace(c)) {
      if (c == '\n') return true;  // a second command
      wordStart = true;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      wordStart = false;
      continue;
    }
    // Operators, subshells and patterns anywhere; a home-directory tilde and
    // a comment only where a word begins.
    if (std::string_view("|&;<>()*?[").find(c) != std::string_view::npos) return true;
    if (wordStart && (c == '~' || c == '#')) return true;
    wordStart = false;
  }
  auto words = splitCommandLine(line);
  return words && !words->empty() && isShellWord(words->front());
}

std::uint32_t startDetached(const std::string& commandLine) {
  if (commandLine.find('\0') != std::string::npos) return kBadFormat;
  std::string target;
  if (startsWithStart(commandLine, &target)) return openWithDesktop(target);
  auto words = splitCommandLine(commandLine);
  if (!words) return kBadFormat;
  if (words->empty()) return kFileNotFound;
  if (needsShell(commandLine)) return spawnDetached("/bin/sh", {"sh", "-c", commandLine});
  std::uint32_t error;
  std::string program = findProgram(words->front(), &error);
  if (program.empty()) return error;
  return spawnDetached(program, *words);
}

}  // namespace dw::platform
