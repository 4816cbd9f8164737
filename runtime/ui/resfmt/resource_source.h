// The resource source language: a readable text form of a window resource
// module, compiled into a Module (and from there into a blob by
// writeModule) and printed back from one.  The language is described in
// docs/resource-source.md.  printSource(m) compiles back to m, and
// printing is a fixed point: compile(print(compile(s))) == compile(s).
//
// Field numbers are implicit: controls count up from 1 in declaration order
// (depth first; tabs have 0), menu items count down from -1 across the menu
// bar and then the tool bar's controls; a menu takes a number only when it
// says "numbered".  An explicit "field N" overrides the count, which then
// continues from N.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/ui/resfmt/window_record.h"

namespace dw::resfmt {

struct SourceError {
  std::string file;
  int line = 0;
  std::string message;  // "expected a number after 'timer'"
  // "file:line: message"
  std::string text() const;
};

struct CompileResult {
  std::optional<Module> module;
  SourceError error;
  bool ok() const { return module.has_value(); }
};

CompileResult compileSource(std::string_view source, std::string_view fileName);

std::string printSource(const Module& module);

// The next field number of the count (wraps around instead of overflowing).
inline std::int32_t stepField(std::int32_t field, int direction) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(field) +
                                   static_cast<std::uint32_t>(direction));
}

}  // namespace dw::resfmt
