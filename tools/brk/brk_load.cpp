// brk load FILE\!TABLE [--batch N]: adds one record per CSV row read from
// standard input.  The first row names the columns (fields and memos, as
// brk dump --csv writes them); fields not named stay blank or zero.  Adds
// are committed every N rows (default 1).  A row that cannot be stored -
// a value that does not fit, a duplicate key - is reported with its line
// number and ends the load: the rows before it are committed, nothing of
// it is written.
#include <cstdio>
#include <iostream>

#include "runtime/lang/errors.h"
#include "tools/brk/brk_commands.h"
#include "tools/brk/brk_values.h"

namespace dw::brk {

using namespace dw::db;

namespace {

std::string upperAscii(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool unhex(const std::string& s, std::string& out) {
  if (s.size() % 2) return false;
  out.clear();
  for (std::size_t i = 0; i < s.size(); i += 2) {
    auto v = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                    : -1;
    };
    const int hi = v(s[i]), lo = v(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(char(hi * 16 + lo));
  }
  return true;
}

struct Column {
  bool memo = false;
  std::size_t index = 0;
};

int load(const BrkArgs& args) {
  long batch = 1;
  if (args.flag("--batch")) {
    batch = std::atol(args.option("--batch").c_str());
    if (batch < 1) {
      std::fprintf(stderr, "brk: --batch needs a number of 1 or more\n");
      return 2;
    }
  }
  std::unique_ptr<Table> t;
  if (int rc = openStoredTable(args.positional[0], args, false, t)) return rc;
  const TableDesc& d = t->desc();
  std::vector<std::string> cells;
  int lines = 0;
  std::string error;
  if (!readCsvRow(std::cin, cells, lines, error) || !error.empty()) {
    std::fprintf(stderr, "brk: line 1: expected a header row naming the columns\n");
    return 2;
  }
  std::vector<Column> columns;
  for (const std::string& name : cells) {
    Column c;
    bool found = false;
    for (std::size_t i : valueFields(d)) {
      if (upperAscii(d.fields[i].name) == upperAscii(name)) {
        c.index = i;
        found = true;
      }
    }
    for (std::size_t m = 0; m < d.memos.size() && !found; ++m) {
      if (upperAscii(d.memos[m].name) == upperAscii(name)) {
        c = {true, m};
        found = true;
      }
    }
    if (!found) {
      std::fprintf(stderr, "brk: line 1: '%s' is not a field or memo of the table\n", name.c_str());
      return 2;
    }
    columns.push_back(c);
  }
  int line = lines + 1;  // the line the next row starts on
  std::uint64_t added = 0;
  long inBatch = 0;
  auto fail = [&](const std::string& what) {
    const int rc = t->endBatch();
    std::fprintf(stderr, "brk: line %d: %s; %llu records loaded before it%s\n", line, what.c_str(),
                 static_cast<unsigned long long>(added), rc ? " (and their commit failed)" : "");
    return 1;
  };
  if (int rc = t->beginBatch()) {
    std::fprintf(stderr, "brk: cannot write %s: error %d\n", args.positional[0].c_str(), rc);
    return 1;
  }
  while (readCsvRow(std::cin, cells, lines, error)) {
    if (!error.empty()) return fail(error);
    if (cells.size() == 1 && cells[0].empty()) {  // a blank line
      line += lines;
      continue;
    }
    if (cells.size() != columns.size()) {
      return fail(std::to_string(cells.size()) + " cells where the header has " +
                  std::to_string(columns.size()));
    }
    t->clearRecord();
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const Column& c = columns[i];
      if (c.memo) {
        const MemoDesc& m = d.memos[c.index];
        if (m.isBlob()) {
          if (!unhex(cells[i], t->memo(c.index))) {
            return fail(m.name + ": a BLOB is written as hexadecimal digits");
          }
        } else if (cells[i].size() > m.size) {
          return fail(m.name + ": longer than " + std::to_string(m.size) + " characters");
        } else {
          t->memo(c.index) = cells[i] + std::string(m.size - cells[i].size(), ' ');
        }
        continue;
      }
      std::string why;
      if (!parseField(d.fields[c.index], cells[i], t->record(), why)) {
        return fail(d.fields[c.index].name + ": " + why);
      }
    }
    const int rc = t->addRecord();
    if (rc == 40) return fail("creates a duplicate key (error 40)");
    if (rc != 0) return fail("the record was refused (error " + std::to_string(rc) + ")");
    ++added;
    line += lines;
    if (++inBatch == batch) {
      inBatch = 0;
      if (int crc = t->endBatch())
        return fail("commit failed (system error " + std::to_string(crc) + ")");
      if (int brc = t->beginBatch())
        return fail("cannot write (error " + std::to_string(brc) + ")");
    }
  }
  if (int rc = t->endBatch()) {
    std::fprintf(stderr, "brk: commit failed (system error %d)\n", rc);
    return 1;
  }
  std::printf("%llu records loaded\n", static_cast<unsigned long long>(added));
  return t->closeTable() == 0 ? 0 : 1;
}

}  // namespace

int cmdLoad(const BrkArgs& args) {
  if (args.positional.size() != 1) return -1;
  try {
    return load(args);
  } catch (const dw::lang::HaltRequested& h) {
    std::printf("%s: damaged: %s\n", args.positional[0].c_str(), h.text.c_str());
    return 1;
  }
}

}  // namespace dw::brk
