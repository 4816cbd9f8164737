// The text definition of a table that `brk create` reads (docs/brk.md):
// fields with types, sizes, pictures and groups, memos, keys with their
// components and flags, one item per line.
//
// Single-threaded tool code.
#pragma once

#include <string>

#include "runtime/db/table_desc.h"

namespace dw::brk {

// Parses a definition.  On failure returns false and sets error to
// "line N: what is wrong".
bool parseDefinitionText(const std::string& text, dw::db::TableDesc& out, std::string& error);

// The text of a description (what `brk tables --definition` prints and
// what parseDefinitionText reads back).
std::string definitionText(const dw::db::TableDesc& desc);

}  // namespace dw::brk
