// Turning a window record of a window resource into the runtime's window
// description and controls, and opening a window by module key and label.
//
// Controls come from the creator registered for each record's type; a
// record of a type without a creator is skipped.  Containers (option
// groups, group boxes, sheets, tabs) come before their contents, which
// point back at them.  Tool bar records become tool bar entries.
//
// Thread-safety: buildWindow is a pure function; openWindow is a window
// operation (runtime thread holding the Runtime lock).
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "runtime/ui/control.h"
#include "runtime/ui/resfmt/window_record.h"
#include "runtime/ui/window_desc.h"

namespace dw::ui {

class Window;

struct BuiltWindow {
  WindowDesc desc;
  std::vector<std::unique_ptr<Control>> controls;
};

BuiltWindow buildWindow(const resfmt::WindowRecord& record, WindowKind kind);

// Finds the record (runtime error 502 when missing), builds and opens it.
Window& openWindow(std::string_view moduleKey, std::string_view label, WindowKind kind);

}  // namespace dw::ui
