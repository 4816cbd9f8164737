// The category form (UpdateCategories, window UPDATECAT$WINDOW of module
// "DORN.vls$dorn011", "Update Category"): one name of the Categories table
// added, changed or deleted, as the shared request code says (1 insert, 2
// change, 3 delete), with the category in CAT's buffer for 2 and 3.
//
//  - Insert ("Adding a Categories Record"): OK adds the name; a name that
//    exists already (the key ignores letter case) is message 24 and the
//    form stays.
//  - Change ("Changing a Categories Record"): OK runs the category update
//    routine (app/routines, the one dornctl uses too).  A category that a
//    task uses cannot be renamed: the routine shows message 12 and puts the
//    old name back, which the form then shows; it stays open.  A file error
//    asks message 16: Yes tries again, No closes, Cancel stays.
//  - Delete: message 32 (Confirm Delete), then the category delete routine;
//    a category in use is refused with message 13; a file error asks
//    message 18 (Yes tries again).  The form does not open.
//
// Leaves the shared response 1 when the category was stored or deleted, 2
// otherwise.  The window position is kept in section "UpdateCategories".
//
// Thread-safety: the caller's thread, under the Runtime lock.
#pragma once

#include "fields/dorn011.h"

namespace dw::app {

inline constexpr const char* kUpdateCategoriesModule = "DORN.vls$dorn011";
inline constexpr const char* kUpdateCategoriesLabel = "UPDATECAT$WINDOW";
inline constexpr const char* kUpdateCategoriesSection = "UpdateCategories";
inline constexpr const char* kAddingCategoryTitle = "Adding a Categories Record";
inline constexpr const char* kChangingCategoryTitle = "Changing a Categories Record";

namespace category_form = dorn011;

void UpdateCategories();

}  // namespace dw::app
