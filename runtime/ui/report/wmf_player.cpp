// The metafile reader and player: see wmf_player.h and docs/page-files.md.
#include "runtime/ui/report/wmf_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <variant>
#include <vector>

#include "runtime/ui/report/dib.h"
#include "runtime/ui/report/wmf_format.h"

namespace dw::report {

namespace {

std::uint16_t u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::int16_t s16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(u16(p));
}
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(u16(p)) | static_cast<std::uint32_t>(u16(p + 2)) << 16;
}

// Mapped coordinates and lengths stay within this, so that sums and
// differences of them cannot overflow, whatever the scale.
constexpr double kMaxCoordinate = 1 << 28;
std::int32_t toInt(double v) {
  return static_cast<std::int32_t>(std::lround(std::clamp(v, -kMaxCoordinate, kMaxCoordinate)));
}

// Deepest SAVEDC nesting honoured; deeper saves are ignored with their
// matching restores, so a hostile file cannot grow the canvas's stack.
constexpr int kMaxSaveDepth = 64;
// Most object slots a file may use.
constexpr std::size_t kMaxObjects = 4096;

struct Other {};
using Object = std::variant<std::monostate, PenSpec, BrushSpec, FontSpec, Other>;

// One record in the walk.
struct Record {
  std::uint16_t function = 0;
  std::span<const std::uint8_t> params;  // after the 6-byte header
  std::uint32_t index = 0;
};

// Walks the records of a metafile (after any placeable header).
class Walker {
 public:
  explicit Walker(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

  bool open(WmfCheck& out) {
    if (auto ph = decodePlaceableHeader(m_bytes)) {
      out.info.placeable = ph;
      if (ph->checksum != ph->expectedChecksum()) {
        out.status = WmfStatus::BadChecksum;
        out.detail = "the placeable header's checksum does not match";
        return false;
      }
      m_at = PlaceableHeader::kSize;
      out.info.frame = Box{ph->left, ph->top, ph->right, ph->bottom};
    }
    out.info.metafileOffset = m_at;
    if (m_bytes.size() - m_at < wmf::kHeaderBytes) return fail(out, "no metafile header");
    const std::uint8_t* h = m_bytes.data() + m_at;
    const std::uint16_t type = u16(h), headerWords = u16(h + 2);
    if ((type != 1 && type != 2) || headerWords != wmf::kHeaderWords)
      return fail(out, "not a metafile header");
    out.info.objects = u16(h + 10);
    m_at += wmf::kHeaderBytes;
    return true;
  }

  // The next record; false at EOF or on an error (status set).
  bool next(Record& r, WmfCheck& out) {
    if (m_bytes.size() - m_at < 6) return fail(out, "the records end without EOF");
    const std::uint8_t* p = m_bytes.data() + m_at;
    const std::uint32_t words = u32(p);
    const std::uint16_t function = u16(p + 4);
    if (words < 3)
      return fail(out, "record " + std::to_string(m_index) + " is shorter than its header");
    if (words > wmf::kMaxRecordBytes / 2) {
      out.status = WmfStatus::RecordTooLarge;
      out.detail = "record " + std::to_string(m_index) + " is too large";
      return false;
    }
    const std::size_t size = std::size_t(words) * 2;
    if (size > m_bytes.size() - m_at)
      return fail(out, "record " + std::to_string(m_index) + " runs past the end");
    if (function == wmf::kEof) {
      m_eof = true;
      return false;
    }
    r.function = function;
    r.params = m_bytes.subspan(m_at + 6, size - 6);
    r.index = m_index++;
    m_at += size;
    return true;
  }
  bool atEof() const { return m_eof; }
  std::uint32_t count() const { return m_index; }

 private:
  bool fail(WmfCheck& out, std::string detail) {
    out.status = WmfStatus::Malformed;
    out.detail = std::move(detail);
    return false;
  }
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_at = 0;
  std::uint32_t m_index = 0;
  bool m_eof = false;
};

// The parameter words of a record, read safely (missing words read 0).
struct Params {
  std::span<const std::uint8_t> p;
  std::size_t words() const { return p.size() / 2; }
  std::int16_t s(std::size_t i) const { return i < words() ? s16(p.data() + 2 * i) : 0; }
  std::uint16_t u(std::size_t i) const { return i < words() ? u16(p.data() + 2 * i) : 0; }
  std::uint32_t u32at(std::size_t i) const { return i + 1 < words() ? u32(p.data() + 2 * i) : 0; }
};

class Player {
 public:
  Player(Canvas& canvas, const PlayPlacement& placement, const WmfInfo& info)
      : m_canvas(canvas), m_placement(placement) {
    if (placement.target && info.frame)
      fitFrame(*info.frame);
    else if (placement.target) {
      m_dx = placement.target->left;
      m_dy = placement.target->top;
    } else {
      m_dx = placement.dx;
      m_dy = placement.dy;
    }
  }

