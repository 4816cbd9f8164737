// Pictures for icons, buttons and image controls: program resources named
// "~NAME.EXT" (also found by the plain name as a resource), else files.
#include <QFile>
#include <QPixmap>

#include "runtime/platform/resource_table.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/qt/qt_wmf_canvas.h"
#include "runtime/ui/window_resource.h"

namespace dw::ui::qt {

namespace {
// Qt reads no metafiles: those are played by our own player.
QPixmap fromBytes(std::span<const std::uint8_t> bytes) {
  QPixmap pixmap;
  if (pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()))) return pixmap;
  if (auto image = wmfImage(bytes)) return QPixmap::fromImage(*image);
  return QPixmap();
}
}  // namespace

QPixmap pixmapFor(std::string_view reference) {
  QPixmap pixmap;
  if (reference.empty()) return pixmap;
  const res::Resource* r = findReferencedResource(reference);
  if (!r && reference.front() != '~' && static_cast<unsigned char>(reference.front()) != 0xFF) {
    const std::string name = res::resourceNameForFile(reference);
    for (std::string_view type : {"ICON", "IMAGE"})
      if (!r) r = res::findResource(type, name);
  }
  if (r) return fromBytes(r->bytes);
  if (reference.front() != '~' && static_cast<unsigned char>(reference.front()) != 0xFF) {
    QFile file(QString::fromStdString(std::string(reference)));
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray data = file.readAll();
      return fromBytes(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                 static_cast<std::size_t>(data.size())));
    }
  }
  return pixmap;
}

}  // namespace dw::ui::qt
