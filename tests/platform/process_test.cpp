// Program start: word splitting, shell detection, start results, and real
// detached programs that run in the current directory and outlive their
// starter.
#include "runtime/platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
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
      {"ls | wc", true},       {"echo a > f", true},     {"sort < f", true},
      {"a; b", true},          {"a && b", true},         {"echo $HOME", true},
      {"echo `date`", true},   {"echo \"$HOME\"", true}, {"prog 'a|b>c;d&$e'", false},
      {"prog \"a|b\"", false}, {"prog a\\|b", false},    {"notepad file.txt", false},
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

}  // namespace
}  // namespace dw::platform
