// The definition stream of a table: its fields, memos and keys written as
// one byte stream at create, cut into 512-byte definition chunks, read back
// into a TableDesc, and compared with the program's declaration at every
// open.  docs/brisk-tables.md gives the byte layout.
//
// The comparison is structural: the version, record length, counts, each
// field's type, offset, element count, length, overlay flag and index, each
// key's flags (the primary-key bit 0x10 excepted) and components must agree
// (else 47); names, pictures, decimal parameters, memo sizes and memo flags
// may differ, and the declaration's values are the ones used.
//
// Functions over an open file take it with its header current; writing
// needs it out of read mode.  One thread at a time, as the file object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/db/brisk_file.h"
#include "runtime/db/table_desc.h"

namespace dw::db {

// The stream of a description.
std::string encodeDefinition(const TableDesc& desc);
// A description from a stream.  Reading past the end yields zeros, so a
// short or damaged stream gives a description that fails the comparison
// rather than an error here.  Counts are taken as stored (at most 65535).
TableDesc decodeDefinition(std::string_view stream);
// 0 when stored and declared agree structurally, else 47.
int compareDefinition(const TableDesc& stored, const TableDesc& declared);

// Writes the stream of desc as the definition chunks of table t.
void writeDefinition(BriskFile& file, std::uint32_t table, const TableDesc& desc);
// The concatenated chunks 0, 1, ... of table t up to the first missing one.
std::string readDefinitionStream(BriskFile& file, std::uint32_t table);
// Deletes every definition chunk of table t.
void deleteDefinition(BriskFile& file, std::uint32_t table);

}  // namespace dw::db
