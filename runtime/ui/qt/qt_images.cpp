// Pictures for icons, buttons and image controls: program resources named
// "~NAME.EXT" (also found by the plain name as a resource), else files.
#include <QPixmap>

#include "runtime/platform/resource_table.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/window_resource.h"

namespace dw::ui::qt {

QPixmap pixmapFor(std::string_view reference) {
  QPixmap pixmap;
  if (reference.empty()) return pixmap;
  const res::Resource* r = findReferencedResource(reference);
  if (!r && reference.front() != '~' && static_cast<unsigned char>(reference.front()) != 0xFF) {
    const std::string name = res::resourceNameForFile(reference);
    for (std::string_view type : {"ICON", "IMAGE"})
      if (!r) r = res::findResource(type, name);
  }
  if (r) {
    pixmap.loadFromData(r->bytes.data(), static_cast<uint>(r->bytes.size()));
    return pixmap;
  }
  if (reference.front() != '~' && static_cast<unsigned char>(reference.front()) != 0xFF)
    pixmap.load(QString::fromStdString(std::string(reference)));
  return pixmap;
}

}  // namespace dw::ui::qt
