// Device-independent bitmaps as metafile image records carry them: an
// info header (40 bytes, or the 12-byte core header), a colour table for
// 1, 4 and 8 bits per pixel, and uncompressed rows (bottom-up unless the
// height is negative), each padded to 4 bytes.  16-, 24- and 32-bit
// pixels carry their colour directly.  Compressed bitmaps are refused.
//
// Thread-safety: pure function.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "runtime/ui/report/canvas.h"

namespace dw::report {

// Largest image accepted, in pixels, so that a header cannot ask for more
// memory than a page could show.
inline constexpr std::uint64_t kMaxDibPixels = 64u << 20;

// The image, or nullopt for anything malformed, truncated or unsupported.
std::optional<Bitmap> decodeDib(std::span<const std::uint8_t> dib);

}  // namespace dw::report
