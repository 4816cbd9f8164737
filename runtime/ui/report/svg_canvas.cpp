// The SVG canvas (see svg_canvas.h).
#include "runtime/ui/report/svg_canvas.h"

#include <algorithm>
#include <cstdio>

namespace dw::report {

namespace {

std::string colour(Colour c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

// Latin-1 to UTF-8, with XML's special characters escaped.
std::string escaped(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else if (c < 0x20)
      out += ' ';
    else if (c < 0x80)
      out += static_cast<char>(c);
    else
      out += static_cast<char>(0xC0 | (c >> 6)), out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::string n(std::int32_t v) {
  return std::to_string(v);
}

}  // namespace

SvgCanvas::SvgCanvas(const Box& frame) : m_frame(frame) {}

std::string SvgCanvas::stroke() const {
  if (m_pen.style == PenStyle::Null) return " stroke=\"none\"";
  return " stroke=\"" + colour(m_pen.colour) + "\" stroke-width=\"" + n(std::max(1, m_pen.width)) +
         "\"";
}

std::string SvgCanvas::fill() const {
  return m_brush.hollow ? " fill=\"none\"" : " fill=\"" + colour(m_brush.colour) + "\"";
}

void SvgCanvas::drawText(std::int32_t x, std::int32_t y, std::string_view text) {
  // The cell's top at y: the baseline lies about 4/5 of the em below it.
  const std::int32_t baseline = y + m_font.height * 4 / 5;
  m_body += "<text x=\"" + n(x) + "\" y=\"" + n(baseline) + "\" font-family=\"" +
            escaped(m_font.face) + "\" font-size=\"" + n(m_font.height) + "\"";
  if (m_font.weight >= 600) m_body += " font-weight=\"bold\"";
  if (m_font.italic) m_body += " font-style=\"italic\"";
  m_body += " fill=\"" + colour(m_textColour) + "\">" + escaped(text) + "</text>\n";
}

void SvgCanvas::drawLine(Point a, Point b) {
  m_body += "<line x1=\"" + n(a.x) + "\" y1=\"" + n(a.y) + "\" x2=\"" + n(b.x) + "\" y2=\"" +
            n(b.y) + "\"" + stroke() + "/>\n";
}

void SvgCanvas::drawRectangle(const Box& b) {
  m_body += "<rect x=\"" + n(b.left) + "\" y=\"" + n(b.top) + "\" width=\"" + n(b.right - b.left) +
            "\" height=\"" + n(b.bottom - b.top) + "\"" + stroke() + fill() + "/>\n";
}

void SvgCanvas::drawEllipse(const Box& b) {
  m_body += "<ellipse cx=\"" + n((b.left + b.right) / 2) + "\" cy=\"" + n((b.top + b.bottom) / 2) +
            "\" rx=\"" + n((b.right - b.left) / 2) + "\" ry=\"" + n((b.bottom - b.top) / 2) + "\"" +
            stroke() + fill() + "/>\n";
}

void SvgCanvas::points(const std::vector<Point>& ps) {
  m_body += " points=\"";
  for (const Point& p : ps) m_body += n(p.x) + "," + n(p.y) + " ";
  m_body += "\"";
}

void SvgCanvas::drawPolyline(const std::vector<Point>& ps) {
  m_body += "<polyline";
  points(ps);
  m_body += stroke() + " fill=\"none\"/>\n";
}

void SvgCanvas::drawPolygon(const std::vector<Point>& ps) {
  m_body += "<polygon";
  points(ps);
  m_body += stroke() + fill() + "/>\n";
}

void SvgCanvas::intersectClip(const Box& b) {
  const std::string id = "c" + n(++m_clips);
  m_body += "<clipPath id=\"" + id + "\"><rect x=\"" + n(b.left) + "\" y=\"" + n(b.top) +
            "\" width=\"" + n(b.right - b.left) + "\" height=\"" + n(b.bottom - b.top) +
            "\"/></clipPath><g clip-path=\"url(#" + id + ")\">\n";
  ++m_open;
}

void SvgCanvas::save() {
  m_groups.push_back(m_open);
}

void SvgCanvas::restore() {
  const int keep = m_groups.empty() ? 0 : m_groups.back();
  if (!m_groups.empty()) m_groups.pop_back();
  for (; m_open > keep; --m_open) m_body += "</g>\n";
}

std::string SvgCanvas::document() const {
  const std::int32_t w = m_frame.right - m_frame.left, h = m_frame.bottom - m_frame.top;
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "width=\"" +
      n(w) + "\" height=\"" + n(h) + "\" viewBox=\"" + n(m_frame.left) + " " + n(m_frame.top) +
      " " + n(w) + " " + n(h) + "\">\n<rect x=\"" + n(m_frame.left) + "\" y=\"" + n(m_frame.top) +
      "\" width=\"" + n(w) + "\" height=\"" + n(h) + "\" fill=\"white\"/>\n" + m_body;
  for (int i = 0; i < m_open; ++i) out += "</g>\n";
  return out + "</svg>\n";
}

}  // namespace dw::report
