// Text of tables declared OEM: the record's string fields and the memos
// (unless binary) are stored in the OEM character set (code page 850) and
// held by the program in the Windows Latin set (code page 1252).  Bytes
// without a partner in the other set are kept as they are; ASCII is the
// same in both.
//
// The tables are built once, on first use, and only read afterwards; any
// thread.
#pragma once

#include <string>

#include "runtime/db/table_desc.h"

namespace dw::db {

enum class OemDirection : std::uint8_t { ToOem, FromOem };

void convertText(std::string& text, OemDirection direction);
void convertText(char* text, std::size_t length, OemDirection direction);
// Converts the text fields (STRING, CSTRING, the characters of PSTRING) of
// a record image in place.
void convertRecordText(const TableDesc& desc, std::string& record, OemDirection direction);

}  // namespace dw::db
