// brk dump FILE\!TABLE [--key NAME] [--csv]: every record decoded with the
// table's stored definition, memos included, in record order or in the
// order of a key.  --csv writes a header row and one row per record, which
// brk load reads back.
#include <cstdio>

#include "runtime/lang/errors.h"
#include "tools/brk/brk_commands.h"
#include "tools/brk/brk_values.h"

namespace dw::brk {

using namespace dw::db;

namespace {

std::string memoText(const Table& t, std::size_t m, const std::string& buffer) {
  if (t.desc().memos[m].isBlob()) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : buffer) {
      out += hex[c >> 4];
      out += hex[c & 15];
    }
    return out;
  }
  std::string s = buffer;
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

int dump(const BrkArgs& args) {
  std::unique_ptr<Table> t;
  if (int rc = openStoredTable(args.positional[0], args, true, t)) return rc;
  const TableDesc& d = t->desc();
  const std::vector<std::size_t> columns = valueFields(d);
  const std::string keyName = args.option("--key");
  if (!keyName.empty()) {
    std::size_t k = 0;
    while (k < d.keys.size() && d.keys[k].name != keyName) ++k;
    if (k == d.keys.size()) {
      std::fprintf(stderr, "brk: %s has no key %s\n", args.positional[0].c_str(), keyName.c_str());
      return 2;
    }
    t->cursor().setKeyOrder(k);
  } else {
    t->cursor().setRecordOrder();
  }
  const bool csv = args.flag("--csv");
  if (csv) {
    std::string header;
    auto addColumn = [&header](const std::string& name) {
      if (!header.empty()) header += ',';
      header += csvCell(name);
    };
    for (std::size_t c : columns) addColumn(d.fields[c].name);
    for (const MemoDesc& m : d.memos) addColumn(m.name);
    std::printf("%s\n", header.c_str());
  }
  std::uint64_t n = 0;
  for (;;) {
    const int rc = t->step(StepDirection::Next);
    if (rc == 33) break;
    if (rc != 0) {
      std::fprintf(stderr, "brk: reading stopped with error %d after %llu records\n", rc,
                   static_cast<unsigned long long>(n));
      return 1;
    }
    ++n;
    if (csv) {
      std::string row;
      bool first = true;
      auto addCell = [&](const std::string& text) {
        if (!first) row += ',';
        row += csvCell(text);
        first = false;
      };
      for (std::size_t c : columns) addCell(formatField(d.fields[c], t->record()));
      for (std::size_t m = 0; m < d.memos.size(); ++m) addCell(memoText(*t, m, t->memo(m)));
      std::printf("%s\n", row.c_str());
    } else {
      std::printf("record %u\n", t->currentRecord());
      for (std::size_t c : columns) {
        std::printf("  %s = %s\n", d.fields[c].name.c_str(),
                    formatField(d.fields[c], t->record()).c_str());
      }
      for (std::size_t m = 0; m < d.memos.size(); ++m) {
        std::printf("  %s = %s\n", d.memos[m].name.c_str(), memoText(*t, m, t->memo(m)).c_str());
      }
    }
  }
  if (!csv) std::printf("%llu records\n", static_cast<unsigned long long>(n));
  return 0;
}

}  // namespace

int cmdDump(const BrkArgs& args) {
  if (args.positional.size() != 1) return -1;
  try {
    return dump(args);
  } catch (const dw::lang::HaltRequested& h) {
    std::printf("%s: damaged: %s\n", args.positional[0].c_str(), h.text.c_str());
    return 1;
  }
}

}  // namespace dw::brk
