// Field values as text and CSV rows; see brk_values.h.
#include "tools/brk/brk_values.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace dw::brk {

using namespace dw::db;

namespace {

std::uint32_t elementSize(const FieldDesc& f) {
  return f.elementCount ? f.totalLength / f.elementCount : f.totalLength;
}

template <typename T>
T load(const std::string& r, std::size_t at) {
  T v{};
  if (at + sizeof v <= r.size()) std::memcpy(&v, r.data() + at, sizeof v);
  return v;
}
template <typename T>
void store(std::string& r, std::size_t at, T v) {
  if (at + sizeof v <= r.size()) std::memcpy(r.data() + at, &v, sizeof v);
}

std::string formatDecimal(const std::uint8_t* p, std::size_t size, int places) {
  std::string digits;
  for (std::size_t i = 0; i < size; ++i) {
    if (i > 0) digits.push_back(char('0' + std::min(p[i] >> 4, 9)));
    digits.push_back(char('0' + std::min(p[i] & 0x0F, 9)));
  }
  const bool negative = size > 0 && (p[0] >> 4) != 0;
  while (digits.size() <= std::size_t(places)) digits.insert(digits.begin(), '0');
  std::string out = digits.substr(0, digits.size() - std::size_t(places));
  const std::size_t nz = out.find_first_not_of('0');
  out = nz == std::string::npos ? "0" : out.substr(nz);
  if (places > 0) {
    out += '.';
    out.append(digits, digits.size() - std::size_t(places), std::string::npos);
  }
  if (negative && digits.find_first_not_of('0') != std::string::npos) out.insert(0, 1, '-');
  return out;
}

bool parseDecimal(const std::string& text, std::uint8_t* p, std::size_t size, int places,
                  std::string& error) {
  std::string s = text;
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.erase(0, 1);
  }
  std::string whole = s, frac;
  if (const std::size_t dot = s.find('.'); dot != std::string::npos) {
    whole = s.substr(0, dot);
    frac = s.substr(dot + 1);
  }
  if ((whole.empty() && frac.empty()) ||
      whole.find_first_not_of("0123456789") != std::string::npos ||
      frac.find_first_not_of("0123456789") != std::string::npos) {
    error = "not a number: '" + text + "'";
    return false;
  }
  if (frac.size() > std::size_t(places)) {
    error = "more than " + std::to_string(places) + " decimal places: '" + text + "'";
    return false;
  }
  frac.resize(std::size_t(places), '0');
  std::string digits = whole + frac;
  const std::size_t capacity = 2 * size - 1;
  const std::size_t nz = digits.find_first_not_of('0');
  digits = nz == std::string::npos ? "" : digits.substr(nz);
  if (digits.size() > capacity) {
    error = "too many digits for DECIMAL(" + std::to_string(size) + "): '" + text + "'";
    return false;
  }
  digits.insert(digits.begin(), capacity - digits.size(), '0');
  std::memset(p, 0, size);
  for (std::size_t i = 0; i < capacity; ++i) {
    const std::size_t nibble = i + 1;  // nibble 0 is the sign
    const int v = digits[i] - '0';
    if (nibble % 2)
      p[nibble / 2] |= std::uint8_t(v);
    else
      p[nibble / 2] |= std::uint8_t(v << 4);
  }
  if (negative && !digits.empty() && digits.find_first_not_of('0') != std::string::npos) {
    p[0] |= 0xF0;
  }
  return true;
}

template <typename T>
bool parseInteger(const std::string& s, std::int64_t lo, std::int64_t hi, T& out,
                  std::string& error) {
  std::int64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) {
    error = "not a whole number: '" + s + "'";
    return false;
  }
  if (v < lo || v > hi) {
    error = "out of range: " + s;
    return false;
  }
  out = T(v);
  return true;
}

std::string formatElement(const FieldDesc& f, const std::string& r, std::size_t at) {
  const std::uint32_t size = elementSize(f);
  switch (f.type) {
    case FieldType::Byte:
      return std::to_string(load<std::uint8_t>(r, at));
    case FieldType::Short:
      return std::to_string(load<std::int16_t>(r, at));
    case FieldType::UShort:
      return std::to_string(load<std::uint16_t>(r, at));
    case FieldType::Long:
      return std::to_string(load<std::int32_t>(r, at));
    case FieldType::ULong:
      return std::to_string(load<std::uint32_t>(r, at));
    case FieldType::SReal:
    case FieldType::Real: {
      char buf[64];
      auto res = f.type == FieldType::SReal
                     ? std::to_chars(buf, buf + sizeof buf, load<float>(r, at))
                     : std::to_chars(buf, buf + sizeof buf, load<double>(r, at));
      return std::string(buf, res.ptr);
    }
    case FieldType::Decimal:
      if (at + size > r.size()) return "";
      return formatDecimal(reinterpret_cast<const std::uint8_t*>(r.data() + at), size,
                           f.decimalPlaces);
    case FieldType::String: {
      std::string s = r.substr(at, size);
      s.erase(s.find_last_not_of(' ') + 1);
      return s;
    }
    case FieldType::CString: {
      std::string s = r.substr(at, size);
      return s.substr(0, s.find('\0'));
    }
    case FieldType::PString: {
      if (at >= r.size()) return "";
      const std::size_t n = std::min<std::size_t>(std::uint8_t(r[at]), size ? size - 1 : 0);
      return r.substr(at + 1, n);
    }
    default:
      return "";
  }
}

