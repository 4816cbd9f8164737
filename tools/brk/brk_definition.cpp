// Parsing and printing table definitions in the brk text form.
#include "tools/brk/brk_definition.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "runtime/db/record_declaration.h"

namespace dw::brk {

using namespace dw::db;

namespace {

struct TypeName {
  const char* name;
  FieldType type;
};
constexpr TypeName kTypes[] = {
    {"BYTE", FieldType::Byte},         {"SHORT", FieldType::Short},
    {"USHORT", FieldType::UShort},     {"LONG", FieldType::Long},
    {"ULONG", FieldType::ULong},       {"SREAL", FieldType::SReal},
    {"REAL", FieldType::Real},         {"DECIMAL", FieldType::Decimal},
    {"PDECIMAL", FieldType::PDecimal}, {"STRING", FieldType::String},
    {"CSTRING", FieldType::CString},   {"PSTRING", FieldType::PString},
    {"DATE", FieldType::Date},         {"TIME", FieldType::Time},
};

struct KeyFlagName {
  const char* name;
  std::uint8_t bit;
};
constexpr KeyFlagName kKeyFlags[] = {
    {"dup", kKeyDuplicates},  {"optional", kKeyOptional}, {"nocase", kKeyNoCase},
    {"flag08", kKeyUnused08}, {"primary", kKeyPrimary},   {"index", kKeyIndex},
    {"dynamic", kKeyDynamic},
};

std::string upperAscii(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> tokens(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string t;
  while (in >> t) {
    if (t[0] == '#') break;
    out.push_back(t);
  }
  return out;
}

bool number(const std::string& s, std::uint32_t& v) {
  if (s.empty() || s.size() > 9) return false;
  v = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + std::uint32_t(c - '0');
  }
  return true;
}

// "STRING(20)", "DECIMAL(6,2)", "LONG[3,2]", "BYTE".
struct TypeSpec {
  FieldType type = FieldType::Byte;
  std::vector<std::uint32_t> params;
  std::vector<std::uint32_t> dims;
};

bool parseList(const std::string& s, std::vector<std::uint32_t>& out) {
  std::string item;
  std::istringstream in(s);
  while (std::getline(in, item, ',')) {
    std::uint32_t v;
    if (!number(item, v)) return false;
    out.push_back(v);
  }
  return !out.empty();
}

bool parseType(const std::string& text, TypeSpec& spec, std::string& error) {
  std::string rest = text;
  const std::size_t bracket = rest.find('[');
  if (bracket != std::string::npos) {
    if (rest.back() != ']' ||
        !parseList(rest.substr(bracket + 1, rest.size() - bracket - 2), spec.dims)) {
      error = "bad dimensions in '" + text + "'";
      return false;
    }
    rest.resize(bracket);
  }
  const std::size_t paren = rest.find('(');
  std::string name = upperAscii(rest.substr(0, paren));
  if (paren != std::string::npos) {
    if (rest.back() != ')' ||
        !parseList(rest.substr(paren + 1, rest.size() - paren - 2), spec.params)) {
      error = "bad size in '" + text + "'";
      return false;
    }
  }
  for (const TypeName& t : kTypes) {
    if (name == t.name) {
      spec.type = t.type;
      const bool sized = t.type == FieldType::String || t.type == FieldType::CString ||
                         t.type == FieldType::PString;
      const bool decimal = t.type == FieldType::Decimal || t.type == FieldType::PDecimal;
      if (sized && spec.params.size() != 1) {
        error = name + " needs a length, e.g. " + name + "(20)";
        return false;
      }
      if (decimal && (spec.params.empty() || spec.params.size() > 2 || spec.params[0] > 255 ||
                      (spec.params.size() == 2 && spec.params[1] > 255))) {
        error = name + " needs a size and places, e.g. " + name + "(6,2)";
        return false;
      }
      if (!sized && !decimal && !spec.params.empty()) {
        error = name + " takes no size";
        return false;
      }
      return true;
    }
  }
  error = "unknown type '" + text + "'";
  return false;
}

int fieldNumber(const std::vector<std::string>& names, const std::string& name) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (upperAscii(names[i]) == upperAscii(name)) return int(i) + 1;
  }
  return 0;
}

}  // namespace

