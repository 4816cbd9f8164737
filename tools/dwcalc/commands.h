// dwcalc's command and option registry.
//
// dwcalc runs one command given on its command line, or reads commands from
// standard input, one per line, and prints exactly one line per command: the
// result, or a line beginning with "error:".  Options (words beginning with
// "--") come before the command.
//
// A command or an option is added by a .cpp file of its own in tools/dwcalc
// that defines a static registrar object:
//
//   static dwcalc::CommandRegistrar reg("day", "day N", [](std::string_view args) {
//     return dwcalc::CommandResult::success(...);
//   });
//   static dwcalc::OptionRegistrar opt("--env", dwcalc::OptionArg::Required,
//                                      [](std::string_view value) { ...; return std::string(); });
//
// Registration happens during static initialisation; the registry lives in a
// function-local static so that the order of files does not matter.  Only
// dwcalc's main thread uses it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dwcalc {

// The one line a command prints.
struct CommandResult {
  bool ok = true;
  std::string text;  // the output, or the reason (without the "error: " prefix)
  static CommandResult success(std::string text) { return {true, std::move(text)}; }
  static CommandResult failure(std::string why) { return {false, std::move(why)}; }
};

// A command receives everything after its name and the single blank that
// follows it (leading and trailing blanks of the rest are kept).
using CommandFn = std::function<CommandResult(std::string_view args)>;

struct Command {
  std::string name;
  std::string usage;  // e.g. "format PICTURE VALUE"
  CommandFn run;
};

enum class OptionArg { None, Required };
// An option handler returns an empty string on success, else why it failed
// (printed on standard error; dwcalc goes on).
using OptionFn = std::function<std::string(std::string_view value)>;

struct Option {
  std::string name;  // with the leading "--"
  OptionArg arg;
  OptionFn apply;
};

struct CommandRegistrar {
  CommandRegistrar(std::string name, std::string usage, CommandFn run);
};

struct OptionRegistrar {
  OptionRegistrar(std::string name, OptionArg arg, OptionFn apply);
};

const Command* findCommand(std::string_view name);
const Option* findOption(std::string_view name);
std::vector<const Command*> allCommands();

// Runs one command line ("name args"); the line to print, with "error: " on
// failure.  ok is set to whether the command succeeded.
std::string runCommandLine(std::string_view line, bool& ok);

// Splits the words of args at runs of blanks.
std::vector<std::string_view> splitWords(std::string_view args);

// Helpers for argument parsing: a whole decimal integer (optional sign).
bool parseInteger(std::string_view text, long long& out);

}  // namespace dwcalc
