// Key values made byte-comparable, and the key and data entry layouts
// (docs/brisk-keys.md).  Each component takes exactly its field's length:
//   STRING            the field bytes
//   CSTRING           the bytes up to the first zero, then zeros
//   PSTRING           the n bytes after the length byte, then zeros
//   SHORT, LONG       most significant byte first, its top bit inverted
//   USHORT, ULONG     most significant byte first
//   SREAL, REAL       most significant byte first; a positive value gets its
//                     sign bit set, a negative one every byte complemented
//   DECIMAL           a negative value (sign nibble not 0) has the nibble
//                     cleared and every byte complemented; then the top
//                     bit of the first byte is inverted
//   anything else     the field bytes
// String components are then lower-cased for a case-insensitive key,
// converted to the OEM set for an OEM table, and replaced byte by byte by
// their collation weights; a descending component is complemented last.
//
// Two values that compare equal get one encoding: a negative zero (real or
// DECIMAL) is encoded as zero, and every NaN as the one positive quiet NaN,
// which orders after every other value.
//
// Pure functions over the runtime's character tables (read-only after
// start-up); any thread.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/db/brkbt.h"
#include "runtime/db/oem_text.h"
#include "runtime/db/page_image.h"
#include "runtime/db/table_keys.h"
#include "runtime/lang/chartab.h"

namespace dw::db {

namespace {

bool isStringType(FieldType t) {
  return t == FieldType::String || t == FieldType::CString || t == FieldType::PString;
}

void complement(char* p, std::size_t len) {
  for (std::size_t i = 0; i < len; ++i) p[i] = char(~static_cast<unsigned char>(p[i]));
}

// Reals: one encoding per value (see the file comment).
void canonicalReal(char* le, std::size_t len) {
  if (len == 8) {
    double d;
    std::memcpy(&d, le, 8);
    if (std::isnan(d)) {
      d = std::numeric_limits<double>::quiet_NaN();
      d = std::copysign(d, 1.0);
    } else if (d == 0.0) {
      d = 0.0;
    }
    std::memcpy(le, &d, 8);
  } else if (len == 4) {
    float f;
    std::memcpy(&f, le, 4);
    if (std::isnan(f)) {
      f = std::numeric_limits<float>::quiet_NaN();
      f = std::copysign(f, 1.0f);
    } else if (f == 0.0f) {
      f = 0.0f;
    }
    std::memcpy(le, &f, 4);
  }
}

// A DECIMAL whose digits are all zero is zero, whatever its sign nibble.
bool decimalDigitsZero(std::string_view b) {
  if (b.empty()) return true;
  if ((static_cast<unsigned char>(b[0]) & 0x0F) != 0) return false;
  for (std::size_t i = 1; i < b.size(); ++i) {
    if (b[i] != 0) return false;
  }
  return true;
}

std::size_t fieldLength(const FieldDesc& f) {
  return f.totalLength;
}

}  // namespace

namespace {

// Encodes one component in place: p holds the field's bytes (len of them)
// and receives their encoding, which has the same length.
void encodeInPlace(const FieldDesc& field, bool descending, bool noCase, bool oem, char* p,
                   std::size_t len) {
  auto u = [&](std::size_t i) { return static_cast<unsigned char>(p[i]); };
  switch (field.type) {
    case FieldType::CString: {
      const void* zero = std::memchr(p, 0, len);
      if (zero) {
        const auto at = std::size_t(static_cast<const char*>(zero) - p);
        std::memset(p + at, 0, len - at);
      }
      break;
    }
    case FieldType::PString: {
      if (len == 0) break;
      const std::size_t n = std::min<std::size_t>(u(0), len - 1);
      std::memmove(p, p + 1, n);
      std::memset(p + n, 0, len - n);
      break;
    }
    case FieldType::Short:
    case FieldType::Long:
      std::reverse(p, p + len);
      if (len) p[0] = char(u(0) ^ 0x80);
      break;
    case FieldType::UShort:
    case FieldType::ULong:
      std::reverse(p, p + len);
      break;
    case FieldType::SReal:
    case FieldType::Real:
      canonicalReal(p, len);
      std::reverse(p, p + len);
      if (len) {
        if (u(0) & 0x80) {
          complement(p, len);
        } else {
          p[0] = char(u(0) | 0x80);
        }
      }
      break;
    case FieldType::Decimal:
      if (len == 0) break;
      if (decimalDigitsZero(std::string_view(p, len))) p[0] = 0;  // negative zero is zero
      if (u(0) & 0xF0) {
        p[0] = char(u(0) & 0x0F);
        complement(p, len);
      }
      p[0] = char(u(0) ^ 0x80);
      break;
    default:
      break;
  }
  if (isStringType(field.type) && len > 0) {
    // Each byte maps alone (case, then collation weight), so the padding
    // at the end (blanks, or zeros) maps once and is filled in.  The OEM
    // conversion takes the whole text, so it keeps the byte-wise path.
    std::size_t end = len;
    const char last = p[len - 1];
    if (!oem) {
      while (end > 0 && p[end - 1] == last) --end;
    }
    auto mapped = [&](unsigned char b) {
      if (noCase && dw::lang::isUpper(b)) {
        if (unsigned char q = dw::lang::casePartner(b)) b = q;
      }
      return b;
    };
    if (end < len) {
      const unsigned char pad = dw::lang::collationWeight(mapped(static_cast<unsigned char>(last)));
      std::memset(p + end, pad, len - end);
    }
    if (noCase) {
      for (std::size_t i = 0; i < end; ++i) p[i] = char(mapped(u(i)));
    }
    if (oem) {
      convertText(p, len, OemDirection::ToOem);
      end = len;
    }
    for (std::size_t i = 0; i < end; ++i) p[i] = char(dw::lang::collationWeight(u(i)));
  }
  if (descending) complement(p, len);
}

// Appends the field's bytes in the record (zeros where the record is
// short) to out, encoded.
void appendComponent(std::string& out, const FieldDesc& f, bool descending, bool noCase, bool oem,
                     std::string_view record) {
  const std::size_t at = out.size();
  const std::size_t len = f.totalLength;
  out.resize(at + len, '\0');
  if (f.offset < record.size()) {
    std::memcpy(out.data() + at, record.data() + f.offset, std::min(len, record.size() - f.offset));
  }
  encodeInPlace(f, descending, noCase, oem, out.data() + at, len);
}

}  // namespace

std::string encodeComponent(const FieldDesc& field, bool descending, bool noCase, bool oem,
                            std::string_view bytes) {
  std::string out(bytes);
  encodeInPlace(field, descending, noCase, oem, out.data(), out.size());
  return out;
}

// --- Key bytes ---------------------------------------------------------------

void appendBigEndian(std::string& out, std::uint32_t v) {
  const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  out.append(b, 4);
}

std::uint32_t readBigEndian(std::string_view b) {
  if (b.size() < 4) return 0;
  auto u = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(b[i])); };
  return (u(0) << 24) | (u(1) << 16) | (u(2) << 8) | u(3);
}

