// The table of control creators, keyed by control type.  Each control
// module registers its creators; the window builder asks the table for a
// control of a record's type.  Types without a creator give no control
// (their records are skipped).
//
// Thread-safety: the table is filled once on first use and read-only after.
#pragma once

#include <memory>

#include "runtime/ui/control.h"

namespace dw::ui {

using ControlCreator = std::unique_ptr<Control> (*)(ControlState declared);

// A control of declared.type made from the declared properties, or nullptr
// when no creator is registered for the type.
std::unique_ptr<Control> createControl(ControlState declared);
bool hasCreator(ControlType type);

// Registration, called by the control modules.
void registerCreator(ControlType type, ControlCreator creator);
void registerStaticControls();  // ctl_static.cpp
void registerEditControls();    // ctlentry.cpp
void registerChoiceControls();  // ctl_choice.cpp
void registerListControls();    // ctl_list.cpp

}  // namespace dw::ui
