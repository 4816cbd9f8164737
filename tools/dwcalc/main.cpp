// dwcalc: a console for the runtime's language core.  Options first, then
// either one command on the command line or one command per line of
// standard input; one line of output per command (see commands.h).
// Exit status: 0 when every command succeeded, 1 otherwise, 2 for a bad
// option.
#include <cstdio>
#include <iostream>
#include <string>

#include "runtime/lang/intl.h"
#include "tools/dwcalc/commands.h"

namespace {

void printUsage() {
  std::cerr << "usage: dwcalc [--option VALUE ...] [COMMAND ARGS...]\n"
               "Without a command, reads one command per line from standard input.\n"
               "Commands:\n";
  for (const dwcalc::Command* c : dwcalc::allCommands()) std::cerr << "  " << c->usage << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  // The locale settings ([intl] of WIN.INI in the profile directory) come
  // first, as at the runtime's start-up; --env then overrides them.
  dw::lang::loadIntlSettings();
  int i = 1;
  for (; i < argc; ++i) {
    std::string word = argv[i];
    if (word.rfind("--", 0) != 0) break;
    if (word == "--help") {
      printUsage();
      return 0;
    }
    std::string value;
    std::size_t eq = word.find('=');
    if (eq != std::string::npos) {
      value = word.substr(eq + 1);
      word.resize(eq);
    }
    const dwcalc::Option* option = dwcalc::findOption(word);
    if (option == nullptr) {
      std::cerr << "dwcalc: unknown option " << word << '\n';
      printUsage();
      return 2;
    }
    if (option->arg == dwcalc::OptionArg::Required && eq == std::string::npos) {
      if (i + 1 >= argc) {
        std::cerr << "dwcalc: " << word << " needs a value\n";
        return 2;
      }
      value = argv[++i];
    }
    std::string why = option->apply(value);
    if (!why.empty()) std::cerr << "dwcalc: " << word << ": " << why << '\n';
  }

  bool allOk = true;
  if (i < argc) {
    std::string line;
    for (int k = i; k < argc; ++k) {
      if (k > i) line += ' ';
      line += argv[k];
    }
    bool ok = false;
    std::cout << dwcalc::runCommandLine(line, ok) << '\n';
    allOk = ok;
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
      bool ok = false;
      std::cout << dwcalc::runCommandLine(line, ok) << '\n' << std::flush;
      allOk = allOk && ok;
    }
  }
  return allOk ? 0 : 1;
}
