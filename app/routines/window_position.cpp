// Window positions in DORN.INI (see window_position.h).
#include "app/routines/window_position.h"

#include "app/routines/settings.h"
#include "runtime/platform/profile.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_desc.h"

namespace dw::app {

namespace {

namespace key {
constexpr const char* kX = "XPosit";
constexpr const char* kY = "YPosit";
constexpr const char* kWidth = "Width";
constexpr const char* kHeight = "Height";
constexpr const char* kMaximize = "Maximize";
}  // namespace key

std::int32_t readNumber(const std::string& section, const char* key, const std::string& file) {
  return iniNumber(platform::getProfileString(section, key, "", file));
}

void keepFirstFailure(platform::OsStatus& first, platform::OsStatus status) {
  if (first.ok() && !status.ok()) first = status;
}

std::int32_t numberProperty(int number) {
  return iniNumber(ui::runtime().property(0, number));
}

bool flagProperty(int number) {
  const std::string value = ui::runtime().property(0, number);
  return !value.empty() && value != "0";
}

}  // namespace

platform::OsStatus writePlacement(const std::string& section, const Placement& p,
                                  const std::string& file) {
  platform::OsStatus first;
  keepFirstFailure(first, platform::writeProfileString(section, key::kMaximize,
                                                       p.maximized ? "Yes" : "No", file));
  if (p.minimized) return first;
  const std::pair<const char*, std::int32_t> values[] = {
      {key::kX, p.x}, {key::kY, p.y}, {key::kWidth, p.width}, {key::kHeight, p.height}};
  for (const auto& [k, v] : values) {
    // A position the system chose is not known to the window: the section
    // keeps what it had, and without an "XPosit" the system places the
    // window again next time.
    if (v == ui::kSystemPlaced) continue;
    keepFirstFailure(first, platform::writeProfileString(section, k, std::to_string(v), file));
  }
  return first;
}

RestorePlan readPlacement(const std::string& section, bool currentlyMaximized, bool resizable,
                          const std::string& file) {
  RestorePlan plan;
  if (readNumber(section, key::kX, file) == 0) return plan;
  if (!currentlyMaximized) {
    const std::int32_t x = readNumber(section, key::kX, file);
    const std::int32_t y = readNumber(section, key::kY, file);
    if (y == 0) return plan;
    if (resizable) {
      const std::int32_t w = readNumber(section, key::kWidth, file);
      if (w == 0) return plan;
      const std::int32_t h = readNumber(section, key::kHeight, file);
      if (h == 0) return plan;
      plan.width = w;
      plan.height = h;
    }
    plan.x = x;
    plan.y = y;
  }
  plan.maximize = platform::getProfileString(section, key::kMaximize, "", file) == "Yes";
  return plan;
}

Placement currentPlacement() {
  Placement p;
  p.x = numberProperty(ui::prop::kXPos);
  p.y = numberProperty(ui::prop::kYPos);
  p.width = numberProperty(ui::prop::kWidth);
  p.height = numberProperty(ui::prop::kHeight);
  p.maximized = flagProperty(kMaximizeProperty);
  p.minimized = flagProperty(kIconizeProperty);
  return p;
}

void savePosition(const std::string& section, const std::string& file) {
  const Placement p = currentPlacement();
  // Take the window out of the maximised state first, so that what is
  // written below is its normal position and size.
  if (p.maximized) ui::runtime().setProperty(0, kMaximizeProperty, "");
  Placement normal = currentPlacement();
  normal.maximized = p.maximized;
  (void)writePlacement(section, normal, file);
}

void restorePosition(const std::string& section, bool resizable, const std::string& file) {
  ui::Runtime& rt = ui::runtime();
  const RestorePlan plan = readPlacement(section, flagProperty(kMaximizeProperty), resizable, file);
  if (plan.x) {
    rt.setProperty(0, ui::prop::kXPos, std::to_string(*plan.x));
    rt.setProperty(0, ui::prop::kYPos, std::to_string(*plan.y));
  }
  if (plan.width) {
    rt.setProperty(0, ui::prop::kWidth, std::to_string(*plan.width));
    rt.setProperty(0, ui::prop::kHeight, std::to_string(*plan.height));
  }
  if (plan.maximize) rt.setProperty(0, kMaximizeProperty, "1");
}

bool noteWindowState(int event) {
  return event == ui::ev::kIconized || event == ui::ev::kMaximized || event == ui::ev::kRestored;
}

}  // namespace dw::app
