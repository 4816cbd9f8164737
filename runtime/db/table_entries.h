// Keys of the entries that make up a table (docs/brisk-tables.md).  Every
// entry of a table begins with its 4-byte table number, stored as the file's
// number counter issued it (big-endian); the fifth byte says what the entry
// is.  The directory entry alone has no table number in front: 0xFE, then the
// table name.
//
// Pure functions; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dw::db {

inline constexpr std::uint8_t kDirectoryByte = 0xFE;
inline constexpr std::uint8_t kKindDefinition = 0xFA;
inline constexpr std::uint8_t kKindData = 0xF3;
inline constexpr std::uint8_t kKindMemo = 0xFC;
inline constexpr std::uint8_t kKindStatistics = 0xF6;

inline constexpr std::size_t kDefinitionChunk = 512;
inline constexpr std::size_t kMemoSegment = 256;
inline constexpr std::size_t kBlobLengthBytes = 4;
inline constexpr std::size_t kDataKeyLength = 9;
inline constexpr std::size_t kMemoKeyLength = 12;

// A number of the file's counter as an integer (its 4 bytes big-endian).
inline std::uint32_t numberValue(const std::array<std::uint8_t, 4>& n) {
  return (std::uint32_t(n[0]) << 24) | (std::uint32_t(n[1]) << 16) | (std::uint32_t(n[2]) << 8) |
         n[3];
}
inline std::array<std::uint8_t, 4> numberBytes(std::uint32_t v) {
  return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}
inline void appendBig32(std::string& out, std::uint32_t v) {
  out.push_back(char(v >> 24));
  out.push_back(char(v >> 16));
  out.push_back(char(v >> 8));
  out.push_back(char(v));
}
inline std::uint32_t readBig32(std::string_view s, std::size_t at) {
  auto b = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(s[at + i])); };
  return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

// The 4-byte prefix that every entry of table t begins with.
inline std::string tableEntryPrefix(std::uint32_t t) {
  std::string s;
  appendBig32(s, t);
  return s;
}
inline std::string kindPrefix(std::uint32_t t, std::uint8_t kind) {
  std::string s = tableEntryPrefix(t);
  s.push_back(char(kind));
  return s;
}
inline std::string directoryKey(std::string_view tableName) {
  std::string s(1, char(kDirectoryByte));
  s.append(tableName);
  return s;
}
inline std::string definitionKey(std::uint32_t t, std::uint16_t chunk) {
  std::string s = kindPrefix(t, kKindDefinition);
  s.push_back(char(chunk & 0xFF));  // chunk numbers are little-endian
  s.push_back(char(chunk >> 8));
  return s;
}
inline std::string dataEntryKey(std::uint32_t t, std::uint32_t record) {
  std::string s = kindPrefix(t, kKindData);
  appendBig32(s, record);
  return s;
}
inline std::string memoPrefix(std::uint32_t t, std::uint32_t record) {
  std::string s = kindPrefix(t, kKindMemo);
  appendBig32(s, record);
  return s;
}
inline std::string memoKey(std::uint32_t t, std::uint32_t record, std::uint8_t memo,
                           std::uint16_t segment) {
  std::string s = memoPrefix(t, record);
  s.push_back(char(memo));
  s.push_back(char(segment >> 8));  // segment numbers are big-endian
  s.push_back(char(segment & 0xFF));
  return s;
}

}  // namespace dw::db
