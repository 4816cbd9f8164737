// Display pictures for controls (see display_format.h), over the language
// layer's pictures.  Typed text is checked before it is read back: a
// number picture takes digits, signs, grouping and decimal marks, currency
// and blanks; a date or time picture takes text that reads as a date or
// time (or nothing: blanks and the picture's separators); a string picture
// takes text up to its length.
#include "runtime/ui/display_format.h"

#include <cctype>

#include "runtime/lang/picture.h"

namespace dw::ui {

namespace {

bool blank(std::string_view text) {
  for (char ch : text)
    if (ch != ' ') return false;
  return true;
}

// Whether the text holds anything but blanks and punctuation: a date or
// time picture shows no date (0) as its separators alone ("    ,     "),
// which must read back as no date.
bool holdsAField(std::string_view text) {
  for (char ch : text)
    if (std::isalnum(static_cast<unsigned char>(ch))) return true;
  return false;
}

bool looksNumeric(std::string_view text) {
  bool digit = false;
  for (char ch : text) {
    if (std::isdigit(static_cast<unsigned char>(ch))) {
      digit = true;
      continue;
    }
    if (std::string_view(" -+.,()$").find(ch) == std::string_view::npos) return false;
  }
  return digit || blank(text);
}

}  // namespace

lang::CompiledPicture compileStoredPicture(std::string_view picture) {
  std::string withAt(1, '@');
  withAt.append(picture);
  return lang::compilePicture(withAt);
}

std::string formatForDisplay(const VarRef& var, std::string_view picture) {
  if (!var.bound()) return {};
  if (picture.empty()) return var.text();
  const lang::CompiledPicture compiled = compileStoredPicture(picture);
  if (!compiled.valid) return var.text();
  const bool textual =
      compiled.type == lang::PictureType::String || compiled.type == lang::PictureType::KeyIn;
  std::string out =
      textual ? lang::format(var.text(), compiled) : lang::format(var.real(), compiled);
  if (textual) {
    while (!out.empty() && out.back() == ' ') out.pop_back();
  } else {
    const std::size_t first = out.find_first_not_of(' ');
    out = first == std::string::npos ? std::string() : out.substr(first);
  }
  return out;
}

bool readFromDisplay(std::string_view text, std::string_view picture, const VarRef& var) {
  if (!var.bound()) return true;
  const lang::CompiledPicture compiled =
      picture.empty() ? lang::CompiledPicture{} : compileStoredPicture(picture);
  if (!compiled.valid) {
    if (!var.isString() && !looksNumeric(text)) return false;
    var.setText(text);
    return true;
  }
  switch (compiled.type) {
    case lang::PictureType::String:
      if (compiled.length > 0 && text.size() > static_cast<std::size_t>(compiled.length))
        return false;
      var.setText(text);
      return true;
    case lang::PictureType::KeyIn:
      var.setText(lang::deformat(text, compiled).text);
      return true;
    case lang::PictureType::Number:
    case lang::PictureType::Scientific:
      if (!looksNumeric(text)) return false;
      break;
    case lang::PictureType::Date:
    case lang::PictureType::Time:
    case lang::PictureType::Pattern:
      break;
  }
  const lang::PictureValue v = lang::deformat(text, compiled);
  if ((compiled.type == lang::PictureType::Date || compiled.type == lang::PictureType::Time) &&
      holdsAField(text) && v.number == 0)
    return false;
  if (var.isString())
    var.setText(v.isText ? v.text : lang::format(v.number, compiled));
  else
    var.setReal(v.number);
  return true;
}

}  // namespace dw::ui
