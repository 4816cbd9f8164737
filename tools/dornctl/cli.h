// dornctl's shared pieces: exit codes, error reporting and the reading of
// task options from the command line.
//
// Exit codes: 0 success, 1 bad usage or invalid input (a message on
// standard error naming the option), 2 a file error.
//
// Thread-safety: single-threaded tool.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/exchange/schedule_store.h"
#include "app/exchange/task_options.h"

namespace dornctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFile = 2;

// Prints "dornctl: TEXT" on standard error and gives kExitUsage.
int usageError(std::string_view text);
// Prints "dornctl: OPTION: TEXT" on standard error and gives kExitUsage.
int optionError(const dw::app::OptionError& error);

// The arguments after the command word.  Options take their value as the
// next argument or after "=" ("--date=2026-12-24").
struct Arguments {
  std::vector<std::string> words;
  std::size_t next = 0;
  bool done() const { return next >= words.size(); }
};

// Takes the task options off the front of `args`, stopping at the first
// argument that is not one; false (after reporting) for a task option
// without its value.
bool takeTaskOption(Arguments& args, dw::app::TaskOptionList& options, int& exitCode);

// A task's identifier as given on the command line: 1 to 2147483647.
std::optional<std::int32_t> parseTaskId(std::string_view text);

// Takes "NAME VALUE" or "NAME=VALUE" off the front of `args`: false when
// the word is not NAME; `error` set (after reporting) when the value is
// missing or NAME was given before (`value` already set).
bool takeNamedValue(Arguments& args, std::string_view name, std::optional<std::string>& value,
                    int& error);

// Names compared without regard to letter case.
std::string lowerCase(std::string_view text);

// The data directory: --data DIR when given (setDataOption), else the
// environment's (app/scheduler/data_paths.h).  openStore enters it and opens
// the store; for reading, a data directory that does not exist is an empty
// schedule, for changing it is created.  kExitOk, or the exit code after
// reporting.
void setDataOption(std::string dir);
int openStore(dw::app::ScheduleStore& store, dw::app::StoreAccess access);
// Enters the data directory (created for Change); `missing` when it does
// not exist and need not (Read, ChangeExisting).
int enterDataDirectory(dw::app::StoreAccess access, bool& missing);
// Prints "dornctl: FILE: TEXT (CODE)" on standard error and gives kExitFile.
int fileError(const dw::app::FileFault& fault);
// "dornctl: no task with ID N" (kExitUsage).
int noSuchTask(std::int32_t id);

// The commands.
int runNext(Arguments args);
int runList(Arguments args);
int runShow(Arguments args);
int runHistory(Arguments args);
int runAdd(Arguments args);
int runSet(Arguments args);
int runRemove(Arguments args);
// enable, disable, skip
int runFlag(const std::string& command, Arguments args);
int runExport(Arguments args);
int runImport(Arguments args);
int runIcalEvent(Arguments args);
int runIcalRead(Arguments args);
// select ID..., unselect ID...: sets or clears the search's tags.
int runSelect(const std::string& command, Arguments args);
// The identifiers of the tasks for which `expression` is true (kExitUsage
// after reporting the evaluator's reason and position when it does not
// compile), and of the tagged tasks.
int whereIds(const std::string& expression, std::set<std::int32_t>& ids);
int selectedIds(std::set<std::int32_t>& ids);
// todo list|add|done|undone|remove, categories list|add|rename|remove
int runTodo(Arguments args);
int runCategories(Arguments args);

void printHelp();

}  // namespace dornctl
