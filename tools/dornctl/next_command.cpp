// dornctl next: when a task falls due (app/scheduler/upcoming.h), for a task of
// the schedule file (next ID) or a rule given on the command line (next
// --schedule ...).
#include <cstdio>
#include <optional>
#include <string>

#include "app/exchange/task_options.h"
#include "app/scheduler/upcoming.h"
#include "runtime/lang/dates.h"
#include "tools/dornctl/cli.h"

namespace dornctl {
namespace {

constexpr int kDefaultCount = 10;
constexpr int kMaxCount = 100000;

// "YYYY-MM-DD HH:MM:SS" (or "YYYY-MM-DDTHH:MM:SS", or a date alone for its
// first moment).
bool parseMoment(const std::string& text, dw::app::Occurrence& at) {
  const std::string date = text.substr(0, 10);
  const auto day = dw::app::parseDateText(date);
  if (!day) return false;
  at.date = *day;
  if (text.size() == 10) {
    at.time = 1;
    return true;
  }
  if (text[10] != ' ' && text[10] != 'T') return false;
  const auto time = dw::app::parseClockText(text.substr(11));
  if (!time) return false;
  at.time = *time;
  return true;
}

}  // namespace

int runNext(Arguments args) {
  std::optional<std::int32_t> id;
  if (!args.done() && args.words[0].rfind("-", 0) != 0) {
    id = parseTaskId(args.words[0]);
    if (!id)
      return usageError("next: expected a task ID (a whole number) or --schedule, got \"" +
                        args.words[0] + "\"");
    ++args.next;
  }
  dw::app::TaskOptionList options;
  int count = kDefaultCount;
  dw::app::Occurrence from{dw::lang::today(), dw::lang::clockTime()};
  bool haveSchedule = false;
  while (!args.done()) {
    int exitCode = kExitOk;
    if (!id && takeTaskOption(args, options, exitCode)) {
      if (options.back().first == "--schedule") haveSchedule = true;
      continue;
    }
    if (exitCode != kExitOk) return exitCode;
    std::string word = args.words[args.next++];
    std::optional<std::string> attached;  // "--from=..." or "-n=..."
    if (const std::size_t eq = word.find('='); eq != std::string::npos) {
      attached = word.substr(eq + 1);
      word.resize(eq);
    }
    if (word == "-n" || word == "--from") {
      if (!attached && args.done()) return usageError(word + ": needs a value");
      std::string value = attached ? *attached : args.words[args.next++];
      if (word == "-n") {
        const auto n = value.find_first_not_of("0123456789") == std::string::npos &&
                               !value.empty() && value.size() <= 6
                           ? std::stoi(value)
                           : 0;
        if (n < 1 || n > kMaxCount)
          return usageError("-n: expected a whole number from 1 to " + std::to_string(kMaxCount));
        count = n;
      } else {
        // The time may also come as an argument of its own.
        if (value.size() == 10 && !args.done() && dw::app::parseClockText(args.words[args.next]))
          value += " " + args.words[args.next++];
        if (!parseMoment(value, from))
          return usageError("--from: expected \"YYYY-MM-DD HH:MM:SS\", got \"" + value + "\"");
      }
      continue;
    }
    if (id && dw::app::isTaskOption(word))
      return usageError("next " + std::to_string(*id) + ": " + word +
                        ": task options go with --schedule, not with a task ID");
    return usageError("next: unknown argument " + word + "; see dornctl --help");
  }

  dw::app::TaskDraft draft;
  if (id) {
    dw::app::ScheduleStore store(dw::app::StoreAccess::Read);
    if (int rc = openStore(store, dw::app::StoreAccess::Read)) return rc;
    std::optional<dw::app::TaskDraft> stored;
    if (auto fault = store.find(*id, stored)) return fileError(*fault);
    if (!stored) return noSuchTask(*id);
    if (stored->record.Disabled) {
      // The timer passes over disabled tasks and completed copies.
      std::fprintf(stderr, "dornctl: task %d is disabled: it does not fall due\n",
                   static_cast<int>(*id));
      return kExitOk;
    }
    draft = *stored;
  } else {
    if (!haveSchedule) return usageError("next: --schedule is required (or a task ID)");
    dw::app::primeNewTask(draft.record, from.date, from.time);
    if (auto e = dw::app::applyTaskOptions(options, true, from.date, draft)) return optionError(*e);
  }
  for (const dw::app::Occurrence& o : dw::app::upcomingOccurrences(draft.record, from, count))
    std::printf("%s %s\n", dw::app::isoDateText(o.date).c_str(),
                dw::app::clockText(o.time).c_str());
  return kExitOk;
}

}  // namespace dornctl
