// The procedure the category windows call that lives in another family: the
// tasks of one category (BrowseSCH:KeyCategory, app/forms/schedule).  It is
// reached through a settable function that the frame fills at start, so
// that this family includes no other family of forms; tests put in their
// own.  Until connected, it says in the window's status bar that it is not
// available.
//
// Thread-safety: set before the windows that call it run; the call runs on
// the calling window's thread under the Runtime lock.
#pragma once

#include <functional>

namespace dw::app {

struct CategoriesCalls {
  // BrowseSCH:KeyCategory for the category in CAT's buffer.
  std::function<void()> scheduleOfCategory;
};

// The calls in force.  Guarded by the Runtime lock.
CategoriesCalls& categoriesCalls();
// Puts back the stand-in.
void resetCategoriesCalls();

}  // namespace dw::app
