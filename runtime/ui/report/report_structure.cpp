// The band tree of a report and the rendering of a band: see
// report_structure.h.
#include "runtime/ui/report/report_structure.h"

#include <algorithm>

#include "runtime/ui/display_format.h"
#include "runtime/ui/report/wmf_player.h"
#include "runtime/ui/report/wmf_recorder.h"

namespace dw::report {

using resfmt::ControlRecord;
using resfmt::ControlType;

ReportStructure::ReportStructure(const resfmt::WindowRecord& record) {
  for (const ControlRecord& c : record.controls) collect(c, nullptr, 0);
}

void ReportStructure::collect(const ControlRecord& c, Group* group, int depth) {
  switch (c.type) {
    case ControlType::GroupBand: {
      auto g = std::make_unique<Group>();
      g->record = &c;
      g->parent = group;
      g->depth = depth;
      Group* raw = g.get();
      m_groups.push_back(std::move(g));
      if (c.field != 0) m_groupByField.emplace(c.field, raw);
      for (const ControlRecord& child : c.children) collect(child, raw, depth + 1);
      return;
    }
    case ControlType::HeaderBand:
    case ControlType::FooterBand:
    case ControlType::FormBand:
    case ControlType::DetailBand: {
      auto b = std::make_unique<Band>();
      b->record = &c;
      b->kind = c.type;
      b->group = group;
      Band* raw = b.get();
      m_bands.push_back(std::move(b));
      if (c.field != 0) m_bandByField.emplace(c.field, raw);
      // The first header or footer of a level is the one that is drawn.
      if (c.type == ControlType::HeaderBand) {
        Band*& slot = group ? group->header : m_pageHeader;
        if (!slot) slot = raw;
      } else if (c.type == ControlType::FooterBand) {
        Band*& slot = group ? group->footer : m_pageFooter;
        if (!slot) slot = raw;
      } else if (c.type == ControlType::FormBand && !group && !m_form) {
        m_form = raw;
      }
      return;
    }
    default:
      return;  // controls outside bands have nowhere to be drawn
  }
}

Band* ReportStructure::band(int field) {
  auto it = m_bandByField.find(field);
  return it == m_bandByField.end() ? nullptr : it->second;
}

Group* ReportStructure::group(int field) {
  auto it = m_groupByField.find(field);
  return it == m_groupByField.end() ? nullptr : it->second;
}

std::vector<Group*> ReportStructure::chain(const Band& band) const {
  std::vector<Group*> out;
  for (Group* g = band.group; g; g = g->parent) out.push_back(g);
  std::reverse(out.begin(), out.end());
  return out;
}

FontSpec reportFont(const resfmt::WindowRecord& record, std::int32_t dpiY, Colour* colour) {
  FontSpec font;
  std::int32_t points = 10;
  if (record.font) {
    if (!record.font->typeface.empty()) font.face = record.font->typeface;
    if (record.font->pointSize > 0 && record.font->pointSize < 1000)
      points = record.font->pointSize;
    if (record.font->weight > 0 && record.font->weight <= 1000) font.weight = record.font->weight;
    if (colour)
      *colour = record.font->colour == -1 ? kBlack : Colour(record.font->colour) & 0xFFFFFF;
  } else if (colour) {
    *colour = kBlack;
  }
  font.height = std::max(1, (points * dpiY + 36) / 72);
  return font;
}

namespace {

// "&Name" shows "Name"; "&&" shows "&".
std::string withoutAccessMarks(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size())
      ++i;
    else if (text[i] == '&')
      continue;
    out += text[i];
  }
  return out;
}

bool looksLikeMetafile(std::span<const std::uint8_t> bytes) {
  if (decodePlaceableHeader(bytes)) return true;
  return bytes.size() >= 18 && (bytes[0] == 1 || bytes[0] == 2) && bytes[1] == 0 && bytes[2] == 9 &&
         bytes[3] == 0;
}

class BandPainter {
 public:
  BandPainter(const RenderContext& ctx, WmfRecorder& out) : m_ctx(ctx), m_out(out) {}

