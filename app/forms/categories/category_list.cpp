// The category rows (see category_list.h).
#include "app/forms/categories/category_list.h"

#include <cstring>

#include "app/data/app_files.h"
#include "app/data/table_descs.h"

namespace dw::app {

std::string categoryOfImage(const std::string& image) {
  CategoryRecord r{};
  std::memcpy(&r, image.data(), std::min(image.size(), sizeof r));
  return r.Category.str();
}

std::shared_ptr<KeyListSource> categoryListSource() {
  return std::make_shared<KeyListSource>(CAT(), cat_key::kKeyCategory, [](const db::ViewRow& row) {
    return ui::ListRow{categoryOfImage(row.record)};
  });
}

}  // namespace dw::app
