// The evaluator's links to the character tables, dates and pictures.
#include "runtime/lang/expr_runtime.h"

#include <algorithm>
#include <climits>

#include "runtime/lang/chartab.h"
#include "runtime/lang/dates.h"
#include "runtime/lang/expr_value.h"
#include "runtime/lang/picture.h"

namespace dw::lang::exprrt {
namespace {

// Day numbers outside an int are invalid anyway; clamping keeps them so.
int asInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

}  // namespace

std::string upperText(std::string_view text) {
  return dw::lang::upper(text);
}
std::string lowerText(std::string_view text) {
  return dw::lang::lower(text);
}
int compareText(std::string_view a, std::string_view b) {
  return compareStrings(a, b);
}

int compareNoCase(std::string_view a, std::string_view b) {
  // Names are ordered without blank padding: "A" and "A " are different.
  int c = compareStringsNoCase(a, b);
  if (c != 0 || a.size() == b.size()) return c;
  return a.size() < b.size() ? -1 : 1;
}

std::int64_t today() {
  return dw::lang::today();
}
std::int64_t clock() {
  return dw::lang::clockTime();
}

std::int64_t date(std::int64_t month, std::int64_t day, std::int64_t year) {
  return dw::lang::date(month, day, year);
}
std::int64_t dayOf(std::int64_t n) {
  return dw::lang::dayOf(asInt(n));
}
std::int64_t monthOf(std::int64_t n) {
  return dw::lang::monthOf(asInt(n));
}
std::int64_t yearOf(std::int64_t n) {
  return dw::lang::yearOf(asInt(n));
}
std::string age(std::int64_t birth, std::int64_t base) {
  return dw::lang::age(asInt(birth), asInt(base));
}

std::string format(double number, std::string_view text, std::string_view picture) {
  CompiledPicture compiled = compilePicture(picture);
  // Text pictures format the value's text, every other kind its number.
  if (compiled.type == PictureType::String || compiled.type == PictureType::KeyIn) {
    return dw::lang::format(text, compiled);
  }
  return dw::lang::format(number, compiled);
}

std::string deformat(std::string_view text, std::string_view picture) {
  PictureValue value = dw::lang::deformat(text, picture);
  return value.isText ? value.text : textFromReal(value.number);
}

}  // namespace dw::lang::exprrt
