// Showing a variable through a display picture and reading typed text back
// into it.  Pictures come without their "@" ("s20", "n-13", "d3").
//
// Thread-safety: pure functions; the VarRef rules apply to the variable.
#pragma once

#include <string>
#include <string_view>

#include "runtime/lang/picture.h"
#include "runtime/ui/var_ref.h"

namespace dw::ui {

// Compiles a picture as resources store it (without its "@").
lang::CompiledPicture compileStoredPicture(std::string_view picture);

// The text a control shows for the variable.
std::string formatForDisplay(const VarRef& var, std::string_view picture);
// Reads text typed by the user into the variable; false (variable
// untouched) when the text does not fit the picture.
bool readFromDisplay(std::string_view text, std::string_view picture, const VarRef& var);

}  // namespace dw::ui
