// The picture readers: every format decoded from a small file the test
// writes, with its pixels checked; truncated files and bad headers refused;
// pictures found among the program's resources and on disk.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "runtime/image/image.h"
#include "tests/image/image_files.h"

namespace dw::image {
namespace {

using namespace files;

constexpr std::uint32_t kBlack = 0x000000FF, kWhite = 0xFFFFFFFF, kRed = 0xFF0000FF,
                        kGreen = 0x00FF00FF, kBlue = 0x0000FFFF, kClear = 0;

// Writes bytes to a file of a fresh folder and loads it through loadImage.
class ImageFile : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("dw_image_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  DecodeResult load(const Bytes& bytes, const std::string& name) {
    const std::string path = (m_dir / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return loadImage(path);
  }
  std::filesystem::path m_dir;
};

void expectPixels(const DecodeResult& r, int w, int h, const std::vector<std::uint32_t>& pixels) {
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(w, r.image.width);
  ASSERT_EQ(h, r.image.height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      EXPECT_EQ(pixels[y * w + x], r.image.pixel(x, y)) << "at " << x << "," << y;
}

// Every shorter prefix of a good file is refused, never crashes.
template <class Decode>
void expectPrefixesRefused(const Bytes& file, Decode decode, std::size_t from = 0) {
  for (std::size_t n = from; n < file.size(); ++n) {
    const DecodeResult r = decode(std::span<const std::uint8_t>(file.data(), n));
    EXPECT_EQ(DecodeStatus::Corrupt, r.status) << "prefix of " << n << " of " << file.size();
  }
}

// ---- PCX ----

TEST_F(ImageFile, PcxOneBitIsBlackAndWhite) {
  // 10 x 2: bytes per line 2 (even); rows 10110000 11 / 01...
  const Bytes raw = {0xB0, 0xC0, 0x55, 0x40};
  const DecodeResult r = load(pcxFile(10, 2, 1, 1, 2, raw), "MONO.PCX");
  std::vector<std::uint32_t> want;
  for (int i = 0; i < 10; ++i)
    want.push_back(((i < 8 ? 0xB0 >> (7 - i) : 0xC0 >> (15 - i)) & 1) ? kWhite : kBlack);
  for (int i = 0; i < 10; ++i)
    want.push_back(((i < 8 ? 0x55 >> (7 - i) : 0x40 >> (15 - i)) & 1) ? kWhite : kBlack);
  expectPixels(r, 10, 2, want);
}

TEST_F(ImageFile, PcxFourBitPlanesUseTheHeaderPalette) {
  Bytes ega(48);
  for (int i = 0; i < 16; ++i) ega[3 * i] = static_cast<std::uint8_t>(i * 16), ega[3 * i + 2] = 7;
  // 4 pixels with indexes 0, 5, 10, 15: plane p holds bit p of each.
  Bytes raw;
  const int idx[] = {0, 5, 10, 15};
  for (int p = 0; p < 4; ++p) {
    std::uint8_t b = 0;
    for (int x = 0; x < 4; ++x) b |= ((idx[x] >> p) & 1) << (7 - x);
    raw.push_back(b);
    raw.push_back(0);
  }
  const DecodeResult r = load(pcxFile(4, 1, 1, 4, 2, raw, ega), "EGA.PCX");
  expectPixels(r, 4, 1, {0x000007FF, 0x500007FF, 0xA00007FF, 0xF00007FF});
  // The packed form: 4 bits x 1 plane.
  const DecodeResult packed = load(pcxFile(4, 1, 4, 1, 2, {0x05, 0xAF}, ega), "PACKED.PCX");
  expectPixels(packed, 4, 1, {0x000007FF, 0x500007FF, 0xA00007FF, 0xF00007FF});
}

TEST_F(ImageFile, PcxEightBitTakesThePaletteAtTheEnd) {
  // 3 x 2, bytes per line 4; a run of one index across the line's end.
  const Bytes raw = {1, 2, 200, 200, 200, 200, 200, 200};
  Bytes file = pcxFile(3, 2, 8, 1, 4, raw);
  file.push_back(12);
  for (int i = 0; i < 256; ++i)
    file.insert(file.end(), {std::uint8_t(i), 0, std::uint8_t(255 - i)});
  expectPixels(load(file, "PAL.PCX"), 3, 2,
               {0x0100FEFF, 0x0200FDFF, 0xC80037FF, 0xC80037FF, 0xC80037FF, 0xC80037FF});
  // Without the palette the indexes are grey levels.
  const Bytes bare = pcxFile(3, 2, 8, 1, 4, raw);
  expectPixels(load(bare, "GREY.PCX"), 3, 2,
               {0x010101FF, 0x020202FF, 0xC8C8C8FF, 0xC8C8C8FF, 0xC8C8C8FF, 0xC8C8C8FF});
}

TEST_F(ImageFile, PcxTwentyFourBitsAreThreePlanesPerLine) {
  // 2 x 2: each row is R R, G G, B B.
  const Bytes raw = {255, 0,   0, 255, 0,   0,     // red, green
                     0,   255, 0, 255, 255, 255};  // blue, white
  expectPixels(load(pcxFile(2, 2, 8, 3, 2, raw), "RGB.PCX"), 2, 2, {kRed, kGreen, kBlue, kWhite});
  // Stored without compression.
  expectPixels(load(pcxFile(2, 2, 8, 3, 2, raw, {}, false), "RAW.PCX"), 2, 2,
               {kRed, kGreen, kBlue, kWhite});
}

TEST(Pcx, TruncationsAndBadHeadersAreRefused) {
  Bytes raw(3 * 40 * 8);
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 7 % 251);
  const Bytes good = pcxFile(40, 8, 8, 3, 40, raw);
  ASSERT_TRUE(decodePcx(good).ok());
  expectPrefixesRefused(good, decodePcx);
  struct Bad {
    std::size_t at;
    std::uint8_t value;
  };
  const Bad bad[] = {
      {0, 11},   // maker
      {2, 2},    // encoding
      {3, 3},    // 3 bits per pixel
      {65, 2},   // 8 bits x 2 planes
      {66, 1},   // lines shorter than the picture
      {4, 100},  // xmin > xmax
      {6, 100},  // ymin > ymax
  };
  for (const Bad& b : bad) {
    Bytes file = good;
    file[b.at] = b.value;
    EXPECT_EQ(DecodeStatus::Corrupt, decodePcx(file).status) << b.at;
  }
  // A header that claims a huge picture in a small file.
  Bytes huge = good;
  huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;
  huge[66] = 0xFF, huge[67] = 0xFF;
  EXPECT_EQ(DecodeStatus::Corrupt, decodePcx(huge).status);
}

// ---- GIF ----

const Bytes kFourColours = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};  // + blue

Bytes pattern(int w, int h) {
  Bytes b;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.push_back(static_cast<std::uint8_t>((x / 3 + y * y) % 4));
  return b;
}

std::vector<std::uint32_t> colours(const Bytes& indexes) {
  const std::uint32_t c[] = {kBlack, kRed, kGreen, kBlue};
  std::vector<std::uint32_t> out;
  for (std::uint8_t i : indexes) out.push_back(c[i]);
  return out;
}

TEST_F(ImageFile, GifPixelsThroughLzwIncludingLongRuns) {
  GifFrame f;
  f.width = 37;
  f.height = 29;
  f.indexes = pattern(37, 29);
  for (int i = 0; i < 37 * 6; ++i) f.indexes[i] = 2;  // long runs build long strings
  expectPixels(load(gifFile(37, 29, kFourColours, f), "PLAIN.GIF"), 37, 29, colours(f.indexes));
  f.interlaced = true;
  expectPixels(load(gifFile(37, 29, kFourColours, f), "INTER.GIF"), 37, 29, colours(f.indexes));
}

TEST(Gif, TableFullOfCodesIsClearedAndDecodingGoesOn) {
  // Noise of 256 colours fills the 4096-entry table several times.
  GifFrame f;
  f.width = 200;
  f.height = 100;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 200 * 100; ++i) {
    seed = seed * 1103515245 + 12345;
    f.indexes.push_back(static_cast<std::uint8_t>(seed >> 16));
  }
  Bytes palette;
  for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {std::uint8_t(i), 1, 2});
  const DecodeResult r = decodeGif(gifFile(200, 100, palette, f, 8));
  ASSERT_TRUE(r.ok()) << r.error;
  for (int i = 0; i < 200 * 100; i += 97)
    EXPECT_EQ((std::uint32_t{f.indexes[i]} << 24) | 0x0102FF, r.image.pixel(i % 200, i / 200)) << i;
}

