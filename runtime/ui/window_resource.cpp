// Lookup of window records in the program's DABDUMP resources; see
// window_resource.h.
#include "runtime/ui/window_resource.h"

#include <cctype>
#include <map>
#include <mutex>

#include "runtime/platform/resource_table.h"

namespace dw::ui {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Parsed modules by the address of their bytes (program resources live for
// the whole process, so the address identifies the blob).
struct ModuleCache {
  std::mutex mutex;
  std::map<const std::uint8_t*, std::shared_ptr<const resfmt::Module>> modules;
  std::map<const std::uint8_t*, std::string> errors;
};

ModuleCache& cache() {
  static ModuleCache c;
  return c;
}

// The parsed module of a blob, or nullptr with `error` set.  Only the
// program's own resources are cached; other blobs are parsed every time.
std::shared_ptr<const resfmt::Module> moduleOf(std::span<const std::uint8_t> blob, bool cached,
                                               std::string& error) {
  if (!cached) {
    resfmt::ParseResult r = resfmt::parseModule(blob);
    if (!r.ok()) {
      error = r.error.message;
      return nullptr;
    }
    return std::make_shared<const resfmt::Module>(std::move(*r.module));
  }
  ModuleCache& c = cache();
  std::lock_guard lock(c.mutex);
  if (auto it = c.modules.find(blob.data()); it != c.modules.end()) return it->second;
  if (auto it = c.errors.find(blob.data()); it != c.errors.end()) {
    error = it->second;
    return nullptr;
  }
  resfmt::ParseResult r = resfmt::parseModule(blob);
  if (!r.ok()) {
    c.errors[blob.data()] = error = r.error.message;
    return nullptr;
  }
  auto module = std::make_shared<const resfmt::Module>(std::move(*r.module));
  c.modules[blob.data()] = module;
  return module;
}

WindowLookup search(std::span<const std::span<const std::uint8_t>> candidates,
                    std::string_view moduleKey, std::string_view label, bool cached) {
  WindowLookup out;
  const std::string name = resourceNameForModuleKey(moduleKey);
  out.reason = "no resource " + (name.empty() ? std::string(moduleKey) : name);
  for (std::span<const std::uint8_t> blob : candidates) {
    if (resfmt::blobKey(blob) != moduleKey) continue;
    std::string error;
    std::shared_ptr<const resfmt::Module> module = moduleOf(blob, cached, error);
    if (!module) {
      out.reason = "malformed resource " + name + ": " + error;
      continue;
    }
    if (const resfmt::WindowRecord* w = module->find(label)) {
      out.resource = {std::move(module), w};
      out.reason.clear();
      return out;
    }
    out.reason = "no record " + std::string(label) + " in " + std::string(moduleKey);
  }
  return out;
}

}  // namespace

std::string resourceNameForModuleKey(std::string_view moduleKey) {
  const std::size_t dollar = moduleKey.find('$');
  if (dollar == std::string_view::npos || dollar + 1 == moduleKey.size()) return {};
  std::string name(moduleKey.substr(dollar + 1));
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name + "_RSC";
}

WindowLookup findWindowIn(std::span<const std::span<const std::uint8_t>> candidates,
                          std::string_view moduleKey, std::string_view label) {
  return search(candidates, moduleKey, label, false);
}

WindowLookup findWindow(std::string_view moduleKey, std::string_view label) {
  const std::string name = resourceNameForModuleKey(moduleKey);
  std::vector<std::span<const std::uint8_t>> candidates;
  if (!name.empty()) {
    for (const res::Resource* r : res::resourcesOfType(kWindowResourceType)) {
      if (equalNoCase(r->name, name)) candidates.push_back(r->bytes);
    }
  }
  return search(candidates, moduleKey, label, true);
}

const res::Resource* findReferencedResource(std::string_view reference) {
  const resfmt::Reference r = resfmt::decodeReference(reference);
  if (r.kind != resfmt::Reference::Kind::Resource) return nullptr;
  for (std::string_view type : {"ICON", "IMAGE", "CURSOR"}) {
    if (const res::Resource* found = res::findResource(type, r.name)) return found;
  }
  return nullptr;
}

}  // namespace dw::ui
