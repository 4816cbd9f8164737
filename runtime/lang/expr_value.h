// Values of the expression evaluator and the conversions between them.
//
// A value is a truth value, an integer, a real, a picture text or a string.
// Integers are held in 64 bits so that every runtime integer type (ULONG
// included) fits; reals are doubles.  Conversions never fail: a text that
// is not a number reads as the number at its start (0 when none), a real
// that does not fit an integer saturates, and NaN reads as 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/lang/symbol_table.h"

namespace dw::lang {

struct Value {
  ResultType type = ResultType::kInteger;
  std::int64_t integer = 0;  // kTruth, kInteger
  double real = 0.0;         // kReal
  std::string text;          // kString, kPicture

  static Value ofTruth(bool b) { return {ResultType::kTruth, b ? 1 : 0, 0.0, {}}; }
  static Value ofInteger(std::int64_t i) { return {ResultType::kInteger, i, 0.0, {}}; }
  static Value ofReal(double r) { return {ResultType::kReal, 0, r, {}}; }
  static Value ofString(std::string s) { return {ResultType::kString, 0, 0.0, std::move(s)}; }

  std::int64_t asInteger() const;
  double asReal() const;
  std::string asString() const;
  bool asTruth() const;
};

// The number a text starts with: leading blanks, an optional sign, digits
// with an optional decimal point and an optional exponent.  0 when none.
double numberFromText(std::string_view text);
// Whether the whole text (blanks around it allowed) is such a number.
bool isNumericText(std::string_view text);

// A real truncated toward zero, saturated to the 64-bit range; NaN gives 0.
std::int64_t truncateReal(double r);

// The shortest decimal text that reads back as the same real, without
// exponent and without trailing zeros ("3.5", "100000", "0.1").
std::string textFromReal(double r);

// Compares two reals with the relative-equality rule: they are equal when
// their difference is zero or negligible against either value (its binary
// exponent plus 50 is below theirs).  nullopt when either is NaN.
std::optional<int> compareReals(double a, double b);

// Whether a text is all blanks (or empty).
bool isBlankText(std::string_view text);

}  // namespace dw::lang
