// The standard file routines every procedure uses (docs/file-routines.md):
//
//   - the standard error routine: a message number (1 to 36) and up to four
//     texts give a fixed caption, text, buttons, default button and icon;
//     the routine shows the box and returns the button pressed, or, for the
//     messages that end the program, halts with the message's halt text;
//   - the open routine: opens a declared file, creating it when missing,
//     offering to rebuild damaged keys, and ending the program in order when
//     the file cannot be used;
//   - the per-process user counts: a procedure opens a file through the open
//     routine only when no other user of the process holds it, and the last
//     user closes it;
//   - the delete and update routines of each table, acting on the
//     declaration's record buffer inside a transaction, with the consistency
//     rules between the tables (categories in use cannot be deleted or
//     renamed; a task's script steps go with the task);
//   - the to-do adder the message window uses.
//
// The window position routines are in window_position.h.
//
// Threads: every routine here runs on a runtime thread holding the Runtime
// lock (the declarations, their open counts and the remembered records are
// process-wide and guarded by it).  The routines that show a message box
// give the lock up while the box is up, as MESSAGE does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/data/app_files.h"
#include "runtime/db/declared_file.h"

namespace dw::app {

// ---------------------------------------------------------------------------
// The standard error routine

// Message numbers of the standard message table.
namespace stdmsg {
inline constexpr int kInvalidFile = 1;       // halts "Invalid File!"
inline constexpr int kInvalidKey = 2;        // Yes/No; No halts "Invalid Key!"
inline constexpr int kKeyRebuildError = 3;   // halts "Error Rebuilding Key!"
inline constexpr int kCreateError = 4;       // halts "File Creation Error!"
inline constexpr int kOpenCreatedError = 5;  // halts "File Creation Error!"
inline constexpr int kProcedureNotDefined = 6;
inline constexpr int kKeyedReadError = 7;
inline constexpr int kRangeBelow = 8;     // name must be lower than low
inline constexpr int kRangeAbove = 9;     // name must be higher than low
inline constexpr int kRangeBetween = 10;  // name must be between low and high
inline constexpr int kFieldNotInFile = 11;
inline constexpr int kRestrictUpdate = 12;
inline constexpr int kRestrictDelete = 13;
inline constexpr int kInsertError = 14;
inline constexpr int kUpdateError = 15;
inline constexpr int kRetryUpdate = 16;  // Yes/No/Cancel
inline constexpr int kDeleteError = 17;
inline constexpr int kRetryDelete = 18;  // Yes/No/Cancel
inline constexpr int kInsertNotAllowed = 19;
inline constexpr int kChangeNotAllowed = 20;
inline constexpr int kDeleteNotAllowed = 21;
inline constexpr int kCreateNotAllowed = 22;  // halts "File Creation Error!"
inline constexpr int kConfirmCancel = 23;
inline constexpr int kDuplicateKey = 24;
inline constexpr int kAutoIncrementError = 25;  // Retry/Cancel
inline constexpr int kFileLoadError = 26;
inline constexpr int kCancelLoad = 27;
inline constexpr int kFileLoadEmpty = 28;
inline constexpr int kEndOfFile = 29;  // direction in `choice`
inline constexpr int kFileAccessError = 30;
inline constexpr int kProcessError = 31;  // operation in `choice`
inline constexpr int kConfirmDelete = 32;
inline constexpr int kSaveChanges = 33;  // Yes/No/Cancel
inline constexpr int kTransactionError = 34;
inline constexpr int kRecordRetrievalError = 35;
inline constexpr int kViewOpenError = 36;
inline constexpr int kFirst = 1;
inline constexpr int kLast = 36;
}  // namespace stdmsg

// The fourth text of messages 29 and 31.  Message 29 speaks of the
// beginning of the file for kBackward and of its end otherwise; message 31
// of deleting for kDeleteOperation and of changing otherwise.
inline constexpr std::string_view kForward = "Next";
inline constexpr std::string_view kBackward = "Previous";
inline constexpr std::string_view kPutOperation = "PUT";
inline constexpr std::string_view kDeleteOperation = "DELETE";

// The name message 15 takes when a record was changed by another station.
inline constexpr std::string_view kChangedByAnotherStation = "Record Changed by Another Station";

// Texts with which the program ends after a message that ends it.
inline constexpr std::string_view kHaltInvalidFile = "Invalid File!";
inline constexpr std::string_view kHaltInvalidKey = "Invalid Key!";
inline constexpr std::string_view kHaltKeyRebuild = "Error Rebuilding Key!";
inline constexpr std::string_view kHaltFileCreation = "File Creation Error!";
inline constexpr std::string_view kHaltDiskError = "Disk Error";
// The exit code of those ends: the program could not go on.
inline constexpr int kHaltExitCode = 1;

// One message of the table, its texts filled in.
struct StandardMessage {
  std::string caption;  // "" for none
  std::string text;
  std::string icon;       // icon string (stock question or exclamation)
  int buttons = 0;        // ui::button bits
  int defaultButton = 0;  // ui::button bit
  std::string haltText;   // the program ends with it after the box; "" returns
  bool endsOnNo = false;  // only message 2: No ends with haltText
};

// The error text: the posted error text without trailing blanks, " (", the
// error code, ")".  For error 90 (a fault of the file driver itself) the
// driver's own message (lang::errorFile()) and code (lang::errorExtra()).
std::string standardErrorText();

// Message `number` with its texts (names and limits without trailing
// blanks), the error text and the error code it stands for (message 15
// tells of a record changed by another station for 0 and 89); an unknown
// number gives an empty message with no caption.  Pure: shows nothing.
StandardMessage standardMessage(int number, std::string_view name = {}, std::string_view low = {},
                                std::string_view high = {}, std::string_view choice = {},
                                std::string_view errorText = {}, int errorCode = 0);

// The standard error routine: builds the error text from the posted error,
// shows message `number` and returns the button pressed (ui::button bits,
// 0 when the box was closed otherwise).  The messages that end the program
// halt with their halt text (exit code kHaltExitCode) and do not return.
int standardError(int number, std::string_view name = {}, std::string_view low = {},
                  std::string_view high = {}, std::string_view choice = {});

// Where the standard error routine's boxes go instead of a screen: a tool
// (dornctl) that tells the user in its own words.  The sink returns the
// button pressed (its default button, usually).  Empty (the default): the
// screen, or standard error on a thread without a window session.
using StandardMessageSink = std::function<int(const StandardMessage&)>;
void setStandardMessageSink(StandardMessageSink sink);

// ---------------------------------------------------------------------------
// The open routine and the user counts

enum class CreateFile : bool { No, Yes };             // create the file when it is missing
enum class ForbidCreate : bool { No, Yes };           // a missing file may not be created
inline constexpr std::uint32_t kSharedAccess = 0x42;  // read and write, others may do anything

// Opens `file` in access mode `mode` and leaves it open, or ends the
// program: a file already open is fine; a missing one is created (when
// `create` says so and `forbid` does not) and opened again; an invalid
// file ends the program; damaged keys are offered for rebuilding; anything
// else ends with "Disk Error".  See docs/file-routines.md for each case.
void openRoutine(db::DeclaredFile& file, CreateFile create = CreateFile::Yes,
                 ForbidCreate forbid = ForbidCreate::No, std::uint32_t mode = kSharedAccess);

// A user of the file: opens it through openRoutine when the process's open
// count is 0, then raises the count.  True when this call opened the file
// (the caller then binds its fields or memos for expressions if it needs
// them).
bool useFile(db::DeclaredFile& file, CreateFile create = CreateFile::Yes,
             ForbidCreate forbid = ForbidCreate::No, std::uint32_t mode = kSharedAccess);
// The end of a use: lowers the count and closes the file when it reaches
// 0.  A count already 0 is left alone.
void releaseFile(db::DeclaredFile& file);

// useFile for the life of a scope.
class FileUser {
 public:
  explicit FileUser(db::DeclaredFile& file, CreateFile create = CreateFile::Yes)
      : m_file(file), m_opened(useFile(file, create)) {}
  ~FileUser() { releaseFile(m_file); }
  FileUser(const FileUser&) = delete;
  FileUser& operator=(const FileUser&) = delete;
  bool opened() const { return m_opened; }