bool parseDefinitionText(const std::string& text, TableDesc& out, std::string& error) {
  FieldListBuilder fields;
  std::vector<std::string> fieldNames;
  std::vector<MemoDesc> memos;
  std::vector<DeclaredKey> keys;
  std::uint32_t recordLength = 0;
  bool oem = false;
  int depth = 0;
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& what) {
    error = "line " + std::to_string(lineNo) + ": " + what;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    const std::vector<std::string> t = tokens(line);
    if (t.empty()) continue;
    const std::string& what = t[0];
    if (what == "field") {
      if (t.size() < 3) return fail("expected: field NAME TYPE [PICTURE] [at OFFSET]");
      TypeSpec spec;
      std::string e;
      if (!parseType(t[2], spec, e)) return fail(e);
      std::string picture;
      std::int64_t offset = FieldListBuilder::kNext;
      for (std::size_t i = 3; i < t.size(); ++i) {
        std::uint32_t v;
        if (t[i][0] == '@') {
          picture = t[i];
        } else if (t[i] == "at" && i + 1 < t.size() && number(t[i + 1], v)) {
          offset = v;
          ++i;
        } else {
          return fail("unexpected '" + t[i] + "'");
        }
      }
      switch (spec.type) {
        case FieldType::String:
        case FieldType::CString:
        case FieldType::PString:
          fields.text(t[1], spec.type, spec.params[0], picture, spec.dims, offset);
          break;
        case FieldType::Decimal:
        case FieldType::PDecimal:
          fields.decimal(t[1], spec.type, std::uint8_t(spec.params[0]),
                         std::uint8_t(spec.params.size() > 1 ? spec.params[1] : 0), spec.dims,
                         offset);
          break;
        default:
          fields.field(t[1], spec.type, spec.dims, offset);
      }
      fieldNames.push_back(t[1]);
    } else if (what == "group") {
      if (t.size() < 2) return fail("expected: group NAME [[DIMS]] [at OFFSET]");
      std::vector<std::uint32_t> dims;
      std::int64_t offset = FieldListBuilder::kNext;
      for (std::size_t i = 2; i < t.size(); ++i) {
        std::uint32_t v;
        if (t[i].front() == '[' && t[i].back() == ']' &&
            parseList(t[i].substr(1, t[i].size() - 2), dims)) {
          continue;
        }
        if (t[i] == "at" && i + 1 < t.size() && number(t[i + 1], v)) {
          offset = v;
          ++i;
          continue;
        }
        return fail("unexpected '" + t[i] + "'");
      }
      fields.beginGroup(t[1], dims, offset);
      fieldNames.push_back(t[1]);
      ++depth;
    } else if (what == "end") {
      if (depth == 0) return fail("'end' without a group");
      fields.endGroup();
      --depth;
    } else if (what == "memo") {
      if (t.size() < 3) return fail("expected: memo NAME SIZE|blob [binary]");
      MemoDesc m;
      m.name = t[1];
      std::uint32_t size;
      if (t[2] == "blob") {
        m.flags |= kMemoBlob;
      } else if (number(t[2], size) && size > 0 && size <= kMaxDeclared) {
        m.size = std::uint16_t(size);
      } else {
        return fail("memo size must be 1..64000 or 'blob'");
      }
      for (std::size_t i = 3; i < t.size(); ++i) {
        if (t[i] == "binary")
          m.flags |= kMemoBinary;
        else
          return fail("unexpected '" + t[i] + "'");
      }
      memos.push_back(m);
    } else if (what == "key") {
      if (t.size() < 3) return fail("expected: key NAME COMPONENTS [FLAGS]");
      DeclaredKey k;
      k.name = t[1];
      std::size_t i = 2;
      if (t[2] != "dynamic") {
        std::istringstream comps(t[2]);
        std::string c;
        while (std::getline(comps, c, ',')) {
          bool descending = false;
          if (!c.empty() && (c[0] == '+' || c[0] == '-')) {
            descending = c[0] == '-';
            c.erase(0, 1);
          }
          const int n = fieldNumber(fieldNames, c);
          if (n == 0) return fail("key component '" + c + "' is not a field");
          k.components.push_back(descending ? -n : n);
        }
        i = 3;
      }
      for (; i < t.size(); ++i) {
        bool known = false;
        for (const KeyFlagName& f : kKeyFlags) {
          if (t[i] == f.name) {
            k.flags |= f.bit;
            known = true;
          }
        }
        if (t[i] == "unique") known = true;
        if (!known) return fail("unknown key flag '" + t[i] + "'");
      }
      keys.push_back(k);
    } else if (what == "record") {
      if (t.size() != 2 || !number(t[1], recordLength)) return fail("expected: record LENGTH");
    } else if (what == "oem") {
      oem = true;
    } else {
      return fail("unknown item '" + what + "'");
    }
  }
  if (depth != 0) return fail("group not closed with 'end'");
  TableDesc d;
  const int rc = acceptDeclaration(fields.build(), recordLength, memos, keys, d);
  if (rc != 0) {
    error = rc == 79   ? "a field type that may only lie over another field (error 79)"
            : rc == 75 ? "a malformed field or key component (error 75)"
                       : "a field, record or memo too long, or too many keys (error 47)";
    return false;
  }
  d.oem = oem;
  out = std::move(d);
  return true;
}

