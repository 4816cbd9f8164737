// WmfRecorder: a Canvas that records the drawing calls as a Windows
// metafile (the records of docs/page-files.md).  Bands are rendered into
// one recorder each; a page is composed by playing the bands' metafiles
// into the page's recorder at their positions.
//
// The recorder keeps one pen, one brush and one font selected; a change
// creates the new object, selects it and deletes the old one, so at most
// four object slots are ever used.  Coordinates are clamped to 16 bits,
// as the format stores them.  finish() appends the EOF record and returns
// the metafile (header + records); the recorder can then be reused.
//
// Thread-safety: one thread at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/ui/report/canvas.h"

namespace dw::report {

class WmfRecorder : public Canvas {
 public:
  WmfRecorder();

  // Window origin and extent records (MM_ANISOTROPIC) for a page metafile.
  void setWindow(Point origin, Point extent);

  void setFont(const FontSpec& font) override;
  void setPen(const PenSpec& pen) override;
  void setBrush(const BrushSpec& brush) override;
  void setTextColour(Colour colour) override;
  void drawText(std::int32_t x, std::int32_t y, std::string_view text) override;
  void drawLine(Point from, Point to) override;
  void drawRectangle(const Box& box) override;
  void drawEllipse(const Box& box) override;
  void drawPolyline(const std::vector<Point>& points) override;
  void drawPolygon(const std::vector<Point>& points) override;
  void drawImage(const Box& target, const Bitmap& image) override;
  void intersectClip(const Box& box) override;
  void save() override;
  void restore() override;
  void pageNumberField(std::int32_t x, std::int32_t y, std::string_view prefix) override;

  // Number of drawing records written so far (text, lines, shapes, images,
  // page-number fields); 0 means the drawing shows nothing.
  std::uint32_t drawCount() const { return m_drawCount; }
  // The metafile: header, records, EOF.  Resets the recorder.
  std::vector<std::uint8_t> finish();

 private:
  enum Slot { kPen = 0, kBrush = 1, kFont = 2 };
  void begin(std::uint16_t function);
  // A polyline or polygon record of the points (at most 8000 of them).
  void points(std::uint16_t function, const std::vector<Point>& points);
  // A record of one box: bottom, right, top, left.
  void boxRecord(std::uint16_t function, const Box& box);
  void word(std::int32_t value);  // clamped to 16 bits
  void dword(std::uint32_t value);
  void bytes(const void* data, std::size_t size);
  void end();
  void reselect(Slot slot);
  void writeObject(Slot slot);
  void reset();

  std::vector<std::uint8_t> m_out;  // header placeholder + records
  std::size_t m_recordStart = 0;
  std::uint32_t m_maxRecordWords = 3;
  std::uint32_t m_drawCount = 0;
  // The object slot holding each selected object, -1 none yet.  A slot
  // records the save depth it was created at (-1 free): an object made
  // after the latest save() is referenced by no saved state and can be
  // deleted as soon as it is replaced; older ones wait for restore().
  int m_objectSlot[3] = {-1, -1, -1};
  std::vector<int> m_slotDepth;
  PenSpec m_pen;
  BrushSpec m_brush;
  FontSpec m_font;
  std::optional<Colour> m_textColour;
  int m_saveDepth = 0;
  // The selections at each save(): restore() gives them back.
  struct Saved {
    int objectSlot[3];
    std::optional<Colour> textColour;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
  };
  std::vector<Saved> m_saved;
};

}  // namespace dw::report
