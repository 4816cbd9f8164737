// The metafile recorder and player: what is recorded plays back as the
// same drawing calls at the place asked for, the placeable header is laid
// out byte for byte, and broken files stop cleanly.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/ui/report/dib.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/wmf_format.h"
#include "runtime/ui/report/wmf_player.h"
#include "runtime/ui/report/wmf_recorder.h"
#include "tests/report/recording_canvas.h"

namespace dw::report {
namespace {

std::vector<std::uint8_t> sampleDrawing() {
  WmfRecorder rec;
  rec.setFont({"Courier New", 40, 700, true, false});
  rec.setTextColour(0x0000FF);
  rec.drawText(10, 20, "Hello");
  rec.setPen({PenStyle::Dash, 3, 0x00FF00});
  rec.setBrush({false, 0xC0C0C0});
  rec.drawLine({1, 2}, {300, 4});
  rec.drawRectangle({5, 6, 70, 80});
  rec.drawEllipse({0, 0, 9, 9});
  rec.drawPolyline({{0, 0}, {5, 5}, {9, 0}});
  rec.drawPolygon({{0, 0}, {5, 5}, {9, 0}});
  rec.save();
  rec.intersectClip({0, 0, 50, 50});
  rec.drawText(-5, 7, "odd");  // odd length: padded
  rec.restore();
  rec.pageNumberField(100, 200, "Page ");
  return rec.finish();
}

TEST(WmfTest, RecordedCallsPlayBackTranslated) {
  const auto bytes = sampleDrawing();
  ASSERT_EQ(inspectWmf(bytes).status, WmfStatus::Ok);
  RecordingCanvas c;
  const PlayResult r = playWmf(bytes, c, PlayPlacement::translate(1000, 2000));
  ASSERT_EQ(r.status, WmfStatus::Ok) << r.detail;
  const std::vector<std::string> expected = {
      "font Courier New 40 700 i",
      "textcolour 0000FF",
      "text 1010,2020 Hello",
      "pen 1 3 00FF00",
      "brush C0C0C0",
      "line 1001,2002 1300,2004",
      "rect 1005,2006-1070,2080",
      "ellipse 1000,2000-1009,2009",
      "polyline 1000,2000 1005,2005 1009,2000",
      "polygon 1000,2000 1005,2005 1009,2000",
      "save",
      "clip 1000,2000-1050,2050",
      "text 995,2007 odd",
      "restore",
      "pagenumber 1100,2200 Page ",
  };
  EXPECT_EQ(c.calls, expected);
  EXPECT_EQ(r.played, 8u);
}

TEST(WmfTest, FitScalesTheWindowOntoTheTarget) {
  WmfRecorder rec;
  rec.setWindow({-75, -75}, {2550, 3300});
  rec.setFont({"Arial", 100, 400, false, false});
  rec.drawText(0, 0, "x");
  rec.drawRectangle({-75, -75, 2475, 3225});
  const auto bytes = rec.finish();
  RecordingCanvas c;
  playWmf(bytes, c, PlayPlacement::fit({0, 0, 255, 330}));
  EXPECT_EQ(c.drawn(), (std::vector<std::string>{"text 8,8 x", "rect 0,0-255,330"}));
  EXPECT_EQ(c.calls.front(), "font Arial 10 400");  // the em scales with the page
}

TEST(WmfTest, ObjectsReplacedInsideSaveComeBackAfterRestore) {
  WmfRecorder rec;
  const PenSpec a{PenStyle::Solid, 1, 0x111111}, b{PenStyle::Solid, 1, 0x222222};
  rec.setPen(a);
  rec.save();
  rec.setPen(b);
  rec.drawLine({0, 0}, {1, 1});
  rec.restore();
  rec.drawLine({0, 0}, {2, 2});  // drawn with a again
  rec.setPen(b);                 // must be made anew: the old b was deleted
  rec.drawLine({0, 0}, {3, 3});
  for (int i = 0; i < 20; ++i) rec.setPen({PenStyle::Solid, 1, Colour(i)});
  const auto bytes = rec.finish();
  RecordingCanvas c;
  ASSERT_EQ(playWmf(bytes, c, {}).status, WmfStatus::Ok);
  std::vector<std::string> pens;
  for (const auto& call : c.calls)
    if (call.rfind("pen", 0) == 0 || call.rfind("line", 0) == 0) pens.push_back(call);
  EXPECT_EQ(std::vector<std::string>(pens.begin(), pens.begin() + 6),
            (std::vector<std::string>{"pen 0 1 111111", "pen 0 1 222222", "line 0,0 1,1",
                                      "line 0,0 2,2", "pen 0 1 222222", "line 0,0 3,3"}));
  // The header's object count covers every slot used, and replacing pens
  // reuses slots instead of growing the table.
  const std::uint16_t objects = static_cast<std::uint16_t>(bytes[10] | bytes[11] << 8);
  EXPECT_GE(objects, 2);
  EXPECT_LE(objects, 3);
}

TEST(WmfTest, ImagesRoundTripAsDeviceIndependentBitmaps) {
  Bitmap img;
  img.width = 3;
  img.height = 2;
  img.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000, 0xFFFFFFFF, 0x00123456};
  WmfRecorder rec;
  rec.drawImage({10, 10, 40, 30}, img);
  const auto bytes = rec.finish();
  RecordingCanvas c;
  ASSERT_EQ(playWmf(bytes, c, {}).status, WmfStatus::Ok);
  ASSERT_EQ(c.images.size(), 1u);
  EXPECT_EQ(c.drawn().front(), "image 10,10-40,30 3x2");
  Bitmap expected = img;
  expected.pixels[5] = 0xFFFFFFFF;  // transparent shows the paper
  EXPECT_EQ(c.images[0], expected);
}

TEST(WmfTest, PalettedAndTopDownBitmapsDecode) {
  // 1 bit per pixel, 2x2, top-down (negative height), palette black/white.
  std::vector<std::uint8_t> dib(40 + 8 + 8, 0);
  auto put32 = [&dib](int at, std::uint32_t v) { std::memcpy(&dib[at], &v, 4); };
  put32(0, 40);
  put32(4, 2);
  put32(8, static_cast<std::uint32_t>(-2));
  dib[12] = 1;
  dib[14] = 1;
  put32(40, 0x000000);
  put32(44, 0xFFFFFF);
  dib[48] = 0x80;  // row 0: white, black
  dib[52] = 0x40;  // row 1: black, white
  const auto bmp = decodeDib(dib);
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->pixels,
            (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF}));
  dib.pop_back();  // a row short
  dib.resize(53);
  EXPECT_FALSE(decodeDib(dib));
  put32(0, 40);
  put32(16, 1);  // run-length compressed: refused
  dib.resize(56, 0);
  EXPECT_FALSE(decodeDib(dib));
}

