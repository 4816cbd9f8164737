// dornctl's reading of its arguments: task options, named values, task
// identifiers.
#include <cctype>
#include <string>

#include "tools/dornctl/cli.h"

namespace dornctl {

bool takeTaskOption(Arguments& args, dw::app::TaskOptionList& options, int& exitCode) {
  std::string word = args.words[args.next];
  std::string value;
  const std::size_t eq = word.find('=');
  const bool inline_value = word.rfind("--", 0) == 0 && eq != std::string::npos;
  if (inline_value) {
    value = word.substr(eq + 1);
    word.resize(eq);
  }
  if (!dw::app::isTaskOption(word)) return false;
  ++args.next;
  if (dw::app::isTaskFlag(word)) {
    if (inline_value) {
      exitCode = usageError(word + ": takes no value");
      return false;
    }
  } else if (!inline_value) {
    if (args.done()) {
      exitCode = usageError(word + ": needs a value");
      return false;
    }
    value = args.words[args.next++];
  }
  options.emplace_back(word, value);
  return true;
}

std::optional<std::int32_t> parseTaskId(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v < 1 || v > 2147483647) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

bool takeNamedValue(Arguments& args, std::string_view name, std::optional<std::string>& value,
                    int& error) {
  std::string word = args.words[args.next];
  std::optional<std::string> attached;
  if (const std::size_t eq = word.find('='); word.rfind("--", 0) == 0 && eq != std::string::npos) {
    attached = word.substr(eq + 1);
    word.resize(eq);
  }
  if (word != name) return false;
  ++args.next;
  if (value)
    error = usageError(std::string(name) + ": given more than once");
  else if (!attached && args.done())
    error = usageError(std::string(name) + ": needs a value");
  else
    value = attached ? *attached : args.words[args.next++];
  return true;
}

std::string lowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace dornctl
