// The scan of the search by example: the Schedule file (SCH) read in its
// stored order (record order), a number of records per step, each record
// tested against the terms; a match is handed to the caller, who tags it,
// clears its tag, or stops the scan there to show it (Edit).
//
// Between two steps the thread gives the Runtime lock up (the progress
// window waits in ACCEPT), and another window may move SCH's position or
// change the file.  So a step does not rely on the position: it starts
// again at the record number after the last one read (SET to record order
// from that number), and counts what it has read for the percentage.
//
// A step's reads share one access period of the file (db::ReadBatch): the
// file's header is read once a step, not once a record.
//
// Thread-safety: the search window's thread, under the Runtime lock (SCH's
// buffer is process-wide; a step leaves the last record read in it).
// `fields` must outlive the scan.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/forms/search/search_fields.h"
#include "runtime/ui/progress_window.h"

namespace dw::app {

inline constexpr int kRecordsPerTick = 100;
inline constexpr const char* kSearchingTitle = "Searching for Matching Records";

class ScheduleScan {
 public:
  // What the caller does with a match (SCH's buffer holds it): true to go
  // on, false to stop the scan after it.
  using OnMatch = std::function<bool(std::uint32_t recordNumber)>;

  ScheduleScan(const std::vector<SearchField>& fields, std::vector<SearchTerm> terms,
               ScheduleRecord example, std::string exampleMessage);

  // Reads up to `count` records from where the last step ended.
  ui::ProgressTick step(int count, const OnMatch& onMatch);
  // Whether every record has been read.
  bool atEnd() const { return m_atEnd; }
  std::int64_t matches() const { return m_matches; }
  // An error reading the file (other than the end), 0 for none.
  int error() const { return m_error; }

 private:
  SearchMatcher m_matcher;
  bool m_readMessage;
  ScheduleRecord m_record{};  // the record read last, and its message
  std::string m_message;
  std::uint32_t m_next = 1;  // the record number to start the next step at
  std::int64_t m_read = 0;
  std::int64_t m_total = -1;
  std::int64_t m_matches = 0;
  bool m_atEnd = false;
  int m_error = 0;
};

}  // namespace dw::app
