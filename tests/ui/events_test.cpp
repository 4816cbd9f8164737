// Event and query names, as diagnostics print them.
#include <gtest/gtest.h>

#include "runtime/ui/events.h"

namespace dw::ui {
namespace {

TEST(EventNames, NamedNumbersAndHexForTheRest) {
  const std::pair<int, const char*> cases[] = {
      {ev::kAccepted, "EVENT:Accepted"},
      {ev::kDroppedDown, "EVENT:DroppedDown"},
      {ev::kSelected, "EVENT:Selected"},
      {ev::kCloseWindow, "EVENT:CloseWindow"},
      {ev::kTimer, "EVENT:Timer"},
      {ev::kDdeClosed, "EVENT:DDEclosed"},
      {ev::kCompleted, "EVENT:Completed"},
      {ev::kIconized, "EVENT:Iconized"},
      {519, "0x0207"},
      {0x2403, "QUERY_COMMAND"},
      {0x241D, "QUERY_EDITDONE"},
      {0x240B, "0x240b"},
  };
  for (const auto& [number, name] : cases) EXPECT_EQ(ev::messageName(number), name) << number;
  EXPECT_EQ(ev::eventName(0x2403), "0x2403");
}

}  // namespace
}  // namespace dw::ui
