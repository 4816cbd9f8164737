// Accepting a record declaration; see record_declaration.h.
#include "runtime/db/record_declaration.h"

#include <algorithm>

#include "runtime/lang/errors.h"

namespace dw::db {

namespace {

constexpr int kMalformed = 75;    // Invalid Field Type Descriptor
constexpr int kUnsupported = 79;  // Unsupported Data Type In File
constexpr int kInvalid = dw::lang::err::kInvalidRecordDeclaration;

enum class Acceptance { Always, OverlayOnly, Never };

Acceptance acceptanceOf(std::uint8_t code) {
  switch (code) {
    case 1:
    case 2:
    case 3:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 18:
    case 19:
    case 20:
    case 22:
      return Acceptance::Always;
    case 4:
    case 5:
    case 13:
    case 14:
    case 11:
      return Acceptance::OverlayOnly;
    default:
      return Acceptance::Never;
  }
}

class Parser {
 public:
  Parser(std::string_view in, TableDesc& desc) : m_in(in), m_desc(desc) {}

  int run() {
    if (!expect(kDeclList)) return kMalformed;
    std::uint64_t size = 0;
    if (int rc = list(0, false, size)) return rc;
    if (m_pos != m_in.size()) return kMalformed;
    if (m_recordEnd > kMaxDeclared) return kInvalid;
    m_desc.recordLength = std::uint16_t(m_recordEnd);
    return 0;
  }

 private:
  bool expect(std::uint8_t b) {
    if (m_pos >= m_in.size() || std::uint8_t(m_in[m_pos]) != b) return false;
    ++m_pos;
    return true;
  }
  bool u8(std::uint8_t& v) {
    if (m_pos >= m_in.size()) return false;
    v = std::uint8_t(m_in[m_pos++]);
    return true;
  }
  bool u32(std::uint32_t& v) {
    if (m_in.size() - m_pos < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(std::uint8_t(m_in[m_pos + i])) << (8 * i);
    m_pos += 4;
    return true;
  }
  bool cstr(std::string& s) {
    const std::size_t z = m_in.find('\0', m_pos);
    if (z == std::string_view::npos) return false;
    s.assign(m_in.substr(m_pos, z - m_pos));
    m_pos = z + 1;
    return true;
  }

  // Fields up to the list's end marker; size receives the sum of the
  // lengths of the fields that are not overlays.
  int list(int depth, bool insideOverlay, std::uint64_t& size) {
    if (depth > kMaxGroupDepth) return kMalformed;
    size = 0;
    for (;;) {
      if (expect(kDeclEnd)) return 0;
      if (!expect(kDeclField)) return kMalformed;
      std::uint64_t length = 0;
      bool overlay = false;
      if (int rc = field(depth, insideOverlay, length, overlay)) return rc;
      if (!overlay) size += length;
    }
  }

  int field(int depth, bool insideOverlay, std::uint64_t& length, bool& overlay) {
    FieldDesc f;
    std::uint32_t offset = 0;
    if (!u32(offset) || !cstr(f.name)) return kMalformed;
    std::uint64_t elements = 1;
    int dims = 0;
    while (expect(kDeclDimension)) {
      std::uint32_t count = 0;
      if (!u32(count) || count == 0) return kMalformed;
      if (++dims > kMaxDimensions) return kInvalid;
      elements *= count;
      if (elements > kMaxDeclared) return kInvalid;
    }
    std::uint8_t code = 0;
    if (!u8(code)) return kMalformed;
    const Acceptance acceptance = acceptanceOf(code);
    if (acceptance == Acceptance::Never) return kUnsupported;
    f.type = FieldType(code);
    overlay = insideOverlay || offset < m_covered;
    if (acceptance == Acceptance::OverlayOnly && !overlay) return kUnsupported;
    if (offset > kMaxDeclared) return kInvalid;
    f.offset = std::uint16_t(offset);
    f.overlay = overlay ? 1 : 0;
    f.index = std::uint16_t(m_desc.fields.size());
    f.elementCount = std::uint16_t(elements);
    std::uint64_t elementSize = elementSizeOf(f.type);
    const std::size_t at = m_desc.fields.size();
    if (m_desc.fields.size() >= 0xFFFF) return kInvalid;
    m_desc.fields.push_back(f);
    switch (f.type) {
      case FieldType::String:
      case FieldType::CString:
      case FieldType::PString: {
        std::uint32_t declared = 0;
        std::string picture;
        if (!u32(declared) || !cstr(picture)) return kMalformed;
        if (declared == 0) return kMalformed;
        if (declared > kMaxDeclared) return kInvalid;
        m_desc.fields[at].declaredLength = std::uint16_t(declared);
        m_desc.fields[at].picture = std::move(picture);
        elementSize = declared;
        break;
      }
      case FieldType::Decimal:
      case FieldType::PDecimal: {
        std::uint8_t size = 0, places = 0;
        if (!u8(size) || !u8(places)) return kMalformed;
        if (size == 0) return kMalformed;
        m_desc.fields[at].decimalSize = size;
        m_desc.fields[at].decimalPlaces = places;
        elementSize = size;
        break;
      }
      case FieldType::Group: {
        if (!expect(kDeclList)) return kMalformed;
        if (int rc = list(depth + 1, overlay, elementSize)) return rc;
        break;
      }
      default:
        break;
    }
    length = elements * elementSize;
    if (length > kMaxDeclared) return kInvalid;
    m_desc.fields[at].totalLength = std::uint16_t(length);
    const std::uint64_t end = std::uint64_t(offset) + length;
    if (end > kMaxDeclared) return kInvalid;
    m_covered = std::max<std::uint64_t>(m_covered, end);
    m_recordEnd = std::max<std::uint64_t>(m_recordEnd, end);
    return 0;
  }

  std::string_view m_in;
  TableDesc& m_desc;
  std::size_t m_pos = 0;
  std::uint64_t m_covered = 0;  // end of the bytes covered by earlier fields
  std::uint64_t m_recordEnd = 0;
};

}  // namespace

std::uint32_t elementSizeOf(FieldType type) {
  switch (type) {
    case FieldType::Byte:
      return 1;
    case FieldType::Short:
    case FieldType::UShort:
      return 2;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Long:
    case FieldType::ULong:
    case FieldType::SReal:
    case FieldType::Type13:
      return 4;
    case FieldType::Real:
    case FieldType::Type14:
      return 8;
    default:
      return 0;
  }
}

int parseFieldList(std::string_view list, TableDesc& desc) {
  desc.fields.clear();
  return Parser(list, desc).run();
}

int acceptDeclaration(std::string_view fieldList, std::uint32_t recordLength,
                      const std::vector<MemoDesc>& memos, const std::vector<DeclaredKey>& keys,
                      TableDesc& out) {
  TableDesc d;
  if (int rc = parseFieldList(fieldList, d)) return rc;
  if (recordLength > kMaxDeclared) return kInvalid;
  if (recordLength > d.recordLength) d.recordLength = std::uint16_t(recordLength);
  if (keys.size() > kMaxKeys) return kInvalid;
  for (const MemoDesc& m : memos) {
    if (m.size > kMaxDeclared) return kInvalid;
    d.memos.push_back(m);
  }
  if (d.memos.size() > 255) return kInvalid;  // a memo's number is one byte of its keys
  for (const DeclaredKey& k : keys) {
    KeyDesc kd;
    kd.name = k.name;
    kd.externalName = k.externalName;
    kd.flags = k.flags;
    for (int c : k.components) {
      const int number = c < 0 ? -c : c;
      if (number == 0 || std::size_t(number) > d.fields.size()) return kMalformed;
      const FieldDesc& f = d.fields[std::size_t(number - 1)];
      if (f.elementCount > 1) return kMalformed;  // arrays cannot be key components
      kd.components.push_back({std::uint16_t(number - 1), c < 0});
    }
    d.keys.push_back(std::move(kd));
  }
  out = std::move(d);
  return 0;
}

// --- FieldListBuilder --------------------------------------------------------

namespace {
std::uint32_t clamp32(std::uint64_t v) {
  return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : std::uint32_t(v);
}
void putLe32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char(v >> (8 * i)));
}
}  // namespace

