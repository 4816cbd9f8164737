// The proportional layout of ViewToDo (see todo_layout.h).
#include "app/forms/todo/todo_layout.h"

#include <cmath>

#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/lang/picture.h"
#include "runtime/platform/profile.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

using ui::runtime;

namespace {

constexpr int kThousand = 1000;
constexpr int kMostThousandths = 999;

int number(int field, int property) {
  const std::string text = runtime().property(field, property);
  try {
    return text.empty() ? 0 : std::stoi(text);
  } catch (...) {
    return 0;
  }
}

int thousandths(double proportion) {
  const int n = static_cast<int>(std::floor(proportion * kThousand + 1e-6));
  return std::clamp(n, 0, kMostThousandths);
}

std::string key(int n) {
  return kControlSizeKey + std::to_string(n);
}

}  // namespace

std::string encodeProportions(const Proportions& p) {
  std::string out;
  for (double v : {p.x, p.y, p.width, p.height}) out += lang::format(thousandths(v), "@n03");
  return out;
}

Proportions decodeProportions(std::string_view stored) {
  double parts[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    int n = 0;
    for (int d = 0; d < 3; ++d) {
      const std::size_t at = static_cast<std::size_t>(i * 3 + d);
      const char c = at < stored.size() ? stored[at] : '0';
      n = n * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
    }
    parts[i] = static_cast<double>(n) / kThousand;
  }
  return {parts[0], parts[1], parts[2], parts[3]};
}

double proportionOf(int length, int whole) {
  if (whole <= 0) return 0;
  return static_cast<double>(thousandths(static_cast<double>(length) / whole)) / kThousand;
}

void ProportionalLayout::open() {
  if (platform::getProfileString(m_section, kLayoutSignatureKey, "0", kIniFile) ==
      kLayoutSignature) {
    restorePosition(m_section, true, kIniFile);
    for (int n = 1; n <= kScaledControls; ++n)
      m_proportions[n - 1] = decodeProportions(
          platform::getProfileString(m_section, key(n), "000000000000", kIniFile));
    apply();
    return;
  }
  savePosition(m_section, kIniFile);
  const int w = number(0, ui::prop::kWidth), h = number(0, ui::prop::kHeight);
  for (int n = 1; n <= kScaledControls; ++n) {
    Proportions& p = m_proportions[n - 1];
    p.x = proportionOf(number(n, ui::prop::kXPos), w);
    p.y = proportionOf(number(n, ui::prop::kYPos), h);
    p.width = proportionOf(number(n, ui::prop::kWidth), w);
    p.height = proportionOf(number(n, ui::prop::kHeight), h);
    (void)platform::writeProfileString(m_section, key(n), encodeProportions(p), kIniFile);
  }
  (void)platform::writeProfileString(m_section, kLayoutSignatureKey, std::string(kLayoutSignature),
                                     kIniFile);
}

void ProportionalLayout::resized() {
  const Placement now = currentPlacement();
  if (now.minimized) return;
  // Saved as it is: a maximised window stays maximised while it is open.
  (void)writePlacement(m_section, now, kIniFile);
  apply();
}

void ProportionalLayout::apply() {
  ui::Runtime& rt = runtime();
  const int w = number(0, ui::prop::kWidth), h = number(0, ui::prop::kHeight);
  for (int n = 1; n <= kScaledControls; ++n) {
    const Proportions& p = m_proportions[n - 1];
    auto set = [&](int property, double proportion, int whole) {
      rt.setProperty(n, property, std::to_string(static_cast<int>(std::lround(proportion * whole))));
    };
    set(ui::prop::kXPos, p.x, w);
    set(ui::prop::kYPos, p.y, h);
    set(ui::prop::kWidth, p.width, w);
    set(ui::prop::kHeight, p.height, h);
  }
}

}  // namespace dw::app
