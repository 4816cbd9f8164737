// brk load FILE\!TABLE [--batch N | --transaction] [--progress]: adds one
// record per CSV row read from standard input.  The first row names the
// columns (fields and memos, as brk dump --csv writes them); fields not
// named stay blank or zero.
//
// How the adds reach the file:
// - by default every row is committed on its own (--batch N: every N rows);
//   a bad row ends the load with the rows before it committed;
// - --transaction: the whole load is one transaction of the driver (OPEN
//   0x42, LOGOUT, ADD per row, COMMIT); a bad row rolls it back, so the file
//   is either as before or holds every row.
// A row that cannot be stored - a value that does not fit, a duplicate key
// - is reported with its line number; nothing of it is written.
//
// --progress prints "added N" after the N-th row's ADD and "committed N"
// after every commit that made the first N rows durable, each line flushed
// at once, so that a watcher knows how far the load has come.
//
// Single-threaded, like the tool.
#include <cstdio>
#include <iostream>

#include "runtime/db/driver.h"
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

// Where the rows go: the table and how its adds are committed.
class Target {
 public:
  virtual ~Target() = default;
  virtual Table& table() = 0;
  virtual int start() = 0;
  virtual int add() = 0;
  // After a row was added: commits when the mode says so (true in committed).
  virtual int rowDone(bool& committed) = 0;
  // At the end of the input: commits what is left.
  virtual int finish() = 0;
  // After a bad row: keeps what the mode keeps; the error of that, if any.
  virtual int abandon() = 0;
  virtual int close() = 0;
};

// The table opened with its stored definition; a commit every `batch` rows.
class BatchTarget : public Target {
 public:
  BatchTarget(std::unique_ptr<Table> t, long batch) : m_table(std::move(t)), m_batch(batch) {}
  Table& table() override { return *m_table; }
  int start() override { return m_table->beginBatch(); }
  int add() override { return m_table->addRecord(); }
  int rowDone(bool& committed) override {
    committed = false;
    if (++m_inBatch < m_batch) return 0;
    m_inBatch = 0;
    if (int rc = m_table->endBatch()) return rc;
    committed = true;
    return m_table->beginBatch();
  }
  int finish() override { return m_table->endBatch(); }
  int abandon() override { return m_table->endBatch(); }
  int close() override { return m_table->closeTable(); }

 private:
  std::unique_ptr<Table> m_table;
  long m_batch;
  long m_inBatch = 0;
};

// The table opened through the driver, every add inside one transaction.
class TransactionTarget : public Target {
 public:
  explicit TransactionTarget(FileControlBlock& fcb) : m_fcb(fcb) {}
  Table& table() override { return *m_fcb.table; }
  int start() override { return call(op::kLogout); }
  int add() override { return call(op::kAdd); }
  int rowDone(bool& committed) override {
    committed = false;
    return 0;
  }
  int finish() override { return call(op::kCommit); }
  int abandon() override { return call(op::kRollback); }
  int close() override { return call(op::kClose); }

 private:
  int call(int operation) {
    DriverArgs a;
    return driverCall(operation, m_fcb, a);
  }
  FileControlBlock& m_fcb;
};

// Why a table could not be opened, as openStoredTable says it.
int reportOpenError(const std::string& name, int rc) {
  const std::string text = rc == 2    ? "no such file or table"
                           : rc == 36 ? "not a valid data file"
                           : rc == 47 ? "the stored definition is damaged"
                                      : "error " + std::to_string(rc);
  std::fprintf(stderr, "brk: cannot open %s: %s\n", name.c_str(), text.c_str());
  return rc == 36 || rc == 47 ? 1 : 2;
}

// Opens the table through the driver with its stored definition, shared
// (0x42) as the program opens its files.
int openThroughDriver(const std::string& name, const BrkArgs& args, FileControlBlock& fcb) {
  TableOpenOptions o;
  o.locking = Locking::Shared;
  o.password = args.password;
  TableDesc stored;
  if (int rc = readStoredDescription(name, o, stored)) return reportOpenError(name, rc);
  fcb.name = name;
  fcb.password = args.password;
  fcb.declaration = stored;
  DriverArgs a;
  a.number = 0x42;
  if (int rc = driverCall(op::kOpen, fcb, a)) return reportOpenError(name, rc);
  return 0;
}

bool readColumns(const TableDesc& d, std::vector<Column>& columns, int& lines) {
  std::vector<std::string> cells;
  std::string error;
  if (!readCsvRow(std::cin, cells, lines, error) || !error.empty()) {
    std::fprintf(stderr, "brk: line 1: expected a header row naming the columns\n");
    return false;
  }
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
      return false;
    }
    columns.push_back(c);
  }
  return true;
}