void FieldListBuilder::head(const std::string& name, FieldType type,
                            const std::vector<std::uint32_t>& dims, std::int64_t offset,
                            std::uint64_t elementSize) {
  const std::uint32_t at = offset == kNext ? m_cursor : std::uint32_t(offset);
  m_out.push_back(char(kDeclField));
  putLe32(m_out, at);
  m_out += name;
  m_out.push_back('\0');
  std::uint64_t product = 1;
  for (std::uint32_t d : dims) {
    m_out.push_back(char(kDeclDimension));
    putLe32(m_out, d);
    product *= d;
  }
  m_out.push_back(char(type));
  if (type == FieldType::Group) {
    m_groups.push_back({at, product, m_cursor});
    m_cursor = at;
    return;
  }
  const std::uint32_t end = clamp32(at + product * elementSize);
  if (offset == kNext) m_cursor = end;  // an overlay leaves the cursor where it was
  m_end = std::max(m_end, end);
}

FieldListBuilder& FieldListBuilder::field(const std::string& name, FieldType type,
                                          const std::vector<std::uint32_t>& dims,
                                          std::int64_t offset) {
  head(name, type, dims, offset, elementSizeOf(type));
  return *this;
}

FieldListBuilder& FieldListBuilder::text(const std::string& name, FieldType type,
                                         std::uint32_t length, const std::string& picture,
                                         const std::vector<std::uint32_t>& dims,
                                         std::int64_t offset) {
  head(name, type, dims, offset, length);
  putLe32(m_out, length);
  m_out += picture;
  m_out.push_back('\0');
  return *this;
}

FieldListBuilder& FieldListBuilder::decimal(const std::string& name, FieldType type,
                                            std::uint8_t size, std::uint8_t places,
                                            const std::vector<std::uint32_t>& dims,
                                            std::int64_t offset) {
  head(name, type, dims, offset, size);
  m_out.push_back(char(size));
  m_out.push_back(char(places));
  return *this;
}

FieldListBuilder& FieldListBuilder::beginGroup(const std::string& name,
                                               const std::vector<std::uint32_t>& dims,
                                               std::int64_t offset) {
  head(name, FieldType::Group, dims, offset, 0);
  m_out.push_back(char(kDeclList));
  return *this;
}

FieldListBuilder& FieldListBuilder::endGroup() {
  if (m_groups.empty()) return *this;
  const Open g = m_groups.back();
  m_groups.pop_back();
  m_out.push_back(char(kDeclEnd));
  const std::uint32_t end = clamp32(g.start + (std::uint64_t(m_cursor) - g.start) * g.dimProduct);
  m_cursor = std::max(g.cursorBefore, end);
  m_end = std::max(m_end, end);
  return *this;
}

std::string FieldListBuilder::build() const {
  std::string out = m_out;
  for (std::size_t i = 0; i < m_groups.size(); ++i) out.push_back(char(kDeclEnd));
  out.push_back(char(kDeclEnd));
  return out;
}

}  // namespace dw::db
