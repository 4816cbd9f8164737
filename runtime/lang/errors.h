// The runtime's error scheme: the posted error that every failing runtime
// operation leaves for ERRORCODE()/ERROR(), the message texts keyed by error
// number, runtime errors that end the program, HALT, exit routines and the
// diagnostic log QXLOG.TXT.
//
// The posted error is one for the whole process (not per thread); threads
// are serialised by the Runtime lock, so a thread sees what its own last
// operation posted.  The log has a lock of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dw::lang {

// Error numbers used across the runtime (the message table has them all).
namespace err {
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kEntryNotFound = 30;
inline constexpr int kFileLocked = 32;
inline constexpr int kRecordNotAvailable = 33;
inline constexpr int kRecordNotFound = 35;
inline constexpr int kInvalidDataFile = 36;
inline constexpr int kFileNotOpen = 37;
inline constexpr int kInvalidKeyFile = 38;
inline constexpr int kDuplicateKey = 40;
inline constexpr int kRecordHeld = 43;
inline constexpr int kInvalidFilename = 45;
inline constexpr int kKeyMustBeRebuilt = 46;
inline constexpr int kInvalidRecordDeclaration = 47;
inline constexpr int kFileAlreadyOpen = 52;
inline constexpr int kUnknownError = 81;
inline constexpr int kPlatformBase = 300;
inline constexpr int kExprInvalid = 800;
inline constexpr int kExprNoBind = 801;
inline constexpr int kExprScopeMismatch = 802;
}  // namespace err

// Posting.  postError looks up the text (messageText) and records the
// platform's last error; postOsError posts 300 + the OS code.
void postError(int code);
// Posts `code` with `text` in place of the table's: an error the table has
// no text for (an operating-system error a file operation met), described
// by where it came from.
void postError(int code, std::string_view text);
void postOsError(std::uint32_t osCode);
void clearError();
// Notes the OS error of the last failing platform call, which the next post
// records as platformError() (postOsError notes its own code).
void setLastOsError(std::uint32_t osCode);

int errorCode();                // ERRORCODE()
std::string errorText();        // ERROR(): up to 79 characters, blank when clear
std::uint32_t platformError();  // the OS error recorded at the last post
std::string errorFile();        // the first further text ("" when unset)
std::string errorExtra();       // the second further text ("" when unset)
void setErrorFile(std::string_view text);
void setErrorExtra(std::string_view text);

// Saved error states, so that internal work leaves ERRORCODE() alone.
void pushErrorState();
void popErrorState();

// The text of a message number: a VELMSG override, else the program's
// message table, else the text of 81 + " : " + number.  Code 0 reads as 81.
std::string messageText(int code);
// Whether `code` has a text of its own (in the table or the environment).
bool hasMessageText(int code);
// Replaces the text of one message for the rest of the run (VELMSG, VELBUTTON).
void setMessageOverride(int code, std::string_view text);
// Forgets every replacement (tests; a fresh environment file).
void clearMessageOverrides();

// How the runtime shows a box before it ends the program.  The windowing
// layer installs one that shows a real message box; until then the text
// goes to standard error.
using HaltBoxHook = std::function<void(std::string_view caption, std::string_view text)>;
void setHaltBoxHook(HaltBoxHook hook);

// A fault the program cannot continue from: posts code, shows the box
// captioned "Runtime error" and halts with exit code 2.  Never returns.
[[noreturn]] void runtimeError(int code, std::string_view detail = {});

// HALT(exit code, message): the box captioned "Halt" when a message is given.
[[noreturn]] void halt(int exitCode, std::string_view message = {});

// Exit routines run once, in reverse order of registration, at halt.
void registerExitRoutine(std::function<void()> routine);
bool isHalting();

// For tests: makes halts throw HaltRequested instead of ending the process
// (after the exit routines ran).  Each call also starts afresh: not halting,
// no exit routines registered.
struct HaltRequested {
  int exitCode;
  std::string text;
};
void setHaltThrowsForTesting(bool on);

// Appends a formatted line to QXLOG.TXT in the current directory; the first
// write of a run replaces the file.
void logDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A failed internal consistency check: logs "Error @(File,Line) (module, line)"
// and returns, so the caller carries on.
void logConsistencyFailure(const char* module, int line);
// A fault of the memory manager or stream layer: logs "Error: text", the ten
// innermost return addresses and a rule, then is a runtime error with code 0
// and the text as detail.  Never returns.
[[noreturn]] void memoryFault(std::string_view text);
// Also copies every log entry to standard error (the log's device copy).
void setDiagnosticCopyToDevice(bool on);

}  // namespace dw::lang
