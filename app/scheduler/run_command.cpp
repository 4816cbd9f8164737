// The scheduler's program starter (see run_command.h).
#include "app/scheduler/run_command.h"

#include <algorithm>

#include "app/data/field_types.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/platform.h"

namespace dw::app {

namespace {

LastStart g_lastStart;  // guarded by the Runtime lock

}  // namespace

LastStart& lastStart() {
  return g_lastStart;
}

std::uint16_t RunCommand(std::string_view command) {
  const std::string_view line = trimRight(command);
  g_lastStart.command.assign(line.substr(0, std::min(line.size(), kRunCommandWidth)));
  const std::uint32_t result = platform::platform().startProgram(std::string(line));
  g_lastStart.result = static_cast<std::uint16_t>(std::min<std::uint32_t>(result, 0xFFFF));
  return g_lastStart.result;
}

std::string startFailureText(std::uint16_t result) {
  return "Run code " + std::to_string(result);
}

std::string startFailureCaption(std::string_view command) {
  return "Error Starting " + std::string(command);
}

std::string enterStartDirectory(std::string_view path) {
  platform::Platform& p = platform::platform();
  std::string previous = p.currentDirectory();
  const std::string_view dir = trimRight(path);
  if (dir.empty()) return previous;
  if (const platform::OsStatus st = p.setCurrentDirectory(std::string(dir)); !st)
    lang::postOsError(platform::kPathNotFound);
  return previous;
}

void leaveStartDirectory(const std::string& previous) {
  (void)platform::platform().setCurrentDirectory(previous);
}

}  // namespace dw::app
