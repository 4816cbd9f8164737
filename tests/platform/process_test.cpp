// Program start: word splitting, shell detection, start results, and real
// detached programs that run in the current directory and outlive their
// starter.
#include "runtime/platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>

#include <fstream>
#include <sstream>
#include <thread>

#include "runtime/platform/posix_platform.h"
#include "tests/platform/temp_dir.h"

namespace dw::platform {
namespace {

using testing::TempDir;
using Words = std::vector<std::string>;

TEST(CommandLine, SplitsAsAShellWould) {
  const std::pair<const char*, Words> cases[] = {
      {"prog a b", {"prog", "a", "b"}},
      {"  prog\t a  ", {"prog", "a"}},
      {"prog 'a b' \"c d\"", {"prog", "a b", "c d"}},
      {"prog a\\ b", {"prog", "a b"}},
      {"prog \"x\\\"y\" 'it\\'", {"prog", "x\"y", "it\\"}},
      {"prog \"a\\nb\"", {"prog", "a\\nb"}},
      {"prog ab'cd'\"ef\"", {"prog", "abcdef"}},
      {"prog ''", {"prog", ""}},
      {"", {}},
      {"   ", {}},
  };
  for (const auto& [line, words] : cases) {
    auto got = splitCommandLine(line);
    ASSERT_TRUE(got.has_value()) << line;
    EXPECT_EQ(*got, words) << line;
  }
  for (const char* bad : {"prog 'open", "prog \"open", "prog trailing\\", "\"", "'a\"b"})
    EXPECT_FALSE(splitCommandLine(bad).has_value()) << bad;
}

TEST(CommandLine, ShellSyntaxOutsideSingleQuotes) {
  const std::pair<const char*, bool> cases[] = {
      {"ls | wc", true},
      {"echo a > f", true},
      {"sort < f", true},
      {"a; b", true},
      {"a && b", true},
      {"echo $HOME", true},
      {"echo `date`", true},
      {"echo \"$HOME\"", true},
      {"prog 'a|b>c;d&$e'", false},
      {"prog \"a|b\"", false},
      {"prog a\\|b", false},
      {"notepad file.txt", false},
      // Patterns, tildes, comments, assignments, subshells and built-ins
      // mean a shell too; the same characters quoted or inside a word don't.
      {"rm /tmp/cache/*.tmp", true},
      {"ls file?.txt", true},
      {"ls [ab].txt", true},
      {"cat ~/notes", true},
      {"prog a # note", true},
      {"LANG=C sort f", true},
      {"(cd /tmp)", true},
      {"cd /tmp", true},
      {"export A", true},
      {"a\nb", true},
      {"prog 'x*y'", false},
      {"prog \"~/a\"", false},
      {"prog a~b c#d", false},
      {"prog a=b", false},
      {"prog --opt=1", false},
      {"prog \\*", false},
  };
  for (const auto& [line, shell] : cases) EXPECT_EQ(needsShell(line), shell) << line;
}

TEST(StartProgram, FailuresGiveSmallCodes) {
  TempDir dir;
  std::string script = dir.file("noexec.sh");
  std::ofstream(script) << "#!/bin/sh\n";
  ::chmod(script.c_str(), 0644);
  std::string junk = dir.file("junk");
  std::ofstream(junk) << "\x7f"
                         "ELF garbage";
  ::chmod(junk.c_str(), 0755);
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"no-such-program-dw --flag", kFileNotFound},
      {dir.file("missing"), kFileNotFound},
      {dir.file("nodir/prog"), kPathNotFound},
      {script, kAccessDenied},
      {dir.path(), kAccessDenied},
      {junk, kBadFormat},
      {"", kFileNotFound},
      {"   ", kFileNotFound},
      {"prog 'unbalanced", kBadFormat},
      {"START " + dir.file("missing.txt"), kFileNotFound},
  };
  for (const auto& [line, code] : cases) {
    EXPECT_EQ(startDetached(line), code) << line;
  }
}

