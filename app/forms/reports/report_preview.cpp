// The print preview and its jump window (see report_preview.h).
#include "app/forms/reports/report_preview.h"

#include <algorithm>

#include "app/forms/reports/preview_state.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "fields/dorn_sf.h"
#include "runtime/ui/events.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

namespace sf = dorn_sf;
using ui::runtime;

namespace {

// The area the pages share, in the window's dialog units, and the widest a
// single page is shown (zooming shows it over the whole area).
struct Area {
  int x, y, width, height;
};
constexpr Area kPagesArea{4, 23, 392, 282};
constexpr int kSingleWidth = 200;
constexpr int kFacingGap = 4;

// A page of the given shape (width / height) as large as fits in `box`,
// in its middle.
Area fitPage(double shape, Area box) {
  int w = box.width, h = box.height;
  if (box.width > shape * box.height)
    w = static_cast<int>(shape * box.height + 0.5);
  else
    h = static_cast<int>(box.width / shape + 0.5);
  return {box.x + (box.width - w) / 2, box.y + (box.height - h) / 2, w, h};
}

// The shape of the report's pages from the first page file's bounds;
// letter in portrait when it cannot be read.
double pageShape(const std::vector<std::string>& pages) {
  if (!pages.empty()) {
    if (const auto bytes = report::readWholeFile(pages.front())) {
      if (const auto h = report::decodePlaceableHeader(*bytes)) {
        const int w = h->right - h->left, t = h->bottom - h->top;
        if (w > 0 && t > 0) return static_cast<double>(w) / t;
      }
    }
  }
  return 8.5 / 11.0;
}

// Places an image and its frame (one unit around it).
void place(int frame, int image, Area at) {
  ui::Runtime& rt = runtime();
  const Area outer{at.x - 1, at.y - 1, at.width + 2, at.height + 2};
  for (const auto& [field, a] : {std::pair{frame, outer}, std::pair{image, at}}) {
    rt.setProperty(field, ui::prop::kXPos, std::to_string(a.x));
    rt.setProperty(field, ui::prop::kYPos, std::to_string(a.y));
    rt.setProperty(field, ui::prop::kWidth, std::to_string(a.width));
    rt.setProperty(field, ui::prop::kHeight, std::to_string(a.height));
  }
}

void placePages(double shape) {
  const Area& all = kPagesArea;
  place(sf::kZoomFrame, sf::kZoomPage, fitPage(shape, all));
  const int half = (all.width - kFacingGap) / 2;
  place(sf::kRightFrame, sf::kRightPage,
        fitPage(shape, {all.x + half + kFacingGap, all.y, half, all.height}));
}

void placeLeftPage(double shape, bool facing) {
  const Area& all = kPagesArea;
  const int half = (all.width - kFacingGap) / 2;
  const Area box =
      facing ? Area{all.x, all.y, half, all.height}
             : Area{all.x + (all.width - kSingleWidth) / 2, all.y, kSingleWidth, all.height};
  place(sf::kLeftFrame, sf::kLeftPage, fitPage(shape, box));
}

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

void showState(const PreviewState& s, const std::vector<std::string>& pages, double shape) {
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
  placeLeftPage(shape, facing);
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
  const double shape = pageShape(pages);
  placePages(shape);
  showState(state, pages, shape);
  while (rt.accept()) {
    noteWindowState(rt.event());
    // A click on a shown page zooms into it.
    if (rt.event() == ui::ev::kMouseUp && state.mode() != PreviewMode::Zoomed &&
        (rt.field() == sf::kLeftPage || rt.field() == sf::kRightPage)) {
      state.zoomInto(state.page() + (rt.field() == sf::kRightPage ? 1 : 0));
      showState(state, pages, shape);
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
    showState(state, pages, shape);
  }
  savePosition(kPreviewSection, kIniFile);
  rt.close(window);
  return response;
}

}  // namespace dw::app
