// The preview's state (see preview_state.h).
#include "app/forms/reports/preview_state.h"

#include <algorithm>

namespace dw::app {

PreviewState::PreviewState(std::int32_t pages) : m_pages(std::max(1, pages)) {}

void PreviewState::keepInRange() {
  m_page = std::clamp(m_page, 1, m_pages);
  // The left page of a pair is odd.
  if (m_mode == PreviewMode::Facing && m_page % 2 == 0) --m_page;
}

void PreviewState::next() {
  m_page += m_mode == PreviewMode::Facing ? 2 : 1;
  if (m_page > m_pages) m_page -= m_mode == PreviewMode::Facing ? 2 : 1;
  keepInRange();
}

void PreviewState::previous() {
  m_page -= m_mode == PreviewMode::Facing ? 2 : 1;
  keepInRange();
}

void PreviewState::zoom() {
  if (m_mode == PreviewMode::Zoomed) {
    m_mode = m_facingChoice ? PreviewMode::Facing : PreviewMode::Single;
  } else {
    m_facingChoice = m_mode == PreviewMode::Facing;
    m_mode = PreviewMode::Zoomed;
  }
  keepInRange();
}

void PreviewState::zoomInto(std::int32_t page) {
  if (m_mode == PreviewMode::Zoomed) return;
  m_facingChoice = m_mode == PreviewMode::Facing;
  m_mode = PreviewMode::Zoomed;
  m_page = page;
  keepInRange();
}

void PreviewState::toggleFacing() {
  if (m_mode == PreviewMode::Zoomed) return;
  if (m_mode == PreviewMode::Facing) {
    m_mode = PreviewMode::Single;
  } else if (facingEnabled()) {
    m_mode = PreviewMode::Facing;
    // An even page is the right page of its pair: the pair starts after it.
    if (m_page % 2 == 0) ++m_page;
    m_page = std::min(m_page, m_pages);
  }
  keepInRange();
}

void PreviewState::jump(std::int64_t page) {
  m_page = static_cast<std::int32_t>(std::clamp<std::int64_t>(page, 1, m_pages));
  keepInRange();
}

std::string PreviewState::title() const {
  const std::string of = " of " + std::to_string(m_pages);
  if (showsRightPage())
    return "Pages " + std::to_string(m_page) + " and " + std::to_string(m_page + 1) + of;
  return "Page " + std::to_string(m_page) + of;
}

std::string PreviewState::modeLabel() const {
  switch (m_mode) {
    case PreviewMode::Zoomed:
      return "ZOOM";
    case PreviewMode::Facing:
      return "Facing Pages";
    default:
      return "Single Page";
  }
}

std::string PreviewState::zoomCaption() const {
  return m_mode == PreviewMode::Zoomed ? "&Zoom Out!" : "&Zoom In!";
}

std::string PreviewState::zoomTip() const {
  if (m_mode != PreviewMode::Zoomed) return "Zoom in on a page of this report";
  return m_facingChoice ? "Zoom out to facing page mode" : "Zoom out to full page mode";
}

std::string PreviewState::facingCaption() const {
  return m_mode == PreviewMode::Facing ? "&Single Pages!" : "&Facing Pages!";
}

std::string PreviewState::facingTip() const {
  return m_mode == PreviewMode::Facing ? "View the report one page at a time"
                                       : "View the report two pages at a time";
}

bool PreviewState::facingEnabled() const {
  return m_pages > 1 && m_mode != PreviewMode::Zoomed;
}

}  // namespace dw::app
