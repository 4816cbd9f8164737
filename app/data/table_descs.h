// Descriptions of the application's tables for the database driver: every
// field with its offset, type, length and picture, the memos, and the keys
// in their declared order with their attributes (runtime/db/table_desc.h).
//
// The descriptions are built from the record structs of records.h (offsets
// and widths come from offsetof/sizeof), so a description cannot drift from
// its record buffer.  GROUP fields are listed before the fields inside them;
// those inner fields are not overlays (they cover the group's bytes, as
// the runtime's field lists declare them), so a table created from a field
// list and one created from these descriptions accept each other.
//
// Key numbers are the keys' 0-based positions in the declaration.
//
// Thread-safety: the functions build fresh values; any thread may call them.
#pragma once

#include <cstddef>
#include <string_view>

#include "runtime/db/table_desc.h"

namespace dw::app {

// The Schedule table under the windows' prefix "SCH" or the timer work's
// "SCH1" (same layout and keys, its own names: "SCH1:Date", "SCH1:Message").
inline constexpr const char* kSchedulePrefix = "SCH";
inline constexpr const char* kScheduleTimerPrefix = "SCH1";
db::TableDesc scheduleTableDesc(std::string_view prefix = kSchedulePrefix);
db::TableDesc historyTableDesc();     // HIS
db::TableDesc categoriesTableDesc();  // CAT
db::TableDesc toDoTableDesc();        // TDO
db::TableDesc scriptingTableDesc();   // SCR
db::TableDesc tagTableDesc();         // TF_

// Key numbers of the Schedule table (SCH and SCH1).
namespace sch_key {
inline constexpr int kKeyID = 0;
inline constexpr int kKeyDate = 1;
inline constexpr int kKeyCategory = 2;
inline constexpr int kKeyCategoryDate = 3;
inline constexpr int kKeyTaskName = 4;
inline constexpr int kKeyTaskType = 5;
inline constexpr int kKeyTaskDate = 6;
inline constexpr int kKeyDateEnabled = 7;  // enabled tasks first, by date and time
inline constexpr int kKeyAdvanced = 8;     // unwarned advance warnings first
}  // namespace sch_key

// Key numbers of the History table: the first seven of the Schedule's.
namespace his_key {
inline constexpr int kKeyID = 0;
inline constexpr int kKeyDate = 1;
inline constexpr int kKeyCategory = 2;
inline constexpr int kKeyCategoryDate = 3;
inline constexpr int kKeyTaskName = 4;
inline constexpr int kKeyTaskType = 5;
inline constexpr int kKeyTaskDate = 6;
}  // namespace his_key

namespace cat_key {
inline constexpr int kKeyCategory = 0;
}
namespace tdo_key {
inline constexpr int kKeyDone = 0;
inline constexpr int kKeyPriority = 1;
inline constexpr int kKeyToDo = 2;
}  // namespace tdo_key
namespace scr_key {
inline constexpr int kKeyID = 0;
}
namespace tf_key {
inline constexpr int kPtrKey = 0;
inline constexpr int kValKey = 1;
}  // namespace tf_key

// Clears a record buffer the way a declaration clears it: STRING fields to
// blanks, every other byte to zero.  `size` must be desc.recordLength.
void clearRecord(void* record, std::size_t size, const db::TableDesc& desc);

}  // namespace dw::app
