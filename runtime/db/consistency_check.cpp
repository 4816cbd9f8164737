// The consistency check of a table (consistency_check.h).  One pass over
// the table's entries in key order, which groups them by kind: keys
// (fifth byte < number of keys), data (F3), statistics (F6), definition
// chunks (FA), memo segments (FC).  Then each key's entries are compared
// with the entries its records make, both sorted.
#include "runtime/db/consistency_check.h"

#include <algorithm>
#include <map>
#include <set>

#include "runtime/db/brkbt.h"
#include "runtime/db/table_keys.h"

namespace dw::db {

namespace {

constexpr std::size_t kMaxFaults = 20;

class Checker {
 public:
  Checker(BriskFile& file, std::uint32_t table, const TableDesc& desc,
          const std::function<std::string(std::string_view)>& conv)
      : m_file(file), m_table(table), m_desc(desc), m_conv(conv) {
    m_keys.resize(desc.keys.size());
    m_report.keyEntries.assign(desc.keys.size(), 0);
  }

  TableCheckReport run() {
    scan();
    checkRecordStatistics();
    for (std::size_t k = 0; k < m_desc.keys.size(); ++k) checkKey(k);
    return std::move(m_report);
  }

 private:
  void fault(std::string text) {
    m_report.sound = false;
    if (m_report.faults.size() < kMaxFaults) m_report.faults.push_back(std::move(text));
  }

  void scan() {
    const std::string prefix = tablePrefix(m_table);
    std::string probe = prefix;
    std::int64_t nextChunk = 0;
    while (auto e = findNext(m_file, probe)) {
      if (e->key().size() <= 4 || e->key().substr(0, 4) != prefix) break;
      probe = std::string(e->key());
      const auto kind = static_cast<std::uint8_t>(e->key()[4]);
      if (kind < m_desc.keys.size()) {
        m_keys[kind].push_back(std::move(*e));
      } else if (kind == kEntryData) {
        data(*e);
      } else if (kind == kEntryStatistics) {
        statistics(*e);
      } else if (kind == kEntryDefinition) {
        const auto k = e->key();
        const std::int64_t chunk =
            k.size() == 7
                ? (static_cast<unsigned char>(k[5]) | (static_cast<unsigned char>(k[6]) << 8))
                : -1;
        if (chunk != nextChunk) {
          fault("definition chunk " + std::to_string(chunk) + " where chunk " +
                std::to_string(nextChunk) + " belongs");
        }
        nextChunk = chunk + 1;
        ++m_report.definitionChunks;
      } else if (kind == kEntryMemo) {
        m_memos.push_back(std::move(*e));
      } else {
        fault("entry of unknown kind " + std::to_string(kind));
      }
    }
    if (m_report.definitionChunks == 0) fault("no definition chunk");
    for (const Entry& m : m_memos) memo(m);
  }

  void data(const Entry& e) {
    if (e.key().size() != 9) {
      fault("data entry with a key of " + std::to_string(e.key().size()) + " bytes");
      return;
    }
    const std::uint32_t r = readBigEndian(e.key().substr(5));
    if (e.data().size() != m_desc.recordLength) {
      fault("record " + std::to_string(r) + " is " + std::to_string(e.data().size()) +
            " bytes, not " + std::to_string(m_desc.recordLength));
    }
    ++m_report.records;
    std::string image(e.data());
    if (m_conv) image = m_conv(image);
    m_records.emplace(r, std::move(image));
  }

  void statistics(const Entry& e) {
    if (e.key().size() != 6 || e.data().size() != 8) {
      fault("statistics entry of the wrong size");
      return;
    }
    const auto kind = static_cast<std::uint8_t>(e.key()[5]);
    const auto* d = reinterpret_cast<const std::uint8_t*>(e.data().data());
    if (kind != kStatsRecords && kind >= m_desc.keys.size()) {
      fault("statistics entry of unknown kind " + std::to_string(kind));
      return;
    }
    m_stats[kind] = Statistics{getU32(d), getU32(d + 4)};
  }

