// The report canvas on a QPainter: see qt_wmf_canvas.h.
#include "runtime/ui/qt/qt_wmf_canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPolygon>
#include <algorithm>

namespace dw::ui::qt {

QColor toQColor(report::Colour c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

namespace {
// Fonts and pens beyond these sizes (a hostile picture's) are drawn at them.
constexpr int kMaxFontPixels = 4096;
constexpr int kMaxPenWidth = 1024;

QRect toRect(const report::Box& b) {
  return QRect(QPoint(b.left, b.top), QPoint(b.right - 1, b.bottom - 1));
}
QPolygon toPolygon(const std::vector<report::Point>& points) {
  QPolygon p;
  for (const auto& pt : points) p << QPoint(pt.x, pt.y);
  return p;
}
}  // namespace

QtPainterCanvas::QtPainterCanvas(QPainter& painter) : m_painter(painter) {
  m_pen = QPen(Qt::black, 1);
  m_painter.setPen(m_pen);
  m_painter.setBrush(Qt::NoBrush);
}

void QtPainterCanvas::setFont(const report::FontSpec& font) {
  QFont f(QString::fromLatin1(font.face.data(), static_cast<int>(font.face.size())));
  f.setPixelSize(std::clamp(font.height, 1, kMaxFontPixels));
  f.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  m_painter.setFont(f);
}

void QtPainterCanvas::setPen(const report::PenSpec& pen) {
  Qt::PenStyle style = Qt::SolidLine;
  switch (pen.style) {
    case report::PenStyle::Dash:
      style = Qt::DashLine;
      break;
    case report::PenStyle::Dot:
      style = Qt::DotLine;
      break;
    case report::PenStyle::Null:
      style = Qt::NoPen;
      break;
    default:
      break;
  }
  m_pen = QPen(toQColor(pen.colour), std::clamp(pen.width, 1, kMaxPenWidth), style);
  m_painter.setPen(m_pen);
}

void QtPainterCanvas::setBrush(const report::BrushSpec& brush) {
  m_painter.setBrush(brush.hollow ? QBrush(Qt::NoBrush) : QBrush(toQColor(brush.colour)));
}

void QtPainterCanvas::setTextColour(report::Colour colour) {
  m_textColour = toQColor(colour);
}

void QtPainterCanvas::drawText(std::int32_t x, std::int32_t y, std::string_view text) {
  const QFontMetrics fm(m_painter.font(), m_painter.device());
  m_painter.setPen(m_textColour);
  m_painter.drawText(QPoint(x, y + fm.ascent()),
                     QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  m_painter.setPen(m_pen);
}

void QtPainterCanvas::drawLine(report::Point a, report::Point b) {
  m_painter.drawLine(QPoint(a.x, a.y), QPoint(b.x, b.y));
}

void QtPainterCanvas::drawRectangle(const report::Box& b) {
  m_painter.drawRect(toRect(b));
}

void QtPainterCanvas::drawEllipse(const report::Box& b) {
  m_painter.drawEllipse(toRect(b));
}

void QtPainterCanvas::drawPolyline(const std::vector<report::Point>& p) {
  m_painter.drawPolyline(toPolygon(p));
}

void QtPainterCanvas::drawPolygon(const std::vector<report::Point>& p) {
  m_painter.drawPolygon(toPolygon(p));
}

void QtPainterCanvas::drawImage(const report::Box& target, const report::Bitmap& image) {
  if (image.empty()) return;
  const QImage img(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height,
                   image.width * 4, QImage::Format_ARGB32);
  m_painter.drawImage(toRect(target), img);
}

void QtPainterCanvas::intersectClip(const report::Box& box) {
  m_painter.setClipRect(toRect(box), m_painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void QtPainterCanvas::save() {
  m_painter.save();
  m_saved.emplace_back(m_pen, m_textColour);
}

void QtPainterCanvas::restore() {
  if (m_saved.empty()) return;
  m_painter.restore();
  m_pen = m_saved.back().first;
  m_textColour = m_saved.back().second;
  m_saved.pop_back();
}

void QtPainterCanvas::pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) {
  // Outside a report there is no page to number: the text alone.
  drawText(x, y, prefix);
}

std::optional<QImage> renderPageFile(std::span<const std::uint8_t> bytes, QSize size) {
  if (report::inspectWmf(bytes).status != report::WmfStatus::Ok || size.isEmpty())
    return std::nullopt;
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  QtPainterCanvas canvas(painter);
  report::playWmf(bytes, canvas, report::PlayPlacement::fit({0, 0, size.width(), size.height()}));
  painter.end();
  return image;
}

std::optional<QImage> wmfImage(std::span<const std::uint8_t> bytes) {
  const report::WmfCheck check = report::inspectWmf(bytes);
  if (check.status != report::WmfStatus::Ok || !check.info.frame) return std::nullopt;
  const report::Box& f = *check.info.frame;
  const int upi = check.info.placeable && check.info.placeable->unitsPerInch
                      ? check.info.placeable->unitsPerInch
                      : 1440;
  const int w = std::clamp((f.right - f.left) * 96 / upi, 1, 4096);
  const int h = std::clamp((f.bottom - f.top) * 96 / upi, 1, 4096);
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  QtPainterCanvas canvas(painter);
  report::playWmf(bytes, canvas, report::PlayPlacement::fit({0, 0, w, h}));
  painter.end();
  return image;
}

}  // namespace dw::ui::qt
