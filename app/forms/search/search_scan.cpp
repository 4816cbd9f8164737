// The scan of the search by example (see search_scan.h).
#include "app/forms/search/search_scan.h"

#include <algorithm>

#include "app/data/app_files.h"
#include "runtime/db/table_keys.h"

namespace dw::app {

ScheduleScan::ScheduleScan(const std::vector<SearchField>& fields, std::vector<SearchTerm> terms,
                           ScheduleRecord example, std::string exampleMessage)
    : m_fields(fields),
      m_terms(std::move(terms)),
      m_example(example),
      m_exampleMessage(std::move(exampleMessage)),
      m_readMessage(termsReadMessage(m_fields, m_terms)) {}

ui::ProgressTick ScheduleScan::step(int count, const OnMatch& onMatch) {
  ScheduleFile& f = SCH();
  if (m_total < 0) m_total = std::max<std::int64_t>(1, f.records());
  if (m_atEnd) return {true, 100};
  if (int rc = f.setAtRecord(m_next)) {
    m_error = rc;
    m_atEnd = true;
    return {true, 100};
  }
  for (int i = 0; i < count; ++i) {
    if (!m_readMessage) f.noMemo();
    if (int rc = f.next()) {
      if (rc != db::kErrNotAvailable) m_error = rc;
      m_atEnd = true;
      return {true, 100};
    }
    const std::uint32_t recordNumber = f.pointer();
    m_next = recordNumber + 1;
    ++m_read;
    const std::string message = m_readMessage ? f.memoText(kMessageMemo) : std::string();
    if (recordMatches(m_fields, m_terms, m_example, m_exampleMessage, f.rec(), message)) {
      ++m_matches;
      if (!onMatch(recordNumber)) {
        return {true, static_cast<int>(std::min<std::int64_t>(100, m_read * 100 / m_total))};
      }
    }
  }
  return {false, static_cast<int>(std::min<std::int64_t>(99, m_read * 100 / m_total))};
}

}  // namespace dw::app
