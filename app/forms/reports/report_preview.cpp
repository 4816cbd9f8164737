// The print preview and its jump window (see report_preview.h).
#include "app/forms/reports/report_preview.h"

#include <algorithm>

#include "app/forms/reports/preview_state.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "fields/dorn_sf.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

namespace sf = dorn_sf;
using ui::runtime;

namespace {

// Where the left page stands in single mode (the middle) and beside the
// right page in facing mode, in the window's dialog units.
constexpr int kSingleLeftX = 100;
constexpr int kFacingLeftX = 4;

void showPage(int image, const std::vector<std::string>& pages, std::int32_t page) {
  const std::size_t i = static_cast<std::size_t>(page - 1);
  runtime().setProperty(image, ui::prop::kText, i < pages.size() ? pages[i] : std::string());
}

void setShown(int first, int last, bool shown) {
  if (shown)
    runtime().unhide(first, last);
  else
    runtime().hide(first, last);
}

void showState(const PreviewState& s, const std::vector<std::string>& pages) {
  ui::Runtime& rt = runtime();
  rt.setProperty(0, ui::prop::kText, s.title());
  rt.setProperty(sf::kModeLabel, ui::prop::kText, s.modeLabel());
  rt.setProperty(sf::kZoom, ui::prop::kText, s.zoomCaption());
  rt.setProperty(sf::kZoom, ui::prop::kStatusText, s.zoomTip());
  rt.setProperty(sf::kFacing, ui::prop::kText, s.facingCaption());
  rt.setProperty(sf::kFacing, ui::prop::kStatusText, s.facingTip());
  if (s.facingEnabled() || s.mode() == PreviewMode::Facing)
    rt.enable(sf::kFacing);
  else
    rt.disable(sf::kFacing);
  const bool zoomed = s.mode() == PreviewMode::Zoomed;
  const bool facing = s.mode() == PreviewMode::Facing;
  const int leftX = facing ? kFacingLeftX : kSingleLeftX;
  rt.setProperty(sf::kLeftFrame, ui::prop::kXPos, std::to_string(leftX - 1));
  rt.setProperty(sf::kLeftPage, ui::prop::kXPos, std::to_string(leftX));
  setShown(sf::kLeftFrame, sf::kLeftPage, !zoomed);
  setShown(sf::kRightFrame, sf::kRightPage, s.showsRightPage());
  setShown(sf::kZoomFrame, sf::kZoomPage, zoomed);
  if (zoomed) {
    showPage(sf::kZoomPage, pages, s.page());
  } else {
    showPage(sf::kLeftPage, pages, s.page());
    if (s.showsRightPage()) showPage(sf::kRightPage, pages, s.page() + 1);
  }
}

}  // namespace

std::int32_t JumpToPage(std::int32_t current, std::int32_t pages) {
  ui::Runtime& rt = runtime();
  std::int32_t entered = current;
  std::int32_t result = current;
  ui::Window& window = ui::openWindow(kPreviewModule, "JUMP$WINDOW", ui::WindowKind::Plain);
  rt.use(sf::kPageNumber, ui::VarRef::of(entered));
  rt.select(sf::kPageNumber);
  while (rt.accept()) {
    if (rt.event() != ui::ev::kAccepted) continue;
    if (rt.field() == sf::kJumpOK) {
      result = std::clamp(entered, std::int32_t{1}, std::max(std::int32_t{1}, pages));
      rt.post(ui::ev::kCloseWindow);
    } else if (rt.field() == sf::kJumpCancel) {
      rt.post(ui::ev::kCloseWindow);
    }
  }
  rt.close(window);
  return result;
}

int ReportPreview(const std::vector<std::string>& pages) {
  ui::Runtime& rt = runtime();
  PreviewState state(static_cast<std::int32_t>(pages.size()));
  int response = kPreviewCancel;
  ui::Window& window = ui::openWindow(kPreviewModule, "PREVIEW$WINDOW", ui::WindowKind::Plain);
  restorePosition(kPreviewSection, true, kIniFile);
  showState(state, pages);
  while (rt.accept()) {
    noteWindowState(rt.event());
    // A click on a shown page zooms into it.
    if (rt.event() == ui::ev::kMouseUp && state.mode() != PreviewMode::Zoomed &&
        (rt.field() == sf::kLeftPage || rt.field() == sf::kRightPage)) {
      state.zoomInto(state.page() + (rt.field() == sf::kRightPage ? 1 : 0));
      showState(state, pages);
      continue;
    }
    if (rt.event() != ui::ev::kAccepted) continue;
    switch (rt.field()) {
      case sf::kCancel:
        rt.post(ui::ev::kCloseWindow);
        continue;
      case sf::kPrint:
        response = kPreviewPrint;
        rt.post(ui::ev::kCloseWindow);
        continue;
      case sf::kZoom:
        state.zoom();
        break;
      case sf::kPrevious:
        state.previous();
        break;
      case sf::kNext:
        state.next();
        break;
      case sf::kJump:
        state.jump(JumpToPage(state.page(), state.pages()));
        break;
      case sf::kFacing:
        state.toggleFacing();
        break;
      default:
        continue;
    }
    showState(state, pages);
  }
  savePosition(kPreviewSection, kIniFile);
  rt.close(window);
  return response;
}

}  // namespace dw::app
