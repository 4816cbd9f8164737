// The category picker (SelectCategories, window SELECTCAT$WINDOW of module
// "DORN.vls$dorn001", "Select a Category"), called by the schedule list's
// Pick Category with request 4: the Categories table by CAT:KeyCategory.
// "&Select", a double click or Enter on the list leaves the chosen category
// in CAT's buffer and the shared response 1; "Cl&ose" (or an empty list)
// leaves 2 and CAT's buffer as it was.  Typed characters find a category
// by its first letters.  The window position is kept in section
// "SelectCategories".
//
// Thread-safety: the caller's thread, under the Runtime lock.
#pragma once

#include "fields/dorn001.h"

namespace dw::app {

inline constexpr const char* kSelectCategoriesModule = "DORN.vls$dorn001";
inline constexpr const char* kSelectCategoriesLabel = "SELECTCAT$WINDOW";
inline constexpr const char* kSelectCategoriesSection = "SelectCategories";

namespace category_picker = dorn001;

void SelectCategories();

}  // namespace dw::app