bool waitForFile(const std::string& path, std::chrono::milliseconds limit) {
  auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    std::ifstream in(path);
    std::string line;
    if (in && std::getline(in, line) && !line.empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(StartProgram, RunsInTheCurrentDirectoryAndOutlivesItsStarter) {
  TempDir dir;
  PosixPlatform p;
  std::string old = p.currentDirectory();
  // The starter is a child process that starts the program and exits at once.
  pid_t starter = ::fork();
  if (starter == 0) {
    if (!p.setCurrentDirectory(dir.path())) ::_exit(100);
    std::uint32_t rc = p.startProgram("sh -c 'sleep 0.3; pwd > where.txt'");
    ::_exit(rc > 31 ? 0 : static_cast<int>(rc));
  }
  int status = 0;
  ::waitpid(starter, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(waitForFile(dir.file("where.txt"), std::chrono::seconds(10)));
  std::ifstream in(dir.file("where.txt"));
  std::string where;
  std::getline(in, where);
  char real[4096];
  ASSERT_NE(::realpath(dir.path().c_str(), real), nullptr);
  EXPECT_EQ(where, real);
  EXPECT_EQ(p.currentDirectory(), old);
}

TEST(StartProgram, ShellLinesAndPathSearchRunWithoutWaiting) {
  TempDir dir;
  auto begin = std::chrono::steady_clock::now();
  EXPECT_GT(startDetached("sleep 3"), 31u);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
  EXPECT_GT(startDetached("echo shell > " + dir.file("out.txt") + " && echo done >> " +
                          dir.file("out.txt")),
            31u);
  ASSERT_TRUE(waitForFile(dir.file("out.txt"), std::chrono::seconds(10)));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::ifstream in(dir.file("out.txt"));
  std::string all((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(all, "shell\ndone\n");
  // No child of ours is left to reap.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// Reads a whole file ("" when missing).
std::string slurp(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Runs a start in the given directory, as the scheduler does.
std::uint32_t startIn(const std::string& dir, const std::string& line) {
  PosixPlatform p;
  std::string old = p.currentDirectory();
  EXPECT_TRUE(p.setCurrentDirectory(dir));
  std::uint32_t rc = p.startProgram(line);
  EXPECT_TRUE(p.setCurrentDirectory(old));
  return rc;
}

TEST(StartProgram, ShellSyntaxOfEveryKindRunsUnderTheShell) {
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.file("cache").c_str(), 0755), 0);
  std::ofstream(dir.file("cache/a.tmp")) << "a";
  std::ofstream(dir.file("cache/keep.txt")) << "k";
  ASSERT_GT(startIn(dir.path(), "rm cache/*.tmp"), 31u);
  for (int i = 0; i < 1000 && ::access(dir.file("cache/a.tmp").c_str(), F_OK) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(::access(dir.file("cache/a.tmp").c_str(), F_OK), 0);
  EXPECT_EQ(::access(dir.file("cache/keep.txt").c_str(), F_OK), 0);

  // An assignment prefix and a comment: the program runs and sees the
  // variable, and the comment is no argument.
  ASSERT_GT(startIn(dir.path(), "DW_WORD=seen sh -c 'echo $DW_WORD \"$#\" > out1.txt' # x y"), 31u);
  ASSERT_TRUE(waitForFile(dir.file("out1.txt"), std::chrono::seconds(10)));
  EXPECT_EQ(slurp(dir.file("out1.txt")), "seen 0\n");

  // A subshell and a built-in.
  ASSERT_GT(startIn(dir.path(), "(touch sub.txt)"), 31u);
  ASSERT_GT(startIn(dir.path(), "cd cache && touch ../cd.txt"), 31u);
  for (const char* made : {"sub.txt", "cd.txt"}) {
    for (int i = 0; i < 1000 && ::access(dir.file(made).c_str(), F_OK) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(::access(dir.file(made).c_str(), F_OK), 0) << made;
  }
}

TEST(StartProgram, TildeExpandsToHome) {
  TempDir dir;
  const char* oldHome = std::getenv("HOME");
  std::string saved = oldHome ? oldHome : "";
  ::setenv("HOME", dir.path().c_str(), 1);
  std::uint32_t rc = startDetached("touch ~/home.txt");
  ::setenv("HOME", saved.c_str(), 1);
  ASSERT_GT(rc, 31u);
  for (int i = 0; i < 1000 && ::access(dir.file("home.txt").c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(::access(dir.file("home.txt").c_str(), F_OK), 0);
}

TEST(StartProgram, ScriptWithoutInterpreterLineRunsUnderTheShell) {
  TempDir dir;
  std::string script = dir.file("plain script");
  std::ofstream(script) << "echo ran \"$1\" > \"$(dirname \"$0\")/ran.txt\"\n";
  ::chmod(script.c_str(), 0755);
  ASSERT_GT(startDetached("'" + script + "' arg"), 31u);
  ASSERT_TRUE(waitForFile(dir.file("ran.txt"), std::chrono::seconds(10)));
  EXPECT_EQ(slurp(dir.file("ran.txt")), "ran arg\n");
}

TEST(StartProgram, StartedProgramInheritsNoDescriptorAboveTwo) {
  TempDir dir;
  // A descriptor without close-on-exec, as one inherited from our own
  // parent, at a number the shell does not use for itself.
  int opened = ::open(dir.file("held").c_str(), O_CREAT | O_RDWR, 0644);
  ASSERT_GE(opened, 0);
  constexpr int kLeaked = 201;
  ASSERT_EQ(::dup2(opened, kLeaked), kLeaked);
  ::close(opened);
  std::string script = dir.file("fds.sh");
  std::ofstream(script) << "#!/bin/sh\nls /proc/$$/fd > \"$1\"\n";
  ::chmod(script.c_str(), 0755);
  ASSERT_GT(startDetached(script + " " + dir.file("fds.txt")), 31u);
  ::close(kLeaked);
  ASSERT_TRUE(waitForFile(dir.file("fds.txt"), std::chrono::seconds(10)));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::istringstream fds(slurp(dir.file("fds.txt")));
  std::string fd;
  int count = 0;
  while (fds >> fd) {
    ++count;
    EXPECT_NE(std::stoi(fd), kLeaked) << "inherited descriptor " << fd;
  }
  EXPECT_GE(count, 3);
}

// A stand-in for the desktop opener on PATH: it records its argument and
// ends with the status given.
class FakeOpener {
 public:
  FakeOpener(const TempDir& dir, int status) {
    ::mkdir(dir.file("bin").c_str(), 0755);
    std::ofstream(dir.file("bin/xdg-open"))
        << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << dir.file("opened.txt") << "\"\nexit " << status
        << "\n";
    ::chmod(dir.file("bin/xdg-open").c_str(), 0755);
    const char* path = std::getenv("PATH");
    m_saved = path ? path : "";
    ::setenv("PATH", (dir.file("bin") + ":" + m_saved).c_str(), 1);
  }
  ~FakeOpener() { ::setenv("PATH", m_saved.c_str(), 1); }

 private:
  std::string m_saved;
};

TEST(StartFile, NameIsTakenWholeAndTheOpenersFailureIsReported) {
  TempDir dir;
  std::string doc = dir.file("Bob's report.doc");
  std::ofstream(doc) << "x";
  {
    FakeOpener opener(dir, 0);
    EXPECT_GT(startDetached("START " + doc), 31u);
    EXPECT_EQ(slurp(dir.file("opened.txt")), doc);
    EXPECT_GT(startDetached("start \"" + doc + "\"  "), 31u);
    EXPECT_EQ(slurp(dir.file("opened.txt")), doc);
  }
  {
    FakeOpener opener(dir, 3);  // no application for this kind of file
    std::uint32_t rc = startDetached("START " + doc);
    EXPECT_LE(rc, 31u);
    EXPECT_NE(rc, 0u);
  }
  {
    FakeOpener opener(dir, 2);
    EXPECT_EQ(startDetached("START " + doc), kFileNotFound);
  }
}

}  // namespace
}  // namespace dw::platform