TEST(Gif, FrameOnALargerScreenWithLocalColoursAndTransparency) {
  GifFrame f;
  f.left = 1;
  f.top = 2;
  f.width = 2;
  f.height = 1;
  f.indexes = {0, 1};
  f.localPalette = {10, 20, 30, 40, 50, 60};
  f.transparent = 0;
  const DecodeResult r = decodeGif(gifFile(4, 3, kFourColours, f));
  std::vector<std::uint32_t> want(12, kClear);
  want[2 * 4 + 2] = 0x28323CFF;  // index 1 of the local table; index 0 is transparent
  expectPixels(r, 4, 3, want);
}

TEST(Gif, TruncationsAndBadHeadersAreRefused) {
  GifFrame f;
  f.width = 30;
  f.height = 20;
  f.indexes = pattern(30, 20);
  const Bytes good = gifFile(30, 20, kFourColours, f);
  ASSERT_TRUE(decodeGif(good).ok());
  // Every prefix that loses pixel data (the last two data bytes may hold
  // only the end code, and the empty block and the end marker lose no
  // pixel either).
  expectPrefixesRefused(Bytes(good.begin(), good.end() - 4), decodeGif);
  Bytes codeSize = good;
  codeSize[13 + 12 + 7 + 10] = 12;  // the LZW minimum code size
  EXPECT_EQ(DecodeStatus::Corrupt, decodeGif(codeSize).status);
  Bytes magic = good;
  magic[4] = '8';
  EXPECT_EQ(DecodeStatus::Corrupt, decodeGif(magic).status);
  // A few bytes may not claim a screen of millions of pixels around them.
  GifFrame dot;
  dot.width = dot.height = 1;
  dot.indexes = {1};
  EXPECT_TRUE(decodeGif(gifFile(1000, 1000, kFourColours, dot)).ok());
  EXPECT_EQ(DecodeStatus::Corrupt, decodeGif(gifFile(4000, 4000, kFourColours, dot)).status);
  const Bytes noImage = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
  EXPECT_EQ(DecodeStatus::Corrupt, decodeGif(noImage).status);
  // A code beyond the table: clear (4), then 7 with only 6 defined.
  Bytes badCode = {'G', 'I', 'F', '8', '7', 'a', 2, 0, 1, 0, 0, 0,    0, 0x2C,
                   0,   0,   0,   0,   2,   0,   1, 0, 0, 2, 1, 0x3C, 0, 0x3B};
  EXPECT_EQ(DecodeStatus::Corrupt, decodeGif(badCode).status);
}

