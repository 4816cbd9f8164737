// Whole-table operations: copy or rename into another (or the same) file,
// remove, empty.  docs/brisk-tables.md describes what happens to the
// entries.  Same thread rules as Table.
#pragma once

#include <string_view>

#include "runtime/db/table.h"

namespace dw::db {

// Copies (or renames) the table to "FILE\!TABLE": 0, 5 (rename onto an
// existing table), or an open or commit error.  When neither name holds
// "\!" the operating-system file is copied or renamed when it can be.
int copyTable(Table& source, std::string_view targetName, bool rename,
              const TableOpenOptions& options = {});
// Removes the table; the file too when it held no other table.  A stored
// definition that differs from `declared` does not stop it.
int removeTable(std::string_view name, const TableDesc& declared,
                const TableOpenOptions& options = {});
// Deletes every record, memo and key entry; the table keeps its name and
// number, with its definition and statistics afresh.
int emptyTable(Table& table);

}  // namespace dw::db
