// The report canvas on a QPainter: page files and band drawings played
// onto the screen (preview), a printer page or a PDF page, and WMF pictures
// turned into images for image controls.
//
// Text is drawn in the canvas's text colour, separately from the pen that
// draws lines (as the metafile keeps them); bytes of texts are Latin-1.
//
// Thread-safety: a canvas is used by one thread at a time.  Painting on a
// QImage or a QPrinter may happen outside the GUI thread.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <optional>
#include <span>
#include <vector>

#include "runtime/ui/report/canvas.h"
#include "runtime/ui/report/wmf_player.h"

namespace dw::ui::qt {

class QtPainterCanvas : public report::Canvas {
 public:
  explicit QtPainterCanvas(QPainter& painter);

  void setFont(const report::FontSpec& font) override;
  void setPen(const report::PenSpec& pen) override;
  void setBrush(const report::BrushSpec& brush) override;
  void setTextColour(report::Colour colour) override;
  void drawText(std::int32_t x, std::int32_t y, std::string_view text) override;
  void drawLine(report::Point from, report::Point to) override;
  void drawRectangle(const report::Box& box) override;
  void drawEllipse(const report::Box& box) override;
  void drawPolyline(const std::vector<report::Point>& points) override;
  void drawPolygon(const std::vector<report::Point>& points) override;
  void drawImage(const report::Box& target, const report::Bitmap& image) override;
  void intersectClip(const report::Box& box) override;
  void save() override;
  void restore() override;
  void pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) override;

 private:
  QPainter& m_painter;
  QPen m_pen;
  QColor m_textColour = Qt::black;
  std::vector<std::pair<QPen, QColor>> m_saved;
};

QColor toQColor(report::Colour colour);

// A page file (or any placeable metafile) drawn onto a white image of the
// given size, the page filling it.  nullopt when the file is refused.
std::optional<QImage> renderPageFile(std::span<const std::uint8_t> bytes, QSize size);

// A WMF picture as an image at its natural size (its bounds at its units
// per inch, shown at 96 dots per inch), for image controls; nullopt when
// the bytes are not a metafile that plays.
std::optional<QImage> wmfImage(std::span<const std::uint8_t> bytes);

}  // namespace dw::ui::qt
