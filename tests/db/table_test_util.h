// Shared helpers of the table tests: small declared tables and the
// Schedule-shaped table of the application.
#pragma once

#include <string>

#include "db_test_util.h"
#include "runtime/db/record_declaration.h"
#include "runtime/db/table.h"

namespace dw::db::testing {

// A table of a LONG id, a STRING(20) name, a DECIMAL(5,2) amount, an
// memo of 300 bytes and a BLOB; key 0 unique and optional on the id.
inline TableDesc smallTable(bool withBlob = true, std::uint16_t memoSize = 300) {
  FieldListBuilder b;
  b.field("T:ID", FieldType::Long)
      .text("T:Name", FieldType::String, 20, "@s20")
      .decimal("T:Amount", FieldType::Decimal, 5, 2);
  std::vector<MemoDesc> memos;
  MemoDesc notes;
  notes.name = "T:Notes";
  notes.size = memoSize;
  memos.push_back(notes);
  if (withBlob) {
    MemoDesc blob;
    blob.name = "T:Picture";
    blob.flags = kMemoBlob | kMemoBinary;
    memos.push_back(blob);
  }
  std::vector<DeclaredKey> keys(1);
  keys[0].name = "T:KeyID";
  keys[0].flags = kKeyPrimary | kKeyOptional;
  keys[0].components = {1};
  TableDesc d;
  EXPECT_EQ(acceptDeclaration(b.build(), 0, memos, keys, d), 0);
  return d;
}

inline TableOpenOptions createOptions() {
  TableOpenOptions o;
  o.disposition = OpenDisposition::CreateIfMissing;
  return o;
}

inline void setLong(Table& t, std::size_t offset, std::int32_t v) {
  std::memcpy(t.record().data() + offset, &v, 4);
}
inline std::int32_t getLong(Table& t, std::size_t offset) {
  std::int32_t v;
  std::memcpy(&v, t.record().data() + offset, 4);
  return v;
}

}  // namespace dw::db::testing
