// Fuzz target for the metafile reader: any bytes (a page file with its
// placeable header, a bare metafile, a bitmap inside an image record) must
// be inspected and played without a crash or a read outside them, and the
// two must agree: what inspection accepts plays to the end, and what it
// refuses stops with the same status.  Playing a metafile into the
// recorder and the result again must give the same drawing.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "runtime/ui/report/dib.h"
#include "runtime/ui/report/wmf_player.h"
#include "runtime/ui/report/wmf_recorder.h"

namespace rp = dw::report;

namespace {

// Counts calls and touches every argument, so nothing is optimised away.
class CountingCanvas : public rp::Canvas {
 public:
  std::uint64_t sum = 0;
  void setFont(const rp::FontSpec& f) override { sum += f.height + f.face.size(); }
  void setPen(const rp::PenSpec& p) override { sum += p.width; }
  void setBrush(const rp::BrushSpec& b) override { sum += b.colour; }
  void setTextColour(rp::Colour c) override { sum += c; }
  void drawText(std::int32_t x, std::int32_t y, std::string_view t) override {
    sum += x + y + t.size();
  }
  void drawLine(rp::Point a, rp::Point b) override { sum += a.x + b.y; }
  void drawRectangle(const rp::Box& b) override { sum += b.right; }
  void drawEllipse(const rp::Box& b) override { sum += b.bottom; }
  void drawPolyline(const std::vector<rp::Point>& p) override { sum += p.size(); }
  void drawPolygon(const std::vector<rp::Point>& p) override { sum += p.size(); }
  void drawImage(const rp::Box& b, const rp::Bitmap& i) override {
    sum += b.left + i.pixels.size();
    if (i.pixels.size() != std::size_t(i.width) * std::size_t(i.height)) std::abort();
  }
  void intersectClip(const rp::Box& b) override { sum += b.top; }
  void save() override { ++depth; }
  void restore() override {
    if (--depth < 0) std::abort();  // the player never restores more than it saved
  }
  void pageNumberField(std::int32_t x, std::int32_t, std::string_view p) override {
    sum += x + p.size();
  }
  int depth = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  (void)rp::decodeDib(bytes);
  const rp::WmfCheck check = rp::inspectWmf(bytes);
  CountingCanvas counted;
  const rp::PlayResult fitted =
      rp::playWmf(bytes, counted, rp::PlayPlacement::fit({0, 0, 850, 1100}));
  if (fitted.status != check.status) std::abort();
  CountingCanvas translated;
  (void)rp::playWmf(bytes, translated, rp::PlayPlacement::translate(-300, 7000));
  if (check.status != rp::WmfStatus::Ok) return 0;
  // Re-recording what was played and playing that gives the same drawing
  // calls once more (the recording is a fixed point after one pass).
  rp::WmfRecorder first;
  rp::playWmf(bytes, first, {});
  const auto once = first.finish();
  if (rp::inspectWmf(once).status != rp::WmfStatus::Ok) std::abort();
  rp::WmfRecorder second;
  rp::playWmf(once, second, {});
  const auto twice = second.finish();
  rp::WmfRecorder third;
  rp::playWmf(twice, third, {});
  if (third.finish() != twice) std::abort();
  return 0;
}
