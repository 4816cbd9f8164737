// Views (view.h): binding a table's fields, the key range of the filter as
// an interval of encoded key prefixes, and the scans that read pages.
//
// Probes.  A key entry is T, k (5 bytes), the encoded value (L bytes) and,
// for a key with duplicates, the record number.  The cursor steps strictly
// beyond its probe, so a scan from a bound starts at a probe that lies
// between entries: before(s) sorts after every key below s and before
// every key that is s or starts with s; after(s) sorts after every key
// that starts with s and before every key above them.
#include "runtime/db/view.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "runtime/db/field_binding.h"
#include "runtime/lang/errors.h"
#include "runtime/lang/expr_compiler.h"
#include "runtime/lang/expr_eval.h"
#include "runtime/lang/symbol_table.h"

namespace dw::db {

namespace {

constexpr std::size_t kPrefixLength = 5;  // T, k

}  // namespace

void bindTableFields(Table& table) {
  bindRecordFields(table.desc(), table.record().data());
}

// One page's access period: the file's read period, the table buffer kept
// aside, the filter's record-independent parts evaluated once, the range.
struct View::Scan {
  Scan(View& v) : view(v), saved(v.buffer(), v.bufferSize()) {
    rc = v.m_table.tableFile().beginRead();
    if (v.m_filter) lang::prepareScan(*v.m_filter, v.m_isField);
    range = v.resolveRange();
  }
  ~Scan() {
    if (view.m_filter) lang::endScan(*view.m_filter);
    std::memcpy(view.buffer(), saved.data(), saved.size());
    view.m_table.tableFile().endOperation();
  }
  Scan(const Scan&) = delete;
  Scan& operator=(const Scan&) = delete;

