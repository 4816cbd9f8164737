// Default behaviour of controls (see control.h).
#include "runtime/ui/control.h"

namespace dw::ui {

int Control::takeValue(int event, const UserValue& /*value*/) {
  return event;
}

bool Control::acceptPending(const std::string* /*pending*/) {
  return true;
}

}  // namespace dw::ui
