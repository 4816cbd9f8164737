// Character classes, case partners and collation (see chartab.h).
//
// Invariants: the class and partner tables agree (a letter's partner has the
// other case and points back to it); the weight table is a permutation of
// 0..255, so two strings compare equal only when their bytes are equal after
// digraph expansion.
#include "runtime/lang/chartab.h"

#include <algorithm>
#include <array>
#include <vector>

namespace dw::lang {
namespace {

constexpr std::size_t kMaxDigraphs = 16;

struct Tables {
  std::array<std::uint8_t, 256> cls{};
  std::array<unsigned char, 256> partner{};
  std::array<std::uint8_t, 256> weight{};
  std::array<std::string, 256> digraph;  // expansion of a byte, empty when none
  std::size_t digraphCount = 0;

  Tables() { reset(); }

  void reset() {
    cls.fill(0);
    partner.fill(0);
    for (int i = 0; i < 256; ++i) weight[i] = static_cast<std::uint8_t>(i);
    for (auto& d : digraph) d.clear();
    digraphCount = 0;
    for (int c = '0'; c <= '9'; ++c) cls[c] = kClassDigit;
    for (int c = 'A'; c <= 'Z'; ++c)
      pair(static_cast<unsigned char>(c), static_cast<unsigned char>(c + 32));
  }

  void pair(unsigned char up, unsigned char low) {
    cls[up] = kClassUpper;
    cls[low] = kClassLower;
    partner[up] = low;
    partner[low] = up;
  }

  void setOrder(const std::vector<unsigned char>& sequence) {
    for (std::size_t i = 0; i < sequence.size(); ++i)
      weight[sequence[i]] = static_cast<std::uint8_t>(i);
  }
};

Tables& tables() {
  static Tables t;
  return t;
}

// Expands digraph characters of text into out (only called when any exist).
void expand(std::string_view text, std::string& out) {
  const Tables& t = tables();
  out.clear();
  for (char c : text) {
    const std::string& d = t.digraph[static_cast<unsigned char>(c)];
    if (d.empty()) {
      out.push_back(c);
    } else {
      out += d;
    }
  }
}

template <class Map>
int compareMapped(std::string_view a, std::string_view b, Map map) {
  const Tables& t = tables();
  std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = i < a.size() ? static_cast<unsigned char>(map(a[i])) : ' ';
    unsigned char cb = i < b.size() ? static_cast<unsigned char>(map(b[i])) : ' ';
    if (ca != cb) return t.weight[ca] < t.weight[cb] ? -1 : 1;
  }
  return 0;
}

template <class Map>
int compareWith(std::string_view a, std::string_view b, Map map) {
  if (tables().digraphCount == 0) return compareMapped(a, b, map);
  std::string ea;
  std::string eb;
  expand(a, ea);
  expand(b, eb);
  return compareMapped(ea, eb, map);
}

}  // namespace

std::uint8_t charClass(unsigned char c) {
  return tables().cls[c];
}
bool isUpper(unsigned char c) {
  return (tables().cls[c] & kClassUpper) != 0;
}
bool isLower(unsigned char c) {
  return (tables().cls[c] & kClassLower) != 0;
}
bool isDigit(unsigned char c) {
  return (tables().cls[c] & kClassDigit) != 0;
}
bool isAlpha(unsigned char c) {
  return (tables().cls[c] & (kClassUpper | kClassLower)) != 0;
}
unsigned char casePartner(unsigned char c) {
  return tables().partner[c];
}

char toUpper(char c) {
  auto u = static_cast<unsigned char>(c);
  return isLower(u) ? static_cast<char>(tables().partner[u]) : c;
}

char toLower(char c) {
  auto u = static_cast<unsigned char>(c);
  return isUpper(u) ? static_cast<char>(tables().partner[u]) : c;
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = toUpper(c);
  return out;
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = toLower(c);
  return out;
}

std::uint8_t collationWeight(unsigned char c) {
  return tables().weight[c];
}

int compareStrings(std::string_view a, std::string_view b) {
  return compareWith(a, b, [](char c) { return c; });
}

int compareStringsNoCase(std::string_view a, std::string_view b) {
  return compareWith(a, b, [](char c) { return toUpper(c); });
}

void resetCharTables() {
  tables().reset();
}

bool addCasePairs(std::string_view uppers, std::string_view lowers) {
  if (uppers.size() != lowers.size()) return false;
  Tables& t = tables();
  for (std::size_t i = 0; i < uppers.size(); ++i) {
    auto up = static_cast<unsigned char>(uppers[i]);
    auto low = static_cast<unsigned char>(lowers[i]);
    if (up <= 127 || low <= 127 || up == low) continue;
    t.pair(up, low);
  }
  return true;
}

void usePlatformCasePairs() {
  Tables& t = tables();
  // Windows Latin-1: the Latin-1 block plus the letters at 0x8A..0x9F.
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c == 0xD7) continue;  // multiplication sign
    t.pair(static_cast<unsigned char>(c), static_cast<unsigned char>(c + 0x20));
  }
  t.pair(0x8A, 0x9A);
  t.pair(0x8C, 0x9C);
  t.pair(0x8E, 0x9E);
  t.pair(0x9F, 0xFF);
  t.cls[0xDF] = kClassLower;  // sharp s has no single upper-case partner
}

void setCollationOrder(std::string_view order) {
  std::array<bool, 256> listed{};
  std::vector<unsigned char> block;
  for (char ch : order) {
    auto c = static_cast<unsigned char>(ch);
    if (!listed[c]) {
      listed[c] = true;
      block.push_back(c);
    }
  }
  if (block.empty()) return;
  unsigned char lowest = *std::min_element(block.begin(), block.end());
  std::vector<unsigned char> sequence;
  for (int c = 0; c < 256; ++c) {
    if (c == lowest) sequence.insert(sequence.end(), block.begin(), block.end());
    if (!listed[c]) sequence.push_back(static_cast<unsigned char>(c));
  }
  tables().setOrder(sequence);
}

void usePlatformCollation() {
  Tables& t = tables();
  std::vector<unsigned char> sequence;
  std::array<bool, 256> placed{};
  auto put = [&](int c) {
    if (!placed[c]) {
      placed[c] = true;
      sequence.push_back(static_cast<unsigned char>(c));
    }
  };
  for (int c = 0; c < 128; ++c) {
    if (t.cls[c] == 0) put(c);
  }
  for (int c = '0'; c <= '9'; ++c) put(c);
  for (int c = 0; c < 256; ++c) {
    if ((t.cls[c] & kClassUpper) != 0) {
      put(c);
      put(t.partner[c]);
    } else if ((t.cls[c] & kClassLower) != 0 && t.partner[c] == 0) {
      put(c);
    }
  }
  for (int c = 0; c < 256; ++c) put(c);
  t.setOrder(sequence);
}

void addDigraph(std::string_view item) {
  Tables& t = tables();
  if (item.size() != 3 || t.digraphCount >= kMaxDigraphs) return;
  auto c = static_cast<unsigned char>(item[0]);
  if (t.digraph[c].empty()) ++t.digraphCount;
  t.digraph[c] = std::string(item.substr(1));
}

}  // namespace dw::lang
