// Reading a variable or record field as a number by its type code, as
// expressions and pictures do: 1 unsigned byte, 2 signed 16-bit, 3 unsigned
// 16-bit, 4 packed date (read as its day number), 5 packed time (read as its
// time value), 6 signed 32-bit, 18 fixed-length string (its text read as a
// number; blanks or other text read as 0).  Stored numbers are little-endian.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace dw::lang {

enum class VariableType : std::uint8_t {
  Byte = 1,
  Short = 2,
  UShort = 3,
  Date = 4,
  Time = 5,
  Long = 6,
  String = 18,
};

// The number a variable holds; nullopt for an unknown type code or a value
// shorter than its type.
std::optional<double> numberOfVariable(int typeCode, const std::uint8_t* data, std::size_t size);

}  // namespace dw::lang