TEST(WmfTest, PlaceableHeaderBytesAndChecksum) {
  const PlaceableHeader h = makePlaceableHeader(2550, 3300, 300);
  const std::string b = encodePlaceableHeader(h);
  ASSERT_EQ(b.size(), 22u);
  const unsigned char expected[22] = {0xD7, 0xCD, 0xC6, 0x9A, 0,    0, 0, 0, 0, 0, 0xF6,
                                      0x09, 0xE4, 0x0C, 0x2C, 0x01, 0, 0, 0, 0, 0, 0};
  const std::uint16_t sum = 0x5711 ^ 2550 ^ 3300 ^ 300;
  EXPECT_EQ(std::memcmp(b.data(), expected, 20), 0);
  EXPECT_EQ(static_cast<unsigned char>(b[20]), sum & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(b[21]), sum >> 8);
  const auto back =
      decodePlaceableHeader(std::span(reinterpret_cast<const std::uint8_t*>(b.data()), b.size()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->checksum, back->expectedChecksum());
}

TEST(WmfTest, PageHeaderScalesTheCoarserAxis) {
  struct Case {
    PageGeometry g;
    std::int16_t right, bottom;
    std::uint16_t upi;
  };
  const Case cases[] = {
      {{300, 300, 2400, 3150, 75, 75}, 2550, 3300, 300},
      {{600, 300, 4800, 3150, 150, 75}, 5100, 6600, 600},
      {{300, 600, 2400, 6300, 75, 150}, 5100, 6600, 600},
      {{96, 96, 816, 1056, 0, 0}, 816, 1056, 96},
  };
  for (const Case& c : cases) {
    const PlaceableHeader h = pageHeaderFor(c.g);
    EXPECT_EQ(h.right, c.right);
    EXPECT_EQ(h.bottom, c.bottom);
    EXPECT_EQ(h.unitsPerInch, c.upi);
    EXPECT_EQ(h.checksum, 0x5711 ^ std::uint16_t(c.right) ^ std::uint16_t(c.bottom) ^ c.upi);
  }
}

TEST(WmfTest, EveryTruncationStopsCleanly) {
  std::vector<std::uint8_t> file;
  const std::string head = encodePlaceableHeader(makePlaceableHeader(100, 100, 96));
  file.assign(head.begin(), head.end());
  const auto body = sampleDrawing();
  file.insert(file.end(), body.begin(), body.end());
  ASSERT_EQ(inspectWmf(file).status, WmfStatus::Ok);
  for (std::size_t n = 0; n < file.size(); ++n) {
    const std::span<const std::uint8_t> part(file.data(), n);
    RecordingCanvas c;
    EXPECT_NE(inspectWmf(part).status, WmfStatus::Ok) << n;
    EXPECT_NE(playWmf(part, c, PlayPlacement::fit({0, 0, 10, 10})).status, WmfStatus::Ok) << n;
  }
}

TEST(WmfTest, BadChecksumAndOversizedRecordsAreRefused) {
  std::vector<std::uint8_t> file;
  const std::string head = encodePlaceableHeader(makePlaceableHeader(100, 100, 96));
  file.assign(head.begin(), head.end());
  WmfRecorder rec;
  rec.drawText(0, 0, "a");
  const auto body = rec.finish();
  file.insert(file.end(), body.begin(), body.end());
  auto bad = file;
  bad[20] ^= 1;
  EXPECT_EQ(inspectWmf(bad).status, WmfStatus::BadChecksum);
  // A record that claims more than the limit allows.
  auto big = body;
  const std::uint32_t words = wmf::kMaxRecordBytes / 2 + 1;
  std::memcpy(&big[wmf::kHeaderBytes], &words, 4);
  EXPECT_EQ(inspectWmf(big).status, WmfStatus::RecordTooLarge);
}

// A hand-built metafile: a palette takes slot 0, so the font is slot 1.
TEST(WmfTest, UnsupportedObjectsStillTakeTheirSlot) {
  std::vector<std::uint8_t> m(18, 0);
  auto w16 = [&m](std::uint16_t v) {
    m.push_back(v & 0xFF);
    m.push_back(v >> 8);
  };
  auto rec = [&](std::uint16_t fn, std::vector<std::uint16_t> params) {
    const std::uint32_t words = 3 + static_cast<std::uint32_t>(params.size());
    w16(words & 0xFFFF);
    w16(words >> 16);
    w16(fn);
    for (auto p : params) w16(p);
  };
  m[0] = 1;
  m[2] = 9;
  m[5] = 3;
  rec(wmf::kCreatePalette, {0x300, 1, 0, 0});
  std::vector<std::uint16_t> font(25, 0);
  font[0] = static_cast<std::uint16_t>(-30);
  font[4] = 700;
  font[9] = 'Z';  // face "Z"
  rec(wmf::kCreateFontIndirect, font);
  rec(wmf::kSelectObject, {1});
  rec(wmf::kSelectObject, {0});  // the palette: no font call
  rec(wmf::kSelectObject, {7});  // no such object
  rec(wmf::kEof, {});
  RecordingCanvas c;
  ASSERT_EQ(playWmf(m, c, {}).status, WmfStatus::Ok);
  EXPECT_EQ(c.calls, (std::vector<std::string>{"font Z 30 700"}));
}

}  // namespace
}  // namespace dw::report