// ---- BMP ----

TEST_F(ImageFile, BmpTwentyFourBitRowsBottomFirstWithPadding) {
  // 3 x 2: rows are padded to 12 bytes; the bottom row comes first.
  Bytes px = {255, 0,   0,   0, 255, 0, 0, 0, 255, 0, 0, 0,   // bottom: blue green red
              255, 255, 255, 0, 0,   0, 0, 0, 255, 0, 0, 0};  // top: white black red
  expectPixels(load(bmpFile(dibHeader(3, 2, 24), px), "RGB.BMP"), 3, 2,
               {kWhite, kBlack, kRed, kBlue, kGreen, kRed});
}

TEST(Bmp, PaletteDepthsFieldsAndRunLengths) {
  Bytes pal = {0, 0, 0, 0, 255, 255, 255, 0};  // black, white
  Bytes one = dibHeader(9, 1, 1, 0, 2);
  one.insert(one.end(), pal.begin(), pal.end());
  expectPixels(decodeBmp(bmpFile(one, {0xA5, 0x80, 0, 0})), 9, 1,
               {kWhite, kBlack, kWhite, kBlack, kBlack, kWhite, kBlack, kWhite, kWhite});

  Bytes four = dibHeader(3, 1, 4, 0, 3);
  four.insert(four.end(), {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});  // red green blue
  expectPixels(decodeBmp(bmpFile(four, {0x12, 0x00, 0, 0})), 3, 1, {kGreen, kBlue, kRed});

  // 16 bits, 5-5-5; top-down (negative height).
  expectPixels(decodeBmp(bmpFile(dibHeader(2, -1, 16), {0x00, 0x7C, 0x1F, 0x00})), 2, 1,
               {kRed, kBlue});

  // 32 bits with masks after a 40-byte header (R and B swapped).
  Bytes fields = dibHeader(1, 1, 32, 3);
  put32(fields, 0x000000FF);
  put32(fields, 0x0000FF00);
  put32(fields, 0x00FF0000);
  expectPixels(decodeBmp(bmpFile(fields, {0x11, 0x22, 0x33, 0})), 1, 1, {0x112233FF});

  // RLE8: a run of 3 of index 1, end of line, 2 literal pixels, end of bitmap.
  Bytes rle = dibHeader(3, 2, 8, 1, 2);
  rle.insert(rle.end(), {0, 0, 255, 0, 0, 255, 0, 0});  // red, green
  const Bytes data = {3, 1, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1};
  expectPixels(decodeBmp(bmpFile(rle, data)), 3, 2, {kRed, kGreen, kRed, kGreen, kGreen, kGreen});
}

