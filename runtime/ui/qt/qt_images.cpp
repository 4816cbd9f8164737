// Pictures for icons, buttons and image controls.  A reference names a
// program resource ("~NAME.EXT", or a plain "NAME.EXT" found as NAME_EXT)
// or a file; the runtime's own readers (runtime/image) decode it, and a
// picture they refuse as damaged shows nothing.  Only kinds they do not
// read are handed to our metafile player (WMF) and then to Qt's readers
// (PNG).
//
// GUI thread only, like every QPixmap.
#include <QImage>
#include <QPixmap>
#include <cstring>

#include "runtime/image/image.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/qt/qt_wmf_canvas.h"

namespace dw::ui::qt {

QImage toQImage(const image::Image& picture) {
  if (picture.empty()) return {};
  QImage out(picture.width, picture.height, QImage::Format_RGBA8888);
  if (out.isNull()) return {};
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(out.scanLine(y), &picture.rgba[rowBytes * y], rowBytes);
  return out;
}

QPixmap pixmapFor(std::string_view reference) {
  std::vector<std::uint8_t> bytes;
  if (!image::readImageSource(reference, bytes)) return {};
  const image::DecodeResult decoded = image::decodeImage(bytes);
  if (decoded.ok()) return QPixmap::fromImage(toQImage(decoded.image));
  QPixmap pixmap;
  if (decoded.status == image::DecodeStatus::Unsupported) {
    if (auto metafile = wmfImage(bytes)) return QPixmap::fromImage(*metafile);
    pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
  }
  return pixmap;
}

}  // namespace dw::ui::qt
