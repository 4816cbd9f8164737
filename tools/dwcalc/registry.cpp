// dwcalc's registry of commands and options and the dispatch of one line
// (see commands.h).
#include <charconv>
#include <map>

#include "tools/dwcalc/commands.h"

namespace dwcalc {
namespace {

struct Registry {
  std::map<std::string, Command, std::less<>> commands;
  std::map<std::string, Option, std::less<>> options;
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

CommandRegistrar::CommandRegistrar(std::string name, std::string usage, CommandFn run) {
  std::string key = name;
  registry().commands[key] = Command{std::move(name), std::move(usage), std::move(run)};
}

OptionRegistrar::OptionRegistrar(std::string name, OptionArg arg, OptionFn apply) {
  std::string key = name;
  registry().options[key] = Option{std::move(name), arg, std::move(apply)};
}

const Command* findCommand(std::string_view name) {
  auto it = registry().commands.find(name);
  return it == registry().commands.end() ? nullptr : &it->second;
}

const Option* findOption(std::string_view name) {
  auto it = registry().options.find(name);
  return it == registry().options.end() ? nullptr : &it->second;
}

std::vector<const Command*> allCommands() {
  std::vector<const Command*> out;
  for (const auto& [name, command] : registry().commands) out.push_back(&command);
  return out;
}

std::vector<std::string_view> splitWords(std::string_view args) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  while (pos < args.size()) {
    std::size_t start = args.find_first_not_of(" \t", pos);
    if (start == std::string_view::npos) break;
    std::size_t end = args.find_first_of(" \t", start);
    if (end == std::string_view::npos) end = args.size();
    words.push_back(args.substr(start, end - start));
    pos = end;
  }
  return words;
}

bool parseInteger(std::string_view text, long long& out) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && ptr == text.data() + text.size();
}

std::string runCommandLine(std::string_view line, bool& ok) {
  ok = false;
  std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return "error: empty command";
  line.remove_prefix(start);
  std::size_t end = line.find_first_of(" \t");
  std::string_view name = line.substr(0, end);
  std::string_view args = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
  const Command* command = findCommand(name);
  if (command == nullptr) return "error: unknown command '" + std::string(name) + "'";
  CommandResult result = command->run(args);
  ok = result.ok;
  return result.ok ? result.text : "error: " + result.text;
}

}  // namespace dwcalc
