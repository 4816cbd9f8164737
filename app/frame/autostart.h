// Starting Dornwatch when the user logs in: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/dornwatch.desktop (~/.config/autostart without
// $XDG_CONFIG_HOME), that the desktop runs at every login.  Its Exec line
// starts this program by its absolute path with --minimized and --data
// naming the data directory it runs on, so that the login starts the
// scheduler the user set it up in, whatever the login's environment.  The entry
// exists exactly while the setting is on: Setup shows its presence and
// writes or removes it.
//
// The entry is written to a temporary file beside it and renamed over it,
// so that a crash never leaves half an entry for the next login.  Errors
// come back with the system's text and the entry's path.
//
// Thread-safety: any thread.
#pragma once

#include <string>
#include <string_view>

namespace dw::app {

inline constexpr const char* kAutostartFile = "dornwatch.desktop";

// The entry's path.
std::string autostartPath();
// Whether the entry exists.
bool autostartEnabled();
// Writes (on) or removes (off) the entry; false with `error` set (the
// system's text and the path) when it cannot.
bool setAutostart(bool on, std::string* error);

// The entry's text for `program` and `dataDirectory` ("" names none).
std::string autostartEntry(const std::string& program, const std::string& dataDirectory);
// One argument of an Exec line: in double quotes, with '"', '`', '$' and
// '\' escaped, the backslashes doubled again as the entry's string values
// want them, and '%' doubled (a lone one starts a field code).
std::string desktopExecArgument(std::string_view argument);

}  // namespace dw::app
