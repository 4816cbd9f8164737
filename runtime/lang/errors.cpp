// The posted error, message texts, runtime errors, HALT, exit routines and
// the diagnostic log (see errors.h for the contract).
//
// Invariants:
//  - the error text is at most kErrorTextMax characters with no leading
//    blanks, and is empty exactly when the code is 0;
//  - the message table is parsed once, on first use, from the embedded
//    resource MESSAGES/RUNTIME ("number<TAB>text" lines, "#" comments);
//  - exit routines run at most once per process, newest first;
//  - the first diagnostic write of a run truncates QXLOG.TXT, later writes
//    append; all writes hold the log's own mutex.
#include "runtime/lang/errors.h"

#include <execinfo.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "runtime/platform/platform.h"
#include "runtime/platform/resource_table.h"

namespace dw::lang {
namespace {

constexpr std::size_t kErrorTextMax = 79;
constexpr std::size_t kFurtherTextMax = 80;  // 81-byte fields with terminator

struct ErrorRecord {
  int code = 0;
  std::uint32_t osError = 0;
  std::string text;
};

struct ErrorState {
  std::mutex mutex;
  ErrorRecord current;
  std::string fileText;
  std::string extraText;
  std::vector<ErrorRecord> saved;
  std::uint32_t lastOsError = 0;
};

ErrorState& state() {
  static ErrorState s;
  return s;
}

struct MessageTable {
  std::mutex mutex;
  std::map<int, std::string> builtIn;
  std::map<int, std::string> overrides;
};

void parseMessageTable(std::string_view text, std::map<int, std::string>& out) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) continue;
    int number = 0;
    bool digits = true;
    for (char c : line.substr(0, tab)) {
      if (c < '0' || c > '9' || number > 1000000) {
        digits = false;
        break;
      }
      number = number * 10 + (c - '0');
    }
    if (digits) out[number] = std::string(line.substr(tab + 1));
  }
}

MessageTable& messages() {
  static MessageTable* table = [] {
    auto* t = new MessageTable;
    if (const res::Resource* r = res::findResource("MESSAGES", "RUNTIME")) {
      std::string_view text(reinterpret_cast<const char*>(r->bytes.data()), r->bytes.size());
      parseMessageTable(text, t->builtIn);
    }
    return t;
  }();
  return *table;
}

std::string cutText(std::string_view text, std::size_t max) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text.remove_prefix(first);
  return std::string(text.substr(0, max));
}

struct HaltState {
  std::mutex mutex;
  HaltBoxHook hook;
  std::vector<std::function<void()>> exitRoutines;
  bool halting = false;
  bool throws = false;
};

HaltState& haltState() {
  static HaltState s;
  return s;
}

void showBox(std::string_view caption, std::string_view text) {
  HaltBoxHook hook;
  {
    std::lock_guard lock(haltState().mutex);
    hook = haltState().hook;
  }
  if (hook) {
    hook(caption, text);
  } else {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
  }
}

