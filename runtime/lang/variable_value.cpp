// Numbers of typed variables (see variable_value.h).
#include "runtime/lang/variable_value.h"

#include <string_view>

#include "runtime/lang/dates.h"
#include "runtime/lang/picture_number.h"

namespace dw::lang {
namespace {

std::uint32_t littleEndian(const std::uint8_t* data, std::size_t bytes) {
  std::uint32_t v = 0;
  for (std::size_t i = bytes; i-- > 0;) v = v << 8 | data[i];
  return v;
}

}  // namespace

std::optional<double> numberOfVariable(int typeCode, const std::uint8_t* data, std::size_t size) {
  auto need = [&](std::size_t n) { return data != nullptr && size >= n; };
  switch (static_cast<VariableType>(typeCode)) {
    case VariableType::Byte:
      if (!need(1)) return std::nullopt;
      return data[0];
    case VariableType::Short:
      if (!need(2)) return std::nullopt;
      return static_cast<std::int16_t>(littleEndian(data, 2));
    case VariableType::UShort:
      if (!need(2)) return std::nullopt;
      return littleEndian(data, 2);
    case VariableType::Date:
      if (!need(4)) return std::nullopt;
      return packedDateToDay(littleEndian(data, 4));
    case VariableType::Time:
      if (!need(4)) return std::nullopt;
      return packedTimeToTime(littleEndian(data, 4));
    case VariableType::Long:
      if (!need(4)) return std::nullopt;
      return static_cast<std::int32_t>(littleEndian(data, 4));
    case VariableType::String: {
      if (data == nullptr && size > 0) return std::nullopt;
      detail::DecimalText d;
      std::string_view text(reinterpret_cast<const char*>(data), size);
      if (!detail::parseDecimal(text, d)) return 0.0;
      return detail::decimalToDouble(d);
    }
  }
  return std::nullopt;
}

}  // namespace dw::lang
