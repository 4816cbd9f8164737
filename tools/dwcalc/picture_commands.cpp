// dwcalc's picture commands: format PICTURE VALUE and deformat PICTURE TEXT.
// VALUE and TEXT are everything after the single blank that follows the
// picture, so leading and trailing blanks take part.
#include "runtime/lang/picture.h"
#include "runtime/lang/picture_number.h"
#include "tools/dwcalc/commands.h"

namespace dwcalc {
namespace {

// Splits "PICTURE rest" after the picture; false when there is none.  A
// pattern or key-in picture may hold blanks: it runs to its closing letter
// (and a final "B").
bool splitPicture(std::string_view args, std::string_view& picture, std::string_view& rest) {
  if (args.empty() || args[0] == ' ') return false;
  std::size_t end = args.find(' ');
  if (args.size() > 2 && args[0] == '@' && ((args[1] | 0x20) == 'p' || (args[1] | 0x20) == 'k')) {
    for (std::size_t i = 4; i < args.size(); ++i) {
      if (args[i] != args[1]) continue;
      std::size_t after = i + 1;
      if (after < args.size() && (args[after] == 'B' || args[after] == 'b')) ++after;
      if (after == args.size() || args[after] == ' ') {
        end = after == args.size() ? std::string_view::npos : after;
        break;
      }
    }
  }
  picture = args.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : args.substr(end + 1);
  return true;
}

bool takesText(const dw::lang::CompiledPicture& p) {
  return p.type == dw::lang::PictureType::String || p.type == dw::lang::PictureType::KeyIn;
}

const CommandRegistrar kFormat("format", "format PICTURE VALUE", [](std::string_view args) {
  std::string_view picture, value;
  if (!splitPicture(args, picture, value))
    return CommandResult::failure("usage: format PICTURE VALUE");
  dw::lang::CompiledPicture p = dw::lang::compilePicture(picture);
  if (!p.valid) return CommandResult::failure("invalid picture '" + std::string(picture) + "'");
  if (!takesText(p)) {
    dw::lang::detail::DecimalText d;
    if (!dw::lang::detail::parseDecimal(value, d)) {
      return CommandResult::failure("not a number: '" + std::string(value) + "'");
    }
  }
  return CommandResult::success(dw::lang::format(value, p));
});

const CommandRegistrar kDeformat("deformat", "deformat PICTURE TEXT", [](std::string_view args) {
  std::string_view picture, text;
  if (!splitPicture(args, picture, text))
    return CommandResult::failure("usage: deformat PICTURE TEXT");
  dw::lang::CompiledPicture p = dw::lang::compilePicture(picture);
  if (!p.valid) return CommandResult::failure("invalid picture '" + std::string(picture) + "'");
  dw::lang::PictureValue v = dw::lang::deformat(text, p);
  return CommandResult::success(v.isText ? v.text : dw::lang::detail::numberToText(v.number));
});

}  // namespace
}  // namespace dwcalc
