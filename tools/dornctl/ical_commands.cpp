// dornctl's iCalendar commands (app/exchange/ical_mapping.h):
//   export FILE.ics [--category NAME]   the tasks as events ("-": stdout)
//   import FILE.ics [--category NAME] [--dry-run]
//                                       events as new tasks, in one
//                                       transaction; prints their IDs
// and two hidden ones that work without the schedule file:
//   ical-event [TASK OPTIONS]           the calendar of one task, on stdout
//   ical-read FILE.ics                  each event as the options of the
//                                       task it becomes, one line each;
//                                       what is not mapped on stderr
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include <filesystem>
#include <system_error>

#include "app/exchange/ical_mapping.h"
#include "app/exchange/schedule_store.h"
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

// The file and the options of export and import.
struct IcalArguments {
  std::string file;
  std::optional<std::string> category;
  bool dryRun = false;
};

int parseIcalArguments(const std::string& command, Arguments& args, bool allowDryRun,
                       IcalArguments& out) {
  bool haveFile = false;
  while (!args.done()) {
    const std::string& word = args.words[args.next];
    int error = kExitOk;
    if (takeNamedValue(args, "--category", out.category, error)) {
      if (error != kExitOk) return error;
      continue;
    }
    if (allowDryRun && word == "--dry-run") {
      out.dryRun = true;
      ++args.next;
      continue;
    }
    if (haveFile || (word.rfind("-", 0) == 0 && word != "-"))
      return usageError(command + ": unexpected argument " + word + "; see dornctl --help");
    out.file = word;
    haveFile = true;
    ++args.next;
  }
  if (!haveFile) return usageError(command + ": a file name is required");
  return kExitOk;
}

// Writes `text` to `path` whole or not at all: a file beside it, renamed
// over it when complete.
bool writeWhole(const std::string& path, const std::string& text, std::string& error) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = std::strerror(errno);
      return false;
    }
    out << text;
    out.flush();
    if (!out) {
      error = std::strerror(errno);
      out.close();
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    error = ec.message();
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int runExport(Arguments args) {
  IcalArguments a;
  if (int rc = parseIcalArguments("export", args, false, a)) return rc;
  // The file is named from where the command was given, before the data
  // directory becomes current.
  std::error_code ec;
  const std::string target =
      a.file == "-" ? a.file : std::filesystem::absolute(a.file, ec).string();
  dw::app::ScheduleStore store(dw::app::StoreAccess::Read);
  if (int rc = openStore(store, dw::app::StoreAccess::Read)) return rc;
  std::vector<dw::app::TaskDraft> records, tasks;
  if (auto fault = store.records(records)) return fileError(*fault);
  for (dw::app::TaskDraft& t : records) {
    if (t.record.Completed) continue;
    if (a.category && lowerCase(t.record.Category.trimmed()) != lowerCase(*a.category)) continue;
    if (!dw::app::exportable(t.record)) {
      std::fprintf(stderr, "dornctl: task %d left out: it has no date from 1801 to 2099\n",
                   static_cast<int>(t.record.ID));
      continue;
    }
    tasks.push_back(std::move(t));
  }
  const std::string text = dw::app::exportCalendar(tasks, std::time(nullptr));
  if (target == "-") {
    std::fputs(text.c_str(), stdout);
    return kExitOk;
  }
  std::string error;
  if (!writeWhole(target, text, error)) {
    std::fprintf(stderr, "dornctl: %s: %s\n", a.file.c_str(), error.c_str());
    return kExitFile;
  }
  return kExitOk;
}

int runImport(Arguments args) {
  IcalArguments a;
  if (int rc = parseIcalArguments("import", args, true, a)) return rc;
  std::error_code ec;
  const auto size = std::filesystem::file_size(a.file, ec);
  if (!ec && size > dw::app::kMaxIcalSize) return usageError(a.file + ": larger than 16 MB");
  std::ifstream in(a.file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "dornctl: %s: %s\n", a.file.c_str(), std::strerror(errno));
    return kExitFile;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const int today = dw::lang::today();
  dw::app::IcalImport result = dw::app::importCalendar(text.str(), today);
  if (result.error) return usageError(a.file + ": " + *result.error + "; nothing imported");
  for (const std::string& note : result.notes)
    std::fprintf(stderr, "%s: %s\n", a.file.c_str(), note.c_str());
  std::vector<dw::app::TaskDraft> drafts;
  for (dw::app::ImportedTask& t : result.tasks) {
    if (a.category) {
      std::erase_if(t.options, [](const auto& o) { return o.first == "--category"; });
      t.options.emplace_back("--category", *a.category);
      t.draft = {};
      dw::app::primeNewTask(t.draft.record, today, 1);
      if (auto e = dw::app::applyTaskOptions(t.options, true, today, t.draft))
        return optionError(*e);
    }
    if (a.dryRun) {
      std::string line = "add";
      for (const auto& [name, value] : t.options)
        line += " " + name + (dw::app::isTaskFlag(name) ? "" : " " + quoted(value));
      std::printf("%s\n", line.c_str());
    }
    drafts.push_back(t.draft);
  }
  if (a.dryRun || drafts.empty()) return kExitOk;
  dw::app::ScheduleStore store(dw::app::StoreAccess::Change);
  if (int rc = openStore(store, dw::app::StoreAccess::Change)) return rc;
  std::vector<std::int32_t> ids;
  if (auto fault = store.add(drafts, ids)) return fileError(*fault);
  for (std::int32_t id : ids) std::printf("%d\n", static_cast<int>(id));
  return kExitOk;
}

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
