// ANSI <-> OEM conversion of table text; see oem_text.h.
#include "runtime/db/oem_text.h"

#include <iconv.h>

#include <array>

namespace dw::db {
namespace {

using Map = std::array<unsigned char, 256>;

Map buildMap(const char* to, const char* from) {
  Map m;
  for (int i = 0; i < 256; ++i) m[std::size_t(i)] = static_cast<unsigned char>(i);
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return m;
  for (int i = 128; i < 256; ++i) {
    char in[1] = {static_cast<char>(i)};
    char out[4];
    char* ip = in;
    char* op = out;
    std::size_t il = 1, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) && op - out == 1) {
      m[std::size_t(i)] = static_cast<unsigned char>(out[0]);
    }
  }
  iconv_close(cd);
  return m;
}

const Map& mapFor(OemDirection d) {
  static const Map toOem = buildMap("CP850", "WINDOWS-1252");
  static const Map fromOem = buildMap("WINDOWS-1252", "CP850");
  return d == OemDirection::ToOem ? toOem : fromOem;
}

}  // namespace

void convertText(char* text, std::size_t length, OemDirection direction) {
  const Map& m = mapFor(direction);
  for (std::size_t i = 0; i < length; ++i) {
    text[i] = static_cast<char>(m[static_cast<unsigned char>(text[i])]);
  }
}

void convertText(std::string& text, OemDirection direction) {
  convertText(text.data(), text.size(), direction);
}

void convertRecordText(const TableDesc& desc, std::string& record, OemDirection direction) {
  for (const FieldDesc& f : desc.fields) {
    if (f.overlay) continue;  // its bytes belong to an earlier field
    std::size_t start = f.offset;
    std::size_t length = f.totalLength;
    switch (f.type) {
      case FieldType::String:
      case FieldType::CString:
        break;
      case FieldType::PString:
        // Each element begins with its length byte.
        for (std::size_t e = 0; e < f.elementCount; ++e) {
          const std::size_t at = start + e * f.declaredLength;
          if (at + f.declaredLength > record.size() || f.declaredLength < 2) break;
          convertText(record.data() + at + 1, f.declaredLength - 1u, direction);
        }
        continue;
      default:
        continue;
    }
    if (start + length > record.size()) continue;
    convertText(record.data() + start, length, direction);
  }
}

}  // namespace dw::db
