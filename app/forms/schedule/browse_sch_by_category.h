// The tasks of one category (the procedure named BrowseSCH:KeyCategory,
// window BROWSESCH$WINDOW of module "DORN.vls$dorn009", titled "Browse
// Schedule for " and the category): opened from the category list with
// the category in CAT's buffer, it lists the Schedule file by
// SCH:KeyCategory with the filter
// "UPPER(SCH:Category) = UPPER(BRW1::Sort1:Reset:CAT:Category)" over its
// own copy of the category, and offers Add (the category preset), Change
// and Delete through the task form, with the list's popup, keys and
// locator (by description) of the schedule window.  No views, icons,
// colours, Reschedule or Run Now.
//
// Start it on a thread of its own: runtime().start(&BrowseSchByCategory,
// kBrowseSchByCategoryStack).
//
// Thread-safety: its own thread, under the Runtime lock.
#pragma once

#include <string>
#include <string_view>

#include "fields/dorn009.h"

namespace dw::app {

inline constexpr const char* kBrowseSchByCategoryModule = "DORN.vls$dorn009";
inline constexpr const char* kBrowseSchByCategoryLabel = "BROWSESCH$WINDOW";
inline constexpr const char* kBrowseSchByCategorySection = "BrowseSCH:KeyCategory";
inline constexpr const char* kBrowseSchByCategoryTitle = "Browse Schedule for ";
inline constexpr const char* kCategoryOwnName = "BRW1::Sort1:Reset:CAT:Category";
inline constexpr const char* kCategoryOwnFilter =
    "UPPER(SCH:Category) = UPPER(BRW1::Sort1:Reset:CAT:Category)";
inline constexpr long kBrowseSchByCategoryStack = 50000;

namespace category_window = dorn009;

// The window's title for a category.
std::string categoryScheduleTitle(std::string_view category);

void BrowseSchByCategory();

}  // namespace dw::app