  void play(const Record& r) {
    const Params a{r.params};
    switch (r.function) {
      case wmf::kSetWindowOrg:
        m_windowOrg = {a.s(1), a.s(0)};
        refit();
        break;
      case wmf::kSetWindowExt:
        m_windowExt = {a.s(1), a.s(0)};
        refit();
        break;
      case wmf::kSetTextColor:
        m_canvas.setTextColour(a.u32at(0) & 0xFFFFFF);
        break;
      case wmf::kSetTextAlign:
        m_textAlign = a.u(0);
        break;
      case wmf::kCreatePenIndirect: {
        PenSpec pen;
        const std::uint16_t style = a.u(0) & 0x0F;
        pen.style = style == 5   ? PenStyle::Null
                    : style == 1 ? PenStyle::Dash
                    : style == 2 ? PenStyle::Dot
                                 : PenStyle::Solid;
        pen.width = a.s(1);
        pen.colour = a.u32at(3) & 0xFFFFFF;
        create(pen);
        break;
      }
      case wmf::kCreateBrushIndirect: {
        BrushSpec brush;
        brush.hollow = a.u(0) == wmf::kBrushNull;
        brush.colour = a.u32at(1) & 0xFFFFFF;
        create(brush);
        break;
      }
      case wmf::kCreateFontIndirect: {
        FontSpec font;
        const std::int16_t h = a.s(0);
        // A positive height is the cell's; the em is about 7/8 of it.
        font.height = h < 0 ? -h : (h * 7 + 4) / 8;
        if (font.height == 0) font.height = 12;
        font.weight = a.s(4);
        if (r.params.size() >= 18) {
          font.italic = r.params[10] != 0;
          font.underline = r.params[11] != 0;
          const auto face = r.params.subspan(18);
          const auto end = std::find(face.begin(), face.end(), 0);
          font.face.assign(face.begin(), end);
          if (font.face.size() > 31) font.face.resize(31);
        }
        create(font);
        break;
      }
      case wmf::kCreatePalette:
      case wmf::kCreatePatternBrush:
      case wmf::kDibCreatePatternBrush:
      case wmf::kCreateRegion:
        create(Other{});
        break;
      case wmf::kSelectObject:
        select(a.u(0));
        break;
      case wmf::kDeleteObject:
        if (a.u(0) < m_objects.size()) m_objects[a.u(0)] = std::monostate{};
        break;
      case wmf::kSaveDc:
        if (m_saveDepth++ < kMaxSaveDepth) m_canvas.save();
        break;
      case wmf::kRestoreDc:
        if (m_saveDepth > 0 && m_saveDepth-- <= kMaxSaveDepth) m_canvas.restore();
        break;
      case wmf::kIntersectClipRect:
        m_canvas.intersectClip(box(a.s(3), a.s(2), a.s(1), a.s(0)));
        break;
      case wmf::kMoveTo:
        m_current = {a.s(1), a.s(0)};
        break;
      case wmf::kLineTo: {
        const Point to{a.s(1), a.s(0)};
        m_canvas.drawLine(map(m_current), map(to));
        m_current = to;
        ++m_played;
        break;
      }
      case wmf::kRectangle:
        m_canvas.drawRectangle(box(a.s(3), a.s(2), a.s(1), a.s(0)));
        ++m_played;
        break;
      case wmf::kEllipse:
        m_canvas.drawEllipse(box(a.s(3), a.s(2), a.s(1), a.s(0)));
        ++m_played;
        break;
      case wmf::kPolyline:
      case wmf::kPolygon: {
        std::vector<Point> pts;
        const std::size_t n =
            std::min<std::size_t>(a.u(0), (a.words() - std::min<std::size_t>(a.words(), 1)) / 2);
        for (std::size_t i = 0; i < n; ++i) pts.push_back(map({a.s(1 + 2 * i), a.s(2 + 2 * i)}));
        if (r.function == wmf::kPolyline)
          m_canvas.drawPolyline(pts);
        else
          m_canvas.drawPolygon(pts);
        ++m_played;
        break;
      }
      case wmf::kTextOut: {
        const std::size_t n = a.u(0);
        const std::size_t padded = (n + 1) & ~std::size_t(1);
        if (2 + padded + 4 > r.params.size()) break;
        const std::string text(reinterpret_cast<const char*>(r.params.data() + 2), n);
        const Params tail{r.params.subspan(2 + padded)};
        text_(tail.s(1), tail.s(0), text);
        break;
      }
      case wmf::kExtTextOut: {
        const std::size_t n = a.u(2);
        const std::uint16_t options = a.u(3);
        std::size_t at = 8 + ((options & 0x06) ? 8 : 0);
        if (at + n > r.params.size()) break;
        const std::string text(reinterpret_cast<const char*>(r.params.data() + at), n);
        text_(a.s(1), a.s(0), text);
        break;
      }
      case wmf::kStretchDib:
        // rop(2 words), usage, srcH, srcW, ySrc, xSrc, destH, destW, yDst, xDst, DIB
        image(a.s(10), a.s(9), a.s(8), a.s(7),
              r.params.subspan(std::min<std::size_t>(22, r.params.size())));
        break;
      case wmf::kDibStretchBlt:
        // rop(2 words), srcH, srcW, ySrc, xSrc, destH, destW, yDst, xDst, DIB
        if (r.params.size() > 20) image(a.s(9), a.s(8), a.s(7), a.s(6), r.params.subspan(20));
        break;
      case wmf::kDibBitBlt:
        // rop(2 words), ySrc, xSrc, height, width, yDst, xDst, DIB
        if (r.params.size() > 16) image(a.s(7), a.s(6), a.s(5), a.s(4), r.params.subspan(16));
        break;
      case wmf::kEscape:
        escape(a, r.params);
        break;
      default:
        break;  // mapping, viewport, palette and mode records: not needed here
    }
  }

