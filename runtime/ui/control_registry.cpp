// The control creator table (see control_registry.h).
#include "runtime/ui/control_registry.h"

#include <array>
#include <mutex>

namespace dw::ui {

namespace {

std::array<ControlCreator, 256>& table() {
  static std::array<ControlCreator, 256> creators{};
  return creators;
}

void registerAll() {
  static std::once_flag once;
  std::call_once(once, [] {
    registerStaticControls();
    registerEditControls();
    registerChoiceControls();
    registerListControls();
  });
}

}  // namespace

void registerCreator(ControlType type, ControlCreator creator) {
  table()[static_cast<std::uint8_t>(type)] = creator;
}

bool hasCreator(ControlType type) {
  registerAll();
  return table()[static_cast<std::uint8_t>(type)] != nullptr;
}

std::unique_ptr<Control> createControl(ControlState declared) {
  registerAll();
  const ControlCreator creator = table()[static_cast<std::uint8_t>(declared.type)];
  return creator ? creator(std::move(declared)) : nullptr;
}

}  // namespace dw::ui
