// Field values as text for `brk dump` and `brk load`, and CSV rows.
//
// Numbers print in decimal (reals with as many digits as they need to read
// back exactly, DECIMAL with its places), strings without their trailing
// blanks (CSTRING up to its zero, PSTRING its counted characters).  The
// elements of an array are joined by ';'.  Groups are not columns of their
// own, and neither is a field whose bytes an earlier column already holds
// (an overlay): each byte of the record belongs to one column at most.
//
// Single-threaded tool code.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "runtime/db/table_desc.h"

namespace dw::brk {

// The fields that are columns, in declaration order: not groups, and none
// of their bytes held by an earlier column.
std::vector<std::size_t> valueFields(const dw::db::TableDesc& desc);

std::string formatField(const dw::db::FieldDesc& f, const std::string& record);
// Stores text into the field; false with a reason when it does not fit.
bool parseField(const dw::db::FieldDesc& f, const std::string& text, std::string& record,
                std::string& error);

// CSV (RFC 4180): a cell quoted when it holds a comma, a quote or a line break.
std::string csvCell(const std::string& text);
// Reads one row (quoted cells may span lines); lines receives the number of
// physical lines read.  False at the end of input; a malformed row sets
// error.
bool readCsvRow(std::istream& in, std::vector<std::string>& cells, int& lines, std::string& error);

}  // namespace dw::brk
