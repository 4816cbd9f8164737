// Record images of a table description (table_desc.h).
#include "runtime/db/table_desc.h"

#include <cstring>

namespace dw::db {

void clearRecordImage(char* record, std::size_t size, const TableDesc& desc) {
  std::memset(record, 0, size);
  for (const FieldDesc& f : desc.fields) {
    if (f.type == FieldType::String && !f.overlay &&
        std::size_t(f.offset) + f.totalLength <= size) {
      std::memset(record + f.offset, ' ', f.totalLength);
    }
  }
}

}  // namespace dw::db
