// dwcalc's error commands: post N (posts error N and shows ERRORCODE() and
// ERROR()), oserror N (posts the platform error N as 300 + N), and
// runtime-error N [DETAIL] and halt N [MESSAGE], which end dwcalc the way
// they end the program: the box text on standard error, then the exit code.
#include <string>

#include "runtime/lang/errors.h"
#include "tools/dwcalc/commands.h"

namespace dwcalc {
namespace {

// Splits "NUMBER [rest]"; false when the number is missing or too large.
bool numberAndRest(std::string_view args, int& number, std::string_view& rest) {
  std::size_t blank = args.find(' ');
  long long n = 0;
  if (!parseInteger(args.substr(0, blank), n) || n < -2147483648LL || n > 2147483647LL) {
    return false;
  }
  number = static_cast<int>(n);
  rest = blank == std::string_view::npos ? std::string_view() : args.substr(blank + 1);
  return true;
}

std::string postedState() {
  return std::to_string(dw::lang::errorCode()) + " " + dw::lang::errorText();
}

const CommandRegistrar kPost("post", "post NUMBER", [](std::string_view args) {
  int n = 0;
  std::string_view rest;
  if (!numberAndRest(args, n, rest) || !rest.empty())
    return CommandResult::failure("usage: post NUMBER");
  dw::lang::postError(n);
  return CommandResult::success(postedState());
});

const CommandRegistrar kOsError("oserror", "oserror NUMBER", [](std::string_view args) {
  int n = 0;
  std::string_view rest;
  if (!numberAndRest(args, n, rest) || !rest.empty() || n < 0) {
    return CommandResult::failure("usage: oserror NUMBER");
  }
  dw::lang::postOsError(static_cast<std::uint32_t>(n));
  return CommandResult::success(postedState());
});

const CommandRegistrar kRuntimeError("runtime-error", "runtime-error NUMBER [DETAIL]",
                                     [](std::string_view args) {
                                       int n = 0;
                                       std::string_view detail;
                                       if (!numberAndRest(args, n, detail)) {
                                         return CommandResult::failure(
                                             "usage: runtime-error NUMBER [DETAIL]");
                                       }
                                       dw::lang::runtimeError(n, detail);
                                     });

const CommandRegistrar kHalt("halt", "halt EXITCODE [MESSAGE]", [](std::string_view args) {
  int n = 0;
  std::string_view message;
  if (!numberAndRest(args, n, message))
    return CommandResult::failure("usage: halt EXITCODE [MESSAGE]");
  dw::lang::halt(n, message);
});

}  // namespace
}  // namespace dwcalc
