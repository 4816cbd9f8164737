// The autostart entry (see autostart.h).
#include "app/frame/autostart.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/scheduler/data_paths.h"  // prepareDirectory
#include "runtime/platform/platform.h"

namespace dw::app {

namespace {

std::string configHome() {
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return x;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config";
}

std::string autostartDirectory() {
  return configHome() + "/autostart";
}

}  // namespace

std::string autostartPath() {
  return autostartDirectory() + "/" + kAutostartFile;
}

bool autostartEnabled() {
  std::error_code ec;
  return std::filesystem::exists(autostartPath(), ec);
}

std::string desktopExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
    if (c == '\\') {
      quoted += "\\\\";
      continue;
    }
    if (c == '%') quoted += '%';  // a field code otherwise
    quoted += c;
  }
  return quoted + "\"";
}

std::string autostartEntry(const std::string& program, const std::string& dataDirectory) {
  std::string exec = desktopExecArgument(program) + " --minimized";
  if (!dataDirectory.empty()) exec += " --data " + desktopExecArgument(dataDirectory);
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Dornwatch\n"
         "Comment=Runs the scheduled tasks of Dornwatch\n"
         "Icon=dornwatch\n"
         "Exec=" +
         exec +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool setAutostart(bool on, std::string* error) {
  const std::string path = autostartPath();
  std::error_code ec;
  if (!on) {
    if (std::filesystem::remove(path, ec) || !ec) return true;
    *error = path + ": " + ec.message();
    return false;
  }
  if (!prepareDirectory(autostartDirectory(), error)) return false;
  // The data directory is always named: the login session may lack the
  // environment ($DORNWATCH_DATA) or the --data that chose it now.
  const std::string data = std::filesystem::current_path(ec).string();
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << autostartEntry(platform::platform().executablePath(), data);
    out.flush();
    if (!out) {
      *error = path + ": " + std::generic_category().message(errno);
      std::filesystem::remove(temporary, ec);
      return false;
    }
  }
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    *error = path + ": " + ec.message();
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace dw::app
