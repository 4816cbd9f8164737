// dornctl: the schedule from the command line (docs/dornctl.md).
//
// The commands that work on the schedule file wait for the database layer;
// today the tool computes occurrences of a rule given on the command line
// and maps tasks to and from iCalendar events.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/lang/intl.h"
#include "tools/dornctl/cli.h"

namespace dornctl {

int usageError(std::string_view text) {
  std::fprintf(stderr, "dornctl: %.*s\n", static_cast<int>(text.size()), text.data());
  return kExitUsage;
}

int optionError(const dw::app::OptionError& error) {
  std::fprintf(stderr, "dornctl: %s: %s\n", error.option.c_str(), error.text.c_str());
  return kExitUsage;
}

bool takeTaskOption(Arguments& args, dw::app::TaskOptionList& options, int& exitCode) {
  std::string word = args.words[args.next];
  std::string value;
  const std::size_t eq = word.find('=');
  const bool inline_value = word.rfind("--", 0) == 0 && eq != std::string::npos;
  if (inline_value) {
    value = word.substr(eq + 1);
    word.resize(eq);
  }
  if (!dw::app::isTaskOption(word)) return false;
  ++args.next;
  if (dw::app::isTaskFlag(word)) {
    if (inline_value) {
      exitCode = usageError(word + ": takes no value");
      return false;
    }
  } else if (!inline_value) {
    if (args.done()) {
      exitCode = usageError(word + ": needs a value");
      return false;
    }
    value = args.words[args.next++];
  }
  options.emplace_back(word, value);
  return true;
}

void printHelp() {
  std::printf(
      "usage: dornctl COMMAND [ARGUMENTS]\n"
      "\n"
      "Commands:\n"
      "  next --schedule KIND [TASK OPTIONS] [-n N] [--from \"YYYY-MM-DD HH:MM:SS\"]\n"
      "      the next N times (default 10) a task with this rule falls due after\n"
      "      the moment (default now), as the timer moves it, one a line\n"
      "  next ID            (not available yet: needs the schedule file)\n"
      "  list, show, add, set, remove, enable, disable, skip, history,\n"
      "  export, import     (not available yet: need the schedule file)\n"
      "\n"
      "Task options:\n"
      "  --description TEXT         title, at most 40 characters\n"
      "  --type program|message|both|none\n"
      "  --category NAME            at most 20 characters\n"
      "  --schedule once|yearly|monthly|weekdays|month-weeks|custom\n"
      "  --days mon,tue,...         weekdays (weekdays, month-weeks)\n"
      "  --weeks 1st,2nd,3rd,4th,last   weeks of the month (month-weeks)\n"
      "  --every N --unit minutes|hours|days|weeks|months|years   (custom)\n"
      "  --date YYYY-MM-DD          or in the date picture of the locale\n"
      "  --time HH:MM[:SS]\n"
      "  --command TEXT  --path DIR  --message TEXT  --alarm FILE\n"
      "  --warn                     ask before running a missed occurrence\n"
      "  --ask                      ask before running\n"
      "  --advance DAYS[:HH:MM]     advance warning that long before\n"
      "  --disabled\n"
      "\n"
      "Exit status: 0 success, 1 bad usage or invalid input, 2 a file error.\n");
}

}  // namespace dornctl

int main(int argc, char** argv) {
  // The locale's date picture is one of the forms --date accepts.
  dw::lang::loadIntlSettings();
  dornctl::Arguments args;
  for (int i = 2; i < argc; ++i) args.words.emplace_back(argv[i]);
  const std::string command = argc > 1 ? argv[1] : "";
  if (command.empty()) {
    dornctl::printHelp();
    return dornctl::kExitUsage;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    dornctl::printHelp();
    return dornctl::kExitOk;
  }
  if (command == "next") return dornctl::runNext(args);
  // Hidden: the iCalendar mapping of one task, and of a file, without the
  // schedule file.
  if (command == "ical-event") return dornctl::runIcalEvent(args);
  if (command == "ical-read") return dornctl::runIcalRead(args);
  for (const char* later : {"list", "show", "add", "set", "remove", "enable", "disable", "skip",
                            "history", "export", "import"})
    if (command == later)
      return dornctl::usageError(command +
                                 ": not available in this version (it needs the schedule file); "
                                 "see dornctl --help");
  return dornctl::usageError("unknown command " + command + "; see dornctl --help");
}
