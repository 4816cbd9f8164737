// A view: a table read through one of its keys, with an optional filter,
// in pages of records forward and backward from any record
// (docs/views.md).
//
// The filter is a text compiled over names bound to the table's fields (the
// fields of the table's record buffer, by their declared names, e.g.
// "SCH:Date") and over whatever else the program has bound ("SelectedDay").
// From the filter the view takes the key range it implies
// (expr_key_range.h): a lexicographic interval [low, high] of encoded key
// prefixes that every record passing the filter lies in.  A scan never
// reads a record outside that interval except the one entry just beyond it
// that tells the scan to stop.  The range is resolved again at the start of
// every page, so bound program variables may change between pages.
//
// Positions are key entries (the bytes the key holds for a record): a page
// can be continued from any row's position even after that row's record
// was deleted by another table object; the next page then starts at the
// vanished row's neighbour.
//
// While a page is read the filter is evaluated with each candidate record
// placed in the table's record buffer; the buffer is restored afterwards,
// so reading pages never changes the table's current record, its buffer or
// its sequential position.  The view has a cursor of its own.
//
// Invariants: the view's key exists and is not a dynamic index without
// entries; the filter tree's bindings point into the table's record buffer,
// whose length never changes while the table is open.
//
// Thread-safety: a view is used by the thread that owns its table, under
// the Runtime lock (compiling and evaluating use the language state).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/db/key_cursor.h"
#include "runtime/db/table.h"
#include "runtime/lang/expr_key_range.h"
#include "runtime/lang/expr_tree.h"

namespace dw::db {

// One record of a page.
struct ViewRow {
  std::uint32_t recordNumber = 0;
  std::string record;    // the record image as the program sees it
  std::string position;  // the key entry of the record: where a page can resume
};

struct ViewPage {
  std::vector<ViewRow> rows;  // in key order, whatever the direction read
  bool atStart = false;       // nothing passes the filter before rows.front()
  bool atEnd = false;         // nothing passes the filter after rows.back()
};

// Binds every field of the table's record buffer under its declared name
// (arrays and groups are left out).  Rebinding replaces earlier bindings.
void bindTableFields(Table& table);

class View {
 public:
  // A view over key k of an open table (k must be one of its keys).  The
  // filter's field names are bound in programBuffer when one is given (a
  // declared file's record buffer, of the table's record length), else in
  // the table's own buffer; candidates are placed there while the filter
  // looks at them and the buffer is restored after every page.
  View(Table& table, std::size_t key, char* programBuffer = nullptr);
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Binds the table's fields and compiles the filter (empty: every
  // record).  0, or 800 for a text that is not a valid expression (801
  // when it names something unbound); the view then keeps no filter.
  int setFilter(std::string_view text);
  bool hasFilter() const { return m_filter != nullptr; }
  // A further test of the program's own (a tag lookup by record number,
  // say), asked after the filter accepted a record; empty: none.  It does
  // not narrow the key range.
  using RowTest = std::function<bool(std::uint32_t recordNumber, const std::string& record)>;
  void setRowTest(RowTest test) { m_rowTest = std::move(test); }
  std::size_t key() const { return m_key; }

  // Pages of at most n rows.  Each returns 0 or the file's error.
  int firstPage(std::size_t n, ViewPage& out);
  int lastPage(std::size_t n, ViewPage& out);
  // The n rows after / before a position (a row's position; it may be one
  // of out's own rows).
  int pageAfter(std::string_view position, std::size_t n, ViewPage& out);
  int pageBefore(std::string_view position, std::size_t n, ViewPage& out);
  // The page holding record `recordNumber` (35 when it does not exist),
  // with the record as near the middle as the ends allow.
  int pageAroundRecord(std::uint32_t recordNumber, std::size_t n, ViewPage& out);
  // The page around the key value of a record image: the rows with that
  // value or greater follow the middle.
  int pageAroundValue(std::string_view recordImage, std::size_t n, ViewPage& out);

  // Whether a record image passes the filter (true without a filter).
  bool passes(std::string_view recordImage);

  // Records read by scans since the last reset (those the filter rejects
  // and the one that ends a scan included).
  std::uint64_t recordsRead() const { return m_recordsRead; }
  void resetRecordsRead() { m_recordsRead = 0; }

 private:
  struct Range {
    bool empty = false;
    std::string low;   // encoded components; "" unlimited
    std::string high;  // likewise
  };
  struct Scan;

  char* buffer();
  std::size_t bufferSize() const;
  Range resolveRange() const;
  std::string lowProbe(const Range& r) const;
  std::string highProbe(const Range& r) const;
  std::string before(std::string_view s) const;  // a probe just before s
  std::string after(std::string_view s) const;   // a probe just after s and all it prefixes
  // Reads up to n passing rows from a probe in direction d (appended in
  // the order read).  reachedEnd: the scan met the range's or key's end.
  int collect(Scan& scan, std::string probe, StepDirection d, std::size_t n,
              std::vector<ViewRow>& rows, bool& reachedEnd);
  // One page read in direction d from `from` (else from the end of the key
  // range that d starts at; fromAnEnd marks that end as reached), the rows in
  // key order.
  int readPage(StepDirection d, std::optional<std::string> from, bool fromAnEnd, std::size_t n,
               ViewPage& out);
  int around(std::string anchor, std::size_t n, ViewPage& out);

  Table& m_table;
  std::size_t m_key;
  char* m_programBuffer;
  lang::ExprTree m_filter;
  lang::KeyRangePlan m_plan;
  lang::RecordTest m_isField;
  RowTest m_rowTest;
  std::uint64_t m_recordsRead = 0;
};

}  // namespace dw::db
