// The expression evaluator's links to the rest of the language core: text
// case and collation, dates and times, pictures.  Everything the evaluator
// needs from those modules goes through these few functions, so that the
// built-ins mean exactly what the runtime functions of the same names mean.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dw::lang::exprrt {

std::string upperText(std::string_view text);
std::string lowerText(std::string_view text);
// Compares two texts in the collating order, the shorter padded with blanks.
int compareText(std::string_view a, std::string_view b);
// Compares two names without regard to case, in the collating order.
int compareNoCase(std::string_view a, std::string_view b);

std::int64_t today();
std::int64_t clock();
std::int64_t date(std::int64_t month, std::int64_t day, std::int64_t year);
std::int64_t dayOf(std::int64_t date);
std::int64_t monthOf(std::int64_t date);
std::int64_t yearOf(std::int64_t date);
std::string age(std::int64_t birth, std::int64_t base);

// FORMAT of a number or a text with a picture; DEFORMAT of a text.
std::string format(double number, std::string_view text, std::string_view picture);
std::string deformat(std::string_view text, std::string_view picture);

}  // namespace dw::lang::exprrt