  void memo(const Entry& e) {
    ++m_report.memoSegments;
    if (e.key().size() != 12) {
      fault("memo segment with a key of " + std::to_string(e.key().size()) + " bytes");
      return;
    }
    const std::uint32_t r = readBigEndian(e.key().substr(5));
    const auto m = static_cast<std::uint8_t>(e.key()[9]);
    if (!m_records.count(r)) fault("memo segment of missing record " + std::to_string(r));
    if (m >= m_desc.memos.size()) fault("memo segment of undeclared memo " + std::to_string(m));
  }

  void checkRecordStatistics() {
    auto it = m_stats.find(kStatsRecords);
    if (it == m_stats.end()) {
      fault("the table's statistics entry is missing");
    } else if (it->second.count != m_report.records) {
      fault("record count " + std::to_string(it->second.count) + ", " +
            std::to_string(m_report.records) + " records stored");
    }
  }

  void checkKey(std::size_t k) {
    const KeyDesc& key = m_desc.keys[k];
    const std::string name = "key " + std::to_string(k) + " (" + key.name + ")";
    std::vector<Entry>& actual = m_keys[k];
    m_report.keyEntries[k] = actual.size();
    if (key.isDynamic()) {
      if (!actual.empty()) fault(name + ": a dynamic index has entries in the file");
      return;
    }
    auto st = m_stats.find(std::uint8_t(k));
    if (st == m_stats.end()) {
      fault(name + ": statistics entry missing");
      return;
    }
    const Statistics s = st->second;
    if (s.count != actual.size()) {
      fault(name + ": count " + std::to_string(s.count) + ", " + std::to_string(actual.size()) +
            " entries");
    }
    DynamicIndexes none;
    const TableRef ref{m_file, m_table, m_desc, &none, {}};
    std::size_t length = 9;
    for (const KeyComponent& c : key.components) {
      if (c.field < m_desc.fields.size()) length += m_desc.fields[c.field].totalLength;
    }
    std::vector<std::string> expected;
    for (const auto& [r, image] : m_records) {
      if (s.marker != 0 && r >= s.marker) continue;
      if (key.isOptional() && keyIsEmpty(ref, k, image)) continue;
      expected.push_back(std::string(makeKeyEntry(ref, k, image, r).bytes));
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> below;
    for (const Entry& e : actual) {
      const std::uint32_t r = recordNumberOf(e);
      if (e.length() != length) {
        fault(name + ": entry of " + std::to_string(e.length()) + " bytes");
        continue;
      }
      if (!m_records.count(r)) fault(name + ": entry names missing record " + std::to_string(r));
      if (s.marker == 0 || r < s.marker) below.push_back(e.bytes);
    }
    std::sort(below.begin(), below.end());
    if (below != expected) {
      std::vector<std::string> missing, stale;
      std::set_difference(expected.begin(), expected.end(), below.begin(), below.end(),
                          std::back_inserter(missing));
      std::set_difference(below.begin(), below.end(), expected.begin(), expected.end(),
                          std::back_inserter(stale));
      if (!missing.empty()) {
        fault(name + ": " + std::to_string(missing.size()) + " entries missing, first of record " +
              std::to_string(recordNumberOf(Entry(missing[0], 0))));
      }
      if (!stale.empty()) {
        fault(name + ": " + std::to_string(stale.size()) + " stale entries, first of record " +
              std::to_string(recordNumberOf(Entry(stale[0], 0))));
      }
    }
  }

  BriskFile& m_file;
  std::uint32_t m_table;
  const TableDesc& m_desc;
  const std::function<std::string(std::string_view)>& m_conv;
  TableCheckReport m_report;
  std::vector<std::vector<Entry>> m_keys;
  std::vector<Entry> m_memos;
  std::map<std::uint32_t, std::string> m_records;
  std::map<std::uint8_t, Statistics> m_stats;
};

}  // namespace

TableCheckReport checkTable(BriskFile& file, std::uint32_t table, const TableDesc& desc,
                            const std::function<std::string(std::string_view)>& storedToMemory) {
  return Checker(file, table, desc, storedToMemory).run();
}

}  // namespace dw::db
