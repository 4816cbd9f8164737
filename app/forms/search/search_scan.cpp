// The scan of the search by example (see search_scan.h).
#include "app/forms/search/search_scan.h"

#include <algorithm>
#include <cstring>

#include "app/data/app_files.h"
#include "runtime/db/table_keys.h"

namespace dw::app {

ScheduleScan::ScheduleScan(const std::vector<SearchField>& fields, std::vector<SearchTerm> terms,
                           ScheduleRecord example, std::string exampleMessage)
    : m_matcher(fields, terms, example, exampleMessage),
      m_readMessage(termsReadMessage(fields, terms)) {}

ui::ProgressTick ScheduleScan::step(int count, const OnMatch& onMatch) {
  ScheduleFile& f = SCH();
  if (m_total < 0) m_total = std::max<std::int64_t>(1, f.records());
  if (m_atEnd) return {true, 100};
  // The step's reads share one access period of the file.
  db::ReadBatch batch(f);
  if (int rc = f.setAtRecord(m_next)) {
    m_error = rc;
    m_atEnd = true;
    return {true, 100};
  }
  // The records are read straight from the table (no driver call, no copy
  // into SCH's buffer); a match is read again through the driver, so that
  // SCH's buffer and current record are the match's when it is handed on.
  db::Table& table = *f.table();
  for (int i = 0; i < count; ++i) {
    if (!m_readMessage) table.armNoMemo();
    if (int rc = table.step(db::StepDirection::Next)) {
      if (rc != db::kErrNotAvailable) {
        // Read again through the driver, which posts the error (or halts on
        // a damaged file) as for any read.
        const int again = f.next();
        m_error = again != 0 && again != db::kErrNotAvailable ? again : rc;
      }
      m_atEnd = true;
      return {true, 100};
    }
    const std::uint32_t recordNumber = table.currentRecord();
    m_next = recordNumber + 1;
    ++m_read;
    std::memcpy(&m_record, table.record().data(), std::min(sizeof m_record, table.record().size()));
    if (m_readMessage) m_message.assign(trimRight(table.memo(kMessageMemo)));
    if (m_matcher.matches(m_record, m_message)) {
      if (int rc = f.getRecord(recordNumber)) {
        m_error = rc;
        m_atEnd = true;
        return {true, 100};
      }
      ++m_matches;
      if (!onMatch(recordNumber)) {
        return {true, static_cast<int>(std::min<std::int64_t>(100, m_read * 100 / m_total))};
      }
    }
  }
  return {false, static_cast<int>(std::min<std::int64_t>(99, m_read * 100 / m_total))};
}

}  // namespace dw::app
