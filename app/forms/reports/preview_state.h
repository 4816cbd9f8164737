// What the print preview shows: the current page, the mode (single page,
// zoomed, facing pages) and the mode to return to after zooming, and from
// them the window's title, the mode label and the captions, tips and
// enabled state of the Zoom and Facing buttons.  ReportPreview applies it
// to its window after each command.
//
// Invariants: 1 <= page <= pages (pages >= 1); in facing mode page is odd
// (the left page of a pair); facing pages are offered only when the
// report has more than one page.
//
// Thread-safety: a plain value.
#pragma once

#include <cstdint>
#include <string>

namespace dw::app {

enum class PreviewMode { Single = 0, Zoomed = 1, Facing = 2 };

class PreviewState {
 public:
  explicit PreviewState(std::int32_t pages);

  void next();
  void previous();
  // Zoom In (from single or facing) or Zoom Out (back to the remembered mode).
  void zoom();
  // Zoom into a shown page (a click on it): the right page is page + 1.
  void zoomInto(std::int32_t page);
  // Facing Pages or, in facing mode, Single Pages.
  void toggleFacing();
  // Jump: the page kept within 1 to pages.
  void jump(std::int64_t page);

  std::int32_t page() const { return m_page; }
  std::int32_t pages() const { return m_pages; }
  PreviewMode mode() const { return m_mode; }
  // Whether the right page of facing mode exists.
  bool showsRightPage() const { return m_mode == PreviewMode::Facing && m_page < m_pages; }

  std::string title() const;
  std::string modeLabel() const;
  std::string zoomCaption() const;
  std::string zoomTip() const;
  std::string facingCaption() const;
  std::string facingTip() const;
  bool facingEnabled() const;

 private:
  void keepInRange();

  std::int32_t m_pages;
  std::int32_t m_page = 1;
  PreviewMode m_mode = PreviewMode::Single;
  bool m_facingChoice = false;  // the mode to return to after zooming
};

}  // namespace dw::app
