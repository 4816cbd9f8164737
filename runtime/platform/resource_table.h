// The program's resources: the files under resources/ compiled into the
// program at build time and found by type and name, as a program module's
// resources are.  Types used: "MESSAGES" (the runtime message table),
// "DABDUMP" (window resource blobs, named MODULE_RSC), "ICON" and "IMAGE"
// (named like CLOCK_ICO, PDWMAIN_GIF), "HELP".
//
// The table is immutable after start-up; any thread may read it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dw::res {

struct Resource {
  std::string_view type;
  std::string_view name;
  std::span<const std::uint8_t> bytes;
};

// The resource of that type and name (names compare without regard to case),
// or nullptr.
const Resource* findResource(std::string_view type, std::string_view name);

// Every resource of a type, in the order of the index.
std::vector<const Resource*> resourcesOfType(std::string_view type);

// A resource name for a file name: upper-cased, "." turned into "_"
// ("TIMEPIEC.GIF" -> "TIMEPIEC_GIF").
std::string resourceNameForFile(std::string_view fileName);

namespace detail {
struct EmbeddedResource {
  const char* type;
  const char* name;
  const unsigned char* bytes;
  const unsigned long* size;
};
extern const EmbeddedResource kEmbedded[];
}  // namespace detail

}  // namespace dw::res
