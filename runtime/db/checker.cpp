// The structural checker (see checker.h).  It reads raw page images itself
// and never goes through the page cache, so damage is reported, not halted on.
#include "runtime/db/checker.h"

#include <optional>
#include <set>
#include <string>

namespace dw::db {

namespace {

class Walker {
 public:
  Walker(BriskFile& file, CheckReport& report) : m_file(file), m_r(report) {}

  bool fail(std::int32_t page, std::string text) {
    if (m_r.sound) {
      m_r.sound = false;
      m_r.page = page;
      m_r.fault = std::move(text);
    }
    return false;
  }

  bool checkHeader(std::uint64_t fileSize) {
    const Header& h = m_file.header();
    if (h.headerSize != kHeaderSize) return fail(-1, "header size is not 512");
    if (h.ownOffset != 0) return fail(-1, "header own offset is not 0");
    if (h.regionStart[0] != 0 || h.regionEnd[0] != 0) return fail(-1, "region 0 is not empty at 0");
    for (int c = 1; c <= kClassCount; ++c) {
      const auto s = h.regionStart[c], e = h.regionEnd[c];
      const std::string rc = "region " + std::to_string(c);
      if (s < h.regionEnd[c - 1]) return fail(-1, rc + " overlaps the region below");
      if (e < s) return fail(-1, rc + " ends before it starts");
      if ((e - s) % c != 0) return fail(-1, rc + " is not whole pages");
    }
    if (h.endPage() != 0 && h.endOfData() > fileSize) {
      return fail(-1, "regions reach beyond the end of the file");
    }
    return true;
  }

  // Walks the subtree of page; low is its separator (keys must be >= low and
  // the first key equal to it), high the next separator above (keys < high).
  bool walk(std::int32_t page, int expectLevel, std::optional<std::string> low,
            const std::optional<std::string>& high, bool leftmost) {
    const Header& h = m_file.header();
    const int cls = h.classOf(page);
    if (cls == 0) return fail(page, "page lies in no region");
    if ((page - h.regionStart[cls]) % cls != 0)
      return fail(page, "page not on a slot of its region");
    if (!m_seen.insert(page).second) return fail(page, "page referenced more than once");
    const std::string image = m_file.readRawPage(page, cls);
    if (image.empty()) return fail(page, "page lies beyond the end of the file");
    PageContent content;
    std::uint32_t stored = 0;
    const std::string err = parseImageChecked(image, cls, content, stored);
    if (!err.empty()) return fail(page, err);
    if (getU32(reinterpret_cast<const std::uint8_t*>(image.data())) != pageOffset(page)) {
      return fail(page, "own offset does not match the page number");
    }
    if (stored != estimateOf(content)) return fail(page, "stored size estimate is wrong");
    if (expectLevel >= 0 && content.level != expectLevel)
      return fail(page, "level is not one below its parent");
    if (content.entries.empty()) return fail(page, "page has no entries");
    // Every change applies the split rule, so no page holds more than it
    // allows: above 15094 bytes (or 4096 with over 20 entries) it would have
    // been split, unless it holds a single entry.
    if (content.entries.size() > 1 &&
        (stored > kSplitAlways ||
         (stored > kSplitCrowded && content.entries.size() > kCrowdedEntries))) {
      return fail(page, "page holds more than the split rule allows");
    }
    ++m_r.pages;
    const auto& first = content.entries.front().entry;
    if (low && compareKeys(first.key(), *low) != 0) {
      return fail(page, "first key differs from its separator");
    }
    if (high && compareKeys(content.entries.back().entry.key(), *high) >= 0) {
      return fail(page, "keys reach the next separator");
    }
    if (content.level == 0) return checkLeaf(page, content, leftmost);
    for (std::size_t i = 0; i < content.entries.size(); ++i) {
      const auto& pe = content.entries[i];
      if (pe.entry.length() != pe.entry.keyLength) return fail(page, "separator carries data");
      std::optional<std::string> next = high;
      if (i + 1 < content.entries.size()) next = std::string(content.entries[i + 1].entry.key());
      if (!walk(pe.child, content.level - 1, std::string(pe.entry.key()), next,
                leftmost && i == 0)) {
        return false;
      }
    }
    return true;
  }

  bool checkLeaf(std::int32_t page, const PageContent& content, bool leftmost) {
    ++m_leaves;
    for (std::size_t i = 0; i < content.entries.size(); ++i) {
      const Entry& e = content.entries[i].entry;
      if (e.length() == 0) {
        if (!(leftmost && i == 0)) return fail(page, "empty entry outside the sentinel's place");
        continue;
      }
      if (leftmost && i == 0) return fail(page, "leftmost leaf does not begin with the sentinel");
      if (m_lastKey && compareKeys(*m_lastKey, e.key()) >= 0) {
        return fail(page, "keys out of order across pages");
      }
      m_lastKey = std::string(e.key());
      ++m_r.entries;
      m_r.entryBytes += e.length();
    }
    return true;
  }

  bool checkDense() {
    const Header& h = m_file.header();
    for (int c = 1; c <= kClassCount; ++c) {
      for (std::int32_t p = h.regionStart[c]; p < h.regionEnd[c]; p += c) {
        if (m_seen.count(p) == 0)
          return fail(p, "slot of region " + std::to_string(c) + " not in the tree");
      }
    }
    return true;
  }

 private:
  BriskFile& m_file;
  CheckReport& m_r;
  std::set<std::int32_t> m_seen;
  std::optional<std::string> m_lastKey;
  std::uint64_t m_leaves = 0;
};

}  // namespace

CheckReport checkFile(BriskFile& file) {
  CheckReport report;
  Walker w(file, report);
  auto size = file.osFile().size();
  const std::uint64_t fileSize = size ? *size : 0;
  if (!w.checkHeader(fileSize)) return report;
  const Header& h = file.header();
  if (h.changeCounter == 0 || h.rootPage < 0) {
    if (h.endPage() != 0) w.fail(-1, "pages stored but no tree written");
    return report;
  }
  const int cls = h.classOf(h.rootPage);
  if (cls == 0) {
    w.fail(h.rootPage, "root page lies in no region");
    return report;
  }
  const std::string image = file.readRawPage(h.rootPage, cls);
  PageContent rootContent;
  std::uint32_t stored = 0;
  if (image.empty() || !parseImageChecked(image, cls, rootContent, stored).empty()) {
    // walk() reports the exact fault.
  }
  report.depth = rootContent.level + 1u;
  if (!w.walk(h.rootPage, -1, std::nullopt, std::nullopt, true)) return report;
  w.checkDense();
  return report;
}

}  // namespace dw::db