  View& view;
  std::string saved;
  int rc = 0;
  Range range;
};

View::View(Table& table, std::size_t key, char* programBuffer)
    : m_table(table), m_key(key), m_programBuffer(programBuffer) {}

char* View::buffer() {
  return m_programBuffer ? m_programBuffer : m_table.record().data();
}

std::size_t View::bufferSize() const {
  return m_table.desc().recordLength;
}

View::~View() = default;

int View::setFilter(std::string_view text) {
  m_filter.reset();
  m_plan = {};
  if (text.find_first_not_of(' ') == std::string_view::npos) return 0;
  bindRecordFields(m_table.desc(), buffer());
  lang::clearError();
  lang::ExprTree tree = lang::compileExpression(text);
  if (!tree) {
    const int posted = lang::errorCode();
    return posted == lang::err::kExprNoBind ? posted : lang::err::kExprInvalid;
  }
  m_isField = lang::variablesIn({{buffer(), bufferSize()}});
  std::vector<std::string> names;
  if (m_key < m_table.desc().keys.size()) {
    for (const KeyComponent& c : keyComponents(m_table.ref(), m_key)) {
      names.push_back(m_table.desc().fields[c.field].name);
    }
  }
  m_filter = std::move(tree);
  m_plan = lang::planKeyRange(*m_filter, names, m_isField);
  return 0;
}

View::Range View::resolveRange() const {
  Range r;
  if (!m_filter || m_key >= m_table.desc().keys.size()) return r;
  const lang::ResolvedKeyRange resolved = lang::resolveKeyRange(m_plan);
  if (resolved.empty) {
    r.empty = true;
    return r;
  }
  const TableRef ref = m_table.ref();
  const std::vector<KeyComponent>& comps = keyComponents(ref, m_key);
  // Each end grows component by component while every component so far
  // has a bound at that end of the key order: (c0, c1) >= (l0, l1) holds
  // lexicographically whenever c0 >= l0 and c1 >= l1.
  bool lowOpen = true;
  bool highOpen = true;
  for (std::size_t i = 0; i < comps.size() && i < resolved.components.size(); ++i) {
    const lang::ResolvedComponent& rc = resolved.components[i];
    const bool desc = comps[i].descending;
    const lang::ResolvedBound& keyLow = desc ? rc.upper : rc.lower;
    const lang::ResolvedBound& keyHigh = desc ? rc.lower : rc.upper;
    const BoundSide lowSide = desc ? BoundSide::Upper : BoundSide::Lower;
    const BoundSide highSide = desc ? BoundSide::Lower : BoundSide::Upper;
    if (lowOpen) {
      auto e = keyLow.value ? encodeBound(ref, m_key, i, *keyLow.value, lowSide) : std::nullopt;
      if (e) {
        r.low += *e;
      } else {
        lowOpen = false;
      }
    }
    if (highOpen) {
      auto e = keyHigh.value ? encodeBound(ref, m_key, i, *keyHigh.value, highSide) : std::nullopt;
      if (e) {
        r.high += *e;
      } else {
        highOpen = false;
      }
    }
  }
  if (!r.low.empty() && !r.high.empty() &&
      r.low.substr(0, r.high.size()) > r.high.substr(0, r.low.size())) {
    r.empty = true;
  }
  return r;
}

std::string View::before(std::string_view s) const {
  std::string p(s);
  while (!p.empty() && static_cast<unsigned char>(p.back()) == 0) p.pop_back();
  if (p.size() < s.size()) return p;  // nothing lies between p and p + "\0"
  p.back() = static_cast<char>(static_cast<unsigned char>(p.back()) - 1);
  return after(p);
}

std::string View::after(std::string_view s) const {
  const std::size_t tail = keyValueLength(m_table.ref(), m_key) + kPrefixLength + 4;
  return std::string(s) + std::string(tail, '\xFF');
}

std::string View::lowProbe(const Range& r) const {
  return before(keyPrefix(m_table.number(), std::uint8_t(m_key)) + r.low);
}

std::string View::highProbe(const Range& r) const {
  return after(keyPrefix(m_table.number(), std::uint8_t(m_key)) + r.high);
}

bool View::passes(std::string_view recordImage) {
  if (!m_filter) return true;
  char* buffer = this->buffer();
  const std::size_t size = bufferSize();
  const std::string saved(buffer, size);
  const std::size_t n = std::min(size, recordImage.size());
  std::memcpy(buffer, recordImage.data(), n);
  std::memset(buffer + n, 0, size - n);
  const bool ok = lang::evalTruth(*m_filter);
  std::memcpy(buffer, saved.data(), size);
  return ok;
}

int View::collect(Scan& scan, std::string probe, StepDirection d, std::size_t n,
                  std::vector<ViewRow>& rows, bool& reachedEnd) {
  reachedEnd = false;
  if (m_key >= m_table.desc().keys.size()) {
    reachedEnd = true;
    return 0;
  }
  const TableRef ref = m_table.ref();
  const std::size_t recordLength = m_table.desc().recordLength;
  KeyCursor cursor(ref);
  cursor.setKeyProbe(m_key, std::move(probe));
  std::uint32_t found = 0;
  std::string image;
  const RecordReader reader = [&](std::uint32_t rn, std::string_view stored) {
    ++m_recordsRead;
    found = rn;
    image = ref.storedToMemory ? ref.storedToMemory(stored) : std::string(stored);
    image.resize(recordLength, '\0');
    return 0;
  };
  const std::string& low = scan.range.low;
  const std::string& high = scan.range.high;
  std::size_t taken = 0;
  while (taken < n) {
    const int rc = cursor.step(d, reader);
    if (rc == kErrNotAvailable) {
      reachedEnd = true;
      return 0;
    }
    if (rc) return rc;
    const std::string_view value = std::string_view(cursor.probe()).substr(kPrefixLength);
    const bool belowLow = value.substr(0, low.size()) < low;
    const bool aboveHigh = value.substr(0, high.size()) > high;
    if ((d == StepDirection::Next && aboveHigh) || (d == StepDirection::Previous && belowLow)) {
      reachedEnd = true;
      return 0;
    }
    if (belowLow || aboveHigh) continue;  // only from a probe outside the range
    if (!passes(image) || (m_rowTest && !m_rowTest(found, image))) continue;
    rows.push_back(ViewRow{found, image, cursor.probe()});
    ++taken;
  }
  return 0;
}

int View::readPage(StepDirection d, std::optional<std::string> from, bool fromAnEnd, std::size_t n,
                   ViewPage& out) {
  out = {};  // `from` is a copy: a position may lie in out's own rows
  Scan scan(*this);
  if (scan.rc) return scan.rc;
  const bool forward = d == StepDirection::Next;
  if (fromAnEnd) (forward ? out.atStart : out.atEnd) = true;
  if (scan.range.empty) {
    out.atStart = out.atEnd = true;
    return 0;
  }
  std::string probe = forward ? lowProbe(scan.range) : highProbe(scan.range);
  if (from) probe = forward ? std::max(*from, probe) : std::min(*from, probe);
  const int rc = collect(scan, std::move(probe), d, n, out.rows, forward ? out.atEnd : out.atStart);
  if (!forward) std::reverse(out.rows.begin(), out.rows.end());
  return rc;
}

int View::firstPage(std::size_t n, ViewPage& out) {
  return readPage(StepDirection::Next, std::nullopt, true, n, out);
}

int View::lastPage(std::size_t n, ViewPage& out) {
  return readPage(StepDirection::Previous, std::nullopt, true, n, out);
}

int View::pageAfter(std::string_view position, std::size_t n, ViewPage& out) {
  return readPage(StepDirection::Next, std::string(position), false, n, out);
}

int View::pageBefore(std::string_view position, std::size_t n, ViewPage& out) {
  return readPage(StepDirection::Previous, std::string(position), false, n, out);
}

int View::around(std::string anchor, std::size_t n, ViewPage& out) {
  Scan scan(*this);
  if (scan.rc) return scan.rc;
  if (scan.range.empty || n == 0) {
    out.atStart = out.atEnd = scan.range.empty;
    return 0;
  }
  const std::string backFrom = std::min(anchor, highProbe(scan.range));
  std::vector<ViewRow> back;
  if (int rc = collect(scan, backFrom, StepDirection::Previous, (n - 1) / 2, back, out.atStart)) {
    return rc;
  }
  std::vector<ViewRow> forward;
  const std::string forwardFrom = std::max(anchor, lowProbe(scan.range));
  if (int rc =
          collect(scan, forwardFrom, StepDirection::Next, n - back.size(), forward, out.atEnd)) {
    return rc;
  }
  if (back.size() + forward.size() < n && !out.atStart) {
    const std::string from = back.empty() ? backFrom : back.back().position;
    if (int rc = collect(scan, from, StepDirection::Previous, n - back.size() - forward.size(),
                         back, out.atStart)) {
      return rc;
    }
  }
  out.rows.assign(back.rbegin(), back.rend());
  out.rows.insert(out.rows.end(), forward.begin(), forward.end());
  return 0;
}

int View::pageAroundRecord(std::uint32_t recordNumber, std::size_t n, ViewPage& out) {
  out = {};
  if (m_key >= m_table.desc().keys.size()) return kErrNotFound;
  std::string entry;
  {
    Scan scan(*this);
    if (scan.rc) return scan.rc;
    KeyCursor cursor(m_table.ref());
    if (recordNumber == 0) return kErrNotFound;
    cursor.setKeyAtRecord(m_key, recordNumber);
    const int rc = cursor.step(StepDirection::Next, {});
    if (rc) return rc == kErrNotAvailable ? kErrNotFound : rc;
    ++m_recordsRead;
    entry = cursor.probe();
  }
  return around(before(entry), n, out);
}

int View::pageAroundValue(std::string_view recordImage, std::size_t n, ViewPage& out) {
  out = {};
  if (m_key >= m_table.desc().keys.size()) return kErrNotFound;
  const TableRef ref = m_table.ref();
  return around(before(keyPrefix(m_table.number(), std::uint8_t(m_key)) +
                       encodeKeyValue(ref, m_key, recordImage)),
                n, out);
}

}  // namespace dw::db
