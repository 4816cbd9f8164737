// The WMF recorder: see wmf_recorder.h and docs/page-files.md.
#include "runtime/ui/report/wmf_recorder.h"

#include <algorithm>
#include <cstring>

#include "runtime/ui/report/wmf_format.h"

namespace dw::report {

namespace {

std::int16_t clamp16(std::int32_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

void putWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void putDword(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  putWord(out, at, static_cast<std::uint16_t>(v));
  putWord(out, at + 2, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

WmfRecorder::WmfRecorder() {
  reset();
}

void WmfRecorder::reset() {
  m_out.assign(wmf::kHeaderBytes, 0);
  m_maxRecordWords = 3;
  m_drawCount = 0;
  std::fill(std::begin(m_objectSlot), std::end(m_objectSlot), -1);
  m_slotDepth.clear();
  m_pen = {};
  m_brush = {};
  m_font = {};
  m_textColour.reset();
  m_saveDepth = 0;
  m_saved.clear();
  // Text is drawn without a background and placed by its top-left corner.
  begin(wmf::kSetBkMode);
  word(wmf::kBkTransparent);
  end();
  begin(wmf::kSetTextAlign);
  word(wmf::kTextAlignTopLeft);
  end();
}

void WmfRecorder::begin(std::uint16_t function) {
  m_recordStart = m_out.size();
  m_out.resize(m_out.size() + 6);
  putWord(m_out, m_recordStart + 4, function);
}

void WmfRecorder::word(std::int32_t value) {
  const auto v = static_cast<std::uint16_t>(clamp16(value));
  m_out.push_back(static_cast<std::uint8_t>(v));
  m_out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void WmfRecorder::dword(std::uint32_t value) {
  for (int i = 0; i < 4; ++i) m_out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void WmfRecorder::bytes(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  m_out.insert(m_out.end(), p, p + size);
  if (size % 2) m_out.push_back(0);
}

void WmfRecorder::end() {
  const auto words = static_cast<std::uint32_t>((m_out.size() - m_recordStart) / 2);
  putDword(m_out, m_recordStart, words);
  m_maxRecordWords = std::max(m_maxRecordWords, words);
}

void WmfRecorder::setWindow(Point origin, Point extent) {
  begin(wmf::kSetMapMode);
  word(wmf::kMapModeAnisotropic);
  end();
  begin(wmf::kSetWindowOrg);
  word(origin.y);
  word(origin.x);
  end();
  begin(wmf::kSetWindowExt);
  word(extent.y);
  word(extent.x);
  end();
}

void WmfRecorder::writeObject(Slot slot) {
  switch (slot) {
    case kPen:
      begin(wmf::kCreatePenIndirect);
      word(static_cast<int>(m_pen.style));
      word(m_pen.width);
      word(0);
      dword(m_pen.colour);
      end();
      break;
    case kBrush:
      begin(wmf::kCreateBrushIndirect);
      word(m_brush.hollow ? wmf::kBrushNull : wmf::kBrushSolid);
      dword(m_brush.colour);
      word(0);
      end();
      break;
    case kFont: {
      begin(wmf::kCreateFontIndirect);
      word(-m_font.height);  // negative: the em height, not the cell height
      word(0);
      word(0);
      word(0);
      word(m_font.weight);
      m_out.push_back(m_font.italic ? 1 : 0);
      m_out.push_back(m_font.underline ? 1 : 0);
      m_out.push_back(0);  // strike-out
      m_out.push_back(0);  // character set: ANSI
      m_out.push_back(0);  // output precision
      m_out.push_back(0);  // clip precision
      m_out.push_back(0);  // quality
      m_out.push_back(0);  // pitch and family
      char face[wmf::kFaceNameBytes] = {};
      std::memcpy(face, m_font.face.data(),
                  std::min<std::size_t>(m_font.face.size(), wmf::kFaceNameBytes - 1));
      bytes(face, sizeof face);
      end();
      break;
    }
  }
}

void WmfRecorder::reselect(Slot slot) {
  // The new object takes the lowest free slot, as a player assigns it.
  int free = 0;
  while (free < static_cast<int>(m_slotDepth.size()) && m_slotDepth[free] >= 0) ++free;
  if (free == static_cast<int>(m_slotDepth.size())) m_slotDepth.push_back(-1);
  writeObject(slot);
  m_slotDepth[free] = m_saveDepth;
  begin(wmf::kSelectObject);
  word(free);
  end();
  const int old = m_objectSlot[slot];
  m_objectSlot[slot] = free;
  if (old >= 0 && m_slotDepth[old] == m_saveDepth) {
    begin(wmf::kDeleteObject);
    word(old);
    end();
    m_slotDepth[old] = -1;
  }
}

void WmfRecorder::setFont(const FontSpec& font) {
  if (m_objectSlot[kFont] >= 0 && font == m_font) return;
  m_font = font;
  reselect(kFont);
}

void WmfRecorder::setPen(const PenSpec& pen) {
  if (m_objectSlot[kPen] >= 0 && pen == m_pen) return;
  m_pen = pen;
  reselect(kPen);
}

void WmfRecorder::setBrush(const BrushSpec& brush) {
  if (m_objectSlot[kBrush] >= 0 && brush == m_brush) return;
  m_brush = brush;
  reselect(kBrush);
}

void WmfRecorder::setTextColour(Colour colour) {
  if (m_textColour == colour) return;
  m_textColour = colour;
  begin(wmf::kSetTextColor);
  dword(colour & 0xFFFFFF);
  end();
}

void WmfRecorder::drawText(std::int32_t x, std::int32_t y, std::string_view text) {
  if (text.empty()) return;
  const std::size_t n = std::min<std::size_t>(text.size(), 32000);
  begin(wmf::kTextOut);
  word(static_cast<std::int32_t>(n));
  bytes(text.data(), n);
  word(y);
  word(x);
  end();
  ++m_drawCount;
}

void WmfRecorder::drawLine(Point from, Point to) {
  begin(wmf::kMoveTo);
  word(from.y);
  word(from.x);
  end();
  begin(wmf::kLineTo);
  word(to.y);
  word(to.x);
  end();
  ++m_drawCount;
}

void WmfRecorder::drawRectangle(const Box& box) {
  boxRecord(wmf::kRectangle, box);
}

void WmfRecorder::drawEllipse(const Box& box) {
  boxRecord(wmf::kEllipse, box);
}

void WmfRecorder::boxRecord(std::uint16_t function, const Box& box) {
  begin(function);
  word(box.bottom);
  word(box.right);
  word(box.top);
  word(box.left);
  end();
  ++m_drawCount;
}

void WmfRecorder::points(std::uint16_t function, const std::vector<Point>& points) {
  // A record holds at most this many points (well within its size limit).
  constexpr std::size_t kMaxPoints = 8000;
  const std::size_t n = std::min(points.size(), kMaxPoints);
  begin(function);
  word(static_cast<std::int32_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    word(points[i].x);
    word(points[i].y);
  }
  end();
  ++m_drawCount;
}

void WmfRecorder::drawPolyline(const std::vector<Point>& points) {
  if (points.size() >= 2) this->points(wmf::kPolyline, points);
}

void WmfRecorder::drawPolygon(const std::vector<Point>& points) {
  if (points.size() >= 3) this->points(wmf::kPolygon, points);
}

void WmfRecorder::drawImage(const Box& target, const Bitmap& image) {
  if (image.empty() || image.pixels.size() < std::size_t(image.width) * std::size_t(image.height))
    return;
  // A 24-bit bottom-up device-independent bitmap, rows padded to 4 bytes.
  const std::uint32_t stride = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint64_t imageBytes = std::uint64_t(stride) * std::uint32_t(image.height);
  if (imageBytes + 64 > wmf::kMaxRecordBytes || image.width > 32767 || image.height > 32767) return;
  begin(wmf::kStretchDib);
  dword(wmf::kSrcCopy);
  word(wmf::kDibRgbColours);
  word(image.height);
  word(image.width);
  word(0);
  word(0);
  word(static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::int64_t(target.bottom) - target.top, -32768, 32767)));
  word(static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::int64_t(target.right) - target.left, -32768, 32767)));
  word(target.top);
  word(target.left);
  dword(40);  // the info header's size
  dword(static_cast<std::uint32_t>(image.width));
  dword(static_cast<std::uint32_t>(image.height));
  word(1);   // planes
  word(24);  // bits per pixel
  dword(0);  // no compression
  dword(static_cast<std::uint32_t>(imageBytes));
  dword(11811);  // 300 dots per inch, in dots per metre
  dword(11811);
  dword(0);
  dword(0);
  const std::size_t rowStart = m_out.size();
  m_out.resize(rowStart + imageBytes, 0);
  for (std::int32_t row = 0; row < image.height; ++row) {
    const std::uint32_t* src = &image.pixels[std::size_t(image.height - 1 - row) * image.width];
    std::uint8_t* dst = &m_out[rowStart + std::size_t(row) * stride];
    for (std::int32_t x = 0; x < image.width; ++x) {
      const std::uint32_t argb = src[x];
      // Transparent pixels are shown on white paper.
      const std::uint32_t a = argb >> 24;
      auto blend = [a](std::uint32_t c) { return (c * a + 255 * (255 - a)) / 255; };
      dst[3 * x] = static_cast<std::uint8_t>(blend(argb & 0xFF));
      dst[3 * x + 1] = static_cast<std::uint8_t>(blend((argb >> 8) & 0xFF));
      dst[3 * x + 2] = static_cast<std::uint8_t>(blend((argb >> 16) & 0xFF));
    }
  }
  end();
  ++m_drawCount;
}

void WmfRecorder::intersectClip(const Box& box) {
  begin(wmf::kIntersectClipRect);
  word(box.bottom);
  word(box.right);
  word(box.top);
  word(box.left);
  end();
}

void WmfRecorder::save() {
  begin(wmf::kSaveDc);
  end();
  Saved s{};
  std::copy(std::begin(m_objectSlot), std::end(m_objectSlot), s.objectSlot);
  s.textColour = m_textColour;
  s.pen = m_pen;
  s.brush = m_brush;
  s.font = m_font;
  m_saved.push_back(s);
  ++m_saveDepth;
}

void WmfRecorder::restore() {
  if (m_saved.empty()) return;
  begin(wmf::kRestoreDc);
  word(-1);
  end();
  const Saved s = m_saved.back();
  m_saved.pop_back();
  std::copy(std::begin(s.objectSlot), std::end(s.objectSlot), m_objectSlot);
  m_textColour = s.textColour;
  m_pen = s.pen;
  m_brush = s.brush;
  m_font = s.font;
  // Objects made inside the bracket are no longer selected anywhere.
  for (std::size_t i = 0; i < m_slotDepth.size(); ++i) {
    if (m_slotDepth[i] == m_saveDepth) {
      begin(wmf::kDeleteObject);
      word(static_cast<std::int32_t>(i));
      end();
      m_slotDepth[i] = -1;
    }
  }
  --m_saveDepth;
}

void WmfRecorder::pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) {
  const std::size_t n = std::min<std::size_t>(prefix.size(), 255);
  begin(wmf::kEscape);
  word(wmf::kEscapeComment);
  word(static_cast<std::int32_t>(4 + 2 + 4 + 2 + n));
  std::size_t start = m_out.size();
  m_out.insert(m_out.end(), std::begin(wmf::kCommentTag), std::end(wmf::kCommentTag));
  word(wmf::kCommentPageNumber);
  word(x);
  word(y);
  word(static_cast<std::int32_t>(n));
  m_out.insert(m_out.end(), prefix.begin(), prefix.begin() + static_cast<std::ptrdiff_t>(n));
  if ((m_out.size() - start) % 2) m_out.push_back(0);
  end();
  ++m_drawCount;
}

std::vector<std::uint8_t> WmfRecorder::finish() {
  while (!m_saved.empty()) restore();
  for (int s = 0; s < 3; ++s) m_objectSlot[s] = -1;
  begin(wmf::kEof);
  end();
  std::vector<std::uint8_t> out = std::move(m_out);
  putWord(out, 0, 1);  // in memory (not on disk): the usual type
  putWord(out, 2, wmf::kHeaderWords);
  putWord(out, 4, wmf::kVersion);
  putDword(out, 6, static_cast<std::uint32_t>(out.size() / 2));
  putWord(out, 10, static_cast<std::uint16_t>(m_slotDepth.size()));
  putDword(out, 12, m_maxRecordWords);
  putWord(out, 16, 0);
  reset();
  return out;
}

}  // namespace dw::report
