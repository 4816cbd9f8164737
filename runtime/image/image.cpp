// The Image value, format detection by leading bytes, the dispatch to the
// readers, and finding a picture's bytes among the program's resources or
// on disk (see image.h).
#include "runtime/image/image.h"

#include <memory>

#include "runtime/image/byte_reader.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/resource_table.h"

namespace dw::image {

std::uint32_t Image::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

bool Image::allocate(int w, int h, std::uint32_t fill) {
  if (!detail::sizeAllowed(w, h)) return false;
  width = w;
  height = h;
  rgba.assign(static_cast<std::size_t>(w) * h * 4, 0);
  if (fill != 0) {
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
      rgba[i] = static_cast<std::uint8_t>(fill >> 24);
      rgba[i + 1] = static_cast<std::uint8_t>(fill >> 16);
      rgba[i + 2] = static_cast<std::uint8_t>(fill >> 8);
      rgba[i + 3] = static_cast<std::uint8_t>(fill);
    }
  }
  return true;
}

ImageFormat detectFormat(std::span<const std::uint8_t> b) {
  const auto starts = [&](std::initializer_list<std::uint8_t> prefix) {
    if (b.size() < prefix.size()) return false;
    std::size_t i = 0;
    for (std::uint8_t v : prefix)
      if (b[i++] != v) return false;
    return true;
  };
  if (starts({'G', 'I', 'F', '8', '7', 'a'}) || starts({'G', 'I', 'F', '8', '9', 'a'}))
    return ImageFormat::Gif;
  if (starts({0xFF, 0xD8, 0xFF})) return ImageFormat::Jpeg;
  if (starts({0x89, 'P', 'N', 'G'})) return ImageFormat::Png;
  if (starts({'B', 'M'})) return ImageFormat::Bmp;
  if ((starts({0, 0, 1, 0}) || starts({0, 0, 2, 0})) && b.size() >= 6 && (b[4] | b[5]) != 0)
    return ImageFormat::Ico;
  // A placeable metafile's key, or a metafile header (type 1 or 2, nine
  // words long).
  if (starts({0xD7, 0xCD, 0xC6, 0x9A}) || starts({1, 0, 9, 0}) || starts({2, 0, 9, 0}))
    return ImageFormat::Wmf;
  // PCX: the maker byte 10, a known version, no or run-length encoding.
  if (b.size() >= 3 && b[0] == 0x0A && b[1] <= 5 && b[1] != 1 && b[2] <= 1) return ImageFormat::Pcx;
  return ImageFormat::Unknown;
}

std::string_view formatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::Gif:
      return "GIF";
    case ImageFormat::Jpeg:
      return "JPEG";
    case ImageFormat::Pcx:
      return "PCX";
    case ImageFormat::Bmp:
      return "BMP";
    case ImageFormat::Ico:
      return "ICO";
    case ImageFormat::Png:
      return "PNG";
    case ImageFormat::Wmf:
      return "WMF";
    case ImageFormat::Unknown:
      break;
  }
  return "unknown";
}

DecodeResult decodeImage(std::span<const std::uint8_t> bytes) {
  switch (detectFormat(bytes)) {
    case ImageFormat::Gif:
      return decodeGif(bytes);
    case ImageFormat::Jpeg:
      return decodeJpeg(bytes);
    case ImageFormat::Pcx:
      return decodePcx(bytes);
    case ImageFormat::Bmp:
      return decodeBmp(bytes);
    case ImageFormat::Ico:
      return decodeIco(bytes);
    case ImageFormat::Png:
    case ImageFormat::Wmf:
      return detail::unsupported(std::string(formatName(detectFormat(bytes))) +
                                 " pictures are not decoded here");
    case ImageFormat::Unknown:
      break;
  }
  return detail::unsupported("not a picture of a known format");
}

namespace {

// Files larger than this are not pictures the program shows.
constexpr std::uint64_t kMaxFileSize = 64u << 20;

bool copyResource(const res::Resource* r, std::vector<std::uint8_t>& out) {
  if (!r) return false;
  out.assign(r->bytes.begin(), r->bytes.end());
  return true;
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& out) {
  namespace pf = platform;
  auto file = pf::platform().open(path, {pf::Access::Read, pf::Share::DenyNone},
                                  pf::Disposition::OpenExisting);
  if (!file) return false;
  auto size = (*file)->size();
  if (!size || *size > kMaxFileSize) return false;
  out.resize(static_cast<std::size_t>(*size));
  std::size_t done = 0;
  while (done < out.size()) {
    auto n = (*file)->readAt(done, out.data() + done, out.size() - done);
    if (!n || *n == 0) return false;
    done += *n;
  }
  return true;
}

}  // namespace

bool readImageSource(std::string_view reference, std::vector<std::uint8_t>& out) {
  out.clear();
  if (reference.empty() || static_cast<unsigned char>(reference[0]) == 0xFF) return false;
  if (reference[0] == '~') {
    const std::string name = res::resourceNameForFile(reference.substr(1));
    for (std::string_view type : {"ICON", "IMAGE", "CURSOR"})
      if (copyResource(res::findResource(type, name), out)) return true;
    return false;
  }
  const std::string name = res::resourceNameForFile(reference);
  for (std::string_view type : {"IMAGE", "ICON"})
    if (copyResource(res::findResource(type, name), out)) return true;
  return readFile(std::string(reference), out);
}

DecodeResult loadImage(std::string_view reference) {
  std::vector<std::uint8_t> bytes;
  if (!readImageSource(reference, bytes)) return detail::corrupt("not found");
  return decodeImage(bytes);
}

}  // namespace dw::image