  void draw(const ControlRecord& c) {
    const auto& s = m_ctx.scale;
    const std::int32_t x = resfmt::positionToPixels(c.rect.x, s, resfmt::Axis::X).value_or(0);
    const std::int32_t y = resfmt::positionToPixels(c.rect.y, s, resfmt::Axis::Y).value_or(0);
    std::int32_t w = resfmt::sizeToPixels(c.rect.width, s, resfmt::Axis::X);
    std::int32_t h = resfmt::sizeToPixels(c.rect.height, s, resfmt::Axis::Y);
    switch (c.type) {
      case ControlType::String:
      case ControlType::Prompt:
      case ControlType::VariableString: {
        std::string text;
        if (c.type == ControlType::VariableString) {
          if (auto it = m_ctx.variables->find(c.field); it != m_ctx.variables->end())
            text = ui::formatForDisplay(it->second, c.picture);
        } else {
          text = c.type == ControlType::Prompt ? withoutAccessMarks(c.text) : c.text;
        }
        const bool pageNumber =
            c.type == ControlType::String && (c.attributes & kPageNumberAttribute);
        // A page number takes up to five digits after its text.
        const TextExtent natural =
            m_ctx.device->measure(m_ctx.font, pageNumber ? text + "00000" : text);
        if (w <= 0) w = natural.width;
        if (h <= 0) h = natural.height;
        if (text.empty() && !pageNumber) break;
        m_out.setFont(m_ctx.font);
        m_out.setTextColour(m_ctx.textColour);
        const bool clip = natural.width > w || natural.height > h;
        if (clip) {
          m_out.save();
          m_out.intersectClip({x, y, x + w, y + h});
        }
        if (pageNumber)
          m_out.pageNumberField(x, y, text);
        else
          m_out.drawText(x, y, text);
        if (clip) m_out.restore();
        break;
      }
      case ControlType::Box:
        m_out.setPen({PenStyle::Solid, 1, c.colour1 == -1 ? kBlack : Colour(c.colour1) & 0xFFFFFF});
        m_out.setBrush({c.colour2 == -1, c.colour2 == -1 ? kWhite : Colour(c.colour2) & 0xFFFFFF});
        m_out.drawRectangle({x, y, x + w, y + h});
        break;
      case ControlType::Line:
        m_out.setPen({PenStyle::Solid, 1, c.colour1 == -1 ? kBlack : Colour(c.colour1) & 0xFFFFFF});
        m_out.drawLine({x, y}, {x + w, y + h});
        break;
      case ControlType::Image:
        drawImage(c, x, y, w, h);
        break;
      default:
        return;  // controls that do not print
    }
    m_right = std::max(m_right, x + std::max(w, 0));
    m_bottom = std::max(m_bottom, y + std::max(h, 0));
  }

  std::int32_t right() const { return m_right; }
  std::int32_t bottom() const { return m_bottom; }

 private:
  void drawImage(const ControlRecord& c, std::int32_t x, std::int32_t y, std::int32_t& w,
                 std::int32_t& h) {
    if (!m_ctx.images) return;
    const auto bytes = m_ctx.images(c.image);
    if (!bytes) return;
    if (looksLikeMetafile(*bytes)) {
      const WmfCheck check = inspectWmf(*bytes);
      if (check.status != WmfStatus::Ok) return;
      if ((w <= 0 || h <= 0) && check.info.frame) {
        // The natural size of a placeable image: its bounds at its units per inch.
        const Box& f = *check.info.frame;
        const std::int32_t upi = check.info.placeable && check.info.placeable->unitsPerInch
                                     ? check.info.placeable->unitsPerInch
                                     : 1440;
        if (w <= 0)
          w = static_cast<std::int32_t>(std::int64_t(f.right - f.left) * m_ctx.dpiX / upi);
        if (h <= 0)
          h = static_cast<std::int32_t>(std::int64_t(f.bottom - f.top) * m_ctx.dpiY / upi);
      }
      m_out.save();
      m_out.intersectClip({x, y, x + w, y + h});
      playWmf(*bytes, m_out, PlayPlacement::fit({x, y, x + w, y + h}));
      m_out.restore();
      return;
    }
    if (!m_ctx.decoder) return;
    const auto bitmap = m_ctx.decoder(*bytes);
    if (!bitmap || bitmap->empty()) return;
    if (w <= 0) w = bitmap->width;
    if (h <= 0) h = bitmap->height;
    m_out.drawImage({x, y, x + w, y + h}, *bitmap);
  }

  const RenderContext& m_ctx;
  WmfRecorder& m_out;
  std::int32_t m_right = 0, m_bottom = 0;
};

}  // namespace

RenderedBand renderBand(const ControlRecord& band, const RenderContext& context) {
  WmfRecorder recorder;
  BandPainter painter(context, recorder);
  for (const ControlRecord& c : band.children) painter.draw(c);
  RenderedBand out;
  out.empty = recorder.drawCount() == 0;
  const std::int32_t w = resfmt::sizeToPixels(band.rect.width, context.scale, resfmt::Axis::X);
  const std::int32_t h = resfmt::sizeToPixels(band.rect.height, context.scale, resfmt::Axis::Y);
  out.width = w > 0 ? w : painter.right();
  out.height = h > 0 ? h : painter.bottom();
  out.drawing = recorder.finish();
  return out;
}

}  // namespace dw::report