// Fills the table's buffers from one row; false with the reason.
bool fillRow(Table& t, const std::vector<Column>& columns, const std::vector<std::string>& cells,
             std::string& why) {
  const TableDesc& d = t.desc();
  t.clearRecord();
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const Column& c = columns[i];
    if (c.memo) {
      const MemoDesc& m = d.memos[c.index];
      if (m.isBlob()) {
        if (!unhex(cells[i], t.memo(c.index))) {
          why = m.name + ": a BLOB is written as hexadecimal digits";
          return false;
        }
      } else if (cells[i].size() > m.size) {
        why = m.name + ": longer than " + std::to_string(m.size) + " characters";
        return false;
      } else {
        t.memo(c.index) = cells[i] + std::string(m.size - cells[i].size(), ' ');
      }
      continue;
    }
    std::string reason;
    if (!parseField(d.fields[c.index], cells[i], t.record(), reason)) {
      why = d.fields[c.index].name + ": " + reason;
      return false;
    }
  }
  return true;
}

void progress(bool on, const char* what, std::uint64_t n) {
  if (!on) return;
  std::printf("%s %llu\n", what, static_cast<unsigned long long>(n));
  std::fflush(stdout);
}

int load(const BrkArgs& args) {
  const bool transaction = args.flag("--transaction");
  const bool showProgress = args.flag("--progress");
  long batch = 1;
  if (args.flag("--batch")) {
    batch = std::atol(args.option("--batch").c_str());
    if (batch < 1) {
      std::fprintf(stderr, "brk: --batch needs a number of 1 or more\n");
      return 2;
    }
    if (transaction) {
      std::fprintf(stderr, "brk: --batch and --transaction exclude each other\n");
      return 2;
    }
  }
  const std::string& name = args.positional[0];
  FileControlBlock fcb;  // the driver's, with --transaction
  std::unique_ptr<Target> target;
  if (transaction) {
    if (int rc = openThroughDriver(name, args, fcb)) return rc;
    target = std::make_unique<TransactionTarget>(fcb);
  } else {
    std::unique_ptr<Table> t;
    if (int rc = openStoredTable(name, args, false, t)) return rc;
    target = std::make_unique<BatchTarget>(std::move(t), batch);
  }
  Table& t = target->table();
  std::vector<Column> columns;
  int lines = 0;
  if (!readColumns(t.desc(), columns, lines)) {
    (void)target->close();
    return 2;
  }
  if (int rc = target->start()) {
    std::fprintf(stderr, "brk: cannot write %s: error %d\n", name.c_str(), rc);
    (void)target->close();
    return 1;
  }
  int line = lines + 1;  // the line the next row starts on
  std::uint64_t added = 0, committed = 0;
  auto fail = [&](const std::string& what) {
    const int rc = target->abandon();
    if (transaction) {
      std::fprintf(stderr, "brk: line %d: %s; nothing loaded (%llu rows before it rolled back)%s\n",
                   line, what.c_str(), static_cast<unsigned long long>(added),
                   rc ? " (and the rollback failed)" : "");
    } else {
      std::fprintf(stderr, "brk: line %d: %s; %llu records loaded before it%s\n", line,
                   what.c_str(), static_cast<unsigned long long>(added),
                   rc ? " (and their commit failed)" : "");
    }
    (void)target->close();
    return 1;
  };
  std::vector<std::string> cells;
  std::string error;
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
    std::string why;
    if (!fillRow(t, columns, cells, why)) return fail(why);
    const int rc = target->add();
    if (rc == 40) return fail("creates a duplicate key (error 40)");
    if (rc != 0) return fail("the record was refused (error " + std::to_string(rc) + ")");
    ++added;
    progress(showProgress, "added", added);
    line += lines;
    bool nowCommitted = false;
    if (int crc = target->rowDone(nowCommitted)) {
      return fail("commit failed (system error " + std::to_string(crc) + ")");
    }
    if (nowCommitted) {
      committed = added;
      progress(showProgress, "committed", committed);
    }
  }
  if (int rc = target->finish()) {
    std::fprintf(stderr, "brk: commit failed (error %d)%s\n", rc,
                 transaction ? "; nothing loaded" : "");
    (void)target->close();
    return 1;
  }
  if (committed != added) progress(showProgress, "committed", added);
  std::printf("%llu records loaded\n", static_cast<unsigned long long>(added));
  return target->close() == 0 ? 0 : 1;
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