std::string tablePrefix(std::uint32_t table) {
  std::string s;
  appendBigEndian(s, table);
  return s;
}

std::string keyPrefix(std::uint32_t table, std::uint8_t k) {
  std::string s = tablePrefix(table);
  s.push_back(char(k));
  return s;
}

std::string dataKey(std::uint32_t table, std::uint32_t recordNumber) {
  std::string s = keyPrefix(table, kEntryData);
  appendBigEndian(s, recordNumber);
  return s;
}

std::string statisticsKey(std::uint32_t table, std::uint8_t kind) {
  std::string s = keyPrefix(table, kEntryStatistics);
  s.push_back(char(kind));
  return s;
}

std::uint32_t recordNumberOf(const Entry& entry) {
  if (entry.bytes.size() < 4) return 0;
  return readBigEndian(std::string_view(entry.bytes).substr(entry.bytes.size() - 4));
}

// --- Declarations ----------------------------------------------------------

int validateKeys(const TableDesc& desc) {
  if (desc.keys.size() > kMaxKeys) return kErrBadDeclaration;
  for (const KeyDesc& key : desc.keys) {
    std::size_t sum = 0;
    for (const KeyComponent& c : key.components) {
      if (c.field >= desc.fields.size()) return kErrBadFieldType;
      const FieldDesc& f = desc.fields[c.field];
      if (f.elementCount > 1) return kErrBadFieldType;
      sum += fieldLength(f);
    }
    const std::size_t keyLength = 5 + sum + (key.allowsDuplicates() ? 4 : 0);
    if (keyLength > kMaxKeyLength || 5 + sum + 4 > kMaxEntryLength) return kErrBadDeclaration;
  }
  return 0;
}

const std::vector<KeyComponent>& keyComponents(const TableRef& ref, std::size_t k) {
  static const std::vector<KeyComponent> kNone;
  if (k >= ref.desc.keys.size()) return kNone;
  const KeyDesc& key = ref.desc.keys[k];
  if (key.isDynamic() && ref.dynamic) return ref.dynamic->components(k);
  return key.components;
}