TEST(Bmp, TruncationsAndBadHeadersAreRefused) {
  Bytes px(4 * 5 * 3);
  const Bytes good = bmpFile(dibHeader(5, 3, 32), px);
  ASSERT_TRUE(decodeBmp(good).ok());
  expectPrefixesRefused(good, decodeBmp);
  Bytes bits = good;
  bits[14 + 14] = 7;
  EXPECT_EQ(DecodeStatus::Corrupt, decodeBmp(bits).status);
  Bytes header = good;
  header[14] = 39;
  EXPECT_EQ(DecodeStatus::Corrupt, decodeBmp(header).status);
  Bytes offset = good;
  offset[10] = 0xFF, offset[11] = 0xFF;
  EXPECT_EQ(DecodeStatus::Corrupt, decodeBmp(offset).status);
  Bytes rleDib = dibHeader(3, 1, 8, 1, 1);
  rleDib.insert(rleDib.end(), {0, 0, 0, 0});
  Bytes rle = bmpFile(rleDib, {3, 0});  // a run, and no end of bitmap
  EXPECT_EQ(DecodeStatus::Corrupt, decodeBmp(rle).status);
  // Ten bytes cannot move down 30000 rows.
  Bytes tall = dibHeader(3, 30000, 8, 1, 1);
  tall.insert(tall.end(), {0, 0, 0, 0});
  EXPECT_EQ(DecodeStatus::Corrupt,
            decodeBmp(bmpFile(tall, {0, 2, 0, 255, 0, 2, 0, 255, 0, 1})).status);
}

// ---- ICO ----

// A 2 x 2 icon image of `bits` bits with its mask.
Bytes iconImage(int bits) {
  Bytes b = dibHeader(2, 4, bits, 0, bits == 8 ? 2 : 0);
  if (bits == 8) {
    b.insert(b.end(), {0, 0, 255, 0, 255, 0, 0, 0});  // red, blue
    b.insert(b.end(), {1, 0, 0, 0, 0, 1, 0, 0});      // bottom: blue red; top: red blue
  } else {
    b.insert(b.end(), {0, 0, 255, 128, 255, 0, 0, 255});  // bottom: red (half), blue
    b.insert(b.end(), {0, 255, 0, 255, 0, 0, 0, 0});      // top: green, clear
  }
  b.insert(b.end(), {0x40, 0, 0, 0, 0x80, 0, 0, 0});  // mask: bottom-right, top-left clear
  return b;
}

TEST_F(ImageFile, IcoTakesTheLargestImageWithItsMaskOrAlpha) {
  Bytes small = dibHeader(1, 2, 32);
  small.insert(small.end(), {1, 2, 3, 255, 0, 0, 0, 0});
  const DecodeResult r = load(icoFile({{1, small}, {2, iconImage(8)}}), "TWO.ICO");
  expectPixels(r, 2, 2, {kClear, kBlue, kBlue, kClear});
  const DecodeResult alpha = decodeIco(icoFile({{2, iconImage(32)}}));
  expectPixels(alpha, 2, 2, {kGreen, kClear, 0xFF000080, kBlue});
}

TEST(Ico, PngIconsAreLeftToOthersAndDamageIsRefused) {
  const Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0};
  EXPECT_EQ(DecodeStatus::Unsupported, decodeIco(icoFile({{16, png}})).status);
  const Bytes good = icoFile({{2, iconImage(8)}});
  expectPrefixesRefused(good, decodeIco);
  Bytes type = good;
  type[2] = 3;
  EXPECT_EQ(DecodeStatus::Corrupt, decodeIco(type).status);
}

// ---- JPEG ----

