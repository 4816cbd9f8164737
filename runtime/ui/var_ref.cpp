// Reading and writing bound variables by their type (see var_ref.h).
#include "runtime/ui/var_ref.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace dw::ui {

namespace {

template <typename T>
T clampTo(std::int64_t v) {
  const auto lo = static_cast<std::int64_t>(std::numeric_limits<T>::min());
  const auto hi = static_cast<std::int64_t>(std::numeric_limits<T>::max());
  return static_cast<T>(std::clamp(v, lo, hi));
}

template <typename T>
T load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

std::string formatReal(double v) {
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
    return std::to_string(static_cast<long long>(v));
  std::string s = std::to_string(v);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

std::string VarRef::text() const {
  if (!bound()) return {};
  const char* p = static_cast<const char*>(m_address);
  switch (m_type) {
    case VarType::String: {
      std::size_t n = m_size;
      while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
      return std::string(p, n);
    }
    case VarType::CString:
      return std::string(p, strnlen(p, m_size));
    case VarType::Real:
      return formatReal(real());
    default:
      return std::to_string(integer());
  }
}

std::int64_t VarRef::integer() const {
  if (!bound()) return 0;
  switch (m_type) {
    case VarType::Byte:
      return load<std::uint8_t>(m_address);
    case VarType::Short:
      return load<std::int16_t>(m_address);
    case VarType::UShort:
      return load<std::uint16_t>(m_address);
    case VarType::Long:
      return load<std::int32_t>(m_address);
    case VarType::ULong:
      return load<std::uint32_t>(m_address);
    case VarType::Real: {
      const double d = load<double>(m_address);
      if (!std::isfinite(d)) return 0;
      return static_cast<std::int64_t>(std::clamp(d, -9.2e18, 9.2e18));
    }
    default:
      return std::strtoll(text().c_str(), nullptr, 10);
  }
}

double VarRef::real() const {
  if (!bound()) return 0;
  if (m_type == VarType::Real) return load<double>(m_address);
  if (isString()) return std::strtod(text().c_str(), nullptr);
  return static_cast<double>(integer());
}

void VarRef::setText(std::string_view t) const {
  if (!bound()) return;
  char* p = static_cast<char*>(m_address);
  switch (m_type) {
    case VarType::String: {
      const std::size_t n = std::min(t.size(), m_size);
      std::memcpy(p, t.data(), n);
      std::memset(p + n, ' ', m_size - n);
      return;
    }
    case VarType::CString: {
      if (m_size == 0) return;
      const std::size_t n = std::min(t.size(), m_size - 1);
      std::memcpy(p, t.data(), n);
      std::memset(p + n, 0, m_size - n);
      return;
    }
    case VarType::Real:
      setReal(std::strtod(std::string(t).c_str(), nullptr));
      return;
    default:
      setInteger(std::strtoll(std::string(t).c_str(), nullptr, 10));
  }
}

void VarRef::setInteger(std::int64_t v) const {
  if (!bound()) return;
  switch (m_type) {
    case VarType::Byte:
      store(m_address, clampTo<std::uint8_t>(v));
      return;
    case VarType::Short:
      store(m_address, clampTo<std::int16_t>(v));
      return;
    case VarType::UShort:
      store(m_address, clampTo<std::uint16_t>(v));
      return;
    case VarType::Long:
      store(m_address, clampTo<std::int32_t>(v));
      return;
    case VarType::ULong:
      store(m_address, clampTo<std::uint32_t>(v));
      return;
    case VarType::Real:
      store(m_address, static_cast<double>(v));
      return;
    default:
      setText(std::to_string(v));
  }
}

void VarRef::setReal(double v) const {
  if (!bound()) return;
  if (m_type == VarType::Real) {
    store(m_address, v);
  } else if (isString()) {
    setText(formatReal(v));
  } else {
    setInteger(std::isfinite(v)
                   ? static_cast<std::int64_t>(std::clamp(std::round(v), -9.2e18, 9.2e18))
                   : 0);
  }
}

}  // namespace dw::ui
