// The schedule lists' data files (see browse_schedule_files.h).
#include "app/forms/browse_schedule_files.h"

#include <string>

#include "app/core/field_types.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

bool acquireFile(db::DeclaredFile& file, std::string_view label) {
  if (file.openCount() == 0 || !file.isOpen()) {
    if (!file.isOpen() && file.open(kSharedCreateMode) != 0) {
      ui::runtime().message("File (" + std::string(label) + ") could not be opened.  Error: " +
                                std::string(trimRight(lang::errorText())) + " (" +
                                std::to_string(lang::errorCode()) + ").",
                            "File Access Error", "", 0);
      return false;
    }
  }
  ++file.openCount();
  file.bindFields();
  return true;
}

void releaseFile(db::DeclaredFile& file) {
  if (file.openCount() > 0 && --file.openCount() == 0) file.close();
}

}  // namespace dw::app
