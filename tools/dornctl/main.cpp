// dornctl: the schedule from the command line (docs/dornctl.md): lists,
// shows and changes the tasks of the schedule file while dornwatch runs,
// tells when a task falls due, and moves tasks to and from iCalendar files.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

void printHelp() {
  std::printf(
      "usage: dornctl [--data DIR] COMMAND [ARGUMENTS]\n"
      "\n"
      "Works on the schedule of the data directory that dornwatch uses: --data DIR,\n"
      "else $DORNWATCH_DATA, else $XDG_DATA_HOME/dornwatch (~/.local/share/dornwatch).\n"
      "\n"
      "Commands:\n"
      "  list [--all] [--category NAME] [--where EXPRESSION] [--selected] [--json]\n"
      "      enabled tasks by date and time (--all: disabled tasks and completed\n"
      "      copies too; --where: those for which the expression over SCH:Date,\n"
      "      SCH:Category, SCH:Description, ... is true; --selected: those the\n"
      "      search selected)\n"
      "  select ID..., unselect ID...\n"
      "                     selects tasks as the search does, or unselects them\n"
      "  show ID [--json]   every field of one task, the message included\n"
      "  add [TASK OPTIONS] adds a task; prints its ID\n"
      "  set ID [TASK OPTIONS]\n"
      "                     changes the fields given\n"
      "  remove ID          removes a task and its script steps\n"
      "  enable ID, disable ID, skip ID\n"
      "                     skip: pass over the next occurrence\n"
      "  next ID [-n N] [--from \"YYYY-MM-DD HH:MM:SS\"]\n"
      "  next --schedule KIND [TASK OPTIONS] [-n N] [--from ...]\n"
      "      the next N times (default 10) the task falls due after the moment\n"
      "      (default now), as the timer moves it, one a line\n"
      "  history [--since DATE] [--json]\n"
      "                     completed copies and tasks run by hand\n"
      "  export FILE.ics [--category NAME]\n"
      "                     the tasks as iCalendar events (FILE \"-\": standard output)\n"
      "  import FILE.ics [--category NAME] [--dry-run]\n"
      "                     events as new tasks; prints their IDs\n"
      "  todo list [--json]   the to-do items (ID: the item's record number)\n"
      "  todo add TEXT [--priority N]   a new item (priority 1 to 10, default 5);\n"
      "                     prints its ID\n"
      "  todo done ID, todo undone ID, todo remove ID\n"
      "  categories list [--json]\n"
      "  categories add NAME, categories rename OLD NEW, categories remove NAME\n"
      "                     a category that a task uses cannot be renamed or removed\n"
      "\n"
      "Task options:\n"
      "  --description TEXT         title, at most 40 characters\n"
      "  --type program|message|both|none\n"
      "  --category NAME            at most 20 characters; created when new\n"
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
  // --data DIR (or --data=DIR) may stand anywhere.
  std::vector<std::string> words;
  bool haveData = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--data" || word.rfind("--data=", 0) == 0) {
      if (haveData) return dornctl::usageError("--data: given more than once");
      if (word == "--data" && i + 1 >= argc) return dornctl::usageError("--data: needs a value");
      std::string dir = word == "--data" ? argv[++i] : word.substr(7);
      if (dir.empty()) return dornctl::usageError("--data: needs a value");
      dornctl::setDataOption(dir);
      haveData = true;
      continue;
    }
    words.push_back(word);
  }
  if (words.empty()) {
    dornctl::printHelp();
    return dornctl::kExitUsage;
  }
  const std::string command = words.front();
  dornctl::Arguments args;
  args.words.assign(words.begin() + 1, words.end());
  if (command == "--help" || command == "-h" || command == "help") {
    dornctl::printHelp();
    return dornctl::kExitOk;
  }
  if (command == "next") return dornctl::runNext(args);
  if (command == "list") return dornctl::runList(args);
  if (command == "show") return dornctl::runShow(args);
  if (command == "history") return dornctl::runHistory(args);
  if (command == "add") return dornctl::runAdd(args);
  if (command == "set") return dornctl::runSet(args);
  if (command == "remove") return dornctl::runRemove(args);
  if (command == "enable" || command == "disable" || command == "skip")
    return dornctl::runFlag(command, args);
  if (command == "select" || command == "unselect") return dornctl::runSelect(command, args);
  if (command == "todo") return dornctl::runTodo(args);
  if (command == "categories") return dornctl::runCategories(args);
  if (command == "export") return dornctl::runExport(args);
  if (command == "import") return dornctl::runImport(args);
  // Hidden: the iCalendar mapping of one task, and of a file, without the
  // schedule file.
  if (command == "ical-event") return dornctl::runIcalEvent(args);
  if (command == "ical-read") return dornctl::runIcalRead(args);
  return dornctl::usageError("unknown command " + command + "; see dornctl --help");
}
