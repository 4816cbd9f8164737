// The definition stream; see table_definition.h and docs/brisk-tables.md.
//
// Values in the stream: a byte; a word (2 bytes, low byte first); a string
// (its characters and a 0; the empty string is 0 0; an absent string, which
// this writer never makes, is 0 1).
#include "runtime/db/table_definition.h"

#include "runtime/db/brkbt.h"
#include "runtime/db/table_entries.h"
#include "runtime/lang/errors.h"

namespace dw::db {
namespace {

bool isStringType(FieldType t) {
  return t == FieldType::String || t == FieldType::CString || t == FieldType::PString;
}
bool isDecimalType(FieldType t) {
  return t == FieldType::Decimal || t == FieldType::PDecimal;
}

class Writer {
 public:
  void byte(std::uint8_t b) { m_out.push_back(char(b)); }
  void word(std::uint16_t w) {
    byte(std::uint8_t(w & 0xFF));
    byte(std::uint8_t(w >> 8));
  }
  void string(const std::string& s) {
    // A zero inside a name would end it early; names never hold one.
    const std::string_view v(s.c_str());
    m_out.append(v);
    if (v.empty()) byte(0);
    byte(0);
  }
  std::string take() { return std::move(m_out); }

 private:
  std::string m_out;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : m_in(in) {}
  std::uint8_t byte() { return m_pos < m_in.size() ? std::uint8_t(m_in[m_pos++]) : 0; }
  std::uint16_t word() {
    const std::uint16_t lo = byte();
    return std::uint16_t(lo | (byte() << 8));
  }
  std::string string() {
    std::string s;
    std::uint8_t c = byte();
    if (c == 0) {
      byte();  // 0: empty, 1: absent; both read as empty
      return s;
    }
    while (c != 0) {
      s.push_back(char(c));
      c = byte();
    }
    return s;
  }

 private:
  std::string_view m_in;
  std::size_t m_pos = 0;
};

}  // namespace

std::string encodeDefinition(const TableDesc& d) {
  Writer w;
  w.word(d.hasBlob() ? 2 : 1);
  w.word(d.recordLength);
  w.word(std::uint16_t(d.fields.size()));
  w.word(std::uint16_t(d.memos.size()));
  w.word(std::uint16_t(d.keys.size()));
  for (const FieldDesc& f : d.fields) {
    w.byte(std::uint8_t(f.type));
    w.word(f.offset);
    w.string(f.name);
    w.word(f.elementCount);
    w.word(f.totalLength);
    w.word(f.overlay);
    w.word(f.index);
    if (isDecimalType(f.type)) {
      w.byte(f.decimalPlaces);
      w.byte(f.decimalSize);
    } else if (isStringType(f.type)) {
      w.word(f.declaredLength);
      w.string(f.picture);
    }
  }
  for (const MemoDesc& m : d.memos) {
    w.string(m.name);
    w.string(m.secondName);
    w.word(m.size);
    w.word(m.flags);
  }
  for (const KeyDesc& k : d.keys) {
    w.string(k.name);
    w.string(k.externalName);
    w.byte(k.flags);
    w.word(std::uint16_t(k.components.size()));
    for (const KeyComponent& c : k.components) {
      w.word(c.field);
      w.word(c.descending ? 1 : 0);
    }
  }
  return w.take();
}

TableDesc decodeDefinition(std::string_view stream) {
  Reader r(stream);
  TableDesc d;
  const std::uint16_t version = r.word();
  d.recordLength = r.word();
  const std::uint16_t fieldCount = r.word();
  const std::uint16_t memoCount = r.word();
  const std::uint16_t keyCount = r.word();
  d.fields.resize(fieldCount);
  for (FieldDesc& f : d.fields) {
    f.type = FieldType(r.byte());
    f.offset = r.word();
    f.name = r.string();
    f.elementCount = r.word();
    f.totalLength = r.word();
    f.overlay = r.word();
    f.index = r.word();
    if (isDecimalType(f.type)) {
      f.decimalPlaces = r.byte();
      f.decimalSize = r.byte();
    } else if (isStringType(f.type)) {
      f.declaredLength = r.word();
      f.picture = r.string();
    }
  }
  d.memos.resize(memoCount);
  for (MemoDesc& m : d.memos) {
    m.name = r.string();
    m.secondName = r.string();
    m.size = r.word();
    m.flags = r.word();
  }
  d.keys.resize(keyCount);
  for (KeyDesc& k : d.keys) {
    k.name = r.string();
    k.externalName = r.string();
    k.flags = r.byte();
    k.components.resize(r.word());
    for (KeyComponent& c : k.components) {
      c.field = r.word();
      c.descending = r.word() != 0;
    }
  }
  d.storedVersion = version;
  return d;
}

int compareDefinition(const TableDesc& s, const TableDesc& d) {
  constexpr int kMismatch = dw::lang::err::kInvalidRecordDeclaration;
  const std::int32_t declaredVersion = d.hasBlob() ? 2 : 1;
  const std::int32_t storedVersion = s.storedVersion >= 0 ? s.storedVersion : (s.hasBlob() ? 2 : 1);
  if (storedVersion != declaredVersion) return kMismatch;
  if (s.recordLength != d.recordLength || s.fields.size() != d.fields.size() ||
      s.memos.size() != d.memos.size() || s.keys.size() != d.keys.size()) {
    return kMismatch;
  }
  for (std::size_t i = 0; i < s.fields.size(); ++i) {
    const FieldDesc& a = s.fields[i];
    const FieldDesc& b = d.fields[i];
    if (a.type != b.type || a.offset != b.offset || a.elementCount != b.elementCount ||
        a.totalLength != b.totalLength || a.overlay != b.overlay || a.index != b.index) {
      return kMismatch;
    }
  }
  for (std::size_t i = 0; i < s.keys.size(); ++i) {
    const KeyDesc& a = s.keys[i];
    const KeyDesc& b = d.keys[i];
    if ((a.flags & ~kKeyPrimary) != (b.flags & ~kKeyPrimary) ||
        a.components.size() != b.components.size()) {
      return kMismatch;
    }
    for (std::size_t c = 0; c < a.components.size(); ++c) {
      if (a.components[c].field != b.components[c].field ||
          a.components[c].descending != b.components[c].descending) {
        return kMismatch;
      }
    }
  }
  return 0;
}

void writeDefinition(BriskFile& file, std::uint32_t table, const TableDesc& desc) {
  const std::string stream = encodeDefinition(desc);
  std::uint16_t chunk = 0;
  for (std::size_t at = 0; at < stream.size(); at += kDefinitionChunk, ++chunk) {
    const std::string key = definitionKey(table, chunk);
    insertEntry(file, Entry(key + stream.substr(at, kDefinitionChunk), key.size()));
  }
}

std::string readDefinitionStream(BriskFile& file, std::uint32_t table) {
  std::string out;
  for (std::uint32_t chunk = 0; chunk <= 0xFFFF; ++chunk) {
    auto e = findEqual(file, definitionKey(table, std::uint16_t(chunk)));
    if (!e) break;
    out.append(e->data());
  }
  return out;
}

void deleteDefinition(BriskFile& file, std::uint32_t table) {
  const std::string prefix = kindPrefix(table, kKindDefinition);
  while (auto e = firstOfPrefix(file, prefix)) deleteEntry(file, e->key());
}

}  // namespace dw::db
