// Lookup in the embedded resource index (see resource_table.h).
#include "runtime/platform/resource_table.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace dw::res {
namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

const std::vector<Resource>& table() {
  static const std::vector<Resource> resources = [] {
    std::vector<Resource> out;
    for (const detail::EmbeddedResource* e = detail::kEmbedded; e->type; ++e)
      out.push_back({e->type, e->name, {e->bytes, static_cast<std::size_t>(*e->size)}});
    return out;
  }();
  return resources;
}

}  // namespace

const Resource* findResource(std::string_view type, std::string_view name) {
  for (const Resource& r : table())
    if (equalNoCase(r.type, type) && equalNoCase(r.name, name)) return &r;
  return nullptr;
}

std::vector<const Resource*> resourcesOfType(std::string_view type) {
  std::vector<const Resource*> out;
  for (const Resource& r : table())
    if (equalNoCase(r.type, type)) out.push_back(&r);
  return out;
}

std::string resourceNameForFile(std::string_view fileName) {
  std::string out(fileName);
  for (char& c : out) c = c == '.' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace dw::res
