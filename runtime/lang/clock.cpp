// TODAY() and CLOCK(): the local date and time from the platform's clock.
// Kept apart from the date arithmetic so that code which only converts dates
// does not pull in the platform.
#include "runtime/lang/dates.h"
#include "runtime/platform/platform.h"

namespace dw::lang {

int today() {
  platform::LocalTime t = platform::platform().now();
  return date(t.month, t.day, t.year);
}

int clockTime() {
  platform::LocalTime t = platform::platform().now();
  // Computed directly: midnight itself is time 1, not "no time".
  return t.hour * 360000 + t.minute * 6000 + t.second * 100 + t.millisecond / 10 + 1;
}

}  // namespace dw::lang
