// The page cipher (see cipher.h).
#include "runtime/db/cipher.h"

#include "runtime/db/brisk_format.h"

namespace dw::db {
namespace {

void loadWords(const std::uint8_t* in, std::uint32_t* w) {
  for (int i = 0; i < 16; ++i) w[i] = getU32(in + 4 * i);
}
void storeWords(const std::uint32_t* w, std::uint8_t* out) {
  for (int i = 0; i < 16; ++i) putU32(out + 4 * i, w[i]);
}

}  // namespace

Cipher::Cipher(std::string_view password) {
  std::uint8_t bytes[64] = {};
  std::size_t cursor = 0;
  for (int i = 0; i < 64; ++i) {
    // The password is read as a zero-terminated string.
    const std::uint8_t at = cursor < password.size() ? std::uint8_t(password[cursor]) : 0;
    if (at == 0) {
      cursor = 0;
    } else {
      ++cursor;
    }
    const std::uint8_t now = cursor < password.size() ? std::uint8_t(password[cursor]) : 0;
    bytes[(17 * i) % 64] = std::uint8_t(now + i);
  }
  loadWords(bytes, m_key.data());
  for (int round = 0; round < 2; ++round) {
    std::array<std::uint32_t, 16> asKey = m_key;
    encipherBlock(m_key.data(), asKey);
  }
}

void Cipher::encipherBlock(std::uint32_t* d, const std::array<std::uint32_t, 16>& k) {
  for (int i = 0; i < 16; ++i) {
    const int j = int(k[i] & 15);
    const std::uint32_t a = d[i], b = d[j];
    d[j] = ((b & k[i]) | (a & ~k[i])) + k[i];
    d[i] = ((a & k[i]) | (b & ~k[i])) + k[i];
  }
}

void Cipher::decipherBlock(std::uint32_t* d, const std::array<std::uint32_t, 16>& k) {
  for (int i = 15; i >= 0; --i) {
    const int j = int(k[i] & 15);
    const std::uint32_t x = d[i] - k[i], y = d[j] - k[i];
    d[i] = (x & k[i]) | (y & ~k[i]);
    d[j] = (y & k[i]) | (x & ~k[i]);
  }
}

void Cipher::encipher(std::uint8_t* data, std::size_t len) const {
  std::uint32_t w[16];
  for (std::size_t at = 0; at + kCipherBlock <= len; at += kCipherBlock) {
    loadWords(data + at, w);
    encipherBlock(w, m_key);
    storeWords(w, data + at);
  }
}

void Cipher::decipher(std::uint8_t* data, std::size_t len) const {
  std::uint32_t w[16];
  for (std::size_t at = 0; at + kCipherBlock <= len; at += kCipherBlock) {
    loadWords(data + at, w);
    decipherBlock(w, m_key);
    storeWords(w, data + at);
  }
}

}  // namespace dw::db
