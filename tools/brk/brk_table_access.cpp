// Tables of an open file as brk finds them (brk_table_access.h).
#include "tools/brk/brk_table_access.h"

#include <cstdlib>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_definition.h"
#include "runtime/db/table_entries.h"
#include "runtime/lang/chartab.h"

namespace dw::brk {

using namespace dw::db;

namespace {

std::optional<StoredTable> fromDirectoryEntry(BriskFile& file, const Entry& e) {
  if (e.data().size() != 4) return std::nullopt;
  StoredTable t;
  t.name = std::string(e.key().substr(1));
  t.number = readBig32(e.data(), 0);
  t.desc = decodeDefinition(readDefinitionStream(file, t.number));
  return t;
}

}  // namespace

std::vector<StoredTable> storedTables(BriskFile& file, std::vector<std::string>& faults) {
  std::vector<StoredTable> out;
  std::string probe(1, char(kDirectoryByte));
  while (auto e = findNext(file, probe)) {
    if (e->key().empty() || static_cast<std::uint8_t>(e->key()[0]) != kDirectoryByte) break;
    probe = std::string(e->key());
    if (auto t = fromDirectoryEntry(file, *e)) {
      out.push_back(std::move(*t));
    } else {
      faults.push_back("directory entry \"" + probe.substr(1) + "\" holds " +
                       std::to_string(e->data().size()) + " bytes, not a table number");
    }
  }
  return out;
}

std::optional<StoredTable> storedTable(BriskFile& file, const std::string& name) {
  auto e = findEqual(file, directoryKey(name));
  if (!e) return std::nullopt;
  return fromDirectoryEntry(file, *e);
}

int findKey(const TableDesc& desc, const std::string& key) {
  const std::string wanted = dw::lang::upper(key);
  for (std::size_t k = 0; k < desc.keys.size(); ++k) {
    const std::string name = dw::lang::upper(desc.keys[k].name);
    const std::size_t colon = name.find(':');
    if (name == wanted || (colon != std::string::npos && name.substr(colon + 1) == wanted)) {
      return int(k);
    }
  }
  char* end = nullptr;
  const long n = std::strtol(key.c_str(), &end, 10);
  if (!key.empty() && *end == 0 && n >= 0 && std::size_t(n) < desc.keys.size()) return int(n);
  return -1;
}

}  // namespace dw::brk
