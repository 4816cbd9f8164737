// The layouts of date and time pictures, written in a small template
// notation that the picture compiler turns into positions.
//
// Date templates: M/m month digit, D/d day digit, y year digit, N month-name
// letter; "/" and "," separators, "_" a separator that prints a blank, "%c"
// a separator that prints c; "\c" the literal c; any other character is a
// literal.  Time templates: H/h hour digit, m minute digit, s second digit,
// X the AM/PM position (its marker's second character prints on the
// position after it); ":" a separator, "%c" and "\c" as for dates.  An
// upper-case digit letter prints a leading zero as a blank, a lower-case one
// keeps it.
//
// Internal to the picture modules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/lang/picture.h"

namespace dw::lang::detail {

enum class LayoutKind { Date, Time };

// Appends the positions of a template; fill (when not 0) replaces the fill
// character of every digit and name position.
void appendLayout(LayoutKind kind, std::string_view tmpl, char fill,
                  std::vector<PicturePosition>& out);

// The textual entry pattern of compiled date or time positions.
std::string patternFromPositions(const std::vector<PicturePosition>& positions);

// The format layouts of @d1..@d16 and @t1..@t6 ("" for other numbers).
std::string_view dateLayout(int number);
std::string_view timeLayout(int number);

}  // namespace dw::lang::detail
