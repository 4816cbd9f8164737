// The tag routines: marks on records of any table, kept in the tag file
// (TF_, "TagFile_.BRK"), one tag record per marked record.  A tag is keyed
// by (user, table, position): the user number separates the tags of
// several users of one tag file, the table number the tagged tables of one
// user, and the position is the tagged record's record number in its own
// file.  The search of the schedule tags Schedule tasks in table 1 with the
// task's identifier as the tag's value; the "Selected" view shows them.
//
// User number: always kTagUser (1).  The program runs for one user, and its
// data directory is locked to one running program, so every tag of the
// file is this user's; a fixed number keeps the tags valid when the data
// directory moves to another account or machine.
//
// Record numbers are issued once per file and never reused, so a tag can
// never come to mark a record that a later task takes; still, every path
// that deletes a task clears its tag (forgetScheduleTag), so that the tag
// file holds only tags of existing tasks and counts stay true.
//
// Two levels:
//   - setTag / clearTag / tagIsSet / firstTagOf act on an open TF_ and
//     return the driver's error (dornctl uses them inside its own
//     transaction);
//   - the routines SetTag_, ClrTag_, TagIsSet_, NewTag_ and CntTag_ open
//     the tag file through the user counts (created when missing) for their
//     call and end the program on an unexpected file error with the halt
//     text "Error #<code> - <message> (<operation>)".  NewTag_'s slow path
//     and CntTag_ run under a progress window ("Clearing Tags", "Counting
//     Tags") whose Cancel stops them.
//
// Threads: a runtime thread holding the Runtime lock (TF_'s buffer and open
// count are process-wide).  The progress windows give the lock up between
// their steps, as ACCEPT does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw::app {

inline constexpr std::int32_t kTagUser = 1;
inline constexpr std::int16_t kScheduleTagTable = 1;

// Tags cleared per timer tick by NewTag_'s slow path, read per tick by
// CntTag_.
inline constexpr int kClearTagsPerTick = 10;
inline constexpr int kCountTagsPerTick = 100;

inline constexpr const char* kClearingTagsTitle = "Clearing Tags";
inline constexpr const char* kCountingTagsTitle = "Counting Tags";

// The halt text of a failed tag operation ("SetTag_/ADD", ...).
std::string tagHaltText(int code, std::string_view message, std::string_view operation);

// On an open TF_.  setTag adds the tag or overwrites its value; clearTag
// deletes it when present (0 when absent); tagIsSet: present.
int setTag(std::int16_t table, std::uint32_t position, std::string_view value);
int clearTag(std::int16_t table, std::uint32_t position);
bool tagIsSet(std::int16_t table, std::uint32_t position);
// Whether the table has any tag of this user (leaves TF_'s buffer on it).
bool anyTag(std::int16_t table);

// The routines (opening TF_ as they need it).
void SetTag_(std::int16_t table, std::uint32_t position, std::string_view value);
void ClrTag_(std::int16_t table, std::uint32_t position);
bool TagIsSet_(std::int16_t table, std::uint32_t position);
bool AnyTag_(std::int16_t table);
// Clears every tag of the table for this user: at once (EMPTY, under the
// file's lock) when the file's first and last tags are both of this user
// and table and the lock is free, else ten deletions per tick under
// "Clearing Tags".  False when cancelled.
bool NewTag_(std::int16_t table);
// The number of tags of the table for this user, counted under "Counting
// Tags"; nothing when cancelled.
std::optional<std::int64_t> CntTag_(std::int16_t table);

// A Schedule task at `recordNumber` was deleted: clears its tag when the
// tag file exists.  Errors are ignored (a tag left behind marks no task).
void forgetScheduleTag(std::uint32_t recordNumber);

}  // namespace dw::app
