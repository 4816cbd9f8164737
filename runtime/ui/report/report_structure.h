// The structure of a report as the engine walks it: its bands (page
// header, page footer, form band, detail bands, group headers and
// footers) and its groups with their break variables, built from the
// report's resource record (docs/window-resources.md), and the rendering
// of one band into a drawing of its own.
//
// A group may stand at report level or inside another group; its header
// and footer are the header and footer bands directly inside it.  Report
// level header and footer bands are the page header and footer; the form
// band is drawn on every page.
//
// Thread-safety: owned by one Report, used by the thread that opened it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/ui/report/canvas.h"
#include "runtime/ui/report/report_device.h"
#include "runtime/ui/resfmt/window_record.h"
#include "runtime/ui/var_ref.h"

namespace dw::report {

// Band option flags.
namespace bandflag {
inline constexpr std::int32_t kOpenKeep = 1 << 0;   // opens a keep-together level
inline constexpr std::int32_t kCloseKeep = 1 << 1;  // closes a keep-together level
inline constexpr std::int32_t kPageBreak = 1 << 2;  // a page of its own, no header/footer
inline constexpr std::int32_t kBeside = 1 << 5;     // placed beside the previous band
inline constexpr std::int32_t kNoAdvance = 1 << 6;  // no height used, no fit test
}  // namespace bandflag

// A string control with this attribute shows its text followed by the
// page number.
inline constexpr std::uint32_t kPageNumberAttribute = 0x1000;
// A report with this attribute prints in landscape orientation.
inline constexpr std::uint32_t kLandscapeAttribute = 0x1000;

struct Group;

struct Band {
  const resfmt::ControlRecord* record = nullptr;
  resfmt::ControlType kind = resfmt::ControlType::DetailBand;
  Group* group = nullptr;  // enclosing group, nullptr at report level
};

struct Group {
  const resfmt::ControlRecord* record = nullptr;
  Group* parent = nullptr;
  int depth = 0;  // 0 at report level
  Band* header = nullptr;
  Band* footer = nullptr;
};

// One band rendered: its drawing and its size in dots.
struct RenderedBand {
  std::vector<std::uint8_t> drawing;  // a metafile without placeable header
  std::int32_t width = 0, height = 0;
  bool empty = true;  // nothing was drawn
};

// Bytes of an image reference, or nullopt (resources and files).
using ImageSource = std::function<std::optional<std::vector<std::uint8_t>>(std::string_view)>;
// Pixels of image bytes that are not a metafile, or nullopt.
using ImageDecoder = std::function<std::optional<Bitmap>(std::span<const std::uint8_t>)>;

class ReportStructure {
 public:
  // Builds the band tree of a report record (the record must outlive it).
  explicit ReportStructure(const resfmt::WindowRecord& record);

  Band* band(int field);  // the band with this field number, or nullptr
  Group* group(int field);
  Band* pageHeader() const { return m_pageHeader; }
  Band* pageFooter() const { return m_pageFooter; }
  Band* form() const { return m_form; }
  const std::vector<std::unique_ptr<Group>>& groups() const { return m_groups; }
  // The groups enclosing a band, outermost first.
  std::vector<Group*> chain(const Band& band) const;

 private:
  void collect(const resfmt::ControlRecord& record, Group* group, int depth);

  std::vector<std::unique_ptr<Band>> m_bands;
  std::vector<std::unique_ptr<Group>> m_groups;
  std::map<int, Band*> m_bandByField;
  std::map<int, Group*> m_groupByField;
  Band* m_pageHeader = nullptr;
  Band* m_pageFooter = nullptr;
  Band* m_form = nullptr;
};

// What rendering needs to know besides the band.
struct RenderContext {
  ReportDevice* device = nullptr;
  resfmt::UnitScale scale;
  std::int32_t dpiX = 300, dpiY = 300;
  FontSpec font;
  Colour textColour = kBlack;
  const std::map<int, ui::VarRef>* variables = nullptr;
  ImageSource images;
  ImageDecoder decoder;
};

// Draws the band's controls at their positions (relative to the band's
// corner) into a drawing of its own and measures it: the declared size
// where the band has one, else the extent of its controls.
RenderedBand renderBand(const resfmt::ControlRecord& band, const RenderContext& context);

// The font of a report record on a device of dpiY dots per inch.
FontSpec reportFont(const resfmt::WindowRecord& record, std::int32_t dpiY, Colour* colour);

}  // namespace dw::report