std::string definitionText(const TableDesc& d) {
  std::ostringstream out;
  if (d.oem) out << "oem\n";
  out << "record " << d.recordLength << "\n";
  std::vector<std::uint32_t> groupEnds;
  auto indent = [&] { return std::string(2 * groupEnds.size(), ' '); };
  for (const FieldDesc& f : d.fields) {
    while (!groupEnds.empty() && f.offset >= groupEnds.back() && !f.overlay) {
      groupEnds.pop_back();
      out << indent() << "end\n";
    }
    std::string type;
    for (const TypeName& t : kTypes) {
      if (t.type == f.type) type = t.name;
    }
    if (f.type == FieldType::Group) {
      out << indent() << "group " << f.name << " at " << f.offset << "\n";
      groupEnds.push_back(std::uint32_t(f.offset) + f.totalLength);
      continue;
    }
    if (type.empty()) type = "TYPE" + std::to_string(int(f.type));
    out << indent() << "field " << f.name << " " << type;
    if (f.type == FieldType::String || f.type == FieldType::CString ||
        f.type == FieldType::PString) {
      out << "(" << f.declaredLength << ")";
    } else if (f.type == FieldType::Decimal || f.type == FieldType::PDecimal) {
      out << "(" << int(f.decimalSize) << "," << int(f.decimalPlaces) << ")";
    }
    if (f.elementCount > 1) out << "[" << f.elementCount << "]";
    if (!f.picture.empty()) out << " " << f.picture;
    out << " at " << f.offset << "\n";
  }
  while (!groupEnds.empty()) {
    groupEnds.pop_back();
    out << indent() << "end\n";
  }
  for (const MemoDesc& m : d.memos) {
    out << "memo " << m.name << " " << (m.isBlob() ? std::string("blob") : std::to_string(m.size));
    if (m.flags & kMemoBinary) out << " binary";
    out << "\n";
  }
  for (const KeyDesc& k : d.keys) {
    out << "key " << k.name << " ";
    if (k.components.empty()) out << "dynamic";
    for (std::size_t c = 0; c < k.components.size(); ++c) {
      const std::size_t fi = k.components[c].field;
      out << (c ? "," : "") << (k.components[c].descending ? "-" : "")
          << (fi < d.fields.size() ? d.fields[fi].name : "?");
    }
    for (const KeyFlagName& f : kKeyFlags) {
      if ((k.flags & f.bit) && !(k.components.empty() && f.bit == kKeyDynamic)) {
        out << " " << f.name;
      }
    }
    if (!(k.flags & kKeyDuplicates)) out << " unique";
    out << "\n";
  }
  return out.str();
}

}  // namespace dw::brk
