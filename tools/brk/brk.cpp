// brk: the database tool.  One command per file of this folder; this file
// only parses the common options and dispatches.  docs/brk.md describes
// every command.
//
// Exit codes: 0 success, 1 the file or its content is at fault, 2 bad usage
// or a file that cannot be opened.  Consistency halts of the engine are
// caught by the commands and reported as damage (exit 1).
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "runtime/lang/errors.h"
#include "tools/brk/brk_commands.h"

namespace dw::brk {

std::string BrkArgs::option(const std::string& name, const std::string& fallback) const {
  for (std::size_t i = 0; i + 1 < options.size(); ++i) {
    if (options[i] == name) return options[i + 1];
  }
  return fallback;
}

bool BrkArgs::flag(const std::string& name) const {
  for (const std::string& o : options)
    if (o == name) return true;
  return false;
}

namespace {

struct Command {
  const char* name;
  int (*run)(const BrkArgs&);
  const char* usage;
};

// One line per command.
const Command kCommands[] = {
    {"info", cmdInfo, "info FILE [--password PW]"},
    {"check", cmdCheck, "check FILE [--password PW]"},
    {"sample", cmdSample, "sample FILE N [--password PW]"},
    {"tables", cmdTables, "tables FILE [--definition] [--password PW]"},
    {"create", cmdCreate, "create FILE\\!TABLE DEFFILE [--replace] [--password PW]"},
    {"dump", cmdDump, "dump FILE\\!TABLE [--key NAME] [--csv] [--password PW]"},
    {"load", cmdLoad,
     "load FILE\\!TABLE [--batch N | --transaction] [--progress] [--password PW] < CSV"},
    {"build", cmdBuild, "build FILE\\!TABLE [KEY] [--password PW]"},
};

// Options that take a value.
const std::set<std::string> kValued = {"--password", "--key", "--batch"};

int usage() {
  const char* lead = "usage: brk ";
  for (const Command& c : kCommands) {
    std::fprintf(stderr, "%s%s\n", lead, c.usage);
    lead = "       brk ";
  }
  return 2;
}

}  // namespace
}  // namespace dw::brk

int main(int argc, char** argv) {
  using namespace dw::brk;
  std::vector<std::string> all(argv + 1, argv + argc);
  if (all.empty()) return usage();
  BrkArgs args;
  for (std::size_t i = 1; i < all.size(); ++i) {
    const std::string& a = all[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      args.options.push_back(a);
      if (kValued.count(a)) {
        if (i + 1 >= all.size()) return usage();
        args.options.push_back(all[++i]);
      }
    } else {
      args.positional.push_back(a);
    }
  }
  args.password = args.option("--password");
  dw::lang::setHaltThrowsForTesting(true);
  for (const Command& c : kCommands) {
    if (all[0] != c.name) continue;
    const int rc = c.run(args);
    return rc < 0 ? usage() : rc;
  }
  return usage();
}
