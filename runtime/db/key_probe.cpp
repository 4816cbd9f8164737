// Probes from values: the bounds that a filter puts on a key's components
// (runtime/lang/expr_key_range.h) turned into encoded components, so that a
// view can start and stop its scan of a key by searching the tree.
//
// A bound is written into the field's stored form and then encoded as any
// record's component is.  A bound that the field cannot hold exactly is
// moved outward, never inward: a lower bound down (floor), an upper bound up
// (ceiling), a value beyond the type's range to the type's end; text is cut
// to the field's length (a cut text still orders at or below the whole text
// for both sides, since shorter texts compare as if blank-padded).  So a
// probe range is always at least as wide as the filter's.
//
// Pure functions over the runtime's character tables; any thread.
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/db/table_keys.h"
#include "runtime/lang/expr_value.h"

namespace dw::db {

namespace {

template <typename T>
std::string bytesOf(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

// A real rounded outward to an integer and clamped to [lo, hi].
template <typename T>
T integerBound(double r, BoundSide side) {
  if (std::isnan(r)) r = side == BoundSide::Lower ? -INFINITY : INFINITY;
  r = side == BoundSide::Lower ? std::floor(r) : std::ceil(r);
  if (r <= double(std::numeric_limits<T>::lowest())) return std::numeric_limits<T>::lowest();
  if (r >= double(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return T(r);
}

template <typename T>
T integerBound(const dw::lang::Value& v, BoundSide side) {
  if (v.type == dw::lang::ResultType::kReal) return integerBound<T>(v.real, side);
  const std::int64_t i = v.asInteger();
  if (i < std::int64_t(std::numeric_limits<T>::lowest())) return std::numeric_limits<T>::lowest();
  if (i > std::int64_t(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return T(i);
}

// A packed DECIMAL of `size` bytes and `places` decimals holding the value
// rounded outward; clamped to the largest magnitude the digits can hold.
std::string decimalBound(double r, std::size_t size, int places, BoundSide side) {
  std::string out(size, '\0');
  if (size == 0) return out;
  const int digits = int(2 * size - 1);
  const double limit = std::pow(10.0, digits) - 1;
  double scaled = r * std::pow(10.0, places);
  if (std::isnan(scaled)) scaled = side == BoundSide::Lower ? -limit : limit;
  scaled = side == BoundSide::Lower ? std::floor(scaled) : std::ceil(scaled);
  scaled = std::fmax(-limit, std::fmin(limit, scaled));
  const bool negative = scaled < 0;
  double m = std::fabs(scaled);
  for (int nib = digits; nib >= 1; --nib) {
    const auto digit = int(std::fmod(m, 10.0));
    m = std::floor(m / 10.0);
    char& b = out[std::size_t(nib / 2)];
    b = char(nib % 2 ? (b & 0xF0) | digit : (b & 0x0F) | (digit << 4));
  }
  if (negative) out[0] = char(out[0] | 0xF0);
  return out;
}

bool isNumeric(const dw::lang::Value& v) {
  return v.type == dw::lang::ResultType::kInteger || v.type == dw::lang::ResultType::kReal ||
         v.type == dw::lang::ResultType::kTruth;
}

}  // namespace

std::optional<std::string> fieldImageOf(const FieldDesc& f, const dw::lang::Value& v,
                                        BoundSide side) {
  const std::size_t len = f.totalLength;
  switch (f.type) {
    case FieldType::String:
    case FieldType::CString:
    case FieldType::PString: {
      if (isNumeric(v) || len == 0) return std::nullopt;
      std::string text = v.asString();
      if (f.type == FieldType::String) {
        text.resize(len, ' ');
        return text;
      }
      const std::size_t room = len - 1;
      if (text.size() > room) text.resize(room);
      const std::size_t n = text.size();
      if (f.type == FieldType::PString) text.insert(text.begin(), char(n));
      text.resize(len, '\0');
      return text;
    }
    case FieldType::Byte:
      if (!isNumeric(v)) return std::nullopt;
      return bytesOf(integerBound<std::uint8_t>(v, side));
    case FieldType::Short:
      if (!isNumeric(v)) return std::nullopt;
      return bytesOf(integerBound<std::int16_t>(v, side));
    case FieldType::UShort:
      if (!isNumeric(v)) return std::nullopt;
      return bytesOf(integerBound<std::uint16_t>(v, side));
    case FieldType::Long:
      if (!isNumeric(v)) return std::nullopt;
      return bytesOf(integerBound<std::int32_t>(v, side));
    case FieldType::ULong:
      if (!isNumeric(v)) return std::nullopt;
      return bytesOf(integerBound<std::uint32_t>(v, side));
    case FieldType::Real:
      if (!isNumeric(v)) return std::nullopt;
      return bytesOf(v.asReal());
    case FieldType::SReal: {
      if (!isNumeric(v)) return std::nullopt;
      const double r = v.asReal();
      float f4 = float(r);
      if (side == BoundSide::Lower && double(f4) > r) f4 = std::nextafter(f4, -INFINITY);
      if (side == BoundSide::Upper && double(f4) < r) f4 = std::nextafter(f4, INFINITY);
      return bytesOf(f4);
    }
    case FieldType::Decimal:
      if (!isNumeric(v)) return std::nullopt;
      return decimalBound(v.asReal(), len, f.decimalPlaces, side);
    default:
      return std::nullopt;
  }
}

std::optional<std::string> encodeBound(const TableRef& ref, std::size_t k, std::size_t component,
                                       const dw::lang::Value& v, BoundSide side) {
  const auto& comps = keyComponents(ref, k);
  if (component >= comps.size() || comps[component].field >= ref.desc.fields.size()) {
    return std::nullopt;
  }
  const FieldDesc& f = ref.desc.fields[comps[component].field];
  auto image = fieldImageOf(f, v, side);
  if (!image) return std::nullopt;
  return encodeComponent(f, comps[component].descending, ref.desc.keys[k].isNoCase(), ref.desc.oem,
                         *image);
}

}  // namespace dw::db
