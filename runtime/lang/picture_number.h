// Decimal numbers as picture formatting sees them: a sign and the digits
// before and after the point, so that rounding to a picture's decimals is
// exact (half away from zero on the decimal digits, not on a binary
// approximation).  Internal to the picture modules.
#pragma once

#include <string>
#include <string_view>

namespace dw::lang::detail {

struct DecimalText {
  bool negative = false;
  std::string integer;   // no leading zeros ("" for 0)
  std::string fraction;  // as many digits as given

  bool isZero() const;
  // Rounds half away from zero to `decimals` digits after the point (the
  // fraction then has exactly that many digits).
  void roundTo(int decimals);
};

// The shortest decimal text that reads back as value (non-finite gives 0).
DecimalText decimalFromDouble(double value);
// Parses "[blanks][sign]digits[.digits][e[sign]digits][blanks]"; false when
// the text is not a number.
bool parseDecimal(std::string_view text, DecimalText& out);
// The decimal text of a value without exponent or trailing zeros
// ("12", "-0.5", "1234.25").
std::string numberToText(double value);
double decimalToDouble(const DecimalText& d);

}  // namespace dw::lang::detail
