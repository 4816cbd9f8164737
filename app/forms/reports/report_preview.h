// ReportPreview ("Print Preview"): a report's page files shown one page,
// two facing pages or one page zoomed, with Previous/Next, Zoom, Facing,
// Jump, Print and Cancel (preview_state.h holds the rules).  The pages are
// image controls that show the page files through the runtime's metafile
// player.  JumpToPage asks for a page number in a modal window.
//
// Thread-safety: the report's thread, holding the Runtime lock; both
// windows belong to that thread and are closed before returning.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dw::app {

inline constexpr const char* kPreviewModule = "DORN.vls$dorn_sf";
inline constexpr const char* kPreviewSection = "ReportPreview";

// The response: 1 print the pages, 2 not.
inline constexpr int kPreviewPrint = 1;
inline constexpr int kPreviewCancel = 2;

int ReportPreview(const std::vector<std::string>& pages);

// The jump window: the page entered, kept within 1 to `pages`; `current`
// when cancelled.
std::int32_t JumpToPage(std::int32_t current, std::int32_t pages);

}  // namespace dw::app
