// What the search by example searches on: the fields of the task form (its
// field map, TaskFieldMap, names the controls), each with the kind that
// decides its match types and how it is compared, and the search terms the
// user set on them (match type and upper limit per field).
//
// The values searched for are the fields of an example task: the search
// form edits it through the task form's own controls, and a record matches
// when every term matches (qbe_match.h) the record's field against the
// example's field.  The upper limit of a range is kept as the user typed
// it (20 characters) and read through the field's picture.
//
// Thread-safety: plain values; the matching is pure.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data/records.h"
#include "app/forms/schedule/update_schedule_fields.h"
#include "app/forms/search/qbe_match.h"

namespace dw::app {

struct SearchField {
  int control = 0;      // its control in the form (an option group for OPTION)
  int lastControl = 0;  // the last of its controls (an option's last radio)
  QbeKind kind = QbeKind::String;
  const char* picture = "";  // NUMBER, PICTURE and DATE fields
  // The field of a task: as text (STRING, TEXT, OPTION; without trailing
  // blanks, pointing into the record or the message) or as a number.
  std::function<std::string_view(const ScheduleRecord&, const std::string& message)> text;
  std::function<std::int64_t(const ScheduleRecord&)> number;
};

// The searchable fields of a window with the task form's controls; the
// ones whose control the map leaves 0 are left out.  `taskTypeLast`,
// `scheduleTypeLast`: the last radios of those option groups.
std::vector<SearchField> searchFields(const TaskFieldMap& map, int taskTypeLast,
                                      int scheduleTypeLast);

// The index of the field that `control` belongs to, or -1.
int fieldOfControl(const std::vector<SearchField>& fields, int control);

struct SearchTerm {
  int field = 0;  // index into the field list
  int type = match::kIgnore;
  std::string upper;  // the range's upper limit as typed
};

// Whether `record` matches every term, the values searched for being the
// example task's.
bool recordMatches(const std::vector<SearchField>& fields, const std::vector<SearchTerm>& terms,
                   const ScheduleRecord& example, const std::string& exampleMessage,
                   const ScheduleRecord& record, const std::string& message);

// The terms prepared once against the example (its texts in the form the
// rules compare, its numbers and the upper limits read), for a scan that
// tests many records: matches() is recordMatches() with the same example.
// Keeps buffers: one thread at a time.  `fields` must outlive it.
class SearchMatcher {
 public:
  SearchMatcher(const std::vector<SearchField>& fields, const std::vector<SearchTerm>& terms,
                const ScheduleRecord& example, const std::string& exampleMessage);
  bool matches(const ScheduleRecord& record, const std::string& message) const;

 private:
  struct Prepared {
    const SearchField* field = nullptr;  // null: a term on no field, which never matches
    int type = match::kIgnore;
    std::optional<TextMatcher> text;  // text kinds
    std::int64_t value = 0;           // number kinds: the example's value
    std::int64_t upper = 0;           // the upper limit as read through the picture
  };
  std::vector<Prepared> m_terms;
};

// Whether any term reads the message (the scan then reads the memo).
bool termsReadMessage(const std::vector<SearchField>& fields, const std::vector<SearchTerm>& terms);

}  // namespace dw::app
