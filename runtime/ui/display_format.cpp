// Display pictures for controls (see display_format.h).  String pictures
// cut to their width; numeric pictures show integers and accept an
// optional sign, digits and grouping commas; other pictures show and take
// the variable's plain text.
#include "runtime/ui/display_format.h"

#include <cctype>
#include <cstdlib>

namespace dw::ui {

namespace {

char pictureKind(std::string_view picture) {
  return picture.empty() ? '\0'
                         : static_cast<char>(std::tolower(static_cast<unsigned char>(picture[0])));
}

std::size_t pictureWidth(std::string_view picture) {
  std::size_t i = 1, n = 0;
  while (i < picture.size() && !std::isdigit(static_cast<unsigned char>(picture[i]))) ++i;
  for (; i < picture.size() && std::isdigit(static_cast<unsigned char>(picture[i])); ++i)
    n = n * 10 + static_cast<std::size_t>(picture[i] - '0');
  return n;
}

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace

std::string formatForDisplay(const VarRef& var, std::string_view picture) {
  if (!var.bound()) return {};
  std::string text = var.text();
  if (pictureKind(picture) == 's') {
    const std::size_t width = pictureWidth(picture);
    if (width > 0 && text.size() > width) text.resize(width);
  }
  return text;
}

bool readFromDisplay(std::string_view text, std::string_view picture, const VarRef& var) {
  if (!var.bound()) return true;
  const char kind = pictureKind(picture);
  if (kind == 's' || (kind == '\0' && var.isString())) {
    const std::size_t width = pictureWidth(picture);
    if (width > 0 && text.size() > width) return false;
    var.setText(text);
    return true;
  }
  if (kind == 'n' || (kind == '\0' && !var.isString())) {
    std::string digits;
    for (char ch : trim(text))
      if (ch != ',') digits += ch;
    if (digits.empty()) {
      var.setInteger(0);
      return true;
    }
    char* end = nullptr;
    const double value = std::strtod(digits.c_str(), &end);
    if (!end || *end != '\0') return false;
    var.setReal(value);
    return true;
  }
  var.setText(trim(text));
  return true;
}

}  // namespace dw::ui