  std::uint32_t played() const { return m_played; }

 private:
  void fitFrame(const Box& frame) {
    const Box& t = *m_placement.target;
    const double fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    m_sx = fw != 0 ? (t.right - t.left) / fw : 1.0;
    m_sy = fh != 0 ? (t.bottom - t.top) / fh : 1.0;
    m_dx = t.left - frame.left * m_sx;
    m_dy = t.top - frame.top * m_sy;
  }
  void refit() {
    if (!m_placement.target || m_windowExt.x == 0 || m_windowExt.y == 0) return;
    fitFrame(Box{m_windowOrg.x, m_windowOrg.y, m_windowOrg.x + m_windowExt.x,
                 m_windowOrg.y + m_windowExt.y});
  }
  std::int32_t mx(double x) const { return toInt((x + m_originX) * m_sx + m_dx); }
  std::int32_t my(double y) const { return toInt((y + m_originY) * m_sy + m_dy); }
  Point map(Point p) const { return {mx(p.x), my(p.y)}; }
  Box box(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) const {
    Box out{mx(l), my(t), mx(r), my(b)};
    if (out.left > out.right) std::swap(out.left, out.right);
    if (out.top > out.bottom) std::swap(out.top, out.bottom);
    return out;
  }
  std::int32_t scaleLength(std::int32_t v, double s) const { return toInt(std::abs(v * s)); }

