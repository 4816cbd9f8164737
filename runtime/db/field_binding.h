// Binding a record buffer's fields for expressions: every field of a table
// description is entered in the language's symbol table under its declared
// name ("SCH:Date") at its place in a buffer, and every memo under its
// name.  Arrays, groups and PSTRING fields have no bound form and are left
// out.  Rebinding a name replaces the earlier binding.
//
// Threads: binding uses the language state of the calling runtime thread,
// under the Runtime lock.  The buffer must stay where it is for as long as
// the names are used.
#pragma once

#include <string>
#include <vector>

#include "runtime/db/table_desc.h"

namespace dw::db {

// Binds field f at base + f.offset; false when the field has no bound form.
bool bindField(const FieldDesc& f, char* base);
// Binds every field of desc in the record buffer at base.
void bindRecordFields(const TableDesc& desc, char* base);
// Binds memo m of desc to its buffer (text memos only).
void bindMemo(const MemoDesc& m, std::string& buffer);

}  // namespace dw::db
