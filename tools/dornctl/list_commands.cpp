// dornctl's commands over the to-do list and the categories
// (app/exchange/list_store.h), with the routines and rules of the windows:
//   todo list [--json]               items in the "Done" tab's order
//   todo add TEXT [--priority N]     prints the new item's ID
//   todo done ID, todo undone ID     sets or clears the done flag
//   todo remove ID
//   categories list [--json]
//   categories add NAME
//   categories rename OLD NEW        refused while a task uses OLD
//   categories remove NAME           refused while a task uses NAME
// A to-do item's ID is its record number in the Todo table.  A refusal by
// a rule exits 1 with the rule's message; a file error exits 2.
#include <cstdio>
#include <string>
#include <vector>

#include "app/exchange/list_store.h"
#include "tools/dornctl/cli.h"
#include "tools/dornctl/task_output.h"

namespace dornctl {
namespace {

using dw::app::ListResult;
using dw::app::ListStore;
using dw::app::StoreAccess;

constexpr int kDefaultPriority = 5;

std::optional<std::uint32_t> parseItemId(std::string_view text) {
  const auto id = parseTaskId(text);
  if (!id) return std::nullopt;
  return static_cast<std::uint32_t>(*id);
}

int report(const ListResult& r, const std::string& what) {
  switch (r.status) {
    case ListResult::Status::Done:
      return kExitOk;
    case ListResult::Status::NotFound:
      return usageError("no " + what);
    case ListResult::Status::Exists:
      return usageError(what + " exists already");
    case ListResult::Status::Refused:
    case ListResult::Status::Invalid:
      return usageError(r.message);
    case ListResult::Status::Failed:
      return fileError(*r.fault);
  }
  return kExitOk;
}

// --json, or nothing, after the command word.
int takeJson(const std::string& command, Arguments& args, bool& json) {
  json = false;
  while (!args.done()) {
    if (args.words[args.next] != "--json")
      return usageError(command + ": unknown argument " + args.words[args.next] +
                        "; see dornctl --help");
    json = true;
    ++args.next;
  }
  return kExitOk;
}

// The remaining words must be exactly `n` operands.
int takeOperands(const std::string& command, Arguments& args, std::size_t n,
                 std::vector<std::string>& out) {
  while (!args.done()) out.push_back(args.words[args.next++]);
  if (out.size() != n)
    return usageError(command + ": expected " + std::to_string(n) +
                      (n == 1 ? " argument" : " arguments") + "; see dornctl --help");
  return kExitOk;
}

int todoList(Arguments args) {
  bool json = false;
  if (int rc = takeJson("todo list", args, json)) return rc;
  bool missing = false;
  if (int rc = enterDataDirectory(StoreAccess::Read, missing)) return rc;
  std::vector<dw::app::ToDoEntry> items;
  if (!missing) {
    ListStore store(StoreAccess::Read);
    if (auto fault = store.toDoItems(items)) return fileError(*fault);
  }
  if (json) {
    std::string out = "[";
    for (const auto& e : items) {
      if (out.size() > 1) out += ",";
      out += "{\"id\":" + std::to_string(e.id) + ",\"done\":" + (e.item.Done == 1 ? "true" : "false") +
             ",\"priority\":" + std::to_string(static_cast<int>(e.item.Priority)) +
             ",\"text\":" + jsonString(e.item.ToDo.trimmed()) + "}";
    }
    std::printf("%s]\n", out.c_str());
    return kExitOk;
  }
  std::printf("%-6s %-4s %-8s %s\n", "ID", "Done", "Priority", "To Do");
  for (const auto& e : items)
    std::printf("%-6u %-4s %-8d %s\n", static_cast<unsigned>(e.id), e.item.Done == 1 ? "yes" : "no",
                static_cast<int>(e.item.Priority), e.item.ToDo.str().c_str());
  return kExitOk;
}

int todoAdd(Arguments args) {
  std::optional<std::string> text;
  std::optional<std::string> priority;
  while (!args.done()) {
    int error = kExitOk;
    if (takeNamedValue(args, "--priority", priority, error)) continue;
    if (error != kExitOk) return error;
    if (text) return usageError("todo add: one TEXT only (quote it); see dornctl --help");
    text = args.words[args.next++];
  }
  if (!text) return usageError("todo add: the item's TEXT is required");
  int level = kDefaultPriority;
  if (priority) {
    try {
      std::size_t used = 0;
      level = std::stoi(*priority, &used);
      if (used != priority->size()) throw std::invalid_argument("");
    } catch (...) {
      return usageError("--priority: " + ListStore::priorityRangeText());
    }
  }
  bool missing = false;
  if (int rc = enterDataDirectory(StoreAccess::Change, missing)) return rc;
  ListStore store(StoreAccess::Change);
  std::uint32_t id = 0;
  if (int rc = report(store.addToDo(*text, level, id), "item")) return rc;
  std::printf("%u\n", static_cast<unsigned>(id));
  return kExitOk;
}

int todoChange(const std::string& command, Arguments args) {
  std::vector<std::string> operands;
  if (int rc = takeOperands("todo " + command, args, 1, operands)) return rc;
  const auto id = parseItemId(operands[0]);
  if (!id)
    return usageError("todo " + command + ": expected an item ID (a whole number), got \"" +
                      operands[0] + "\"");
  bool missing = false;
  if (int rc = enterDataDirectory(StoreAccess::ChangeExisting, missing)) return rc;
  const std::string what = "to-do item with ID " + operands[0];
  if (missing) return usageError("no " + what);
  ListStore store(StoreAccess::ChangeExisting);
  if (command == "remove") return report(store.removeToDo(*id), what);
  return report(store.setToDoDone(*id, command == "done"), what);
}

int categoriesList(Arguments args) {
  bool json = false;
  if (int rc = takeJson("categories list", args, json)) return rc;
  bool missing = false;
  if (int rc = enterDataDirectory(StoreAccess::Read, missing)) return rc;
  std::vector<std::string> names;
  if (!missing) {
    ListStore store(StoreAccess::Read);
    if (auto fault = store.categories(names)) return fileError(*fault);
  }
  if (json) {
    std::string out = "[";
    for (const auto& n : names) out += (out.size() > 1 ? "," : "") + jsonString(n);
    std::printf("%s]\n", out.c_str());
    return kExitOk;
  }
  for (const auto& n : names) std::printf("%s\n", n.c_str());
  return kExitOk;
}

int categoriesChange(const std::string& command, Arguments args) {
  std::vector<std::string> operands;
  const std::size_t n = command == "rename" ? 2 : 1;
  if (int rc = takeOperands("categories " + command, args, n, operands)) return rc;
  bool missing = false;
  const StoreAccess access = command == "add" ? StoreAccess::Change : StoreAccess::ChangeExisting;
  if (int rc = enterDataDirectory(access, missing)) return rc;
  if (missing) return usageError("no category " + operands[0]);
  ListStore store(access);
  if (command == "add") return report(store.addCategory(operands[0]), "category " + operands[0]);
  if (command == "remove")
    return report(store.removeCategory(operands[0]), "category " + operands[0]);
  const ListResult r = store.renameCategory(operands[0], operands[1]);
  return report(r, r.status == ListResult::Status::Exists ? "category " + operands[1]
                                                          : "category " + operands[0]);
}

}  // namespace

int runTodo(Arguments args) {
  if (args.done()) return usageError("todo: expected list, add, done, undone or remove");
  const std::string sub = args.words[args.next++];
  if (sub == "list") return todoList(args);
  if (sub == "add") return todoAdd(args);
  if (sub == "done" || sub == "undone" || sub == "remove") return todoChange(sub, args);
  return usageError("todo: unknown command " + sub + "; see dornctl --help");
}

int runCategories(Arguments args) {
  if (args.done()) return usageError("categories: expected list, add, rename or remove");
  const std::string sub = args.words[args.next++];
  if (sub == "list") return categoriesList(args);
  if (sub == "add" || sub == "rename" || sub == "remove") return categoriesChange(sub, args);
  return usageError("categories: unknown command " + sub + "; see dornctl --help");
}

}  // namespace dornctl
