// The page cipher of files with an owner password.
//
// Every 64-byte block of the header and of every page is enciphered on disk
// with a 64-byte key (16 little-endian 32-bit words) derived from the
// password.  The block transform mixes each word i with word k[i] & 15 under
// the mask k[i] and adds k[i]; deciphering runs the steps backwards.  Reads
// and writes therefore always move whole multiples of 64 bytes.
//
// A Cipher is immutable after construction and may be shared by threads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dw::db {

inline constexpr std::size_t kCipherBlock = 64;

class Cipher {
 public:
  explicit Cipher(std::string_view password);

  // Transform len bytes in place (len a multiple of 64).
  void encipher(std::uint8_t* data, std::size_t len) const;
  void decipher(std::uint8_t* data, std::size_t len) const;

 private:
  static void encipherBlock(std::uint32_t* d, const std::array<std::uint32_t, 16>& k);
  static void decipherBlock(std::uint32_t* d, const std::array<std::uint32_t, 16>& k);
  std::array<std::uint32_t, 16> m_key{};
};

}  // namespace dw::db
