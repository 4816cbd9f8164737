// The description of a table: its fields, memos and keys, as the program
// declares them and as the table's definition stream stores them
// (docs/brisk-tables.md).  Plain values: the table object holds one, the
// key code reads it, and the definition stream is written from and
// compared with it.
//
// Invariants once a description has been accepted (validated at open):
//  - fields are in declaration order and FieldDesc::index is the position
//    in `fields` (0-based); offset + totalLength <= recordLength;
//  - a key component names a field by its 0-based index in `fields`;
//  - at most kMaxKeys keys, every length and size at most kMaxDeclared.
// Not thread-safe by itself; guarded by whoever owns the table object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dw::db {

// Type codes of the program's field lists, as the definition stream stores them.
enum class FieldType : std::uint8_t {
  Byte = 1,
  Short = 2,
  UShort = 3,
  Date = 4,
  Time = 5,
  Long = 6,
  ULong = 7,
  SReal = 8,
  Real = 9,
  Decimal = 10,
  PDecimal = 11,
  Type13 = 13,
  Type14 = 14,
  String = 18,
  CString = 19,
  PString = 20,
  Group = 22,
};

// Declarations above this are refused with 47 (records, fields, memos).
inline constexpr std::uint32_t kMaxDeclared = 64000;
// A table has at most this many keys (47 beyond).
inline constexpr std::size_t kMaxKeys = 240;

struct FieldDesc {
  FieldType type = FieldType::Byte;
  std::uint16_t offset = 0;        // in the record buffer
  std::string name;                // with the table prefix, e.g. "SCH:Date"
  std::uint16_t elementCount = 1;  // product of the array dimensions
  std::uint16_t totalLength = 0;   // elementCount x element size
  std::uint16_t overlay = 0;       // lies inside bytes covered by earlier fields
  std::uint16_t index = 0;         // position in the field list
  // DECIMAL and PDECIMAL: size in bytes and the second declaration byte.
  std::uint8_t decimalSize = 0;
  std::uint8_t decimalPlaces = 0;
  // STRING, CSTRING and PSTRING: declared length and picture.
  std::uint16_t declaredLength = 0;
  std::string picture;
};

// Memo flags.
inline constexpr std::uint16_t kMemoBinary = 0x02;  // no character-set conversion
inline constexpr std::uint16_t kMemoBlob = 0x04;    // variable length

struct MemoDesc {
  std::string name;
  std::string secondName;  // the declaration's external name
  std::uint16_t size = 0;  // declared size (at most kMaxDeclared); 0 for a BLOB
  std::uint16_t flags = 0;
  bool isBlob() const { return flags & kMemoBlob; }
};

// Key flags, bit for bit as declared.
inline constexpr std::uint8_t kKeyDuplicates = 0x01;
inline constexpr std::uint8_t kKeyOptional = 0x02;
inline constexpr std::uint8_t kKeyNoCase = 0x04;
inline constexpr std::uint8_t kKeyUnused08 = 0x08;
inline constexpr std::uint8_t kKeyPrimary = 0x10;  // may differ between stored and declared
inline constexpr std::uint8_t kKeyIndex = 0x20;    // kept current only by BUILD
inline constexpr std::uint8_t kKeyDynamic = 0x40;  // components given at run time

struct KeyComponent {
  std::uint16_t field = 0;  // 0-based index into TableDesc::fields
  bool descending = false;
};

struct KeyDesc {
  std::string name;
  std::string externalName;
  std::uint8_t flags = 0;
  std::vector<KeyComponent> components;
  bool allowsDuplicates() const { return flags & kKeyDuplicates; }
  bool isOptional() const { return flags & kKeyOptional; }
  bool isNoCase() const { return flags & kKeyNoCase; }
  bool isIndex() const { return flags & kKeyIndex; }
  bool isDynamic() const { return flags & kKeyDynamic; }
};

struct TableDesc {
  std::uint16_t recordLength = 0;
  std::vector<FieldDesc> fields;
  std::vector<MemoDesc> memos;
  std::vector<KeyDesc> keys;
  bool oem = false;  // record text stored in the OEM character set
  // The version word of a definition read from a file (1, or 2 with a
  // BLOB); -1 in a description made from a declaration.
  std::int32_t storedVersion = -1;
  bool hasBlob() const {
    for (const MemoDesc& m : memos)
      if (m.isBlob()) return true;
    return false;
  }
};

// Clears a record image as a declaration clears its buffer: every byte
// zero, then STRING fields (not overlays) blank.  `size` is the buffer's
// length; fields reaching beyond it are left.
void clearRecordImage(char* record, std::size_t size, const TableDesc& desc);

}  // namespace dw::db
