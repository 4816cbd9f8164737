// Page composition of the report engine: taking pending bands onto a page
// with keep-together levels, keep-with-next runs and page breaks, drawing
// the form band and the page header and footer, and sending the page to a
// page file or the printer.  Also printing a preview.  See report.h and
// docs/reports.md.
#include <string>

#include "runtime/lang/errors.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/report/wmf_player.h"
#include "runtime/ui/report/wmf_recorder.h"

namespace dw::report {

namespace {

// Forwards to a canvas, turning page-number fields into text.
class NumberingCanvas : public Canvas {
 public:
  NumberingCanvas(Canvas& inner, std::int32_t page) : m_inner(inner), m_page(page) {}
  void setFont(const FontSpec& f) override { m_inner.setFont(f); }
  void setPen(const PenSpec& p) override { m_inner.setPen(p); }
  void setBrush(const BrushSpec& b) override { m_inner.setBrush(b); }
  void setTextColour(Colour c) override { m_inner.setTextColour(c); }
  void drawText(std::int32_t x, std::int32_t y, std::string_view t) override {
    m_inner.drawText(x, y, t);
  }
  void drawLine(Point a, Point b) override { m_inner.drawLine(a, b); }
  void drawRectangle(const Box& b) override { m_inner.drawRectangle(b); }
  void drawEllipse(const Box& b) override { m_inner.drawEllipse(b); }
  void drawPolyline(const std::vector<Point>& p) override { m_inner.drawPolyline(p); }
  void drawPolygon(const std::vector<Point>& p) override { m_inner.drawPolygon(p); }
  void drawImage(const Box& b, const Bitmap& i) override { m_inner.drawImage(b, i); }
  void intersectClip(const Box& b) override { m_inner.intersectClip(b); }
  void save() override { m_inner.save(); }
  void restore() override { m_inner.restore(); }
  void pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) override {
    m_inner.drawText(x, y, std::string(prefix) + std::to_string(m_page));
  }

 private:
  Canvas& m_inner;
  std::int32_t m_page;
};

}  // namespace

bool Report::inRange() const {
  return (m_rangeFirst == 0 || m_pageNumber >= m_rangeFirst) &&
         (m_rangeLast == 0 || m_pageNumber <= m_rangeLast);
}

void Report::drawAt(Canvas& canvas, const std::vector<std::uint8_t>& drawing, std::int32_t x,
                    std::int32_t y) {
  const PlayResult r = playWmf(drawing, canvas, PlayPlacement::translate(x, y));
  if (r.status == WmfStatus::RecordTooLarge) lang::runtimeError(rerr::kRecordTooLarge);
}

void Report::drawPageBand(Canvas& canvas, const Band* band) {
  if (!band) return;
  const resfmt::ControlRecord& r = *band->record;
  const RenderedBand rendered = renderBand(r, context());
  std::int32_t fallbackY = 0;
  if (band->kind == resfmt::ControlType::FooterBand) fallbackY = m_detailTop + m_detailHeight;
  const std::int32_t x =
      resfmt::positionToPixels(r.rect.x, m_scale, resfmt::Axis::X).value_or(m_left);
  const std::int32_t y =
      resfmt::positionToPixels(r.rect.y, m_scale, resfmt::Axis::Y).value_or(fallbackY);
  drawAt(canvas, rendered.drawing, x, y);
}

// The height that must fit before the band at `from` is placed: the band,
// and with it the rest of a keep-together level it opens and the bands it
// is kept with.  A run that could not fit on any page counts as the band
// alone, so that it is split rather than pushed on forever.
std::int32_t Report::keptHeight(std::size_t from, bool firstOnPage) const {
  std::int64_t need = 0;
  int depth = 0, ignoredOpens = 0;
  for (std::size_t j = from; j < m_pending.size(); ++j) {
    const Pending& b = m_pending[j];
    const std::int32_t h = j == from && firstOnPage ? b.firstOnPageHeight : b.rendered.height;
    if (!(b.flags & bandflag::kNoAdvance) && (!(b.flags & bandflag::kBeside) || j == from))
      need += h;
    if (b.flags & bandflag::kOpenKeep) {
      if (depth < kMaxKeepLevels)
        ++depth;
      else
        ++ignoredOpens;
    }
    if (b.flags & bandflag::kCloseKeep) {
      if (ignoredOpens > 0)
        --ignoredOpens;
      else if (depth > 0)
        --depth;
    }
    if (depth == 0 && b.keepWithNext <= 0) break;
  }
  if (need > m_detailHeight) return m_pending[from].rendered.height;
  return static_cast<std::int32_t>(need);
}

