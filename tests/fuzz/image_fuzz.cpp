// Fuzz target for the runtime's own picture readers (PCX, GIF, BMP, ICO):
// any bytes must decode or be refused without a crash, a read outside the
// input or an oversized allocation, and a decoded picture must hold exactly
// width x height pixels within the readers' limits.  Every input goes to
// each reader (each refuses the others' formats at once) and to the
// dispatch by format, JPEG aside (libjpeg is not ours to fuzz).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "runtime/image/image.h"

namespace img = dw::image;

namespace {

void check(const img::DecodeResult& r) {
  if (!r.ok()) {
    if (r.error.empty()) std::abort();
    return;
  }
  const img::Image& i = r.image;
  if (i.width <= 0 || i.height <= 0 || i.width > img::kMaxSide || i.height > img::kMaxSide)
    std::abort();
  if (static_cast<std::uint64_t>(i.width) * i.height > img::kMaxPixels) std::abort();
  if (i.rgba.size() != static_cast<std::size_t>(i.width) * i.height * 4) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  check(img::decodePcx(bytes));
  check(img::decodeGif(bytes));
  check(img::decodeBmp(bytes));
  check(img::decodeIco(bytes));
  if (img::detectFormat(bytes) != img::ImageFormat::Jpeg) check(img::decodeImage(bytes));
  return 0;
}
