// The stand-in of the category windows' call (see categories_calls.h).
#include "app/forms/categories/categories_calls.h"

#include "runtime/ui/runtime.h"

namespace dw::app {

namespace {

CategoriesCalls standIns() {
  CategoriesCalls calls;
  calls.scheduleOfCategory = [] {
    if (ui::runtime().currentWindow())
      ui::runtime().setProperty(0, ui::prop::kStatusText,
                                "The tasks of a category are not available");
  };
  return calls;
}

// Guarded by the Runtime lock.
CategoriesCalls g_calls = standIns();

}  // namespace

CategoriesCalls& categoriesCalls() {
  return g_calls;
}

void resetCategoriesCalls() {
  g_calls = standIns();
}

}  // namespace dw::app
