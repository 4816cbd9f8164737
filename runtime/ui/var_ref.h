// A reference to a program variable that a control shows and edits.
//
// Controls never own their variables: the procedure that opens a window
// binds each control to one of its variables (a record field, a local).  A
// VarRef names the variable's storage and its type, and reads and writes it
// as text, integer or real.  Strings come blank-padded (fixed length) or
// zero-terminated; integers in the widths the application's records use.
//
// Thread-safety: a VarRef touches program data, so only the thread that
// holds the Runtime lock may read or write through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dw::ui {

// The type codes of value-type descriptors (a window resource gives 6 for a
// 4-byte integer and 18 for a fixed-length string).
enum class VarType : std::uint8_t {
  None = 0,
  Byte = 1,      // unsigned 8-bit
  Short = 2,     // signed 16-bit
  UShort = 3,    // unsigned 16-bit
  Long = 6,      // signed 32-bit
  ULong = 7,     // unsigned 32-bit
  Real = 9,      // 64-bit floating point
  String = 18,   // fixed length, blank-padded
  CString = 19,  // zero-terminated within its size
};

class VarRef {
 public:
  VarRef() = default;
  VarRef(VarType type, void* address, std::size_t size)
      : m_type(type), m_address(address), m_size(size) {}

  static VarRef of(std::uint8_t& v) { return {VarType::Byte, &v, 1}; }
  static VarRef of(std::int16_t& v) { return {VarType::Short, &v, 2}; }
  static VarRef of(std::uint16_t& v) { return {VarType::UShort, &v, 2}; }
  static VarRef of(std::int32_t& v) { return {VarType::Long, &v, 4}; }
  static VarRef of(std::uint32_t& v) { return {VarType::ULong, &v, 4}; }
  static VarRef of(double& v) { return {VarType::Real, &v, 8}; }
  template <std::size_t N>
  static VarRef fixedString(char (&v)[N]) {
    return {VarType::String, v, N};
  }
  template <std::size_t N>
  static VarRef cString(char (&v)[N]) {
    return {VarType::CString, v, N};
  }

  bool bound() const { return m_type != VarType::None && m_address; }
  VarType type() const { return m_type; }
  bool isString() const { return m_type == VarType::String || m_type == VarType::CString; }
  std::size_t size() const { return m_size; }

  // Reads: strings lose their trailing blanks (fixed) or stop at the zero.
  std::string text() const;
  std::int64_t integer() const;  // strings read as a leading number
  double real() const;

  // Writes: strings are cut to fit and padded (fixed) or terminated;
  // integers are clamped into the variable's range.
  void setText(std::string_view text) const;
  void setInteger(std::int64_t value) const;
  void setReal(double value) const;

 private:
  VarType m_type = VarType::None;
  void* m_address = nullptr;
  std::size_t m_size = 0;
};

}  // namespace dw::ui
