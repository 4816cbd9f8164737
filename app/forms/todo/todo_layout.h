// The proportional layout of ViewToDo: each of the window's ten
// controls keeps its position and size as proportions of the window's
// width and height, in thousandths, in DORN.INI section "ViewToDo":
//
//   "WindowScaled"  the layout signature "714824849658" once the
//                   proportions are stored (default "0")
//   "CtrlSize"n     n = 1..10: twelve digits, four numbers formatted with
//                   the picture "n03": x / window width, y / window height,
//                   width / window width, height / window height
//                   (default "000000000000")
//
// Opening: with the signature, the window's position is restored and the
// stored proportions are applied; without it, the window's position is
// saved and the proportions of the controls as declared are measured and
// written, then the signature.  On every resize (not while minimised) the
// position is saved and every control is placed at its proportions of the
// new size.  A change of the window's design needs a new signature.
//
// Thread-safety: the window's thread under the Runtime lock (the current
// window is ViewToDo's).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace dw::app {

inline constexpr const char* kLayoutSignatureKey = "WindowScaled";
inline constexpr const char* kLayoutSignature = "714824849658";
inline constexpr const char* kControlSizeKey = "CtrlSize";
inline constexpr int kScaledControls = 10;

// The four proportions of a control, each 0.000 to 0.999.
struct Proportions {
  double x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Proportions&) const = default;
};

// Twelve digits, "n03" four times; a proportion of 1 or more is 999.
std::string encodeProportions(const Proportions& p);
// The four three-digit numbers of a stored entry, each / 1000; missing or
// non-digit characters count as 0.
Proportions decodeProportions(std::string_view stored);
// A proportion of a length to the window's (three digits, truncated).
double proportionOf(int length, int whole);

class ProportionalLayout {
 public:
  explicit ProportionalLayout(std::string section) : m_section(std::move(section)) {}
  // Step 1 or 2 at opening.
  void open();
  // Step 3: every control at its proportions of the window's size now.
  void resized();
  const std::array<Proportions, kScaledControls>& proportions() const { return m_proportions; }

 private:
  void apply();

  std::string m_section;
  std::array<Proportions, kScaledControls> m_proportions{};
};

}  // namespace dw::app
