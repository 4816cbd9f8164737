// Image decoding for image controls, icons and report bands: GIF, JPEG,
// PCX, BMP and ICO bytes turned into one plain RGBA picture, with no
// windowing library involved (the Qt backend turns an Image into a QImage).
// docs/images.md describes what each reader accepts.
//
// Every decoder takes untrusted bytes: it never reads outside them, never
// allocates more than kMaxPixels pixels (and never more than the input
// could plausibly describe), and answers Corrupt for a damaged or truncated
// picture, which the caller then shows as nothing.  Unsupported means the
// bytes are a kind of picture these readers do not decode (an unknown
// format, a PNG inside an icon); the caller may try another reader.
//
// Everything here is plain data and pure functions, safe on any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dw::image {

// The largest picture decoded: 16 Mi pixels (64 MiB of RGBA).
inline constexpr std::uint64_t kMaxPixels = 1u << 24;
inline constexpr int kMaxSide = 32767;

// A picture: width * height pixels, top row first, 4 bytes a pixel in the
// order red, green, blue, alpha (alpha 255 opaque, 0 transparent).
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;

  bool empty() const { return width <= 0 || height <= 0; }
  // The pixel at (x, y) as 0xRRGGBBAA; 0 outside the picture.
  std::uint32_t pixel(int x, int y) const;
  // Sets the size and fills every pixel with `rgba` (0xRRGGBBAA); false when
  // the size is out of bounds.
  bool allocate(int w, int h, std::uint32_t fill = 0);
  void set(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
  }
};

enum class ImageFormat : std::uint8_t { Unknown, Gif, Jpeg, Pcx, Bmp, Ico, Png, Wmf };

enum class DecodeStatus : std::uint8_t {
  Ok,
  Unsupported,  // not a picture these readers decode
  Corrupt,      // a damaged, truncated or implausible picture: show nothing
};

struct DecodeResult {
  DecodeStatus status = DecodeStatus::Corrupt;
  Image image;        // when Ok
  std::string error;  // when not Ok: "truncated LZW data", ...
  bool ok() const { return status == DecodeStatus::Ok; }
};

// The format by its leading bytes (the file name is not consulted).
ImageFormat detectFormat(std::span<const std::uint8_t> bytes);
std::string_view formatName(ImageFormat format);

// Decodes by the detected format.
DecodeResult decodeImage(std::span<const std::uint8_t> bytes);

// The readers.  Each also answers Corrupt for bytes of another format.
DecodeResult decodeGif(std::span<const std::uint8_t> bytes);  // first frame
DecodeResult decodeJpeg(std::span<const std::uint8_t> bytes);
DecodeResult decodePcx(std::span<const std::uint8_t> bytes);
DecodeResult decodeBmp(std::span<const std::uint8_t> bytes);
DecodeResult decodeIco(std::span<const std::uint8_t> bytes);  // the largest image; also cursors

// ---- Where pictures come from ------------------------------------------------

// The bytes a picture reference names: "~NAME.EXT" is the program resource
// NAME_EXT (types ICON, IMAGE, CURSOR); a plain name such as "TIMEPIEC.GIF"
// is first looked up as the resource TIMEPIEC_GIF (types IMAGE, ICON), then
// read as a file.  Stock and numbered references (0xFF ...) name no bytes.
// Returns false when nothing is found or the file cannot be read.
bool readImageSource(std::string_view reference, std::vector<std::uint8_t>& out);

// readImageSource, then decodeImage; Corrupt with "not found" when nothing
// is found.
DecodeResult loadImage(std::string_view reference);

}  // namespace dw::image