 private:
  db::DeclaredFile& m_file;
  bool m_opened;
};

// ---------------------------------------------------------------------------
// Delete and update routines

// The labels under which the tables are named in messages.
inline constexpr std::string_view kScheduleLabel = "Schedule";
inline constexpr std::string_view kHistoryLabel = "History";
inline constexpr std::string_view kCategoriesLabel = "Categories";
inline constexpr std::string_view kToDoLabel = "Todo";
inline constexpr std::string_view kScriptingLabel = "Scripting";
// The label of a declaration ("Schedule" for SCH and SCH1), "" for others.
std::string_view fileLabel(const db::DeclaredFile& file);

// How long a transaction waits for the files' locks, in seconds.
inline constexpr std::int64_t kTransactionWait = 1;

// The record as the procedure read it: a form remembers it when it loads
// the record to change, so that it can tell whether the user changed it
// (to ask whether to save the changes, or to skip a needless write).  The
// update routines do not need it: what a key field was before is read from
// the stored record.
void rememberRecord(db::DeclaredFile& file);
void forgetRecord(db::DeclaredFile& file);
// Whether the record buffer differs from the remembered record (true when
// nothing is remembered).
bool recordChanged(db::DeclaredFile& file);

// Each routine acts on its declaration's record buffer (the current record,
// read before) inside a transaction over the table and its related tables;
// it reports its errors through the standard error routine and returns 0
// on success, non-zero (the error code, or -1 for a refusal by a
// consistency rule) on failure, with the transaction rolled back.
//
// Delete: Schedule also deletes the task's Scripting steps (SCR:ID =
// SCH:ID), opening Scripting (created when missing) when the process does
// not hold it; Categories refuses a category that a task uses (message 13).
int deleteScheduleRecord();                    // SCH
int deleteScheduleRecord(ScheduleFile& file);  // SCH or SCH1
int deleteHistoryRecord();
int deleteCategoriesRecord();
int deleteToDoRecord();
int deleteScriptingRecord();

// Update: writes the buffer back; 89 (changed by another station since it
// was read under WATCH) is message 15 "Record Changed by Another Station".
// Categories refuses a new name while a task uses the old one (message 12)
// and puts the old name back into the buffer; Schedule moves the task's
// Scripting steps along when its identifier changed and adds the task's
// category when the Categories table lacks it.
int updateScheduleRecord();                    // SCH
int updateScheduleRecord(ScheduleFile& file);  // SCH or SCH1
int updateHistoryRecord();
int updateCategoriesRecord();
int updateToDoRecord();
int updateScriptingRecord();

// Inside a transaction that holds Categories: adds `category` to the
// Categories table when it lacks it (letter case and trailing blanks do
// not count, as in the key), so that a task written under it has its
// category.  A blank category needs nothing.  CAT's buffer is kept.  0 or
// the error (posted).  The Schedule update routine and the task form's
// insert call it before they write the task.
int addMissingCategory(std::string_view category);

}  // namespace dw::app