  void create(Object object) {
    auto free = std::find_if(m_objects.begin(), m_objects.end(), [](const Object& o) {
      return std::holds_alternative<std::monostate>(o);
    });
    if (free != m_objects.end())
      *free = std::move(object);
    else if (m_objects.size() < kMaxObjects)
      m_objects.push_back(std::move(object));
  }
  void select(std::uint16_t index) {
    if (index >= m_objects.size()) return;
    const Object& o = m_objects[index];
    if (const auto* pen = std::get_if<PenSpec>(&o)) {
      PenSpec p = *pen;
      p.width = std::max(1, scaleLength(p.width, m_sx));
      m_canvas.setPen(p);
    } else if (const auto* brush = std::get_if<BrushSpec>(&o)) {
      m_canvas.setBrush(*brush);
    } else if (const auto* font = std::get_if<FontSpec>(&o)) {
      FontSpec f = *font;
      f.height = std::max(1, scaleLength(f.height, m_sy));
      m_fontHeight = f.height;
      m_canvas.setFont(f);
    }
  }
  void text_(std::int32_t x, std::int32_t y, const std::string& text) {
    std::int32_t top = my(y);
    // Baseline and bottom alignment: the cell's top is about one em above.
    if ((m_textAlign & 0x18) == wmf::kTextAlignBaseline)
      top -= static_cast<std::int32_t>(std::int64_t(m_fontHeight) * 9 / 10);
    else if (m_textAlign & 0x08)
      top -= static_cast<std::int32_t>(std::int64_t(m_fontHeight) * 6 / 5);
    m_canvas.drawText(mx(x), top, text);
    ++m_played;
  }
  void image(std::int32_t xDst, std::int32_t yDst, std::int32_t width, std::int32_t height,
             std::span<const std::uint8_t> dib) {
    const auto bitmap = decodeDib(dib);
    if (!bitmap) return;
    m_canvas.drawImage(box(xDst, yDst, xDst + width, yDst + height), *bitmap);
    ++m_played;
  }
  void escape(const Params& a, std::span<const std::uint8_t> params) {
    if (a.u(0) != wmf::kEscapeComment || params.size() < 4 + 6) return;
    const std::size_t count = std::min<std::size_t>(a.u(1), params.size() - 4);
    const auto data = params.subspan(4, count);
    if (data.size() < 6 || std::memcmp(data.data(), wmf::kCommentTag, 4) != 0) return;
    const Params d{data.subspan(4)};
    switch (d.u(0)) {
      case wmf::kCommentPageNumber: {
        const std::size_t n =
            std::min<std::size_t>(d.u(3), data.size() - std::min<std::size_t>(data.size(), 12));
        const std::string prefix(reinterpret_cast<const char*>(data.data()) + 12, n);
        m_canvas.pageNumberField(mx(d.s(1)), my(d.s(2)), prefix);
        ++m_played;
        break;
      }
      case wmf::kCommentSetOrigin:
        m_originX = d.s(1);
        m_originY = d.s(2);
        break;
      case wmf::kCommentAdvanceOrigin:
        m_originX += d.s(1);
        m_originY += d.s(2);
        break;
      default:
        break;
    }
  }

  Canvas& m_canvas;
  const PlayPlacement& m_placement;
  double m_sx = 1, m_sy = 1, m_dx = 0, m_dy = 0;
  double m_originX = 0, m_originY = 0;
  Point m_windowOrg{0, 0}, m_windowExt{0, 0};
  Point m_current{0, 0};
  std::uint16_t m_textAlign = 0;
  std::int32_t m_fontHeight = 12;
  int m_saveDepth = 0;
  std::vector<Object> m_objects;
  std::uint32_t m_played = 0;
};

}  // namespace

