// The commands of the brk tool, one per file of tools/brk/, dispatched by
// brk.cpp.  Each takes the arguments after its name (options such as
// --password already taken out into BrkArgs) and returns the exit code:
// 0 success, 1 the file or its content is at fault, 2 bad usage or the file
// cannot be opened.
//
// Single-threaded: the tool runs one command and ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/db/brisk_file.h"
#include "runtime/db/table.h"

namespace dw::brk {

struct BrkArgs {
  std::vector<std::string> positional;  // after the command name
  std::vector<std::string> options;     // --name or --name value, in order, as given
  std::string password;                 // --password PW
  // The value of an option "--name VALUE", or fallback when absent.
  std::string option(const std::string& name, const std::string& fallback = {}) const;
  bool flag(const std::string& name) const;
};

// Opens FILE\!TABLE with the description stored in the file; prints why
// not and returns the exit code when it cannot (0 on success).
int openStoredTable(const std::string& name, const BrkArgs& args, bool readOnly,
                    std::unique_ptr<dw::db::Table>& out);

int cmdInfo(const BrkArgs& args);
int cmdCheck(const BrkArgs& args);
int cmdSample(const BrkArgs& args);
int cmdTables(const BrkArgs& args);
int cmdCreate(const BrkArgs& args);
int cmdDump(const BrkArgs& args);
int cmdLoad(const BrkArgs& args);
int cmdBuild(const BrkArgs& args);
// The table part of check, on a file whose pages are sound: 0 or 1.
int checkTablesOf(dw::db::BriskFile& file, const std::string& path);

}  // namespace dw::brk
