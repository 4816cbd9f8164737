// Run-length compression of page bodies.
//
// The compressed form is a sequence of (literal count, literal bytes, repeat
// count) groups; a repeat count r appends r more copies of the last literal.
// Counts are 7 bits per byte, least significant group first, bit 7 set on
// every byte but the last.  Only runs of 4 or more equal bytes are encoded
// as repeats; a body with no such run is not compressed at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw::db {

// The compressed body, or nothing when no run was found (store it plain).
std::optional<std::string> rleCompress(std::string_view plain);

// Room the compressed form of plainLength bytes may need: each group turns
// a literal and r >= 3 repeats into the literal and two counts of at most
// 1 + n / 128 bytes each, so the output never outgrows the input by more
// than a quarter plus the last count; 16 bytes more allow fixed-size copies.
inline std::size_t rleCompressRoom(std::size_t plainLength) {
  return plainLength + plainLength / 4 + 32;
}
// The same into out, which has rleCompressRoom(plain.size()) bytes; the
// compressed length, or 0 when no run was found.
std::size_t rleCompressInto(std::string_view plain, char* out);

// Expands `packed` into exactly plainLength bytes; nothing when the input
// is malformed (runs out, overshoots the length, repeats before a literal).
std::optional<std::string> rleExpand(std::string_view packed, std::size_t plainLength);

}  // namespace dw::db
