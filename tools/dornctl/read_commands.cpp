// dornctl's reading commands over the schedule file:
//   list [--all] [--category NAME] [--where EXPRESSION] [--selected] [--json]
//                                             tasks by SCH:KeyDateEnabled
//   show ID [--json]                          every field and the message
//   history [--since DATE] [--json]           completed copies and History
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "app/exchange/schedule_store.h"
#include "tools/dornctl/cli.h"
#include "tools/dornctl/task_output.h"

namespace dornctl {
namespace {

using dw::app::ScheduleStore;
using dw::app::StoreAccess;
using dw::app::TaskDraft;

// Prints rows as columns two blanks apart (the last one not padded).
void printColumns(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  for (const auto& row : rows)
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (width.size() <= c) width.push_back(0);
      width[c] = std::max(width[c], row[c].size());
    }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c)
      line +=
          c + 1 == row.size() ? row[c] : row[c] + std::string(width[c] - row[c].size() + 2, ' ');
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}

std::string stateOf(const dw::app::ScheduleRecord& t) {
  if (t.Completed) return "completed";
  if (t.Disabled) return "disabled";
  return t.SkipNextTime ? "skip next" : "enabled";
}

}  // namespace

int runList(Arguments args) {
  bool all = false, json = false, selected = false;
  std::optional<std::string> category, where;
  while (!args.done()) {
    const std::string& word = args.words[args.next];
    if (word == "--all" || word == "--json" || word == "--selected") {
      (word == "--all" ? all : word == "--json" ? json : selected) = true;
      ++args.next;
      continue;
    }
    int error = kExitOk;
    if (takeNamedValue(args, "--category", category, error) ||
        takeNamedValue(args, "--where", where, error)) {
      if (error != kExitOk) return error;
      continue;
    }
    return usageError("list: unknown argument " + word + "; see dornctl --help");
  }
  ScheduleStore store(StoreAccess::Read);
  if (int rc = openStore(store, StoreAccess::Read)) return rc;
  std::set<std::int32_t> matching, tagged;
  if (where)
    if (int rc = whereIds(*where, matching)) return rc;
  if (selected)
    if (int rc = selectedIds(tagged)) return rc;
  std::vector<TaskDraft> tasks;
  if (auto fault = store.records(tasks)) return fileError(*fault);
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"ID", "Date", "Time", "Task Type", "Category", "Description"});
  if (all) rows.back().insert(rows.back().end() - 1, "State");
  std::string out = "[";
  for (const TaskDraft& task : tasks) {
    const dw::app::ScheduleRecord& t = task.record;
    if (!all && (t.Disabled || t.Completed)) continue;
    if (category && lowerCase(t.Category.trimmed()) != lowerCase(*category)) continue;
    if (where && !matching.count(t.ID.get())) continue;
    if (selected && !tagged.count(t.ID.get())) continue;
    if (json) {
      out += (out.size() > 1 ? ",\n" : "\n") + taskJson(task);
      continue;
    }
    rows.push_back({std::to_string(static_cast<int>(t.ID)), dateText(t.Date), timeText(t.Time),
                    std::string(t.TaskType.trimmed()), std::string(t.Category.trimmed()),
                    std::string(t.Description.trimmed())});
    if (all) rows.back().insert(rows.back().end() - 1, stateOf(t));
  }
  if (json)
    std::printf("%s\n]\n", out.c_str());
  else if (rows.size() > 1)
    printColumns(rows);
  return kExitOk;
}

int runShow(Arguments args) {
  std::optional<std::int32_t> id;
  bool json = false;
  for (const std::string& word : args.words) {
    if (word == "--json") {
      json = true;
    } else if (!id && parseTaskId(word)) {
      id = parseTaskId(word);
    } else {
      return usageError("show: unexpected argument " + word + "; usage: dornctl show ID [--json]");
    }
  }
  if (!id) return usageError("show: a task ID is required");
  ScheduleStore store(StoreAccess::Read);
  if (int rc = openStore(store, StoreAccess::Read)) return rc;
  std::optional<TaskDraft> task;
  if (auto fault = store.find(*id, task)) return fileError(*fault);
  if (!task) return noSuchTask(*id);
  if (json)
    std::printf("%s\n", taskJson(*task).c_str());
  else
    std::fputs(taskText(*task).c_str(), stdout);
  return kExitOk;
}

int runHistory(Arguments args) {
  bool json = false;
  std::optional<std::string> since;
  while (!args.done()) {
    if (args.words[args.next] == "--json") {
      json = true;
      ++args.next;
      continue;
    }
    int error = kExitOk;
    if (takeNamedValue(args, "--since", since, error)) {
      if (error != kExitOk) return error;
      continue;
    }
    return usageError("history: unknown argument " + args.words[args.next] +
                      "; see dornctl --help");
  }
  int from = 0;
  if (since) {
    const auto day = dw::app::parseDateText(*since);
    if (!day) return usageError("--since: expected YYYY-MM-DD (or the date picture)");
    from = *day;
  }
  ScheduleStore store(StoreAccess::Read);
  if (int rc = openStore(store, StoreAccess::Read)) return rc;
  std::vector<dw::app::HistoryEntry> entries;
  if (auto fault = store.history(entries)) return fileError(*fault);
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"Date", "Time", "Kind", "ID", "Task Type", "Category", "Description"});
  std::string out = "[";
  for (const dw::app::HistoryEntry& e : entries) {
    const dw::app::ScheduleRecord& t = e.task.record;
    if (t.Date < from) continue;
    if (json) {
      out += (out.size() > 1 ? ",\n" : "\n") +
             taskJson(e.task, e.runByHand ? "\"runByHand\":true," : "\"runByHand\":false,");
      continue;
    }
    rows.push_back({dateText(t.Date), timeText(t.Time), e.runByHand ? "run now" : "completed",
                    std::to_string(static_cast<int>(t.ID)), std::string(t.TaskType.trimmed()),
                    std::string(t.Category.trimmed()), std::string(t.Description.trimmed())});
  }
  if (json)
    std::printf("%s\n]\n", out.c_str());
  else if (rows.size() > 1)
    printColumns(rows);
  return kExitOk;
}

}  // namespace dornctl
