// Page files: see page_file.h.
#include "runtime/ui/report/page_file.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "runtime/platform/platform.h"

namespace dw::report {

namespace {

// The page files written and not yet removed.
struct WrittenFiles {
  std::mutex mutex;
  std::set<std::string> names;
};
WrittenFiles& written() {
  static WrittenFiles w;
  return w;
}

}  // namespace

PlaceableHeader pageHeaderFor(const PageGeometry& g) {
  const std::int32_t upi = std::max(g.dpiX, g.dpiY);
  std::int64_t right = g.width + 2LL * g.offsetX;
  std::int64_t bottom = g.height + 2LL * g.offsetY;
  if (g.dpiX > 0 && g.dpiX < upi) right = right * upi / g.dpiX;
  if (g.dpiY > 0 && g.dpiY < upi) bottom = bottom * upi / g.dpiY;
  auto clamp16 = [](std::int64_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, 0, 32767));
  };
  return makePlaceableHeader(clamp16(right), clamp16(bottom),
                             static_cast<std::uint16_t>(std::clamp(upi, 1, 65535)));
}

std::optional<std::string> writePageFile(const PlaceableHeader& header,
                                         std::span<const std::uint8_t> metafile,
                                         std::uint32_t* osError) {
  auto& os = platform::platform();
  auto fail = [osError](std::uint32_t code) -> std::optional<std::string> {
    if (osError) *osError = code;
    return std::nullopt;
  };
  auto name = os.makeTempFile("VEL");
  if (!name) return fail(name.error());
  auto file = os.open(*name, {platform::Access::Write, platform::Share::DenyAll},
                      platform::Disposition::CreateAlways);
  if (!file) {
    (void)os.remove(*name);
    return fail(file.error());
  }
  const std::string head = encodePlaceableHeader(header);
  platform::OsStatus st = (*file)->writeAt(0, head.data(), head.size());
  if (st) st = (*file)->writeAt(head.size(), metafile.data(), metafile.size());
  file->reset();
  if (!st) {
    (void)os.remove(*name);
    return fail(st.error());
  }
  std::lock_guard lock(written().mutex);
  written().names.insert(*name);
  return *name;
}

void removePageFile(const std::string& path) {
  (void)platform::platform().remove(path);
  std::lock_guard lock(written().mutex);
  written().names.erase(path);
}

void removeAllPageFiles() {
  std::set<std::string> names;
  {
    std::lock_guard lock(written().mutex);
    names.swap(written().names);
  }
  for (const std::string& name : names) (void)platform::platform().remove(name);
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
  auto file = platform::platform().open(path, {platform::Access::Read, platform::Share::DenyNone},
                                        platform::Disposition::OpenExisting);
  if (!file) return std::nullopt;
  auto size = (*file)->size();
  if (!size || *size > (1ull << 30)) return std::nullopt;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(*size));
  auto got = (*file)->readAt(0, out.data(), out.size());
  if (!got || *got != out.size()) return std::nullopt;
  return out;
}

}  // namespace dw::report
