// Descriptions of the application's tables (see table_descs.h), built from
// the record structs of records.h.
#include "app/data/table_descs.h"

#include <cassert>
#include <initializer_list>
#include <string>
#include <type_traits>

#include "app/data/records.h"

namespace dw::app {

namespace {

using db::FieldType;

// Attributes of the keys as the tables declare them.
constexpr std::uint8_t kUniquePrimary = db::kKeyPrimary | db::kKeyNoCase | db::kKeyOptional;
constexpr std::uint8_t kUnique = db::kKeyNoCase | db::kKeyOptional;
constexpr std::uint8_t kDuplicates = db::kKeyDuplicates | db::kKeyNoCase | db::kKeyOptional;
constexpr std::uint8_t kDuplicatesCaseSensitive = db::kKeyDuplicates;

// Collects fields, memos and keys in declaration order.  A field that starts
// inside bytes an earlier field covers is an overlay field; a GROUP covers
// nothing of its own (its members cover its bytes), so the members of a
// plain GROUP are not overlays, as the runtime's field lists give them.
class Builder {
 public:
  Builder(std::string_view prefix, std::size_t recordLength) : m_prefix(prefix) {
    m_desc.recordLength = static_cast<std::uint16_t>(recordLength);
  }

  void number(std::string_view name, FieldType type, std::size_t offset, std::size_t length) {
    add(name, type, offset, length);
  }
  template <std::size_t N>
  void text(std::string_view name, std::size_t offset, std::type_identity<Text<N>>) {
    db::FieldDesc& f = add(name, FieldType::String, offset, N);
    f.declaredLength = N;
    f.picture = "@s" + std::to_string(N);
  }
  template <std::size_t N>
  void text(std::string_view name, std::size_t offset, std::type_identity<CText<N>>) {
    db::FieldDesc& f = add(name, FieldType::CString, offset, N);
    f.declaredLength = N;
    f.picture = "@s" + std::to_string(N - 1);
  }
  template <std::size_t N>
  void decimal(std::string_view name, std::size_t offset, std::type_identity<Decimal<N>>) {
    db::FieldDesc& f = add(name, FieldType::Decimal, offset, N);
    f.decimalSize = N;
    f.decimalPlaces = 0;
  }
  // A GROUP over [first, end): declared before the fields inside it.
  void group(std::string_view name, std::size_t first, std::size_t end) {
    add(name, FieldType::Group, first, end - first);
  }
  void memo(std::string_view name, std::size_t size) {
    db::MemoDesc m;
    m.name = qualified(name);
    m.size = static_cast<std::uint16_t>(size);
    m_desc.memos.push_back(std::move(m));
  }
  void key(std::string_view name, std::uint8_t flags,
           std::initializer_list<std::string_view> parts) {
    db::KeyDesc k;
    k.name = qualified(name);
    k.flags = flags;
    for (std::string_view part : parts) k.components.push_back({indexOf(qualified(part)), false});
    m_desc.keys.push_back(std::move(k));
  }
  db::TableDesc take() { return std::move(m_desc); }

 private:
  std::string qualified(std::string_view name) const { return m_prefix + ":" + std::string(name); }
  db::FieldDesc& add(std::string_view name, FieldType type, std::size_t offset,
                     std::size_t length) {
    assert(offset + length <= m_desc.recordLength);
    db::FieldDesc f;
    f.type = type;
    f.offset = static_cast<std::uint16_t>(offset);
    f.name = qualified(name);
    f.totalLength = static_cast<std::uint16_t>(length);
    f.overlay = offset < m_covered ? 1 : 0;
    f.index = static_cast<std::uint16_t>(m_desc.fields.size());
    if (type != FieldType::Group) m_covered = std::max(m_covered, offset + length);
    m_desc.fields.push_back(std::move(f));
    return m_desc.fields.back();
  }
  std::uint16_t indexOf(const std::string& name) const {
    for (const db::FieldDesc& f : m_desc.fields)
      if (f.name == name) return f.index;
    assert(!"key component names no field");
    return 0;
  }

