// The runtime errors of the window loader (kept apart from the lookup so
// that programs which only look records up need not link the error scheme).
#include "runtime/lang/errors.h"
#include "runtime/ui/window_resource.h"

namespace dw::ui {

WindowResource requireWindow(std::string_view moduleKey, std::string_view label) {
  WindowLookup found = findWindow(moduleKey, label);
  if (!found.resource) lang::runtimeError(kErrNoWindowResource, kWindowLoaderModule);
  return std::move(found.resource);
}

void raiseClassNotRegistered() {
  lang::runtimeError(kErrClassNotRegistered, kWindowLoaderModule);
}

}  // namespace dw::ui
