// Record buffers of the application's tables, byte for byte as they are
// stored (docs/application-tables.md).
//
// The file SM holds five tables (Schedule, History, Categories, ToDo and
// Scripting); the tag file of the search window holds one.  Each struct
// below is the exact record image of one table: members are named after the
// fields without their prefix (SCH:Date is ScheduleRecord::Date), numbers
// are little-endian, strings blank-padded, and every offset and size is
// checked at compile time against the stored layout.  GROUPs are not
// members: they name runs of consecutive members, which the table
// descriptions (table_descs.h) declare and the comments below mark.
//
// Invariants kept by the rest of the program (not by these structs):
//  - a Schedule record is either a task (Completed = 0) or the record of a
//    handled occurrence (Completed = 1 and Disabled = 1);
//  - flags hold 0 or 1; dates are day numbers and times hundredths + 1,
//    0 meaning none (runtime/lang/dates.h);
//  - a coded field holds one of the texts of table_codes.h.
//
// Thread-safety: plain bytes.  The process-wide buffers of the declarations
// are guarded by the Runtime lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "app/data/field_types.h"

namespace dw::app {

// Table names: a file name, "\!", and the table's name in that file.
inline constexpr const char* kScheduleFile = "SM\\!Schedule";
inline constexpr const char* kHistoryFile = "SM\\!History";
inline constexpr const char* kCategoriesFile = "SM\\!Categories";
inline constexpr const char* kToDoFile = "SM\\!ToDo";
inline constexpr const char* kScriptingFile = "SM\\!Scripting";
// The tag file is a file of its own with one unnamed table.  Its name is
// held in a blank-padded variable of this width.
inline constexpr const char* kTagFileName = "TagFile_.BRK";
inline constexpr std::size_t kTagFileNameWidth = 50;
using TagFileNameVariable = Text<kTagFileNameWidth>;

// The memo of Schedule and History records (SCH:Message, SCH1:Message,
// HIS:Message): the text a message task shows.
inline constexpr std::size_t kMessageMemoSize = 1000;

// SCH (and SCH1): a task, or the record of one handled occurrence.
struct ScheduleRecord {
  Long ID;                // SCH:ID, unique, 1 or more
  Text<20> TaskType;      // SCH:TaskType, task_type::*
  Text<20> Category;      // SCH:Category, a Categories name
  Text<40> Description;   // SCH:Description, the task's title
  Text<80> Command;       // SCH:Command, command line to run
  Text<80> Path;          // SCH:Path, "Start in" directory, blank for none
  Text<20> ScheduleType;  // SCH:ScheduleType, schedule_type::*
  Byte Sunday;            // GROUP SCH:DayOfWeekGroup: weekday flags
  Byte Monday;            //   ..
  Byte Tuesday;           //   ..
  Byte Wednesday;         //   ..
  Byte Thursday;          //   ..
  Byte Friday;            //   ..
  Byte Saturday;          //   end of SCH:DayOfWeekGroup
  Long Every;             // SCH:Every, repeat count of a custom rule
  Byte Every1st;          // GROUP SCH:EveryOrdinal: week-of-month flags
  Byte Every2nd;          //   ..
  Byte Every3rd;          //   ..
  Byte Every4th;          //   ..
  Byte EveryLast;         //   end of SCH:EveryOrdinal
  Text<20> EveryType;     // SCH:EveryType, every_type::*
  Long Date;              // GROUP SCH:ScheduleDateAndTime: next occurrence
  Long Time;              //   ..
  Long LastRunDate;       //   last handled when due
  Long LastRunTime;       //   ..
  Byte SkipNextTime;      //   end of SCH:ScheduleDateAndTime
  Byte Alarm;             // GROUP SCH:AlarmGroup: play AlarmFile when due
  CText<81> AlarmFile;    //   end of SCH:AlarmGroup, path of a WAV file
  Long AdvanceWarnDate;   // GROUP SCH:AdvancedWarning: 0 = no warning
  Long AdvanceWarnTime;   //   ..
  Byte AdvanceWarned;     //   end of SCH:AdvancedWarning
  Byte Warn;              // SCH:Warn, ask before a missed occurrence
  Byte UserSkip;          // SCH:UserSkip, ask before performing
  Byte Disabled;          // SCH:Disabled, not performed
  Byte Completed;         // SCH:Completed, record of a handled occurrence
};

// HIS: the Schedule record without AdvanceWarned, written by Run Now.
struct HistoryRecord {
  Long ID;                // HIS:ID
  Text<20> TaskType;      // HIS:TaskType
  Text<20> Category;      // HIS:Category
  Text<40> Description;   // HIS:Description
  Text<80> Command;       // HIS:Command
  Text<80> Path;          // HIS:Path
  Text<20> ScheduleType;  // HIS:ScheduleType
  Byte Sunday;            // GROUP HIS:DayOfWeekGroup
  Byte Monday;            //   ..
  Byte Tuesday;           //   ..
  Byte Wednesday;         //   ..
  Byte Thursday;          //   ..
  Byte Friday;            //   ..
  Byte Saturday;          //   end of HIS:DayOfWeekGroup
  Long Every;             // HIS:Every
  Byte Every1st;          // GROUP HIS:EveryOrdinal
  Byte Every2nd;          //   ..
  Byte Every3rd;          //   ..
  Byte Every4th;          //   ..
  Byte EveryLast;         //   end of HIS:EveryOrdinal
  Text<20> EveryType;     // HIS:EveryType
  Long Date;              // GROUP HIS:ScheduleDateAndTime
  Long Time;              //   ..
  Long LastRunDate;       //   ..
  Long LastRunTime;       //   ..
  Byte SkipNextTime;      //   end of HIS:ScheduleDateAndTime
  Byte Alarm;             // GROUP HIS:AlarmGroup
  CText<81> AlarmFile;    //   end of HIS:AlarmGroup
  Long AdvanceWarnDate;   // GROUP HIS:AdvancedWarning
  Long AdvanceWarnTime;   //   end of HIS:AdvancedWarning
  Byte Warn;              // HIS:Warn
  Byte UserSkip;          // HIS:UserSkip
  Byte Disabled;          // HIS:Disabled
  Byte Completed;         // HIS:Completed
};

// CAT: a category name.
struct CategoryRecord {
  Text<20> Category;  // CAT:Category
};

// TDO: one item of the to-do list.
struct ToDoRecord {
  Byte Done;      // TDO:Done, flag
  Byte Priority;  // TDO:Priority, 1 to 10
  Text<40> ToDo;  // TDO:ToDo, the item's text
};

// SCR: one step of a task's script.
struct ScriptingRecord {
  Decimal<6> ID;                 // SCR:ID, the owning task's SCH:ID
  Decimal<6> Sequence;           // SCR:Sequence, order within the task
  Text<27> Action;               // SCR:Action
  Text<80> Keystrokes;           // SCR:Keystrokes
  Decimal<3> SecondsToWait;      // SCR:SecondsToWait
  Text<80> WaitForWindow;        // SCR:WaitForWindow
  Text<80> FocusOnWindow;        // SCR:FocusOnWindow
  Text<20> DDEType;              // SCR:DDEType
  Text<80> DDEApplicationName;   // SCR:DDEApplicationName
  Text<80> DDEApplicationTopic;  // SCR:DDEApplicationTopic
  Text<80> DDELinkItem;          // SCR:DDELinkItem
  Text<80> DDECommand;           // SCR:DDECommand
};

// TF_: one tag of the search window.
struct TagRecord {
  Long USR;      // TF_:USR, owner of the tag
  Short TBL;     // TF_:TBL, number of the tagged table
  Long PTR;      // TF_:PTR, position of the tagged record
  Text<10> VAL;  // TF_:VAL, tag value
};

// Copies every field of a task into the History field of the same name
// (all of them but AdvanceWarned, which History lacks), as Run Now records
// a task; the caller then gives the record its own ID.
void copyTaskToHistory(const ScheduleRecord& task, HistoryRecord& history);

// --- Layout checks -----------------------------------------------------------

#define DW_FIELD_AT(Record, Field, Offset) \
  static_assert(offsetof(Record, Field) == (Offset), #Record "::" #Field " offset")

template <typename R>
inline constexpr bool kIsRecordImage =
    std::is_standard_layout_v<R>&& std::is_trivially_copyable_v<R> && alignof(R) == 1;

static_assert(kIsRecordImage<ScheduleRecord> && sizeof(ScheduleRecord) == 412);
DW_FIELD_AT(ScheduleRecord, ID, 0);
DW_FIELD_AT(ScheduleRecord, TaskType, 4);
DW_FIELD_AT(ScheduleRecord, Category, 24);
DW_FIELD_AT(ScheduleRecord, Description, 44);
DW_FIELD_AT(ScheduleRecord, Command, 84);
DW_FIELD_AT(ScheduleRecord, Path, 164);
DW_FIELD_AT(ScheduleRecord, ScheduleType, 244);
DW_FIELD_AT(ScheduleRecord, Sunday, 264);
DW_FIELD_AT(ScheduleRecord, Saturday, 270);
DW_FIELD_AT(ScheduleRecord, Every, 271);
DW_FIELD_AT(ScheduleRecord, Every1st, 275);
DW_FIELD_AT(ScheduleRecord, EveryLast, 279);
DW_FIELD_AT(ScheduleRecord, EveryType, 280);
DW_FIELD_AT(ScheduleRecord, Date, 300);
DW_FIELD_AT(ScheduleRecord, Time, 304);
DW_FIELD_AT(ScheduleRecord, LastRunDate, 308);
DW_FIELD_AT(ScheduleRecord, LastRunTime, 312);
DW_FIELD_AT(ScheduleRecord, SkipNextTime, 316);
DW_FIELD_AT(ScheduleRecord, Alarm, 317);
DW_FIELD_AT(ScheduleRecord, AlarmFile, 318);
DW_FIELD_AT(ScheduleRecord, AdvanceWarnDate, 399);
DW_FIELD_AT(ScheduleRecord, AdvanceWarnTime, 403);
DW_FIELD_AT(ScheduleRecord, AdvanceWarned, 407);
DW_FIELD_AT(ScheduleRecord, Warn, 408);
DW_FIELD_AT(ScheduleRecord, UserSkip, 409);
DW_FIELD_AT(ScheduleRecord, Disabled, 410);
DW_FIELD_AT(ScheduleRecord, Completed, 411);

static_assert(kIsRecordImage<HistoryRecord> && sizeof(HistoryRecord) == 411);
DW_FIELD_AT(HistoryRecord, ScheduleType, 244);
DW_FIELD_AT(HistoryRecord, Every, 271);
DW_FIELD_AT(HistoryRecord, EveryType, 280);
DW_FIELD_AT(HistoryRecord, Date, 300);
DW_FIELD_AT(HistoryRecord, AlarmFile, 318);
DW_FIELD_AT(HistoryRecord, AdvanceWarnDate, 399);
DW_FIELD_AT(HistoryRecord, AdvanceWarnTime, 403);
DW_FIELD_AT(HistoryRecord, Warn, 407);
DW_FIELD_AT(HistoryRecord, UserSkip, 408);
DW_FIELD_AT(HistoryRecord, Disabled, 409);
DW_FIELD_AT(HistoryRecord, Completed, 410);

static_assert(kIsRecordImage<CategoryRecord> && sizeof(CategoryRecord) == 20);

static_assert(kIsRecordImage<ToDoRecord> && sizeof(ToDoRecord) == 42);
DW_FIELD_AT(ToDoRecord, Priority, 1);
DW_FIELD_AT(ToDoRecord, ToDo, 2);

static_assert(kIsRecordImage<ScriptingRecord> && sizeof(ScriptingRecord) == 622);
DW_FIELD_AT(ScriptingRecord, Sequence, 6);
DW_FIELD_AT(ScriptingRecord, Action, 12);
DW_FIELD_AT(ScriptingRecord, Keystrokes, 39);
DW_FIELD_AT(ScriptingRecord, SecondsToWait, 119);
DW_FIELD_AT(ScriptingRecord, WaitForWindow, 122);
DW_FIELD_AT(ScriptingRecord, FocusOnWindow, 202);
DW_FIELD_AT(ScriptingRecord, DDEType, 282);
DW_FIELD_AT(ScriptingRecord, DDEApplicationName, 302);
DW_FIELD_AT(ScriptingRecord, DDEApplicationTopic, 382);
DW_FIELD_AT(ScriptingRecord, DDELinkItem, 462);
DW_FIELD_AT(ScriptingRecord, DDECommand, 542);

static_assert(kIsRecordImage<TagRecord> && sizeof(TagRecord) == 20);
DW_FIELD_AT(TagRecord, TBL, 4);
DW_FIELD_AT(TagRecord, PTR, 6);
DW_FIELD_AT(TagRecord, VAL, 10);

#undef DW_FIELD_AT

}  // namespace dw::app
