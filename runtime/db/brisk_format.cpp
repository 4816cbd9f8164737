// Header encoding and region arithmetic (layout: brisk_format.h).
#include "runtime/db/brisk_format.h"

namespace dw::db {

void Header::encode(std::uint8_t* out) const {
  std::memset(out, 0, kHeaderSize);
  putU32(out + 0, ownOffset);
  putU16(out + 4, headerSize);
  putU32(out + 6, pendingStart);
  putU32(out + 10, pendingEnd);
  std::memcpy(out + 14, kMagic, 4);
  std::memcpy(out + 20, numberCounter.data(), 4);
  putU32(out + 24, changeCounter);
  putU32(out + 28, std::uint32_t(rootPage));
  for (int i = 0; i < 60; ++i) {
    putU32(out + 32 + 4 * i, std::uint32_t(regionStart[i]));
    putU32(out + 272 + 4 * i, std::uint32_t(regionEnd[i]));
  }
}

Header Header::decode(const std::uint8_t* in) {
  Header h;
  h.ownOffset = getU32(in);
  h.headerSize = getU16(in + 4);
  h.pendingStart = getU32(in + 6);
  h.pendingEnd = getU32(in + 10);
  h.magicOk = std::memcmp(in + 14, kMagic, 4) == 0;
  std::memcpy(h.numberCounter.data(), in + 20, 4);
  h.changeCounter = getU32(in + 24);
  h.rootPage = std::int32_t(getU32(in + 28));
  for (int i = 0; i < 60; ++i) {
    h.regionStart[i] = std::int32_t(getU32(in + 32 + 4 * i));
    h.regionEnd[i] = std::int32_t(getU32(in + 272 + 4 * i));
  }
  return h;
}

int Header::classOf(std::int32_t page) const {
  if (page < 0) return 0;
  for (int c = 1; c <= kClassCount; ++c) {
    if (regionStart[c] <= page && page < regionEnd[c]) return c;
  }
  return 0;
}

bool Header::regionsValid() const {
  constexpr std::int32_t kLimit = std::int32_t((kLockBase - kHeaderSize) / kUnit);
  if (regionStart[0] != 0 || regionEnd[0] != 0) return false;
  for (int c = 1; c <= kClassCount; ++c) {
    const std::int32_t s = regionStart[c], e = regionEnd[c];
    if (s < regionEnd[c - 1] || e < s || e > kLimit || (e != s && (e - s) % c != 0)) return false;
  }
  return true;
}

std::int32_t Header::endPage() const {
  for (int c = kClassCount; c >= 1; --c) {
    if (regionStart[c] != regionEnd[c]) return regionEnd[c];
  }
  return 0;
}

}  // namespace dw::db
