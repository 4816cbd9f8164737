// Hidden dornctl commands over the iCalendar mapping, until export and
// import have the schedule file to work on:
//   dornctl ical-event [TASK OPTIONS]   the calendar of one task, on stdout
//   dornctl ical-read FILE.ics          each event as the options of the
//                                       task it becomes, one line each;
//                                       what is not mapped on stderr
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "app/core/ical_mapping.h"
#include "runtime/lang/dates.h"
#include "tools/dornctl/cli.h"

namespace dornctl {
namespace {

// A value as one shell word.
std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

int runIcalEvent(Arguments args) {
  dw::app::TaskOptionList options;
  while (!args.done()) {
    int exitCode = kExitOk;
    if (takeTaskOption(args, options, exitCode)) continue;
    if (exitCode != kExitOk) return exitCode;
    return usageError("ical-event: unknown argument " + args.words[args.next]);
  }
  const int today = dw::lang::today();
  dw::app::TaskDraft draft;
  dw::app::primeNewTask(draft.record, today, dw::lang::clockTime());
  if (auto e = dw::app::applyTaskOptions(options, true, today, draft)) return optionError(*e);
  draft.record.ID = 1;
  std::fputs(dw::app::exportCalendar({draft}, std::time(nullptr)).c_str(), stdout);
  return kExitOk;
}

int runIcalRead(Arguments args) {
  if (args.words.size() != 1) return usageError("usage: dornctl ical-read FILE.ics");
  const std::string& path = args.words[0];
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "dornctl: %s: %s\n", path.c_str(), std::strerror(errno));
    return kExitFile;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const dw::app::IcalImport result = dw::app::importCalendar(text.str(), dw::lang::today());
  if (result.error) return usageError(path + ": " + *result.error);
  for (const std::string& note : result.notes)
    std::fprintf(stderr, "%s: %s\n", path.c_str(), note.c_str());
  for (const dw::app::ImportedTask& t : result.tasks) {
    std::string line = "add";
    for (const auto& [name, value] : t.options)
      line += " " + name + (dw::app::isTaskFlag(name) ? "" : " " + quoted(value));
    std::printf("%s\n", line.c_str());
  }
  return kExitOk;
}

}  // namespace dornctl
