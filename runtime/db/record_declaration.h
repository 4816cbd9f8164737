// The record declaration a program gives for a table: a field list in the
// runtime's byte form, plus its memos and keys, accepted into a TableDesc.
//
// Field list (all numbers little-endian):
//   list   := 0xA0 { field } 0xA3
//   field  := 0xA1 offset(4) name 0 { 0xA2 count(4) } type params
//   params := length(4) picture 0        for STRING, CSTRING, PSTRING
//           | size(1) places(1)          for DECIMAL, PDECIMAL
//           | list                       for GROUP
//           | nothing                    for every other type
// Up to four dimension prefixes make an array; a GROUP's element size is
// the sum of its fields.  Fields are numbered in the order they appear,
// group members right after their group.  A field is an overlay when it
// starts inside bytes that earlier fields (or an enclosing overlay) cover.
//
// Errors: 75 a list that is not well formed; 79 a type the tables cannot
// hold (DATE, TIME, PDECIMAL and types 13 and 14 only as overlays); 47 a
// field or record longer than 64000 bytes, more than four dimensions, more
// than 240 keys, a memo longer than 64000 bytes.
//
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/table_desc.h"

namespace dw::db {

inline constexpr std::uint8_t kDeclList = 0xA0;
inline constexpr std::uint8_t kDeclField = 0xA1;
inline constexpr std::uint8_t kDeclDimension = 0xA2;
inline constexpr std::uint8_t kDeclEnd = 0xA3;
inline constexpr int kMaxDimensions = 4;
inline constexpr int kMaxGroupDepth = 16;

// Fills desc.fields and desc.recordLength (the end of the furthest field)
// from a field list: 0, 75, 79 or 47.
int parseFieldList(std::string_view list, TableDesc& desc);

// A key as declared: components are signed field numbers counted from 1,
// negative for descending.
struct DeclaredKey {
  std::string name;
  std::string externalName;
  std::uint8_t flags = 0;
  std::vector<int> components;
};

// The whole declaration: field list, memos and keys.  recordLength 0 takes
// the end of the furthest field; a larger value is kept (a record may end
// in bytes no field names).  0, 75, 79 or 47.
int acceptDeclaration(std::string_view fieldList, std::uint32_t recordLength,
                      const std::vector<MemoDesc>& memos, const std::vector<DeclaredKey>& keys,
                      TableDesc& out);

// Makes field lists (tests, tools).  Offsets default to the end of the
// previous field; give one explicitly to declare an overlay.
class FieldListBuilder {
 public:
  static constexpr std::int64_t kNext = -1;
  FieldListBuilder& field(const std::string& name, FieldType type,
                          const std::vector<std::uint32_t>& dims = {}, std::int64_t offset = kNext);
  FieldListBuilder& text(const std::string& name, FieldType type, std::uint32_t length,
                         const std::string& picture = {},
                         const std::vector<std::uint32_t>& dims = {}, std::int64_t offset = kNext);
  FieldListBuilder& decimal(const std::string& name, FieldType type, std::uint8_t size,
                            std::uint8_t places, const std::vector<std::uint32_t>& dims = {},
                            std::int64_t offset = kNext);
  FieldListBuilder& beginGroup(const std::string& name, const std::vector<std::uint32_t>& dims = {},
                               std::int64_t offset = kNext);
  FieldListBuilder& endGroup();
  // The list, with any open groups closed.
  std::string build() const;
  std::uint32_t end() const { return m_end; }

 private:
  void head(const std::string& name, FieldType type, const std::vector<std::uint32_t>& dims,
            std::int64_t offset, std::uint64_t elementSize);
  struct Open {
    std::uint32_t start;
    std::uint64_t dimProduct;
    std::uint32_t cursorBefore;
  };
  std::string m_out = std::string(1, char(kDeclList));
  std::uint32_t m_cursor = 0;
  std::uint32_t m_end = 0;
  std::vector<Open> m_groups;
};

// Element size of a scalar type (0 for the types sized by their parameters).
std::uint32_t elementSizeOf(FieldType type);

}  // namespace dw::db
