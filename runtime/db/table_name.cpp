// Splitting "FILE\!TABLE" names; see table_name.h.
#include "runtime/db/table_name.h"

#include "runtime/lang/chartab.h"

namespace dw::db {

std::string withDefaultExtension(std::string_view file) {
  std::size_t slash = file.find_last_of('/');
  std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
  std::string out(file);
  if (file.find('.', base) == std::string_view::npos) out += kDefaultExtension;
  return out;
}

TableName splitTableName(std::string_view name) {
  // Names often come from blank-padded variables.
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  TableName out;
  const std::size_t at = name.find(kTableSeparator);
  std::string_view file = name;
  if (at == std::string_view::npos) {
    out.table = kUnnamedTable;
  } else {
    file = name.substr(0, at);
    out.table = dw::lang::upper(name.substr(at + kTableSeparator.size()));
    out.explicitTable = true;
    while (!out.table.empty() && out.table.back() == ' ') out.table.pop_back();
    if (out.table.empty()) out.table = kUnnamedTable;
  }
  out.file = withDefaultExtension(file);
  return out;
}

}  // namespace dw::db
