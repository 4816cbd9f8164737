// The program's environment file: a text file named like the program with
// the extension ".ENV" (or ".env") beside the executable, read once at
// start-up after the locale settings.  Each line is "KEY=value"; keys are
// compared without regard to case and blanks in them are ignored; a value
// is a comma-separated list whose items may be quoted with double quotes;
// Ctrl-Z ends the file.  Keys:
//
//   VELCHARSET  "OEM": later values are converted from the OEM code page
//   VELCOLSEQ   collation order ("WINDOWS": the platform's order)
//   VELCASE     upper-case letters, lower-case partners ("WINDOWS": platform's)
//   VELMONTH    month names            VELMON    month abbreviations
//   VELAMPM     AM and PM markers ("WINDOWS": the locale's s1159/s2359)
//   VELDIGRAPH  three-character digraphs for string comparison
//   VELBUTTON   texts stored as messages 32512, 32513, ...
//   VELMSGn     the text of message n
//
// Thread-safety: start-up only, before the program's own code runs.
#pragma once

#include <string>
#include <string_view>

namespace dw::lang {

// Loads an environment file.  The name "WINDOWS" instead of a file sets
// VELCOLSEQ, VELCASE and VELAMPM to WINDOWS.  When the file cannot be
// opened, posts error 2 and returns false; the tables stay as they were.
bool loadEnvironmentFile(const std::string& path);

// Applies one setting as if read from a file (the value as written after
// "=").  Unknown keys are ignored.
void applyEnvironmentSetting(std::string_view key, std::string_view value);

// The environment file of the running program: beside the executable, its
// name with ".ENV", or ".env" when only that one exists.
std::string environmentFilePath();

// Start-up: the locale settings, then the program's environment file.
void startLanguageRuntime();

}  // namespace dw::lang