void Report::composePage() {
  if (m_pending.empty()) return;
  const bool toFile = m_preview != nullptr;
  bool output = inRange() && (toFile || m_hasPrinter);
  WmfRecorder pageRecorder;
  Canvas* target = &pageRecorder;
  const PageGeometry& g = m_geometry;
  if (output && toFile) {
    pageRecorder.setWindow({-g.offsetX, -g.offsetY},
                           {g.width + 2 * g.offsetX, g.height + 2 * g.offsetY});
  } else if (output) {
    if (!m_documentStarted) {
      if (!m_device->beginDocument(m_record->title)) {
        m_cancelled = true;
        m_pending.clear();
        m_pendingHeight = 0;
        return;
      }
      m_documentStarted = true;
    }
    target = &m_device->beginPage();
  }
  NumberingCanvas canvas(*target, m_pageNumber);

  const bool suppressFirst = m_pending.front().flags & bandflag::kPageBreak;
  if (output && !suppressFirst) {
    drawPageBand(canvas, m_structure->form());
    drawPageBand(canvas, m_structure->pageHeader());
  }
  const std::int32_t bottom = m_detailTop + m_detailHeight;
  std::int32_t x = m_left, y = m_detailTop;
  bool placed = false;
  std::int32_t lastFlags = 0;
  while (!m_pending.empty()) {
    Pending& b = m_pending.front();
    const std::int32_t h = placed ? b.rendered.height : b.firstOnPageHeight;
    if (placed && !(b.flags & bandflag::kNoAdvance) &&
        std::int64_t(y) + keptHeight(0, false) > bottom)
      break;
    if (output) {
      drawAt(canvas, b.rendered.drawing, x, y);
      for (const auto& extra : b.extra) drawAt(canvas, extra, x, y);
    }
    if (b.flags & bandflag::kBeside) {
      x += b.rendered.width;
    } else if (!(b.flags & bandflag::kNoAdvance)) {
      x = m_left;
      y += h;
    }
    if (!(b.flags & bandflag::kNoAdvance)) m_pendingHeight -= b.rendered.height;
    placed = true;
    lastFlags = b.flags;
    m_pending.pop_front();
  }
  if (output && !(lastFlags & bandflag::kPageBreak))
    drawPageBand(canvas, m_structure->pageFooter());

  if (output && toFile) {
    const std::vector<std::uint8_t> metafile = pageRecorder.finish();
    std::uint32_t osError = 0;
    if (auto name = writePageFile(pageHeaderFor(g), metafile, &osError)) {
      m_pageFiles.push_back(*name);
      m_preview->push_back(*name);
    } else {
      lang::postOsError(osError);
    }
  } else if (output) {
    m_device->endPage();
  }
  ++m_pageNumber;
  ++m_pageCount;
}

bool Report::printPreview() {
  if (!m_open || !m_preview || !m_hasPrinter || m_cancelled) return false;
  const PageGeometry& g = m_geometry;
  const Box page{-g.offsetX, -g.offsetY, g.width + g.offsetX, g.height + g.offsetY};
  for (const std::string& name : *m_preview) {
    const auto bytes = readWholeFile(name);
    if (!bytes) continue;
    if (!m_documentStarted) {
      if (!m_device->beginDocument(m_record->title)) {
        m_cancelled = true;
        return false;
      }
      m_documentStarted = true;
    }
    Canvas& canvas = m_device->beginPage();
    playWmf(*bytes, canvas, PlayPlacement::fit(page));
    m_device->endPage();
  }
  return true;
}

}  // namespace dw::report
