// The data directory's scheduler lock (see data_directory_lock.h).
#include "app/scheduler/data_directory_lock.h"

namespace dw::app {

using dw::platform::Access;
using dw::platform::Disposition;
using dw::platform::LockKind;
using dw::platform::LockWait;
using dw::platform::Share;

std::unique_ptr<dw::platform::File> lockDataDirectory(bool* heldElsewhere, std::string* error) {
  *heldElsewhere = false;
  error->clear();
  auto opened = dw::platform::platform().open(
      kSchedulerLockFile, {Access::ReadWrite, Share::DenyNone}, Disposition::OpenAlways);
  if (!opened) {
    *error = "cannot open " + std::string(kSchedulerLockFile) + " (error " +
             std::to_string(opened.error()) + ")";
    return nullptr;
  }
  std::unique_ptr<dw::platform::File> file = std::move(*opened);
  if (auto locked = file->lock(0, 1, LockKind::Exclusive, LockWait::TryOnce); !locked) {
    *heldElsewhere = locked.error() == dw::platform::kLockViolation;
    if (!*heldElsewhere)
      *error = "cannot lock " + std::string(kSchedulerLockFile) + " (error " +
               std::to_string(locked.error()) + ")";
    return nullptr;
  }
  return file;
}

std::string alreadyRunningText(const std::string& dataDirectory) {
  return "Dornwatch is already running with the schedule in " + dataDirectory +
         ".\n\nOnly one Dornwatch can watch a schedule at a time.";
}

}  // namespace dw::app