// A 16 x 16 JPEG of four 8 x 8 squares: red, green / blue, white.
Bytes jpegFile() {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = 16;
  info.image_height = 16;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::uint32_t q[] = {kRed, kGreen, kBlue, kWhite};
  for (int y = 0; y < 16; ++y) {
    unsigned char row[48];
    for (int x = 0; x < 16; ++x) {
      const std::uint32_t c = q[(y / 8) * 2 + x / 8];
      row[3 * x] = c >> 24, row[3 * x + 1] = c >> 16, row[3 * x + 2] = c >> 8;
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes b(out, out + size);
  std::free(out);
  return b;
}

TEST_F(ImageFile, JpegThroughLibjpeg) {
  const DecodeResult r = load(jpegFile(), "SQUARES.JPG");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(16, r.image.width);
  ASSERT_EQ(16, r.image.height);
  const std::uint32_t want[] = {kRed, kGreen, kBlue, kWhite};
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t got = r.image.pixel(i % 2 * 8 + 4, i / 2 * 8 + 4);
    for (int shift : {24, 16, 8}) {
      EXPECT_NEAR(int(want[i] >> shift & 255), int(got >> shift & 255), 12) << i;
    }
    EXPECT_EQ(255u, got & 255);
  }
}

TEST(Jpeg, TruncatedOrDamagedIsRefused) {
  const Bytes good = jpegFile();
  for (std::size_t n : {std::size_t{2}, std::size_t{20}, good.size() / 2, good.size() - 40}) {
    EXPECT_EQ(DecodeStatus::Corrupt, decodeJpeg(Bytes(good.begin(), good.begin() + n)).status) << n;
  }
  Bytes garbage = {0xFF, 0xD8, 0xFF, 0xC0, 0, 3, 1, 2, 3};
  EXPECT_EQ(DecodeStatus::Corrupt, decodeJpeg(garbage).status);
}

// ---- Formats and sources ----

TEST(Formats, DetectedByLeadingBytes) {
  const std::pair<Bytes, ImageFormat> cases[] = {
      {{'G', 'I', 'F', '8', '7', 'a'}, ImageFormat::Gif},
      {{0xFF, 0xD8, 0xFF, 0xE0}, ImageFormat::Jpeg},
      {{10, 5, 1, 8}, ImageFormat::Pcx},
      {{10, 1, 1, 8}, ImageFormat::Unknown},
      {{'B', 'M', 0}, ImageFormat::Bmp},
      {{0, 0, 1, 0, 1, 0}, ImageFormat::Ico},
      {{0, 0, 1, 0, 0, 0}, ImageFormat::Unknown},
      {{0xD7, 0xCD, 0xC6, 0x9A}, ImageFormat::Wmf},
      {{0x89, 'P', 'N', 'G'}, ImageFormat::Png},
      {{}, ImageFormat::Unknown},
  };
  for (const auto& [bytes, format] : cases)
    EXPECT_EQ(format, detectFormat(bytes)) << formatName(format);
  EXPECT_EQ(DecodeStatus::Unsupported, decodeImage(Bytes{1, 2, 3}).status);
  EXPECT_EQ(DecodeStatus::Unsupported, decodeImage(Bytes{0xD7, 0xCD, 0xC6, 0x9A}).status);
}

TEST(Sources, ProgramResourcesByPlainOrTildeNameThenFiles) {
  const DecodeResult plain = loadImage("TIMEPIEC.GIF");
  ASSERT_TRUE(plain.ok()) << plain.error;
  EXPECT_EQ(48, plain.image.width);
  const DecodeResult lower = loadImage("~pdwmain.gif");
  ASSERT_TRUE(lower.ok()) << lower.error;
  EXPECT_EQ(120, lower.image.width);
  EXPECT_EQ(22, lower.image.height);
  const DecodeResult icon = loadImage("~CLOCK.ICO");
  ASSERT_TRUE(icon.ok()) << icon.error;
  EXPECT_EQ(32, icon.image.width);
  EXPECT_EQ(DecodeStatus::Corrupt, loadImage("~NOSUCH.GIF").status);
  EXPECT_EQ(DecodeStatus::Corrupt, loadImage("no/such/file.gif").status);
  EXPECT_EQ(DecodeStatus::Corrupt, loadImage(std::string("\xFF\x01\x00\x7F", 4)).status);
  EXPECT_EQ(DecodeStatus::Corrupt, loadImage("/").status);  // a folder
}

}  // namespace
}  // namespace dw::image
