// A canvas that writes SVG: a page file played onto it becomes one SVG
// document of the page (`dornctl report --svg`).  Texts are Latin-1 bytes
// written as UTF-8 and escaped; clipping is kept as nested clip paths;
// images are left out (reports print none of their own).
//
// Thread-safety: one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "runtime/ui/report/canvas.h"

namespace dw::report {

class SvgCanvas : public Canvas {
 public:
  // The drawing's coordinates from `frame`, shown at that size.
  explicit SvgCanvas(const Box& frame);

  void setFont(const FontSpec& font) override { m_font = font; }
  void setPen(const PenSpec& pen) override { m_pen = pen; }
  void setBrush(const BrushSpec& brush) override { m_brush = brush; }
  void setTextColour(Colour colour) override { m_textColour = colour; }
  void drawText(std::int32_t x, std::int32_t y, std::string_view text) override;
  void drawLine(Point from, Point to) override;
  void drawRectangle(const Box& box) override;
  void drawEllipse(const Box& box) override;
  void drawPolyline(const std::vector<Point>& points) override;
  void drawPolygon(const std::vector<Point>& points) override;
  void drawImage(const Box&, const Bitmap&) override {}
  void intersectClip(const Box& box) override;
  void save() override;
  void restore() override;
  void pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) override {
    drawText(x, y, prefix);
  }

  // The whole document.
  std::string document() const;

 private:
  std::string stroke() const;
  std::string fill() const;
  void points(const std::vector<Point>& points);

  Box m_frame;
  std::string m_body;
  FontSpec m_font;
  PenSpec m_pen;
  BrushSpec m_brush;
  Colour m_textColour = kBlack;
  int m_clips = 0;
  std::vector<int> m_groups;  // clip groups open at each save
  int m_open = 0;             // clip groups open now
};

}  // namespace dw::report
