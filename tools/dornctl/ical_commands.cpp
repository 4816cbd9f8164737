// Hidden dornctl commands over the iCalendar mapping (filled in below).
#include "tools/dornctl/cli.h"

namespace dornctl {
int runIcalEvent(Arguments) {
  return usageError("ical-event: not built");
}
int runIcalRead(Arguments) {
  return usageError("ical-read: not built");
}
}  // namespace dornctl
