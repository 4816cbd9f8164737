// Placeholder of the key code (see table_keys.h); removed at its merge.
#include "runtime/db/brkbt.h"
#include "runtime/db/table_entries.h"
#include "runtime/db/table_keys.h"

namespace dw::db {
namespace {
std::string statsKey(std::uint32_t t, std::uint8_t kind) {
  std::string k = kindPrefix(t, kKindStatistics);
  k.push_back(char(kind));
  return k;
}
void put(const TableRef& ref, std::uint8_t kind, const Statistics& s) {
  const std::string k = statsKey(ref.number, kind);
  deleteEntry(ref.file, k);
  std::string e = k;
  for (int i = 0; i < 4; ++i) e.push_back(char(s.count >> (8 * i)));
  for (int i = 0; i < 4; ++i) e.push_back(char(s.marker >> (8 * i)));
  insertEntry(ref.file, Entry(e, k.size()));
}
}  // namespace

void createStatistics(const TableRef& ref) {
  put(ref, kStatsRecords, {});
  for (std::size_t k = 0; k < ref.desc.keys.size(); ++k) put(ref, std::uint8_t(k), {});
}

std::optional<Statistics> readStatistics(const TableRef& ref, std::uint8_t kind) {
  auto e = findEqual(ref.file, statsKey(ref.number, kind));
  if (!e || e->data().size() < 8) return std::nullopt;
  const auto* p = reinterpret_cast<const std::uint8_t*>(e->data().data());
  Statistics s;
  s.count = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
            (std::uint32_t(p[3]) << 24);
  s.marker = std::uint32_t(p[4]) | (std::uint32_t(p[5]) << 8) | (std::uint32_t(p[6]) << 16) |
             (std::uint32_t(p[7]) << 24);
  return s;
}

bool addCount(const TableRef& ref, std::uint8_t kind, std::int64_t delta) {
  auto s = readStatistics(ref, kind);
  if (!s) return false;
  std::int64_t c = std::int64_t(s->count) + delta;
  s->count = std::uint32_t(c < 0 ? 0 : c);
  put(ref, kind, *s);
  return true;
}

int updateKeys(const TableRef&, std::uint32_t, const std::string*, const std::string*, bool) {
  return 0;
}

}  // namespace dw::db
