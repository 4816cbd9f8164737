// Fuzz target for the window resource loader: any bytes must parse or give
// an error without a crash; a blob that parses must write back to bytes
// that parse to the same module, and print as source that compiles back to
// it (when its labels are distinct, as a source requires) in a lenient
// compile, which takes the structures a blob may hold.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <span>

#include "runtime/ui/resfmt/blob_writer.h"
#include "runtime/ui/resfmt/resource_source.h"
#include "runtime/ui/resfmt/window_record.h"

namespace rf = dw::resfmt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const rf::ParseResult r = rf::parseModule(std::span<const std::uint8_t>(data, size));
  if (!r.ok()) return 0;
  const std::vector<std::uint8_t> blob = rf::writeModule(*r.module);
  const rf::ParseResult again = rf::parseModule(blob);
  if (!again.ok() || !(*again.module == *r.module)) std::abort();
  if (rf::writeModule(*again.module) != blob) std::abort();
  std::set<std::string> labels;
  for (const rf::WindowRecord& w : r.module->windows) {
    if (!labels.insert(w.label).second) return 0;
  }
  const rf::CompileResult source =
      rf::compileSource(rf::printSource(*r.module), "fuzz", rf::CompileOptions{true, {}});
  if (!source.ok() || !(*source.module == *r.module)) std::abort();
  return 0;
}
