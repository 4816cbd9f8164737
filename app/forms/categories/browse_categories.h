// The category list (BrowseCategories, window BROWSECAT$WINDOW of module
// "DORN.vls$dorn010", "Categories"), opened from the frame's "&Categories":
// the Categories table by CAT:KeyCategory, no filter.  Add, Change and
// Delete call the category form (update_categories.h) with request 1, 2, 3
// and read the list again; " &Schedule" opens the tasks of the chosen
// category (BrowseSCH:KeyCategory, through categories_calls.h).  The list's
// keys, popup "&Add|&Change|&Delete|-|", locator (by name) and the
// disabling of Change, Delete and Schedule on an empty list work as in the
// schedule list.  The window position is kept in section
// "BrowseCategories".
//
// Start it on a thread of its own: runtime().start(&BrowseCategories,
// kBrowseCategoriesStack).
//
// Thread-safety: its own thread, under the Runtime lock.
#pragma once

#include "fields/dorn010.h"

namespace dw::app {

inline constexpr const char* kBrowseCategoriesModule = "DORN.vls$dorn010";
inline constexpr const char* kBrowseCategoriesLabel = "BROWSECAT$WINDOW";
inline constexpr const char* kBrowseCategoriesSection = "BrowseCategories";
inline constexpr long kBrowseCategoriesStack = 50000;

namespace categories_window = dorn010;

void BrowseCategories();

}  // namespace dw::app