std::uint16_t PlaceableHeader::expectedChecksum() const {
  std::uint16_t sum = 0;
  sum ^= static_cast<std::uint16_t>(kKey & 0xFFFF);
  sum ^= static_cast<std::uint16_t>(kKey >> 16);
  sum ^= 0;  // handle
  for (std::int16_t v : {left, top, right, bottom}) sum ^= static_cast<std::uint16_t>(v);
  sum ^= unitsPerInch;
  return sum;  // the two reserved words are 0
}

PlaceableHeader makePlaceableHeader(std::int16_t right, std::int16_t bottom,
                                    std::uint16_t unitsPerInch) {
  PlaceableHeader h;
  h.right = right;
  h.bottom = bottom;
  h.unitsPerInch = unitsPerInch;
  h.checksum = h.expectedChecksum();
  return h;
}

std::string encodePlaceableHeader(const PlaceableHeader& h) {
  std::string out(PlaceableHeader::kSize, '\0');
  auto put16 = [&out](int at, std::uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
  };
  put16(0, PlaceableHeader::kKey & 0xFFFF);
  put16(2, PlaceableHeader::kKey >> 16);
  put16(4, 0);
  put16(6, static_cast<std::uint16_t>(h.left));
  put16(8, static_cast<std::uint16_t>(h.top));
  put16(10, static_cast<std::uint16_t>(h.right));
  put16(12, static_cast<std::uint16_t>(h.bottom));
  put16(14, h.unitsPerInch);
  put16(20, h.checksum);
  return out;
}

std::optional<PlaceableHeader> decodePlaceableHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < PlaceableHeader::kSize || u32(bytes.data()) != PlaceableHeader::kKey)
    return std::nullopt;
  PlaceableHeader h;
  h.left = s16(bytes.data() + 6);
  h.top = s16(bytes.data() + 8);
  h.right = s16(bytes.data() + 10);
  h.bottom = s16(bytes.data() + 12);
  h.unitsPerInch = u16(bytes.data() + 14);
  h.checksum = u16(bytes.data() + 20);
  return h;
}

const char* wmfStatusText(WmfStatus status) {
  switch (status) {
    case WmfStatus::Ok:
      return "ok";
    case WmfStatus::Malformed:
      return "malformed metafile";
    case WmfStatus::RecordTooLarge:
      return "metafile record too large";
    case WmfStatus::BadChecksum:
      return "placeable header checksum mismatch";
  }
  return "?";
}

WmfCheck inspectWmf(std::span<const std::uint8_t> bytes) {
  WmfCheck out;
  Walker walker(bytes);
  if (!walker.open(out)) return out;
  Record r;
  std::optional<Point> org, ext;
  while (walker.next(r, out)) {
    const Params a{r.params};
    if (r.function == wmf::kSetWindowOrg && !org) org = Point{a.s(1), a.s(0)};
    if (r.function == wmf::kSetWindowExt && !ext) ext = Point{a.s(1), a.s(0)};
  }
  out.info.records = walker.count();
  if (out.status == WmfStatus::Ok && !out.info.frame && ext)
    out.info.frame = Box{org ? org->x : 0, org ? org->y : 0, (org ? org->x : 0) + ext->x,
                         (org ? org->y : 0) + ext->y};
  return out;
}

PlayResult playWmf(std::span<const std::uint8_t> bytes, Canvas& canvas,
                   const PlayPlacement& placement) {
  PlayResult result;
  WmfCheck check;
  Walker walker(bytes);
  if (!walker.open(check)) {
    result.status = check.status;
    result.detail = check.detail;
    return result;
  }
  Player player(canvas, placement, check.info);
  Record r;
  while (walker.next(r, check)) player.play(r);
  result.status = check.status;
  result.detail = check.detail;
  result.played = player.played();
  return result;
}

}  // namespace dw::report