[[noreturn]] void endProcess(int exitCode, std::string_view text) {
  std::vector<std::function<void()>> routines;
  bool throws = false;
  {
    std::lock_guard lock(haltState().mutex);
    HaltState& h = haltState();
    throws = h.throws;
    if (!h.halting) {
      h.halting = true;
      routines.swap(h.exitRoutines);
    }
  }
  for (auto it = routines.rbegin(); it != routines.rend(); ++it) (*it)();
  if (throws) throw HaltRequested{exitCode, std::string(text)};
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

struct LogState {
  std::mutex mutex;
  bool written = false;
  bool copyToDevice = false;
};

LogState& logState() {
  static LogState s;
  return s;
}

// Appends to QXLOG.TXT through the platform (so tests can fail the write);
// a failed write is dropped: the log must never stop the program.
void writeLog(const std::string& text) {
  LogState& log = logState();
  std::lock_guard lock(log.mutex);
  platform::Platform& os = platform::platform();
  auto file = os.open(
      "QXLOG.TXT", {platform::Access::ReadWrite, platform::Share::DenyNone},
      log.written ? platform::Disposition::OpenAlways : platform::Disposition::CreateAlways);
  if (file.ok()) {
    auto size = file.value()->size();
    if (size.ok() && file.value()->writeAt(size.value(), text.data(), text.size()).ok()) {
      log.written = true;
    }
  }
  if (log.copyToDevice) std::fwrite(text.data(), 1, text.size(), stderr);
}

std::string vformat(const char* format, std::va_list args) {
  std::va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

}  // namespace

void setLastOsError(std::uint32_t osCode) {
  std::lock_guard lock(state().mutex);
  state().lastOsError = osCode;
}

void postError(int code) {
  std::string text = messageText(code);
  std::lock_guard lock(state().mutex);
  ErrorState& s = state();
  s.current.code = code;
  s.current.text = code == 0 ? std::string() : cutText(text, kErrorTextMax);
  s.current.osError = s.lastOsError;
}

void postError(int code, std::string_view text) {
  std::lock_guard lock(state().mutex);
  ErrorState& s = state();
  s.current.code = code;
  s.current.text = cutText(std::string(text), kErrorTextMax);
  s.current.osError = s.lastOsError;
}

void postOsError(std::uint32_t osCode) {
  setLastOsError(osCode);
  postError(err::kPlatformBase + static_cast<int>(osCode));
}

void clearError() {
  std::lock_guard lock(state().mutex);
  ErrorState& s = state();
  s.current = {};
  s.fileText.clear();
  s.extraText.clear();
}

int errorCode() {
  std::lock_guard lock(state().mutex);
  return state().current.code;
}

std::string errorText() {
  std::lock_guard lock(state().mutex);
  return state().current.text;
}

std::uint32_t platformError() {
  std::lock_guard lock(state().mutex);
  return state().current.osError;
}

std::string errorFile() {
  std::lock_guard lock(state().mutex);
  return state().fileText;
}

std::string errorExtra() {
  std::lock_guard lock(state().mutex);
  return state().extraText;
}

void setErrorFile(std::string_view text) {
  std::lock_guard lock(state().mutex);
  state().fileText = std::string(text.substr(0, kFurtherTextMax));
}

void setErrorExtra(std::string_view text) {
  std::lock_guard lock(state().mutex);
  state().extraText = std::string(text.substr(0, kFurtherTextMax));
}

void pushErrorState() {
  std::lock_guard lock(state().mutex);
  state().saved.push_back(state().current);
}

void popErrorState() {
  std::lock_guard lock(state().mutex);
  ErrorState& s = state();
  if (s.saved.empty()) return;  // an unbalanced pop leaves the state alone
  s.current = std::move(s.saved.back());
  s.saved.pop_back();
}

bool hasMessageText(int code) {
  MessageTable& t = messages();
  std::lock_guard lock(t.mutex);
  return t.overrides.count(code) != 0 || t.builtIn.count(code) != 0;
}

std::string messageText(int code) {
  if (code == 0) code = err::kUnknownError;
  MessageTable& t = messages();
  std::string text;
  {
    std::lock_guard lock(t.mutex);
    if (auto it = t.overrides.find(code); it != t.overrides.end()) {
      text = it->second;
    } else if (auto b = t.builtIn.find(code); b != t.builtIn.end()) {
      text = b->second;
    } else {
      std::string unknown;
      if (auto o = t.overrides.find(err::kUnknownError); o != t.overrides.end()) {
        unknown = o->second;
      } else if (auto u = t.builtIn.find(err::kUnknownError); u != t.builtIn.end()) {
        unknown = u->second;
      }
      text = unknown + " : " + std::to_string(code);
    }
  }
  return text.substr(0, kErrorTextMax);
}

void setMessageOverride(int code, std::string_view text) {
  MessageTable& t = messages();
  std::lock_guard lock(t.mutex);
  t.overrides[code] = std::string(text);
}

void clearMessageOverrides() {
  MessageTable& t = messages();
  std::lock_guard lock(t.mutex);
  t.overrides.clear();
}

void setHaltBoxHook(HaltBoxHook hook) {
  std::lock_guard lock(haltState().mutex);
  haltState().hook = std::move(hook);
}

void runtimeError(int code, std::string_view detail) {
  postError(code);
  std::string text;
  if (code == 0) {
    text = std::string(detail);
  } else {
    text = errorText();
    if (!detail.empty()) text += " : " + std::string(detail);
  }
  showBox("Runtime error", text);
  endProcess(2, text);
}

void halt(int exitCode, std::string_view message) {
  if (!message.empty()) showBox("Halt", message);
  endProcess(exitCode, message);
}

void registerExitRoutine(std::function<void()> routine) {
  std::lock_guard lock(haltState().mutex);
  haltState().exitRoutines.push_back(std::move(routine));
}

bool isHalting() {
  std::lock_guard lock(haltState().mutex);
  return haltState().halting;
}

void setHaltThrowsForTesting(bool on) {
  std::lock_guard lock(haltState().mutex);
  haltState().throws = on;
  haltState().halting = false;
  haltState().exitRoutines.clear();
}

void logDiagnostic(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string text = vformat(format, args);
  va_end(args);
  writeLog(text);
}

void logConsistencyFailure(const char* module, int line) {
  logDiagnostic("Error @(File,Line) (%s, %d)\n", module, line);
}

void memoryFault(std::string_view text) {
  void* frames[12];
  int n = backtrace(frames, 12);
  std::string entry = "Error: " + std::string(text) + "\r\n";
  // Skip this function's own frame; ten return addresses follow.
  for (int i = 1; i < n && i <= 10; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "   %.8x\r\n",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(frames[i])));
    entry += line;
  }
  entry += "----------------------------------\r\n";
  writeLog(entry);
  runtimeError(0, text);
}

void setDiagnosticCopyToDevice(bool on) {
  std::lock_guard lock(logState().mutex);
  logState().copyToDevice = on;
}

}  // namespace dw::lang
