// The fields and terms of the search by example (see search_fields.h).
#include "app/forms/search/search_fields.h"

#include <cmath>

#include "runtime/lang/picture.h"

namespace dw::app {

namespace {

// A text field as the search reads it: a STRING without its trailing
// blanks, a CSTRING up to its terminator.
template <std::size_t N>
std::string_view fieldText(const Text<N>& t) {
  return t.trimmed();
}
template <std::size_t N>
std::string_view fieldText(const CText<N>& t) {
  return t.view();
}

using Text = std::function<std::string_view(const ScheduleRecord&, const std::string&)>;
using Number = std::function<std::int64_t(const ScheduleRecord&)>;

void add(std::vector<SearchField>& out, int control, int last, QbeKind kind, const char* picture,
         Text text, Number number) {
  if (control == 0) return;
  out.push_back(
      {control, last ? last : control, kind, picture, std::move(text), std::move(number)});
}

#define DW_TEXT_OF(member) \
  [](const ScheduleRecord& r, const std::string&) { return fieldText(r.member); }
#define DW_NUMBER_OF(member) \
  [](const ScheduleRecord& r) { return static_cast<std::int64_t>(r.member); }

std::int64_t limitNumber(const SearchField& f, const std::string& upper) {
  const lang::PictureValue v = lang::deformat(upper, f.picture);
  return v.isText ? 0 : std::llround(v.number);
}

std::int64_t shownDigits(const SearchField& f, std::int64_t n) {
  return picturedDigits(lang::format(static_cast<double>(n), f.picture));
}

}  // namespace

std::vector<SearchField> searchFields(const TaskFieldMap& m, int taskTypeLast,
                                      int scheduleTypeLast) {
  std::vector<SearchField> f;
  add(f, m.taskType, taskTypeLast, QbeKind::Option, "", DW_TEXT_OF(TaskType), {});
  add(f, m.category, 0, QbeKind::String, "", DW_TEXT_OF(Category), {});
  add(f, m.description, 0, QbeKind::String, "", DW_TEXT_OF(Description), {});
  add(f, m.command, 0, QbeKind::String, "", DW_TEXT_OF(Command), {});
  add(f, m.path, 0, QbeKind::String, "", DW_TEXT_OF(Path), {});
  add(f, m.messageText, 0, QbeKind::Text, "",
      [](const ScheduleRecord&, const std::string& message) { return std::string_view(message); },
      {});
  add(f, m.scheduleType, scheduleTypeLast, QbeKind::Option, "", DW_TEXT_OF(ScheduleType), {});
  if (m.every1st) {
    const Number weeks[] = {DW_NUMBER_OF(Every1st), DW_NUMBER_OF(Every2nd), DW_NUMBER_OF(Every3rd),
                            DW_NUMBER_OF(Every4th), DW_NUMBER_OF(EveryLast)};
    for (int i = 0; i < 5; ++i) add(f, m.every1st + i, 0, QbeKind::Check, "", {}, weeks[i]);
  }
  if (m.sunday) {
    const Number days[] = {DW_NUMBER_OF(Sunday),    DW_NUMBER_OF(Monday),   DW_NUMBER_OF(Tuesday),
                           DW_NUMBER_OF(Wednesday), DW_NUMBER_OF(Thursday), DW_NUMBER_OF(Friday),
                           DW_NUMBER_OF(Saturday)};
    for (int i = 0; i < 7; ++i) add(f, m.sunday + i, 0, QbeKind::Check, "", {}, days[i]);
  }
  add(f, m.every, 0, QbeKind::Number, "@n6", {}, DW_NUMBER_OF(Every));
  add(f, m.everyType, m.everyTypeLast, QbeKind::Option, "", DW_TEXT_OF(EveryType), {});
  add(f, m.date, 0, QbeKind::Date, "@d3", {}, DW_NUMBER_OF(Date));
  add(f, m.time, 0, QbeKind::Picture, "@t3", {}, DW_NUMBER_OF(Time));
  add(f, m.lastRunDate, 0, QbeKind::Date, "@d3", {}, DW_NUMBER_OF(LastRunDate));
  add(f, m.lastRunTime, 0, QbeKind::Picture, "@t3", {}, DW_NUMBER_OF(LastRunTime));
  add(f, m.skipNextTime, 0, QbeKind::Check, "", {}, DW_NUMBER_OF(SkipNextTime));
  add(f, m.advanceWarnDate, 0, QbeKind::Date, "@d3", {}, DW_NUMBER_OF(AdvanceWarnDate));
  add(f, m.advanceWarnTime, 0, QbeKind::Picture, "@t3", {}, DW_NUMBER_OF(AdvanceWarnTime));
  add(f, m.alarm, 0, QbeKind::Check, "", {}, DW_NUMBER_OF(Alarm));
  add(f, m.alarmFile, 0, QbeKind::String, "", DW_TEXT_OF(AlarmFile), {});
  add(f, m.warn, 0, QbeKind::Check, "", {}, DW_NUMBER_OF(Warn));
  add(f, m.userSkip, 0, QbeKind::Check, "", {}, DW_NUMBER_OF(UserSkip));
  add(f, m.disabled, 0, QbeKind::Check, "", {}, DW_NUMBER_OF(Disabled));
  return f;
}

#undef DW_TEXT_OF
#undef DW_NUMBER_OF

int fieldOfControl(const std::vector<SearchField>& fields, int control) {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (control >= fields[i].control && control <= fields[i].lastControl)
      return static_cast<int>(i);
  return -1;
}

SearchMatcher::SearchMatcher(const std::vector<SearchField>& fields,
                             const std::vector<SearchTerm>& terms, const ScheduleRecord& example,
                             const std::string& exampleMessage) {
  for (const SearchTerm& t : terms) {
    Prepared p;
    p.type = t.type;
    if (t.field >= 0 && t.field < static_cast<int>(fields.size())) {
      const SearchField& f = fields[t.field];
      p.field = &f;
      switch (f.kind) {
        case QbeKind::String:
        case QbeKind::Text:
        case QbeKind::Option:
          p.text.emplace(t.type, f.text(example, exampleMessage), t.upper);
          break;
        case QbeKind::Picture:
          if (t.type == match::kBegins || t.type == match::kEnds) {
            p.value = shownDigits(f, f.number(example));
            break;
          }
          [[fallthrough]];
        case QbeKind::Date:
        case QbeKind::Number:
        case QbeKind::Check:
          p.value = f.number(example);
          p.upper = limitNumber(f, t.upper);
          break;
      }
    }
    m_terms.push_back(std::move(p));
  }
}

bool SearchMatcher::matches(const ScheduleRecord& record, const std::string& message) const {
  for (const Prepared& p : m_terms) {
    if (!p.field) return false;
    const SearchField& f = *p.field;
    bool ok = false;
    switch (f.kind) {
      case QbeKind::String:
      case QbeKind::Text:
      case QbeKind::Option:
        ok = (*p.text)(f.text(record, message));
        break;
      case QbeKind::Date:
        ok = matchDate(p.type, static_cast<std::int32_t>(f.number(record)),
                       static_cast<std::int32_t>(p.value), static_cast<std::int32_t>(p.upper));
        break;
      case QbeKind::Picture:
        if (p.type == match::kBegins || p.type == match::kEnds) {
          ok = matchNumber(p.type, shownDigits(f, f.number(record)), p.value, 0);
          break;
        }
        [[fallthrough]];
      case QbeKind::Number:
      case QbeKind::Check:
        ok = matchNumber(p.type, f.number(record), p.value, p.upper);
        break;
    }
    if (!ok) return false;
  }
  return true;
}

bool recordMatches(const std::vector<SearchField>& fields, const std::vector<SearchTerm>& terms,
                   const ScheduleRecord& example, const std::string& exampleMessage,
                   const ScheduleRecord& record, const std::string& message) {
  return SearchMatcher(fields, terms, example, exampleMessage).matches(record, message);
}

bool termsReadMessage(const std::vector<SearchField>& fields,
                      const std::vector<SearchTerm>& terms) {
  for (const SearchTerm& t : terms)
    if (t.field >= 0 && t.field < static_cast<int>(fields.size()) &&
        fields[t.field].kind == QbeKind::Text)
      return true;
  return false;
}

}  // namespace dw::app
