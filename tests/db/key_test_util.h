// Helpers of the key tests: table descriptions built field by field, and a
// table in a real file whose records are written the way the table code
// writes them (data entry, key maintenance, record count).
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "db_test_util.h"
#include "runtime/db/table_keys.h"

namespace dw::db::testing {

inline std::size_t elementSize(FieldType t, std::size_t declared) {
  switch (t) {
    case FieldType::Byte:
      return 1;
    case FieldType::Short:
    case FieldType::UShort:
      return 2;
    case FieldType::Long:
    case FieldType::ULong:
    case FieldType::SReal:
    case FieldType::Date:
    case FieldType::Time:
      return 4;
    case FieldType::Real:
      return 8;
    default:
      return declared;
  }
}

// Appends fields one after the other; `size` matters for strings, decimals
// and groups only.
class DescBuilder {
 public:
  DescBuilder& field(const std::string& name, FieldType type, std::size_t size = 0,
                     std::uint8_t places = 0, std::uint16_t elements = 1) {
    FieldDesc f;
    f.type = type;
    f.name = name;
    f.offset = std::uint16_t(m_desc.recordLength);
    f.index = std::uint16_t(m_desc.fields.size());
    f.elementCount = elements;
    f.totalLength = std::uint16_t(elementSize(type, size) * elements);
    if (type == FieldType::Decimal) {
      f.decimalSize = std::uint8_t(size);
      f.decimalPlaces = places;
    }
    if (type == FieldType::String || type == FieldType::CString || type == FieldType::PString) {
      f.declaredLength = std::uint16_t(size);
    }
    m_desc.recordLength = std::uint16_t(m_desc.recordLength + f.totalLength);
    m_desc.fields.push_back(f);
    return *this;
  }
  // Components: signed 1-based field numbers, negative for descending.
  DescBuilder& key(const std::string& name, std::uint8_t flags, std::vector<int> components) {
    KeyDesc k;
    k.name = name;
    k.flags = flags;
    for (int c : components) {
      k.components.push_back(KeyComponent{std::uint16_t(std::abs(c) - 1), c < 0});
    }
    m_desc.keys.push_back(k);
    return *this;
  }
  DescBuilder& oem() {
    m_desc.oem = true;
    return *this;
  }
  TableDesc build() const { return m_desc; }

 private:
  TableDesc m_desc;
};

// Little-endian field writers for record images.
template <typename T>
void put(std::string& record, const FieldDesc& f, T value) {
  std::memcpy(record.data() + f.offset, &value, sizeof value);
}
inline void putText(std::string& record, const FieldDesc& f, std::string_view text,
                    char pad = ' ') {
  std::string v(text.substr(0, f.totalLength));
  v.resize(f.totalLength, pad);
  std::memcpy(record.data() + f.offset, v.data(), v.size());
}

// A table in a fresh file, created as the table code creates one: a table
// number from the counter and zero statistics for the records and keys.
class KeyTable {
 public:
  explicit KeyTable(TableDesc desc, const std::string& name = "t.brk") : m_desc(std::move(desc)) {
    m_path = m_dir.file(name);
    m_file = openBrisk(m_path, writerOptions());
    if (m_file->refreshHeader() != 0) std::abort();
    m_number = readBigEndian(
        std::string_view(reinterpret_cast<const char*>(m_file->nextNumber().data()), 4));
    createStatistics(ref());
  }

  TableRef ref() { return TableRef{*m_file, m_number, m_desc, &m_dynamic, {}}; }
  BriskFile& file() { return *m_file; }
  const TableDesc& desc() const { return m_desc; }
  const std::string& path() const { return m_path; }
  std::uint32_t number() const { return m_number; }
  DynamicIndexes& dynamic() { return m_dynamic; }

  std::string blankRecord() const { return std::string(m_desc.recordLength, '\0'); }

  // Adds a record: 0 and its number in *recordNumber, or 40.
  int add(const std::string& image, std::uint32_t* recordNumber = nullptr,
          bool noMaintenance = false) {
    const auto n = m_file->nextNumber();
    const std::uint32_t r =
        readBigEndian(std::string_view(reinterpret_cast<const char*>(n.data()), 4));
    if (int e = updateKeys(ref(), r, nullptr, &image, noMaintenance)) return e;
    insertEntry(*m_file, Entry(dataKey(m_number, r) + image, 9));
    addCount(ref(), kStatsRecords, 1);
    if (recordNumber) *recordNumber = r;
    return 0;
  }
  int put(std::uint32_t r, const std::string& image) {
    auto old = findEqual(*m_file, dataKey(m_number, r));
    if (!old) return kErrNotAvailable;
    const std::string oldImage(old->data());
    if (int e = updateKeys(ref(), r, &oldImage, &image, false)) return e;
    deleteEntry(*m_file, dataKey(m_number, r));
    insertEntry(*m_file, Entry(dataKey(m_number, r) + image, 9));
    return 0;
  }
  int remove(std::uint32_t r) {
    auto old = findEqual(*m_file, dataKey(m_number, r));
    if (!old) return kErrNotAvailable;
    const std::string oldImage(old->data());
    deleteEntry(*m_file, dataKey(m_number, r));
    updateKeys(ref(), r, &oldImage, nullptr, false);
    addCount(ref(), kStatsRecords, -1);
    return 0;
  }

  // Key k's entries in tree order (from the key's own file).
  std::vector<Entry> keyEntries(std::size_t k) {
    std::vector<Entry> out;
    BriskFile* f = keyFile(ref(), k);
    if (!f) return out;
    const std::string prefix = keyPrefix(m_number, std::uint8_t(k));
    std::string probe = prefix;
    while (auto e = findNext(*f, probe)) {
      if (e->key().substr(0, 5) != prefix) break;
      probe = std::string(e->key());
      out.push_back(std::move(*e));
    }
    return out;
  }
  std::vector<std::uint32_t> keyRecordNumbers(std::size_t k) {
    std::vector<std::uint32_t> out;
    for (const Entry& e : keyEntries(k)) out.push_back(recordNumberOf(e));
    return out;
  }

 private:
  TempDir m_dir;
  std::string m_path;
  TableDesc m_desc;
  std::unique_ptr<BriskFile> m_file;
  std::uint32_t m_number = 0;
  DynamicIndexes m_dynamic;
};

inline std::string hex(std::string_view s) {
  static const char* d = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(d[c >> 4]);
    out.push_back(d[c & 15]);
  }
  return out;
}

}  // namespace dw::db::testing
