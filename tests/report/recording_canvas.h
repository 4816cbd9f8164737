// A canvas that writes each drawing call as a line of text, so that tests
// compare what was drawn with plain strings.
#pragma once

#include <string>
#include <vector>

#include "runtime/ui/report/canvas.h"

namespace dw::report {

class RecordingCanvas : public Canvas {
 public:
  std::vector<std::string> calls;

  void setFont(const FontSpec& f) override {
    add("font " + f.face + " " + n(f.height) + " " + n(f.weight) + (f.italic ? " i" : "") +
        (f.underline ? " u" : ""));
  }
  void setPen(const PenSpec& p) override {
    add("pen " + n(int(p.style)) + " " + n(p.width) + " " + hex(p.colour));
  }
  void setBrush(const BrushSpec& b) override {
    add(b.hollow ? std::string("brush hollow") : "brush " + hex(b.colour));
  }
  void setTextColour(Colour c) override { add("textcolour " + hex(c)); }
  void drawText(std::int32_t x, std::int32_t y, std::string_view t) override {
    add("text " + n(x) + "," + n(y) + " " + std::string(t));
  }
  void drawLine(Point a, Point b) override { add("line " + pt(a) + " " + pt(b)); }
  void drawRectangle(const Box& b) override { add("rect " + box(b)); }
  void drawEllipse(const Box& b) override { add("ellipse " + box(b)); }
  void drawPolyline(const std::vector<Point>& p) override { add("polyline" + pts(p)); }
  void drawPolygon(const std::vector<Point>& p) override { add("polygon" + pts(p)); }
  void drawImage(const Box& b, const Bitmap& i) override {
    add("image " + box(b) + " " + n(i.width) + "x" + n(i.height));
    images.push_back(i);
  }
  void intersectClip(const Box& b) override { add("clip " + box(b)); }
  void save() override { add("save"); }
  void restore() override { add("restore"); }
  void pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) override {
    add("pagenumber " + n(x) + "," + n(y) + " " + std::string(prefix));
  }

  std::vector<Bitmap> images;
  // Only the calls that draw (text, shapes, images, page numbers).
  std::vector<std::string> drawn() const {
    std::vector<std::string> out;
    for (const auto& c : calls)
      if (c.rfind("text ", 0) == 0 || c.rfind("line", 0) == 0 || c.rfind("rect", 0) == 0 ||
          c.rfind("ellipse", 0) == 0 || c.rfind("poly", 0) == 0 || c.rfind("image", 0) == 0 ||
          c.rfind("pagenumber", 0) == 0)
        out.push_back(c);
    return out;
  }

 private:
  void add(std::string s) { calls.push_back(std::move(s)); }
  static std::string n(long v) { return std::to_string(v); }
  static std::string hex(Colour c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", c);
    return buf;
  }
  static std::string pt(Point p) { return n(p.x) + "," + n(p.y); }
  static std::string box(const Box& b) {
    return pt({b.left, b.top}) + "-" + pt({b.right, b.bottom});
  }
  static std::string pts(const std::vector<Point>& p) {
    std::string s;
    for (const auto& q : p) s += " " + pt(q);
    return s;
  }
};

}  // namespace dw::report
