// The header of field-number constants that rescomp writes for a module's
// named controls (see resource_source.h): one "inline constexpr int kName"
// per name, grouped by window in declaration order, so that procedures
// address their controls by name and a control moved in its source moves
// its number with it.
#include <string>

#include "runtime/ui/resfmt/resource_source.h"

namespace dw::resfmt {

std::string fieldHeader(const std::vector<NamedField>& names, std::string_view space,
                        std::string_view source) {
  std::string out;
  out += "// Field numbers of the named controls of ";
  out += source;
  out +=
      ".\n// Written by rescomp at build time from the source; do not edit.\n"
      "#pragma once\n\nnamespace ";
  out += space;
  out += " {\n";
  const std::string* window = nullptr;
  for (const NamedField& n : names) {
    if (!window || *window != n.window) {
      out += "\n// ";
      out += n.window;
      out += "\n";
      window = &n.window;
    }
    out += "inline constexpr int k" + n.name + " = " + std::to_string(n.field) + ";\n";
  }
  out += "\n}  // namespace ";
  out += space;
  out += "\n";
  return out;
}

}  // namespace dw::resfmt
