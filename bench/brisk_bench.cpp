// Storage core speed: entries inserted, looked up and deleted per second,
// pages written per commit and bytes of file per entry, for entries shaped
// like the Schedule table's (a 412-byte record under a 9-byte key, plus two
// key entries of 20..60 bytes per record), side by side with SQLite on the
// same data in the same run.
//
//   build/rel/bench/brisk_bench --benchmark_min_time=0.01
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "runtime/db/brisk_file.h"
#include "runtime/db/brkbt.h"

namespace {

using namespace dw::db;

struct Record {
  std::uint32_t id;
  std::string category;     // ~20 bytes
  std::string description;  // ~40 bytes
  std::string body;         // 412 bytes
};

std::vector<Record> makeRecords(int n) {
  std::mt19937_64 rng(42);
  static const char* words[] = {"Backup", "Report",  "Invoice", "Payroll", "Cleanup",
                                "Email",  "Network", "Audit",   "Sales",   "Update"};
  std::vector<Record> out;
  for (int i = 0; i < n; ++i) {
    Record r;
    r.id = std::uint32_t(i + 1);
    r.category = words[rng() % 10];
    r.category.resize(20, ' ');
    r.description = std::string(words[rng() % 10]) + " " + words[rng() % 10] + " " +
                    std::to_string(rng() % 100000);
    r.description.resize(40, ' ');
    r.body.assign(412, ' ');
    for (int j = 0; j < 120; ++j) r.body[std::size_t(rng() % 412)] = char('a' + rng() % 26);
    out.push_back(std::move(r));
  }
  return out;
}

std::string be32(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[std::size_t(i)] = char(v >> (24 - 8 * i));
  return s;
}

const std::string kTable = be32(1);
std::string dataKey(std::uint32_t id) {
  return kTable + char(0xF3) + be32(id);
}

void insertRecord(BriskFile& f, const Record& r) {
  insertEntry(f, Entry(dataKey(r.id) + r.body, 9));
  // Key 0: unique by id; key 1: category + description, duplicates allowed.
  insertEntry(f, Entry(kTable + char(0) + be32(r.id) + be32(r.id), 9));
  const std::string k1 = kTable + char(1) + r.category + r.description + be32(r.id);
  insertEntry(f, Entry(k1, k1.size()));
}

void deleteRecord(BriskFile& f, const Record& r) {
  deleteEntry(f, dataKey(r.id));
  deleteEntry(f, kTable + char(0) + be32(r.id));
  deleteEntry(f, kTable + char(1) + r.category + r.description + be32(r.id));
}

std::string tempName(const char* stem) {
  return (std::filesystem::temp_directory_path() / (std::string(stem) + std::to_string(getpid())))
      .string();
}

std::unique_ptr<BriskFile> freshFile(const std::string& path) {
  std::filesystem::remove(path);
  BriskOptions o;
  o.locking = Locking::Shared;
  auto f = BriskFile::open(path, o, dw::platform::Disposition::CreateAlways);
  auto file = std::move(*f);
  (void)file->refreshHeader();
  return file;
}

constexpr int kRecords = 20000;

void BM_BriskInsertOneCommit(benchmark::State& state) {
  const auto records = makeRecords(kRecords);
  const std::string path = tempName("bb_ins");
  double pages = 0, bytesPerRecord = 0;
  for (auto _ : state) {
    auto f = freshFile(path);
    for (const auto& r : records) insertRecord(*f, r);
    (void)f->commit();
    (void)f->cutAtEndOfData();
    pages = f->pagesWrittenLastCommit();
    bytesPerRecord = double(std::filesystem::file_size(path)) / kRecords;
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["pages_per_commit"] = pages;
  state.counters["file_bytes_per_record"] = bytesPerRecord;
  std::filesystem::remove(path);
}
BENCHMARK(BM_BriskInsertOneCommit)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BriskInsertEachCommitted(benchmark::State& state) {
  const auto records = makeRecords(500);
  const std::string path = tempName("bb_each");
  double pages = 0;
  for (auto _ : state) {
    auto f = freshFile(path);
    double total = 0;
    for (const auto& r : records) {
      insertRecord(*f, r);
      (void)f->commit();
      total += f->pagesWrittenLastCommit();
    }
    pages = total / double(records.size());
  }
  state.SetItemsProcessed(state.iterations() * 500);
  state.counters["pages_per_commit"] = pages;
  std::filesystem::remove(path);
}
BENCHMARK(BM_BriskInsertEachCommitted)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BriskLookupAndDelete(benchmark::State& state) {
  const auto records = makeRecords(kRecords);
  const std::string path = tempName("bb_look");
  auto f = freshFile(path);
  for (const auto& r : records) insertRecord(*f, r);
  (void)f->commit();
  std::mt19937 rng(3);
  const bool deleting = state.range(0) == 1;
  for (auto _ : state) {
    if (deleting) {
      state.PauseTiming();
      f = freshFile(path);
      for (const auto& r : records) insertRecord(*f, r);
      (void)f->commit();
      state.ResumeTiming();
      for (const auto& r : records) deleteRecord(*f, r);
      (void)f->commit();
    } else {
      for (int i = 0; i < kRecords; ++i) {
        benchmark::DoNotOptimize(findEqual(*f, dataKey(records[rng() % kRecords].id)));
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  std::filesystem::remove(path);
}
BENCHMARK(BM_BriskLookupAndDelete)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"delete"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// SQLite on the same records: a table with an integer key, the record as a
// blob and an index on category + description.
sqlite3* openSqlite(const std::string& path, const char* journal) {
  std::filesystem::remove(path);
  std::filesystem::remove(path + "-journal");
  std::filesystem::remove(path + "-wal");
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(
      db, (std::string("PRAGMA journal_mode=") + journal + "; PRAGMA synchronous=FULL;").c_str(),
      nullptr, nullptr, nullptr);
  sqlite3_exec(db,
               "CREATE TABLE s(id INTEGER PRIMARY KEY, category TEXT, description TEXT, body BLOB);"
               "CREATE INDEX s_cat ON s(category, description);",
               nullptr, nullptr, nullptr);
  return db;
}

void sqliteInsert(sqlite3* db, const std::vector<Record>& records, bool eachCommitted) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO s VALUES(?,?,?,?)", -1, &st, nullptr);
  if (!eachCommitted) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (const auto& r : records) {
    sqlite3_bind_int64(st, 1, r.id);
    sqlite3_bind_text(st, 2, r.category.c_str(), int(r.category.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 3, r.description.c_str(), int(r.description.size()), SQLITE_STATIC);
    sqlite3_bind_blob(st, 4, r.body.data(), int(r.body.size()), SQLITE_STATIC);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  if (!eachCommitted) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(st);
}

void BM_SqliteInsertOneCommit(benchmark::State& state) {
  const auto records = makeRecords(kRecords);
  const std::string path = tempName("bb_sq");
  double bytesPerRecord = 0;
  for (auto _ : state) {
    sqlite3* db = openSqlite(path, "DELETE");
    sqliteInsert(db, records, false);
    sqlite3_close(db);
    bytesPerRecord = double(std::filesystem::file_size(path)) / kRecords;
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["file_bytes_per_record"] = bytesPerRecord;
  std::filesystem::remove(path);
}
BENCHMARK(BM_SqliteInsertOneCommit)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SqliteInsertEachCommitted(benchmark::State& state) {
  const auto records = makeRecords(500);
  const std::string path = tempName("bb_sqe");
  for (auto _ : state) {
    sqlite3* db = openSqlite(path, "DELETE");
    sqliteInsert(db, records, true);
    sqlite3_close(db);
  }
  state.SetItemsProcessed(state.iterations() * 500);
  std::filesystem::remove(path);
}
BENCHMARK(BM_SqliteInsertEachCommitted)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SqliteLookupAndDelete(benchmark::State& state) {
  const auto records = makeRecords(kRecords);
  const std::string path = tempName("bb_sql");
  sqlite3* db = openSqlite(path, "DELETE");
  sqliteInsert(db, records, false);
  sqlite3_stmt* get = nullptr;
  sqlite3_prepare_v2(db, "SELECT body FROM s WHERE id=?", -1, &get, nullptr);
  std::mt19937 rng(3);
  const bool deleting = state.range(0) == 1;
  for (auto _ : state) {
    if (deleting) {
      state.PauseTiming();
      sqlite3_finalize(get);
      sqlite3_close(db);
      db = openSqlite(path, "DELETE");
      sqliteInsert(db, records, false);
      sqlite3_prepare_v2(db, "SELECT body FROM s WHERE id=?", -1, &get, nullptr);
      state.ResumeTiming();
      sqlite3_stmt* del = nullptr;
      sqlite3_prepare_v2(db, "DELETE FROM s WHERE id=?", -1, &del, nullptr);
      sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
      for (const auto& r : records) {
        sqlite3_bind_int64(del, 1, r.id);
        sqlite3_step(del);
        sqlite3_reset(del);
      }
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_finalize(del);
    } else {
      for (int i = 0; i < kRecords; ++i) {
        sqlite3_bind_int64(get, 1, records[rng() % kRecords].id);
        sqlite3_step(get);
        benchmark::DoNotOptimize(sqlite3_column_blob(get, 0));
        sqlite3_reset(get);
      }
    }
  }
  sqlite3_finalize(get);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRecords);
  std::filesystem::remove(path);
}
BENCHMARK(BM_SqliteLookupAndDelete)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"delete"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
