// Where the program keeps its data and its profile, shared by dornwatch and
// the command-line tool so that both work on the same schedule file.
//
//   data:     --data DIR, else $DORNWATCH_DATA, else $XDG_DATA_HOME/dornwatch
//             (~/.local/share/dornwatch)
//   profile:  $DORNWATCH_CONFIG, else $XDG_CONFIG_HOME/dornwatch
//             (~/.config/dornwatch)
//
// An environment variable that is set but empty counts as unset; without
// $HOME the base is /tmp.
//
// Thread-safety: reads the environment; call at start-up, before threads.
#pragma once

#include <string>

namespace dw::app {

// The data directory: `given` (the --data argument) when not empty, else
// from the environment as above.
std::string dataDirectory(const std::string& given = {});
std::string profileDirectory();

// Creates `dir` with its parents when missing; false and `error` set when
// it cannot be made or is not a directory.
bool prepareDirectory(const std::string& dir, std::string* error);

}  // namespace dw::app
