// Finding a window's record: the runtime side of window resources.
//
// A window is named by its module key ("DORN.vls$dorn008") and its label
// ("MAIN$APPFRAME").  The module's blob is the program resource of type
// "DABDUMP" named after the text after "$" with "_RSC" appended
// (DORN008_RSC).  Every candidate blob of that name is tried in turn; one
// whose key string differs from the module key, or that cannot be parsed,
// is passed over and the search goes on.  Parsed modules are kept for the
// life of the process (they are small and immutable), so a record found
// here stays valid while any window uses it.
//
// Thread-safety: any runtime thread may call these functions; the cache has
// a mutex of its own.  The returned records are immutable.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/platform/resource_table.h"
#include "runtime/ui/resfmt/window_record.h"

namespace dw::ui {

inline constexpr std::string_view kWindowResourceType = "DABDUMP";
// The name reported with runtime errors of the window loader.
inline constexpr std::string_view kWindowLoaderModule = "WSLDIAL";
inline constexpr int kErrNoWindowResource = 502;
inline constexpr int kErrClassNotRegistered = 503;

// "DORN.vls$dorn008" -> "DORN008_RSC" ("" when the key has no "$" or
// nothing after it).
std::string resourceNameForModuleKey(std::string_view moduleKey);

struct WindowResource {
  std::shared_ptr<const resfmt::Module> module;  // keeps `record` alive
  const resfmt::WindowRecord* record = nullptr;
  explicit operator bool() const { return record != nullptr; }
};

struct WindowLookup {
  WindowResource resource;  // empty when not found
  // Why it was not found: "no resource DORN008_RSC", "no record FOO$BAR in
  // DORN.vls$dorn008", or the parse error of a malformed blob.
  std::string reason;
};

// Searches the given candidate blobs, in order.
WindowLookup findWindowIn(std::span<const std::span<const std::uint8_t>> candidates,
                          std::string_view moduleKey, std::string_view label);

// Searches the program's DABDUMP resources.
WindowLookup findWindow(std::string_view moduleKey, std::string_view label);

// As findWindow, but a window that cannot be found is runtime error 502,
// reported with the module name "WSLDIAL" (the program ends).
WindowResource requireWindow(std::string_view moduleKey, std::string_view label);

// The program resource an icon, cursor or image reference names by name
// ("~WIZARD.ICO" -> WIZARD_ICO), looked up among the types ICON, IMAGE and
// CURSOR in that order; nullptr for other references or when missing.
const res::Resource* findReferencedResource(std::string_view reference);

// The window class of a window could not be made: runtime error 503.
[[noreturn]] void raiseClassNotRegistered();

}  // namespace dw::ui
