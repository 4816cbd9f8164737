// Field binding (field_binding.h): the field types of a record as the
// language's variable types.
#include "runtime/db/field_binding.h"

#include "runtime/lang/symbol_table.h"

namespace dw::db {

bool bindField(const FieldDesc& f, char* base) {
  using lang::VarType;
  if (f.elementCount != 1) return false;
  char* at = base + f.offset;
  lang::BoundVariable v;
  v.address = at;
  v.size = f.totalLength;
  switch (f.type) {
    case FieldType::Byte:
      v.type = VarType::kByte;
      break;
    case FieldType::Short:
      v.type = VarType::kShort;
      break;
    case FieldType::UShort:
      v.type = VarType::kUShort;
      break;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Long:
      v.type = VarType::kLong;
      break;
    case FieldType::ULong:
      v.type = VarType::kULong;
      break;
    case FieldType::SReal:
      v.type = VarType::kSReal;
      break;
    case FieldType::Real:
      v.type = VarType::kReal;
      break;
    case FieldType::Decimal:
    case FieldType::PDecimal:
      return lang::bindDecimal(f.name, at, f.totalLength, f.decimalPlaces);
    case FieldType::String:
      v.type = VarType::kString;
      break;
    case FieldType::CString:
      v.type = VarType::kCString;
      break;
    default:  // PSTRING, groups and the reserved types have no bound form
      return false;
  }
  return lang::bindVariable(f.name, v);
}

void bindRecordFields(const TableDesc& desc, char* base) {
  for (const FieldDesc& f : desc.fields) bindField(f, base);
}

void bindMemo(const MemoDesc& m, std::string& buffer) {
  if (m.isBlob() || buffer.empty()) return;
  lang::bindText(m.name, buffer.data(), std::uint32_t(buffer.size()), lang::VarType::kMemo);
}

}  // namespace dw::db
