// Dynamic indexes: keys declared without components whose order is given
// at run time by a component string, and whose entries live in a private
// in-memory file object of their own (BriskFile::openInMemory), never in
// the table's file.
//
// A component string is a list of field names separated by commas; each
// name may be preceded by spaces and by + (ascending, the default) or -
// (descending), and followed by spaces.  A name matches a field whose whole
// name, or whose name after the table prefix ("SCH:Date" -> "Date"), is the
// same ignoring case.  An empty string, an empty item or an unknown name is
// 76; an array field is 75.
//
// Owned by the table object; same thread rules as the table.
#include <algorithm>

#include "runtime/db/page_image.h"
#include "runtime/db/table_keys.h"
#include "runtime/lang/chartab.h"

namespace dw::db {

namespace {

std::string_view trimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool nameMatches(const std::string& fieldName, std::string_view wanted) {
  const std::string w = dw::lang::upper(wanted);
  if (dw::lang::upper(fieldName) == w) return true;
  const std::size_t colon = fieldName.find(':');
  return colon != std::string::npos &&
         dw::lang::upper(std::string_view(fieldName).substr(colon + 1)) == w;
}

}  // namespace

int parseComponentString(const TableDesc& desc, std::string_view text,
                         std::vector<KeyComponent>& out) {
  out.clear();
  if (trimSpaces(text).empty()) return kErrBadIndexString;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    std::string_view item = trimSpaces(text.substr(start, comma - start));
    KeyComponent c;
    if (!item.empty() && (item.front() == '+' || item.front() == '-')) {
      c.descending = item.front() == '-';
      item = trimSpaces(item.substr(1));
    }
    if (item.empty()) return kErrBadIndexString;
    auto it = std::find_if(desc.fields.begin(), desc.fields.end(),
                           [&](const FieldDesc& f) { return nameMatches(f.name, item); });
    if (it == desc.fields.end()) return kErrBadIndexString;
    if (it->elementCount > 1) return kErrBadFieldType;
    c.field = std::uint16_t(it - desc.fields.begin());
    out.push_back(c);
    start = comma + 1;
  }
  return 0;
}

DynamicIndexes::DynamicIndexes() = default;
DynamicIndexes::~DynamicIndexes() = default;

int DynamicIndexes::setComponents(const TableDesc& desc, std::size_t k, std::string_view text) {
  if (k >= desc.keys.size() || !desc.keys[k].isDynamic()) return kErrBadDeclaration;
  std::vector<KeyComponent> components;
  if (int r = parseComponentString(desc, text, components)) return r;
  std::size_t sum = 0;
  for (const KeyComponent& c : components) sum += desc.fields[c.field].totalLength;
  const bool dup = desc.keys[k].allowsDuplicates();
  if (5 + sum + (dup ? 4 : 0) > kMaxKeyLength || 5 + sum + 4 > kMaxEntryLength) {
    return kErrBadIndexString;
  }
  if (m_indexes.size() <= k) m_indexes.resize(k + 1);
  m_indexes[k].components = std::move(components);
  m_indexes[k].file.reset();
  return 0;
}

const std::vector<KeyComponent>& DynamicIndexes::components(std::size_t k) const {
  static const std::vector<KeyComponent> kNone;
  return k < m_indexes.size() ? m_indexes[k].components : kNone;
}

BriskFile* DynamicIndexes::file(std::size_t k) const {
  return k < m_indexes.size() ? m_indexes[k].file.get() : nullptr;
}

BriskFile& DynamicIndexes::freshFile(std::size_t k) {
  if (m_indexes.size() <= k) m_indexes.resize(k + 1);
  m_indexes[k].file = BriskFile::openInMemory("dynamic index " + std::to_string(k));
  (void)m_indexes[k].file->refreshHeader();
  return *m_indexes[k].file;
}

}  // namespace dw::db
