// The drawing surface of the report engine: the few drawing calls that
// report bands, page files and WMF images use (text in a font, lines,
// rectangles, ellipses, polygons, fills, images, clipping).  Three things
// implement it: the WMF recorder (a band's drawing, a page metafile), the
// Qt painter canvas (screen preview, printer, PDF) and test doubles.
//
// Coordinates are integer device units of the surface (dots of the
// printer for bands and pages).  A font's height is its em height in the
// same units.  Colours are platform colour values 0x00BBGGRR.
//
// Thread-safety: a canvas is used by one thread at a time (the report's
// thread holding the Runtime lock, or the GUI thread for the Qt canvas).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dw::report {

using Colour = std::uint32_t;  // 0x00BBGGRR
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;

struct FontSpec {
  std::string face = "Arial";
  std::int32_t height = 13;  // em height in device units (> 0)
  std::int32_t weight = 400;
  bool italic = false;
  bool underline = false;
  bool operator==(const FontSpec&) const = default;
};

enum class PenStyle : std::uint8_t { Solid = 0, Dash = 1, Dot = 2, Null = 5 };
struct PenSpec {
  PenStyle style = PenStyle::Solid;
  std::int32_t width = 1;
  Colour colour = kBlack;
  bool operator==(const PenSpec&) const = default;
};

struct BrushSpec {
  bool hollow = true;  // no fill
  Colour colour = kWhite;
  bool operator==(const BrushSpec&) const = default;
};

// An image as 0xAARRGGBB pixels, rows top to bottom.
struct Bitmap {
  std::int32_t width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const Bitmap&) const = default;
};

struct Point {
  std::int32_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

// Left, top inclusive; right, bottom exclusive.
struct Box {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Box&) const = default;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void setFont(const FontSpec& font) = 0;
  virtual void setPen(const PenSpec& pen) = 0;
  virtual void setBrush(const BrushSpec& brush) = 0;
  virtual void setTextColour(Colour colour) = 0;
  // Text with its cell's top-left corner at (x, y), no background.
  virtual void drawText(std::int32_t x, std::int32_t y, std::string_view text) = 0;
  virtual void drawLine(Point from, Point to) = 0;
  // Outlined with the pen and filled with the brush.
  virtual void drawRectangle(const Box& box) = 0;
  virtual void drawEllipse(const Box& box) = 0;
  virtual void drawPolyline(const std::vector<Point>& points) = 0;
  virtual void drawPolygon(const std::vector<Point>& points) = 0;
  virtual void drawImage(const Box& target, const Bitmap& image) = 0;
  // Clipping: intersect with a box; save/restore bracket a change.
  virtual void intersectClip(const Box& box) = 0;
  virtual void save() = 0;
  virtual void restore() = 0;
  // A field that shows the page number: `prefix` followed by the number,
  // drawn in the current font when the page is composed.
  virtual void pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) = 0;
};

}  // namespace dw::report