bool parseElement(const FieldDesc& f, const std::string& s, std::string& r, std::size_t at,
                  std::string& error) {
  const std::uint32_t size = elementSize(f);
  switch (f.type) {
    case FieldType::Byte: {
      std::uint8_t v;
      if (!parseInteger(s, 0, 255, v, error)) return false;
      store(r, at, v);
      return true;
    }
    case FieldType::Short: {
      std::int16_t v;
      if (!parseInteger(s, -32768, 32767, v, error)) return false;
      store(r, at, v);
      return true;
    }
    case FieldType::UShort: {
      std::uint16_t v;
      if (!parseInteger(s, 0, 65535, v, error)) return false;
      store(r, at, v);
      return true;
    }
    case FieldType::Long: {
      std::int32_t v;
      if (!parseInteger(s, INT32_MIN, INT32_MAX, v, error)) return false;
      store(r, at, v);
      return true;
    }
    case FieldType::ULong: {
      std::uint32_t v;
      if (!parseInteger(s, 0, UINT32_MAX, v, error)) return false;
      store(r, at, v);
      return true;
    }
    case FieldType::SReal:
    case FieldType::Real: {
      double v = 0;
      auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
      if (ec != std::errc() || end != s.data() + s.size()) {
        error = "not a number: '" + s + "'";
        return false;
      }
      if (f.type == FieldType::SReal)
        store(r, at, float(v));
      else
        store(r, at, v);
      return true;
    }
    case FieldType::Decimal:
      if (at + size > r.size()) return false;
      return parseDecimal(s, reinterpret_cast<std::uint8_t*>(r.data() + at), size, f.decimalPlaces,
                          error);
    case FieldType::String:
      if (s.size() > size) {
        error = "longer than " + std::to_string(size) + " characters";
        return false;
      }
      r.replace(at, size, s + std::string(size - s.size(), ' '));
      return true;
    case FieldType::CString:
    case FieldType::PString: {
      const std::size_t room = f.type == FieldType::PString ? std::min<std::size_t>(size - 1, 255)
                                                            : std::size_t(size - 1);
      if (s.size() > room || s.find('\0') != std::string::npos) {
        error = "longer than " + std::to_string(room) + " characters";
        return false;
      }
      std::string v(size, '\0');
      if (f.type == FieldType::PString) {
        v[0] = char(s.size());
        v.replace(1, s.size(), s);
      } else {
        v.replace(0, s.size(), s);
      }
      r.replace(at, size, v);
      return true;
    }
    default:
      error = "this field type cannot be loaded";
      return false;
  }
}

}  // namespace

std::vector<std::size_t> valueFields(const TableDesc& desc) {
  // A field is a column when none of its bytes belongs to an earlier
  // column.  The overlay flag alone does not say it: declarations differ in
  // whether the members of a plain GROUP are flagged (the application's own
  // tables flag them, as they lie inside bytes the group covers), and a
  // member whose group is no column still owns its bytes.
  std::vector<std::size_t> out;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> claimed;  // [start, end)
  for (std::size_t i = 0; i < desc.fields.size(); ++i) {
    const FieldDesc& f = desc.fields[i];
    if (f.type == FieldType::Group || f.totalLength == 0) continue;
    const std::uint32_t start = f.offset, end = std::uint32_t(f.offset) + f.totalLength;
    bool taken = false;
    for (const auto& [s, e] : claimed) taken = taken || (start < e && s < end);
    if (taken) continue;
    claimed.emplace_back(start, end);
    out.push_back(i);
  }
  return out;
}

std::string formatField(const FieldDesc& f, const std::string& record) {
  std::string out;
  const std::uint32_t size = elementSize(f);
  for (std::size_t e = 0; e < std::max<std::size_t>(1, f.elementCount); ++e) {
    if (e) out += ";";
    out += formatElement(f, record, f.offset + e * size);
  }
  return out;
}

bool parseField(const FieldDesc& f, const std::string& text, std::string& record,
                std::string& error) {
  const std::uint32_t size = elementSize(f);
  if (std::size_t(f.offset) + f.totalLength > record.size()) {
    error = "field lies beyond the record";
    return false;
  }
  std::size_t start = 0;
  for (std::size_t e = 0; e < std::max<std::size_t>(1, f.elementCount); ++e) {
    std::size_t stop = f.elementCount > 1 ? text.find(';', start) : std::string::npos;
    if (stop == std::string::npos) stop = text.size();
    const std::string item = start <= text.size() ? text.substr(start, stop - start) : "";
    // An empty numeric cell is zero; an empty text is blank.
    const bool numeric =
        f.type != FieldType::String && f.type != FieldType::CString && f.type != FieldType::PString;
    if (!(numeric && item.empty()) && !parseElement(f, item, record, f.offset + e * size, error)) {
      return false;
    }
    start = stop + 1;
  }
  return true;
}

std::string csvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

bool readCsvRow(std::istream& in, std::vector<std::string>& cells, int& lines, std::string& error) {
  cells.clear();
  lines = 0;
  std::string line;
  if (!std::getline(in, line)) return false;
  ++lines;
  std::string cell;
  bool quoted = false, wasQuoted = false;
  std::size_t i = 0;
  for (;;) {
    if (i >= line.size()) {
      if (quoted) {
        std::string more;
        if (!std::getline(in, more)) {
          error = "a quoted cell is not closed";
          return true;
        }
        ++lines;
        cell += '\n';
        line = more;
        i = 0;
        continue;
      }
      if (!cell.empty() && cell.back() == '\r' && !wasQuoted) cell.pop_back();
      cells.push_back(cell);
      return true;
    }
    const char c = line[i++];
    if (quoted) {
      if (c == '"') {
        if (i < line.size() && line[i] == '"') {
          cell += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        cell += c;
      }
    } else if (c == '"' && cell.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (c == ',') {
      cells.push_back(cell);
      cell.clear();
      wasQuoted = false;
    } else if (c == '\r' && i == line.size()) {
      // the CR of a CRLF line end
    } else {
      cell += c;
    }
  }
}

}  // namespace dw::brk