std::size_t keyValueLength(const TableRef& ref, std::size_t k) {
  std::size_t sum = 0;
  for (const KeyComponent& c : keyComponents(ref, k)) {
    if (c.field < ref.desc.fields.size()) sum += fieldLength(ref.desc.fields[c.field]);
  }
  return sum;
}

BriskFile* keyFile(const TableRef& ref, std::size_t k) {
  if (k >= ref.desc.keys.size()) return nullptr;
  if (ref.desc.keys[k].isDynamic()) return ref.dynamic ? ref.dynamic->file(k) : nullptr;
  return &ref.file;
}

// --- Encoding ----------------------------------------------------------------

namespace {

// The field's bytes in the record; a copy padded with zeros only when the
// record is short.
std::string_view fieldBytes(const FieldDesc& f, std::string_view record, std::string& padded) {
  const std::size_t len = fieldLength(f);
  if (f.offset <= record.size() && len <= record.size() - f.offset) {
    return record.substr(f.offset, len);
  }
  padded.assign(len, '\0');
  if (f.offset < record.size()) {
    std::memcpy(padded.data(), record.data() + f.offset, record.size() - f.offset);
  }
  return padded;
}

bool componentEmpty(const FieldDesc& f, std::string_view b) {
  switch (f.type) {
    case FieldType::String:
    case FieldType::Group:
      return std::all_of(b.begin(), b.end(), [](char c) { return c == ' '; });
    case FieldType::CString:
    case FieldType::PString:
      return b.empty() || b[0] == 0;
    default:
      return std::all_of(b.begin(), b.end(), [](char c) { return c == 0; });
  }
}

}  // namespace

void appendKeyValue(std::string& out, const TableRef& ref, std::size_t k, std::string_view record) {
  if (k >= ref.desc.keys.size()) return;
  const KeyDesc& key = ref.desc.keys[k];
  for (const KeyComponent& c : keyComponents(ref, k)) {
    if (c.field >= ref.desc.fields.size()) continue;
    appendComponent(out, ref.desc.fields[c.field], c.descending, key.isNoCase(), ref.desc.oem,
                    record);
  }
}

std::string encodeKeyValue(const TableRef& ref, std::size_t k, std::string_view record) {
  std::string out;
  appendKeyValue(out, ref, k, record);
  return out;
}

std::string keyProbe(const TableRef& ref, std::size_t k, std::string_view record) {
  std::string out;
  out.reserve(9 + keyValueLength(ref, k));
  appendBigEndian(out, ref.number);
  out.push_back(char(std::uint8_t(k)));
  appendKeyValue(out, ref, k, record);
  return out;
}

Entry makeKeyEntry(const TableRef& ref, std::size_t k, std::string_view record,
                   std::uint32_t recordNumber, bool withComponents) {
  std::string bytes;
  bytes.reserve(9 + (withComponents ? keyValueLength(ref, k) : 0));
  appendBigEndian(bytes, ref.number);
  bytes.push_back(char(std::uint8_t(k)));
  if (withComponents) appendKeyValue(bytes, ref, k, record);
  std::size_t keyLength = bytes.size();
  appendBigEndian(bytes, recordNumber);
  if (k < ref.desc.keys.size() && ref.desc.keys[k].allowsDuplicates()) keyLength = bytes.size();
  return Entry(std::move(bytes), keyLength);
}

std::optional<Entry> firstOfKey(const TableRef& ref, std::size_t k) {
  BriskFile* f = keyFile(ref, k);
  if (!f) return std::nullopt;
  return firstOfPrefix(*f, keyPrefix(ref.number, std::uint8_t(k)));
}

std::optional<Entry> lastOfKey(const TableRef& ref, std::size_t k) {
  BriskFile* f = keyFile(ref, k);
  if (!f) return std::nullopt;
  return lastOfPrefix(*f, keyPrefix(ref.number, std::uint8_t(k)));
}

bool keyIsEmpty(const TableRef& ref, std::size_t k, std::string_view record) {
  for (const KeyComponent& c : keyComponents(ref, k)) {
    if (c.field >= ref.desc.fields.size()) continue;
    const FieldDesc& f = ref.desc.fields[c.field];
    std::string padded;
    if (!componentEmpty(f, fieldBytes(f, record, padded))) return false;
  }
  return true;
}

}  // namespace dw::db
