// Fuzzes the picture compiler, FORMAT and DEFORMAT: the input is split at
// its first newline into a picture and a text; the picture is compiled,
// the text deformatted, the value formatted back and deformatted again.
// Also checks the invariants of the compiled form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/lang/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t nl = input.find('\n');
  std::string_view picture = input.substr(0, nl);
  std::string_view text = nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);

  dw::lang::CompiledPicture p = dw::lang::compilePicture(picture);
  std::vector<std::uint8_t> bytes = p.encode();
  if (bytes.size() > 512 || bytes.size() < 2) std::abort();
  if (!p.valid && bytes != std::vector<std::uint8_t>{0, 0}) std::abort();

  dw::lang::PictureValue v = dw::lang::deformat(text, p);
  std::string shown = v.isText ? dw::lang::format(v.text, p) : dw::lang::format(v.number, p);
  if (!p.valid && !shown.empty()) std::abort();
  dw::lang::deformat(shown, p);
  dw::lang::format(text, p);
  dw::lang::entryPattern(picture);
  return 0;
}