  std::string m_prefix;
  db::TableDesc m_desc;
  std::size_t m_covered = 0;
};

#define DW_NUM(R, Field, Type) b.number(#Field, Type, offsetof(R, Field), sizeof(R::Field))
#define DW_TEXT(R, Field) \
  b.text(#Field, offsetof(R, Field), std::type_identity<decltype(R::Field)>{})
#define DW_DEC(R, Field) \
  b.decimal(#Field, offsetof(R, Field), std::type_identity<decltype(R::Field)>{})
#define DW_GROUP(R, Name, First, Last) \
  b.group(#Name, offsetof(R, First), offsetof(R, Last) + sizeof(R::Last))

// The fields that Schedule and History records share, and their closing
// flags (History has no AdvanceWarned).
template <typename R>
void taskFields(Builder& b) {
  DW_NUM(R, ID, FieldType::Long);
  DW_TEXT(R, TaskType);
  DW_TEXT(R, Category);
  DW_TEXT(R, Description);
  DW_TEXT(R, Command);
  DW_TEXT(R, Path);
  DW_TEXT(R, ScheduleType);
  DW_GROUP(R, DayOfWeekGroup, Sunday, Saturday);
  DW_NUM(R, Sunday, FieldType::Byte);
  DW_NUM(R, Monday, FieldType::Byte);
  DW_NUM(R, Tuesday, FieldType::Byte);
  DW_NUM(R, Wednesday, FieldType::Byte);
  DW_NUM(R, Thursday, FieldType::Byte);
  DW_NUM(R, Friday, FieldType::Byte);
  DW_NUM(R, Saturday, FieldType::Byte);
  DW_NUM(R, Every, FieldType::Long);
  DW_GROUP(R, EveryOrdinal, Every1st, EveryLast);
  DW_NUM(R, Every1st, FieldType::Byte);
  DW_NUM(R, Every2nd, FieldType::Byte);
  DW_NUM(R, Every3rd, FieldType::Byte);
  DW_NUM(R, Every4th, FieldType::Byte);
  DW_NUM(R, EveryLast, FieldType::Byte);
  DW_TEXT(R, EveryType);
  DW_GROUP(R, ScheduleDateAndTime, Date, SkipNextTime);
  DW_NUM(R, Date, FieldType::Long);
  DW_NUM(R, Time, FieldType::Long);
  DW_NUM(R, LastRunDate, FieldType::Long);
  DW_NUM(R, LastRunTime, FieldType::Long);
  DW_NUM(R, SkipNextTime, FieldType::Byte);
  DW_GROUP(R, AlarmGroup, Alarm, AlarmFile);
  DW_NUM(R, Alarm, FieldType::Byte);
  DW_TEXT(R, AlarmFile);
  if constexpr (std::is_same_v<R, ScheduleRecord>) {
    DW_GROUP(R, AdvancedWarning, AdvanceWarnDate, AdvanceWarned);
  } else {
    DW_GROUP(R, AdvancedWarning, AdvanceWarnDate, AdvanceWarnTime);
  }
  DW_NUM(R, AdvanceWarnDate, FieldType::Long);
  DW_NUM(R, AdvanceWarnTime, FieldType::Long);
  if constexpr (std::is_same_v<R, ScheduleRecord>) DW_NUM(R, AdvanceWarned, FieldType::Byte);
  DW_NUM(R, Warn, FieldType::Byte);
  DW_NUM(R, UserSkip, FieldType::Byte);
  DW_NUM(R, Disabled, FieldType::Byte);
  DW_NUM(R, Completed, FieldType::Byte);
  b.memo("Message", kMessageMemoSize);
}

// The keys that Schedule and History share, in their declared order after
// the identifier key.
void taskKeys(Builder& b) {
  b.key("KeyDate", kDuplicates, {"Date", "Time"});
  b.key("KeyCategory", kDuplicates, {"Category", "Description"});
  b.key("KeyCategoryDate", kDuplicates, {"Category", "Date", "Time"});
  b.key("KeyTaskName", kDuplicates, {"Description", "Category"});
  b.key("KeyTaskType", kDuplicates, {"TaskType", "Description"});
  b.key("KeyTaskDate", kDuplicates, {"TaskType", "Date", "Time"});
}

}  // namespace

db::TableDesc scheduleTableDesc(std::string_view prefix) {
  Builder b(prefix, sizeof(ScheduleRecord));
  taskFields<ScheduleRecord>(b);
  b.key("KeyID", kUniquePrimary, {"ID"});
  taskKeys(b);
  b.key("KeyDateEnabled", kDuplicates, {"Disabled", "Date", "Time"});
  b.key("KeyAdvanced", kDuplicates, {"AdvanceWarned", "AdvanceWarnDate", "AdvanceWarnTime"});
  return b.take();
}

db::TableDesc historyTableDesc() {
  Builder b("HIS", sizeof(HistoryRecord));
  taskFields<HistoryRecord>(b);
  b.key("KeyID", kUniquePrimary, {"ID"});
  taskKeys(b);
  return b.take();
}

db::TableDesc categoriesTableDesc() {
  Builder b("CAT", sizeof(CategoryRecord));
  DW_TEXT(CategoryRecord, Category);
  b.key("KeyCategory", kUnique, {"Category"});
  return b.take();
}

db::TableDesc toDoTableDesc() {
  Builder b("TDO", sizeof(ToDoRecord));
  DW_NUM(ToDoRecord, Done, FieldType::Byte);
  DW_NUM(ToDoRecord, Priority, FieldType::Byte);
  DW_TEXT(ToDoRecord, ToDo);
  b.key("KeyDone", kDuplicatesCaseSensitive, {"Done", "Priority", "ToDo"});
  b.key("KeyPriority", kDuplicatesCaseSensitive, {"Priority", "Done", "ToDo"});
  b.key("KeyToDo", kDuplicatesCaseSensitive, {"ToDo"});
  return b.take();
}

db::TableDesc scriptingTableDesc() {
  using R = ScriptingRecord;
  Builder b("SCR", sizeof(R));
  DW_DEC(R, ID);
  DW_DEC(R, Sequence);
  DW_TEXT(R, Action);
  DW_TEXT(R, Keystrokes);
  DW_DEC(R, SecondsToWait);
  DW_TEXT(R, WaitForWindow);
  DW_TEXT(R, FocusOnWindow);
  DW_TEXT(R, DDEType);
  DW_TEXT(R, DDEApplicationName);
  DW_TEXT(R, DDEApplicationTopic);
  DW_TEXT(R, DDELinkItem);
  DW_TEXT(R, DDECommand);
  b.key("KeyID", kUniquePrimary, {"ID", "Sequence"});
  return b.take();
}

db::TableDesc tagTableDesc() {
  Builder b("TF_", sizeof(TagRecord));
  DW_NUM(TagRecord, USR, FieldType::Long);
  DW_NUM(TagRecord, TBL, FieldType::Short);
  DW_NUM(TagRecord, PTR, FieldType::Long);
  DW_TEXT(TagRecord, VAL);
  b.key("PtrKey", kUniquePrimary, {"USR", "TBL", "PTR"});
  b.key("ValKey", kDuplicates, {"USR", "TBL", "VAL"});
  return b.take();
}

#undef DW_NUM
#undef DW_TEXT
#undef DW_DEC
#undef DW_GROUP

void clearRecord(void* record, std::size_t size, const db::TableDesc& desc) {
  assert(size == desc.recordLength);
  db::clearRecordImage(static_cast<char*>(record), size, desc);
}

}  // namespace dw::app
