// Names of tables.  A table is named by a file name and a table name joined
// by the two characters "\!": "SM\!Schedule" is the table SCHEDULE of the file
// SM.BRK.  Without "\!" the table is "UNNAMED"; a file name without an
// extension gets ".BRK"; trailing blanks (of a blank-padded name variable)
// are dropped, and an empty table name is "UNNAMED"; the table name is upper-cased with the
// runtime's case tables (runtime/lang/chartab.h).  The file name is kept exactly as given
// otherwise: two declarations share a file object only when their file names are equal byte for
// byte.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace dw::db {

inline constexpr std::string_view kTableSeparator = "\\!";
inline constexpr std::string_view kUnnamedTable = "UNNAMED";
inline constexpr std::string_view kDefaultExtension = ".BRK";

struct TableName {
  std::string file;            // the operating-system file name, extension added
  std::string table;           // upper-cased table name
  bool explicitTable = false;  // the name held "\!"
  bool operator==(const TableName&) const = default;
};

TableName splitTableName(std::string_view name);
// The file name with ".BRK" appended when its last path component has no dot.
std::string withDefaultExtension(std::string_view file);

}  // namespace dw::db
