// Running the brk tool as a real process from a test: a loader fed through
// a pipe whose progress lines the test reads and which it can kill at a
// moment of its choosing, and one-shot runs whose output it inspects.
//
// The tool is found through $DW_BRK, else beside the test programs' folder
// (build/X/brk for build/X/tests/*_tests).  Used by one test thread.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace dw::testing {

// A fresh folder, removed with its content at the end: in memory (/dev/shm)
// when asked for and available, else under the temporary directory.  Tests
// of kills and of locking between processes run there: a killed process
// leaves what it wrote in the page cache on any file system, and locks do
// not depend on the disk, so only the waits for the disk at every commit
// are saved.  Tests of power loss use the test platform, not this.
class ScratchDir {
 public:
  explicit ScratchDir(bool inMemory) {
    const bool shm =
        inMemory && std::filesystem::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0;
    std::string t = shm ? "/dev/shm/dwtestXXXXXX"
                        : (std::filesystem::temp_directory_path() / "dwtestXXXXXX").string();
    if (::mkdtemp(t.data())) m_path = t;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline std::string brkPath() {
  if (const char* p = std::getenv("DW_BRK"); p && *p) return p;
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (self.parent_path().parent_path() / "brk").string();
}

class ToolProcess {
 public:
  ToolProcess() = default;
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;
  ~ToolProcess() {
    closeInput();
    if (m_out >= 0) ::close(m_out);
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      (void)finish();
    }
  }

  // Starts the program with its arguments, standard input and output on
  // pipes, standard error into `errorFile` (empty: with the output).  False
  // when it cannot start.
  bool start(const std::string& program, const std::vector<std::string>& args,
             const std::string& errorFile = "/dev/null") {
    ::signal(SIGPIPE, SIG_IGN);  // a dead reader gives EPIPE, not a signal
    int in[2], out[2];
    if (::pipe(in) != 0) return false;
    if (::pipe(out) != 0) {
      ::close(in[0]);
      ::close(in[1]);
      return false;
    }
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
      const int err =
          errorFile.empty() ? -1 : ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err >= 0 ? err : out[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err}) {
        if (fd > 2) ::close(fd);
      }
      ::execv(argv[0], argv.data());
      _exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
    return m_pid > 0;
  }

  // Writes to the program's standard input (false once it is gone).
  bool write(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size() && m_in >= 0) {
      const ssize_t n = ::write(m_in, text.data() + done, text.size() - done);
      if (n <= 0) return false;
      done += std::size_t(n);
    }
    return done == text.size();
  }
  void closeInput() {
    if (m_in >= 0) ::close(m_in);
    m_in = -1;
  }

  // Reads output lines until one equals `line`: false at the end of the
  // output or after `timeoutMs` without any output.
  bool waitForLine(const std::string& line, int timeoutMs = 60000) {
    for (;;) {
      const std::size_t nl = m_buffer.find('\n');
      if (nl != std::string::npos) {
        const std::string got = m_buffer.substr(0, nl);
        m_buffer.erase(0, nl + 1);
        m_lines.push_back(got);
        if (got == line) return true;
        continue;
      }
      pollfd p{m_out, POLLIN, 0};
      if (::poll(&p, 1, timeoutMs) != 1) return false;
      char buf[4096];
      const ssize_t n = ::read(m_out, buf, sizeof buf);
      if (n <= 0) return false;
      m_buffer.append(buf, std::size_t(n));
    }
  }
  const std::vector<std::string>& linesSeen() const { return m_lines; }
  // Output read after the last whole line.
  const std::string& rest() const { return m_buffer; }

  // Whether the process has ended (it is then reaped; finish() gives -1).
  bool ended() {
    if (m_pid <= 0) return true;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
    m_status = status;
    m_pid = -1;
    return true;
  }

  // SIGKILL now; the wait status.
  int killNow() {
    if (m_pid > 0) ::kill(m_pid, SIGKILL);
    return finish();
  }
  // Waits for the end; the wait status (-1 when there is no process).
  int finish() {
    int status = m_status;
    if (m_pid > 0 && ::waitpid(m_pid, &status, 0) != m_pid) status = -1;
    m_pid = -1;
    m_status = -1;
    return status;
  }

 private:
  pid_t m_pid = -1;
  int m_status = -1;  // of a process found ended
  int m_in = -1;
  int m_out = -1;
  std::string m_buffer;
  std::vector<std::string> m_lines;
};

struct ToolRun {
  int exitCode = -1;  // -1: did not exit normally
  std::string out;
};

// Runs the program to its end with `input` on standard input.
inline ToolRun runTool(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input = {}) {
  ToolRun r;
  ToolProcess p;
  if (!p.start(program, args, {})) return r;
  p.write(input);
  p.closeInput();
  while (p.waitForLine("\x01never\x01")) {
  }
  for (const std::string& l : p.linesSeen()) r.out += l + "\n";
  r.out += p.rest();
  const int status = p.finish();
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  return r;
}

}  // namespace dw::testing
