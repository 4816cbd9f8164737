// The file, printer and help requests the runtime hands to a backend, in
// platform-neutral form, and the helpers that build them from what a
// procedure passes.
//
// File dialog: a title (empty: the platform's own), the initial file name,
// filter pairs (description, pattern) of which the first is chosen, and
// open or save.  An open dialog wants an existing file; a save dialog asks
// before overwriting.  The runtime, not the backend, keeps the process's
// current directory unless the caller allows the change.
//
// Printer settings are process-wide (one printer for all reports) and live
// under the Runtime lock; the first use takes the default printer without a
// dialog.
//
// Help commands are what a help viewer is told: open a help file, show its
// contents, help on using help, look up a keyword, show a topic by its
// identifier, quit.
//
// Thread-safety: plain values and functions; PrinterSettings state is
// guarded by the Runtime lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dw::ui {

// --- File dialog ----------------------------------------------------------
namespace fileflag {
inline constexpr int kSave = 1;             // bit 0: save instead of open
inline constexpr int kChangeDirectory = 2;  // bit 1: the current directory may follow the choice
}  // namespace fileflag

struct FileFilter {
  std::string description;
  std::string pattern;  // e.g. "*.EXE" or "*.TXT;*.DOC"
  bool operator==(const FileFilter&) const = default;
};

struct FileDialogRequest {
  std::string title;
  std::string initialName;  // "" when the variable gives no usable file title
  std::vector<FileFilter> filters;
  bool save = false;
  std::uint32_t ownerWindow = 0;
};

inline constexpr std::size_t kMaxFileTitle = 79;
inline constexpr std::size_t kMaxFileName = 255;
inline constexpr std::size_t kMaxFilter = 254;

// "desc|pattern|desc|pattern": pairs in order; a description without a
// pattern is dropped; an empty filter is "All Files (*.*)" / "*.*".
std::vector<FileFilter> parseFileFilter(std::string_view filter);
// The request for a file dialog call.  The variable's value gives the
// initial name when it names a file (not a folder, no wildcard).
FileDialogRequest makeFileDialogRequest(std::string_view title, std::string_view current,
                                        std::string_view filter, int flags);

// --- Printer ------------------------------------------------------------------
struct PrinterSettings {
  bool initialised = false;
  std::string printer;  // "" the default printer
  int copies = 1;
  bool collate = false;
  bool pageRange = false;  // the page-numbers choice
  int fromPage = 0;
  int toPage = 0;
  bool printToFile = false;
  std::string outputFile;  // the file chosen when printing to a file
  bool landscape = false;
  std::string paper;  // e.g. "A4", "" the printer's default
};

// The process's printer settings (the Runtime lock guards them).
PrinterSettings& printerSettings();

// --- Help ---------------------------------------------------------------------
struct HelpCommand {
  enum class Kind : std::uint8_t { Open, Contents, HelpOnHelp, Keyword, Topic, Quit };
  Kind kind = Kind::Open;
  std::string file;      // the help file
  std::string argument;  // keyword or topic identifier
  // The macro sent for a topic identifier: JI("file","identifier").
  std::string macro() const;
  bool operator==(const HelpCommand&) const = default;
};

// A file name gets ".HLP" when it has no extension.
std::string helpFileName(std::string_view name);
// The command that shows a help topic text with `currentFile` as the
// thread's help file: "file@@topic" looks in that file, "~id" is a topic
// identifier, another text a keyword, "" opens the file.  Kind Quit (and
// an empty file) when there is nothing to show.
HelpCommand helpCommandFor(std::string_view topic, std::string_view currentFile);

}  // namespace dw::ui
