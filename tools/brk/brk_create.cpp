// brk create FILE\!TABLE DEFFILE: makes a table from a text definition
// (docs/brk.md), creating the file when it is missing.  An existing table
// is kept unless --replace is given.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "runtime/lang/errors.h"
#include "tools/brk/brk_commands.h"
#include "tools/brk/brk_definition.h"

namespace dw::brk {

using namespace dw::db;

int cmdCreate(const BrkArgs& args) {
  if (args.positional.size() != 2) return -1;
  const std::string& name = args.positional[0];
  std::ifstream in(args.positional[1]);
  if (!in) {
    std::fprintf(stderr, "brk: cannot read %s\n", args.positional[1].c_str());
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  TableDesc desc;
  std::string error;
  if (!parseDefinitionText(text.str(), desc, error)) {
    std::fprintf(stderr, "brk: %s: %s\n", args.positional[1].c_str(), error.c_str());
    return 2;
  }
  try {
    TableOpenOptions o;
    o.locking = Locking::Shared;
    o.password = args.password;
    std::unique_ptr<Table> t;
    TableDesc existing;
    if (!args.flag("--replace") && readStoredDescription(name, o, existing) == 0) {
      std::fprintf(stderr, "brk: %s exists (use --replace to make it afresh)\n", name.c_str());
      return 1;
    }
    o.disposition =
        args.flag("--replace") ? OpenDisposition::CreateAfresh : OpenDisposition::CreateIfMissing;
    const int rc = Table::openTable(name, desc, o, t);
    if (rc != 0) {
      std::fprintf(stderr, "brk: cannot create %s: error %d\n", name.c_str(), rc);
      return 1;
    }
    std::printf("%s: table %s number %u, record length %u, %zu fields, %zu memos, %zu keys\n",
                t->name().file.c_str(), t->name().table.c_str(), t->number(), desc.recordLength,
                desc.fields.size(), desc.memos.size(), desc.keys.size());
    return t->closeTable() == 0 ? 0 : 1;
  } catch (const dw::lang::HaltRequested& h) {
    std::printf("%s: damaged: %s\n", name.c_str(), h.text.c_str());
    return 1;
  }
}

}  // namespace dw::brk
