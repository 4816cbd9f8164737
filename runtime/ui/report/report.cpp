// The report engine: opening, printing bands with group breaks, the
// pending queue and closing.  Page composition is in report_pages.cpp.
// See report.h and docs/reports.md.
#include "runtime/ui/report/report.h"

#include <algorithm>

#include "runtime/image/image.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/report_devices.h"
#include "runtime/ui/window_resource.h"

namespace dw::report {

using resfmt::ControlType;

namespace {

// Pictures of image controls: a program resource or a file, as image
// controls of windows find them.
std::optional<std::vector<std::uint8_t>> defaultImage(std::string_view reference) {
  std::vector<std::uint8_t> bytes;
  if (!image::readImageSource(reference, bytes)) return std::nullopt;
  return bytes;
}

// GIF, JPEG, PCX, BMP and ICO pictures through the runtime's readers.
std::optional<Bitmap> defaultDecoder(std::span<const std::uint8_t> bytes) {
  const image::DecodeResult r = image::decodeImage(bytes);
  if (!r.ok()) return std::nullopt;
  Bitmap out;
  out.width = r.image.width;
  out.height = r.image.height;
  out.pixels.resize(std::size_t(out.width) * std::size_t(out.height));
  for (std::size_t i = 0; i < out.pixels.size(); ++i) {
    const std::uint8_t* p = &r.image.rgba[4 * i];
    out.pixels[i] =
        std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
  }
  return out;
}

// Thousandths-of-an-inch style sizes of the report's unit, in tenths of a
// millimetre, through the printer's resolution (254 tenths per inch).
std::int32_t toTenthMm(std::int32_t value, const resfmt::UnitScale& scale, std::int32_t dpi) {
  const std::int32_t dots = resfmt::sizeToPixels(value, scale, resfmt::Axis::X);
  return dpi > 0 ? static_cast<std::int32_t>(std::int64_t(dots) * 254 / dpi) : 0;
}

}  // namespace

Report::~Report() {
  if (m_open) {
    deletePageFiles();
    if (m_device) m_device->release();
  }
}

void Report::open(const resfmt::WindowRecord& record, ReportDevice& device) {
  if (m_open) lang::runtimeError(rerr::kAlreadyOpen);
  const PrinterStatus status = device.selectDefaultPrinter();
  if (status == PrinterStatus::Failed) lang::runtimeError(rerr::kPrinterFailed);
  m_record = &record;
  m_device = &device;
  m_isReport = record.kind == resfmt::RecordKind::Report;
  m_hasPrinter = status == PrinterStatus::Ready;
  device.setOrientation((record.attributes & kLandscapeAttribute) ? Orientation::Landscape
                                                                  : Orientation::Portrait);
  m_geometry = device.geometry();
  const resfmt::Unit unit = record.unit();
  if (unit == resfmt::Unit::DialogUnits) {
    const FontSpec f = reportFont(record, m_geometry.dpiY, nullptr);
    const TextExtent e = device.measure(f, "x");
    m_scale = resfmt::dialogUnitScale(std::max(1, e.width), std::max(1, e.height));
  } else {
    m_scale = resfmt::deviceUnitScale(unit, m_geometry.dpiX, m_geometry.dpiY);
  }
  if (record.paperKind != 0) {
    std::int32_t w = 0, l = 0;
    if (record.paperKind == paper::kUser) {
      w = toTenthMm(record.paperWidth, m_scale, m_geometry.dpiX);
      l = toTenthMm(record.paperLength, m_scale, m_geometry.dpiX);
    }
    device.setPaper(record.paperKind, w, l);
    m_geometry = device.geometry();
    if (unit != resfmt::Unit::DialogUnits)
      m_scale = resfmt::deviceUnitScale(unit, m_geometry.dpiX, m_geometry.dpiY);
  }
  m_font = reportFont(record, m_geometry.dpiY, &m_textColour);
  // The detail area: the report's rectangle, kept inside the page.
  m_left = resfmt::positionToPixels(record.x, m_scale, resfmt::Axis::X).value_or(0);
  m_detailTop = std::clamp(resfmt::positionToPixels(record.y, m_scale, resfmt::Axis::Y).value_or(0),
                           0, std::max(0, m_geometry.height - 1));
  m_detailHeight = resfmt::sizeToPixels(record.height, m_scale, resfmt::Axis::Y);
  if (m_detailHeight <= 0 || m_detailTop + m_detailHeight > m_geometry.height)
    m_detailHeight = m_geometry.height - m_detailTop;
  m_detailHeight = std::max(1, m_detailHeight);
  m_structure = std::make_unique<ReportStructure>(record);
  if (!m_images) m_images = defaultImage;
  if (!m_decoder) m_decoder = defaultDecoder;
  m_pending.clear();
  m_pendingHeight = 0;
  m_pageNumber = 1;
  m_pageCount = 0;
  m_documentStarted = false;
  m_cancelled = false;
  m_activeGroups.clear();
  m_open = true;
}

void Report::open(std::string_view moduleKey, std::string_view label) {
  if (m_open) lang::runtimeError(rerr::kAlreadyOpen);
  ui::WindowResource found = ui::requireWindow(moduleKey, label);
  auto device = makeReportDevice(deviceRequestFor(ui::printerSettings(), m_pdfFile));
  open(*found.record, *device);
  m_module = std::move(found.module);
  m_ownDevice = std::move(device);
}

void Report::use(int field, ui::VarRef variable) {
  m_variables[field] = variable;
}

void Report::setPageRange(std::int32_t first, std::int32_t last) {
  m_rangeFirst = std::max(0, first);
  m_rangeLast = std::max(0, last);
}

void Report::setImageSource(ImageSource source, ImageDecoder decoder) {
  m_images = std::move(source);
  m_decoder = std::move(decoder);
}

RenderContext Report::context() {
  RenderContext ctx;
  ctx.device = m_device;
  ctx.scale = m_scale;
  ctx.dpiX = m_geometry.dpiX;
  ctx.dpiY = m_geometry.dpiY;
  ctx.font = m_font;
  ctx.textColour = m_textColour;
  ctx.variables = &m_variables;
  ctx.images = m_images;
  ctx.decoder = m_decoder;
  return ctx;
}

void Report::print(int field) {
  if (!m_open || !m_isReport) lang::runtimeError(rerr::kPrintNotReport);
  const Band* band = m_structure->band(field);
  if (!band) lang::runtimeError(rerr::kPrintNotReport);
  if (m_cancelled) return;
  printBand(*band);
}

void Report::endPage() {
  if (!m_open || !m_isReport) lang::runtimeError(rerr::kEndPageNotReport);
  flush();
}

void Report::printBand(const Band& band) {
  if (band.kind == ControlType::DetailBand) groupBreaks(band);
  enqueue(band);
}

void Report::groupBreaks(const Band& detail) {
  const std::vector<Group*> chain = m_structure->chain(detail);
  std::vector<std::string> values;
  for (const Group* g : chain) {
    auto it = m_variables.find(g->record->field);
    values.push_back(g->record->field != 0 && it != m_variables.end() ? it->second.text() : "");
  }
  // The outermost group whose value changed (or that was not running).
  std::size_t k = 0;
  while (k < chain.size() && k < m_activeGroups.size() && m_activeGroups[k].first == chain[k] &&
         m_activeGroups[k].second == values[k])
    ++k;
  if (k == chain.size() && m_activeGroups.size() == chain.size()) return;
  for (std::size_t i = m_activeGroups.size(); i-- > k;)
    if (const Band* footer = m_activeGroups[i].first->footer) enqueue(*footer);
  for (std::size_t i = k; i < chain.size(); ++i)
    if (const Band* header = chain[i]->header) enqueue(*header);
  m_activeGroups.clear();
  for (std::size_t i = 0; i < chain.size(); ++i) m_activeGroups.emplace_back(chain[i], values[i]);
}

void Report::enqueue(const Band& band) {
  if (m_cancelled) return;
  const resfmt::BandInfo& info = band.record->band;
  RenderedBand rendered = renderBand(*band.record, context());
  if (info.printBefore > 0 || (info.flags & bandflag::kPageBreak)) {
    flush();
    if (info.printBefore > 0 && info.beforePage > 0) m_pageNumber = info.beforePage;
  }
  if (m_cancelled) return;
  const bool keepFlags = info.flags & (bandflag::kOpenKeep | bandflag::kCloseKeep);
  if (rendered.empty && info.printAfter == 0 && !keepFlags && !m_pending.empty()) {
    // Nothing to show: whatever it recorded rides with the last pending band.
    m_pending.back().extra.push_back(std::move(rendered.drawing));
  } else {
    Pending p;
    p.band = &band;
    p.firstOnPageHeight = rendered.height;
    p.flags = info.flags;
    p.rendered = std::move(rendered);
    // Keep with the previous n bands, within the current keep-together level.
    std::int32_t n = info.keepWithPrevious;
    for (std::size_t i = m_pending.size(); n > 0 && i-- > 0; --n) {
      m_pending[i].keepWithNext = std::max(1, m_pending[i].keepWithNext);
      if (m_pending[i].flags & bandflag::kOpenKeep) break;
    }
    if (!(p.flags & bandflag::kNoAdvance)) m_pendingHeight += p.rendered.height;
    m_pending.push_back(std::move(p));
  }
  if (info.printAfter > 0 || (info.flags & bandflag::kPageBreak)) {
    flush();
    if (info.printAfter > 0 && info.afterPage > 0) m_pageNumber = info.afterPage;
  }
  // Do not let the queue grow without bound: two pages' worth is enough
  // to decide where the next page ends.
  if (std::int64_t(m_pendingHeight) > 2LL * m_detailHeight) composePage();
}

void Report::flush() {
  while (!m_pending.empty() && !m_cancelled) composePage();
}

void Report::close() {
  if (!m_open) return;
  if (m_isReport && !m_cancelled) {
    for (std::size_t i = m_activeGroups.size(); i-- > 0;)
      if (const Band* footer = m_activeGroups[i].first->footer) enqueue(*footer);
    flush();
  }
  m_activeGroups.clear();
  m_pending.clear();
  m_pendingHeight = 0;
  deletePageFiles();
  if (m_documentStarted) m_device->endDocument();
  m_documentStarted = false;
  m_device->release();
  m_structure.reset();
  m_ownDevice.reset();
  m_module.reset();
  m_open = false;
}

void Report::deletePageFiles() {
  for (const std::string& name : m_pageFiles) removePageFile(name);
  m_pageFiles.clear();
}

}  // namespace dw::report
