// dornctl's way to the schedule file: the data directory dornwatch uses,
// entered before the files are opened by their relative names, and the
// reporting of file errors (exit 2).
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/scheduler/data_paths.h"
#include "tools/dornctl/cli.h"

namespace dornctl {
namespace {

std::string g_dataOption;

}  // namespace

void setDataOption(std::string dir) {
  g_dataOption = std::move(dir);
}

int openStore(dw::app::ScheduleStore& store, dw::app::StoreAccess access) {
  bool missing = false;
  if (int rc = enterDataDirectory(access, missing)) return rc;
  if (missing) {
    store.treatAsMissing();
    return kExitOk;
  }
  if (auto fault = store.open()) return fileError(*fault);
  return kExitOk;
}

int enterDataDirectory(dw::app::StoreAccess access, bool& missing) {
  const std::string dir = dw::app::dataDirectory(g_dataOption);
  std::error_code ec;
  missing = false;
  if (access != dw::app::StoreAccess::Change && !std::filesystem::exists(dir, ec)) {
    missing = true;
    return kExitOk;
  }
  std::string error;
  if (access == dw::app::StoreAccess::Change && !dw::app::prepareDirectory(dir, &error)) {
    std::fprintf(stderr, "dornctl: cannot use data directory %s: %s\n", dir.c_str(), error.c_str());
    return kExitFile;
  }
  std::filesystem::current_path(dir, ec);
  if (ec) {
    std::fprintf(stderr, "dornctl: cannot enter data directory %s: %s\n", dir.c_str(),
                 ec.message().c_str());
    return kExitFile;
  }
  return kExitOk;
}

int fileError(const dw::app::FileFault& fault) {
  constexpr int kHeld = 43;
  std::fprintf(
      stderr, "dornctl: %s: %s (%d)%s\n", fault.file.c_str(), fault.text.c_str(), fault.code,
      fault.code == kHeld ? "; another program is changing this task, try again later" : "");
  return kExitFile;
}

int noSuchTask(std::int32_t id) {
  std::fprintf(stderr, "dornctl: no task with ID %d\n", static_cast<int>(id));
  return kExitUsage;
}

}  // namespace dornctl
