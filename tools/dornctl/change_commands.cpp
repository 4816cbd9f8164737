// dornctl's changing commands over the schedule file (schedule_store.h):
//   add [TASK OPTIONS]         prints the new task's ID alone
//   set ID [TASK OPTIONS]      changes the options given
//   remove ID                  the task and its Scripting steps
//   enable ID, disable ID      clears or sets the disabled flag
//   skip ID                    passes over the next occurrence
// Options are checked by the update form's rules before the file is
// touched; a refused option changes nothing (exit 1).
#include <cstdio>
#include <string>
#include <vector>

#include "app/exchange/schedule_store.h"
#include "runtime/lang/dates.h"
#include "tools/dornctl/cli.h"

namespace dornctl {
namespace {

using dw::app::ChangeResult;
using dw::app::ScheduleStore;
using dw::app::StoreAccess;
using dw::app::TaskDraft;

// The task options of `args` from its current word on; every argument must
// be one.
int takeAllTaskOptions(const std::string& command, Arguments& args,
                       dw::app::TaskOptionList& options) {
  while (!args.done()) {
    int exitCode = kExitOk;
    if (takeTaskOption(args, options, exitCode)) continue;
    if (exitCode != kExitOk) return exitCode;
    return usageError(command + ": unknown argument " + args.words[args.next] +
                      "; see dornctl --help");
  }
  return kExitOk;
}

// The ID as the first argument.
int takeId(const std::string& command, Arguments& args, std::int32_t& id) {
  if (args.done()) return usageError(command + ": a task ID is required");
  const auto parsed = parseTaskId(args.words[args.next]);
  if (!parsed)
    return usageError(command + ": expected a task ID (a whole number), got \"" +
                      args.words[args.next] + "\"");
  id = *parsed;
  ++args.next;
  return kExitOk;
}

int report(const ChangeResult& result, std::int32_t id) {
  if (result.fault) return fileError(*result.fault);
  switch (result.status) {
    case ChangeResult::Status::Done:
      return kExitOk;
    case ChangeResult::Status::NotFound:
      return noSuchTask(id);
    case ChangeResult::Status::NotATask:
      std::fprintf(stderr, "dornctl: record %d is the record of a handled occurrence, not a task\n",
                   static_cast<int>(id));
      return kExitUsage;
    case ChangeResult::Status::Refused:
      return optionError(*result.refused);
  }
  return kExitOk;
}

}  // namespace

int runAdd(Arguments args) {
  dw::app::TaskOptionList options;
  if (int rc = takeAllTaskOptions("add", args, options)) return rc;
  const int today = dw::lang::today();
  std::vector<TaskDraft> tasks(1);
  dw::app::primeNewTask(tasks[0].record, today, dw::lang::clockTime());
  if (auto e = dw::app::applyTaskOptions(options, true, today, tasks[0])) return optionError(*e);
  ScheduleStore store(StoreAccess::Change);
  if (int rc = openStore(store, StoreAccess::Change)) return rc;
  std::vector<std::int32_t> ids;
  if (auto fault = store.add(tasks, ids)) return fileError(*fault);
  std::printf("%d\n", static_cast<int>(ids.at(0)));
  return kExitOk;
}

int runSet(Arguments args) {
  std::int32_t id = 0;
  if (int rc = takeId("set", args, id)) return rc;
  dw::app::TaskOptionList options;
  if (int rc = takeAllTaskOptions("set", args, options)) return rc;
  if (options.empty()) return usageError("set: no task option given; see dornctl --help");
  const int today = dw::lang::today();
  ScheduleStore store(StoreAccess::ChangeExisting);
  if (int rc = openStore(store, StoreAccess::ChangeExisting)) return rc;
  return report(store.change(id,
                             [&](TaskDraft& task) {
                               return dw::app::applyTaskOptions(options, false, today, task);
                             }),
                id);
}

int runRemove(Arguments args) {
  std::int32_t id = 0;
  if (int rc = takeId("remove", args, id)) return rc;
  if (!args.done()) return usageError("remove: unexpected argument " + args.words[args.next]);
  ScheduleStore store(StoreAccess::ChangeExisting);
  if (int rc = openStore(store, StoreAccess::ChangeExisting)) return rc;
  return report(store.remove(id), id);
}

int runFlag(const std::string& command, Arguments args) {
  std::int32_t id = 0;
  if (int rc = takeId(command, args, id)) return rc;
  if (!args.done()) return usageError(command + ": unexpected argument " + args.words[args.next]);
  ScheduleStore store(StoreAccess::ChangeExisting);
  if (int rc = openStore(store, StoreAccess::ChangeExisting)) return rc;
  return report(store.change(id,
                             [&](TaskDraft& task) -> std::optional<dw::app::OptionError> {
                               if (command == "enable") task.record.Disabled = 0;
                               if (command == "disable") task.record.Disabled = 1;
                               if (command == "skip") task.record.SkipNextTime = 1;
                               return std::nullopt;
                             }),
                id);
}

}  // namespace dornctl
