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
//
// A compile also checks the rules of the language that a blob cannot
// express by itself (a tab stands in a sheet, a radio in an option group,
// bands only in reports, buttons never in one, labels are not empty, the
// module key has a "$", the tool bar follows the menu bar, pictures
// compile), unless the caller asks for a lenient compile: that accepts
// whatever printSource writes for any blob the loader reads.
//
// Controls, menus and items may carry a name ("name Change"); the compile
// lists the named fields so that a header of field-number constants can be
// written for the procedures (fieldHeader).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/resfmt/window_record.h"

namespace dw::resfmt {

struct SourceError {
  std::string file;
  int line = 0;
  std::string message;  // "expected a number after 'timer'"
  // "file:line: message"
  std::string text() const;
};

// A control, menu or menu item that carries a name, with its field number.
struct NamedField {
  std::string window;  // the label of its window record
  std::string name;    // as written, "Change"
  std::int32_t field = 0;
  int line = 0;  // where the name stands
  bool operator==(const NamedField&) const = default;
};

struct CompileResult {
  std::optional<Module> module;
  SourceError error;
  std::vector<NamedField> names;  // in declaration order
  bool ok() const { return module.has_value(); }
};

struct CompileOptions {
  // Accept any structure a blob can hold (for printing decoded blobs back):
  // no checks of nesting, labels, module key or pictures.
  bool lenient = false;
  // Says whether a picture (written with its "@") compiles; none: pictures
  // are not checked.  Given by the caller so that this library stays free
  // of the language layer.
  std::function<bool(std::string_view)> pictureValid;
};

CompileResult compileSource(std::string_view source, std::string_view fileName,
                            const CompileOptions& options = {});

// The text of a C++ header with one constant per named field, in the
// namespace `space` ("dw::app::dorn008"): "inline constexpr int kChange = 4;".
// `source` names the file in the header's opening comment.
std::string fieldHeader(const std::vector<NamedField>& names, std::string_view space,
                        std::string_view source);

// True for a name a control may carry: an upper-case letter, then letters,
// digits and "_" (it becomes the constant "k" + name).
bool isValidFieldName(std::string_view name);

std::string printSource(const Module& module);

// The next field number of the count (wraps around instead of overflowing).
inline std::int32_t stepField(std::int32_t field, int direction) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(field) +
                                   static_cast<std::uint32_t>(direction));
}

}  // namespace dw::resfmt
