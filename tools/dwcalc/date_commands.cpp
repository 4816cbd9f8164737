// dwcalc's date commands: date M D Y, day N, month N, year N, age BIRTH BASE,
// and message N (the text of an error number).
#include "runtime/lang/dates.h"
#include "runtime/lang/errors.h"
#include "tools/dwcalc/commands.h"

namespace dwcalc {
namespace {

// Parses exactly `count` integer words into out.
bool integers(std::string_view args, std::size_t count, long long* out) {
  std::vector<std::string_view> words = splitWords(args);
  if (words.size() != count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (!parseInteger(words[i], out[i])) return false;
  }
  return true;
}

bool fitsInt(long long v) {
  return v >= -2147483648LL && v <= 2147483647LL;
}

CommandFn unary(std::string usage, int (*fn)(int)) {
  return [usage, fn](std::string_view args) {
    long long n = 0;
    if (!integers(args, 1, &n) || !fitsInt(n)) return CommandResult::failure("usage: " + usage);
    return CommandResult::success(std::to_string(fn(static_cast<int>(n))));
  };
}

const CommandRegistrar kDate("date", "date MONTH DAY YEAR", [](std::string_view args) {
  long long v[3];
  if (!integers(args, 3, v)) return CommandResult::failure("usage: date MONTH DAY YEAR");
  return CommandResult::success(std::to_string(dw::lang::date(v[0], v[1], v[2])));
});

const CommandRegistrar kDay("day", "day DATE", unary("day DATE", dw::lang::dayOf));
const CommandRegistrar kMonth("month", "month DATE", unary("month DATE", dw::lang::monthOf));
const CommandRegistrar kYear("year", "year DATE", unary("year DATE", dw::lang::yearOf));

const CommandRegistrar kAge("age", "age BIRTH [BASE]", [](std::string_view args) {
  std::vector<std::string_view> words = splitWords(args);
  long long birth = 0;
  long long base = 0;
  if (words.empty() || words.size() > 2 || !parseInteger(words[0], birth) || !fitsInt(birth) ||
      (words.size() == 2 && (!parseInteger(words[1], base) || !fitsInt(base)))) {
    return CommandResult::failure("usage: age BIRTH [BASE]");
  }
  int baseDay = words.size() == 2 ? static_cast<int>(base) : dw::lang::today();
  return CommandResult::success(dw::lang::age(static_cast<int>(birth), baseDay));
});

const CommandRegistrar kToday("today", "today", [](std::string_view args) {
  if (!splitWords(args).empty()) return CommandResult::failure("usage: today");
  return CommandResult::success(std::to_string(dw::lang::today()));
});

const CommandRegistrar kClock("clock", "clock", [](std::string_view args) {
  if (!splitWords(args).empty()) return CommandResult::failure("usage: clock");
  return CommandResult::success(std::to_string(dw::lang::clockTime()));
});

const CommandRegistrar kMessage("message", "message NUMBER", [](std::string_view args) {
  long long n = 0;
  if (!integers(args, 1, &n) || !fitsInt(n)) return CommandResult::failure("usage: message NUMBER");
  return CommandResult::success(dw::lang::messageText(static_cast<int>(n)));
});

}  // namespace
}  // namespace dwcalc
