// SQLite's side of the Schedule workload: the same tasks in one table with
// a column per field (strings trimmed, COLLATE NOCASE where the key is
// case-insensitive), ID as INTEGER PRIMARY KEY, eight indexes matching the
// other keys, the memo as TEXT, default page size and cache,
// synchronous=FULL, and journal_mode DELETE or WAL.
//
// Header-only, included by bench/schedule_bench.cpp alone; single-threaded.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/schedule_workload.h"

namespace dw::bench {

inline void exec(sqlite3* db, const char* sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", sql, msg ? msg : "?");
    std::exit(1);
  }
}

inline std::string trimmed(const std::string& s) {
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

inline void bindTask(sqlite3_stmt* ins, const Task& k) {
  int c = 1;
  auto text = [&](const std::string& s) {
    sqlite3_bind_text(ins, c++, s.c_str(), int(s.size()), SQLITE_TRANSIENT);
  };
  auto num = [&](std::int64_t v) { sqlite3_bind_int64(ins, c++, v); };
  num(k.id);
  text(k.taskType);
  text(k.category);
  text(k.description);
  text(k.command);
  text(k.path);
  text(k.scheduleType);
  for (auto b : k.weekdays) num(b);
  num(k.every);
  for (auto b : k.ordinals) num(b);
  text(k.everyType);
  num(k.date);
  num(k.time);
  num(k.lastRunDate);
  num(k.lastRunTime);
  num(0);
  num(k.alarm);
  text(k.alarmFile);
  num(k.warnDate);
  num(k.warnTime);
  num(k.warned);
  num(0);
  num(0);
  num(k.disabled);
  num(0);
  text(trimmed(k.message));
}

inline Figures runSqlite(const Workload& w, const std::string& dir, bool wal, const Party& party) {
  Figures f;
  const int n = w.n;
  const std::vector<Task>& tasks = w.tasks;
  // The two journal modes run side by side, each on a file of its own.
  const std::string file = dir + (wal ? "/smw.sqlite" : "/sm.sqlite");
  std::filesystem::remove(file);
  std::filesystem::remove(file + "-wal");
  std::filesystem::remove(file + "-shm");
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  exec(db, wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE");
  exec(db, "PRAGMA synchronous=FULL");
  exec(db,
       "CREATE TABLE schedule(ID INTEGER PRIMARY KEY, TaskType TEXT COLLATE NOCASE,"
       " Category TEXT COLLATE NOCASE, Description TEXT COLLATE NOCASE, Command TEXT,"
       " Path TEXT, ScheduleType TEXT, Sunday INT, Monday INT, Tuesday INT, Wednesday INT,"
       " Thursday INT, Friday INT, Saturday INT, Every INT, Every1st INT, Every2nd INT,"
       " Every3rd INT, Every4th INT, EveryLast INT, EveryType TEXT, Date INT, Time INT,"
       " LastRunDate INT, LastRunTime INT, SkipNextTime INT, Alarm INT, AlarmFile TEXT,"
       " AdvanceWarnDate INT, AdvanceWarnTime INT, AdvanceWarned INT, Warn INT, UserSkip INT,"
       " Disabled INT, Completed INT, Message TEXT)");
  exec(db, "CREATE INDEX KeyDate ON schedule(Date, Time)");
  exec(db, "CREATE INDEX KeyCategory ON schedule(Category, Description)");
  exec(db, "CREATE INDEX KeyCategoryDate ON schedule(Category, Date, Time)");
  exec(db, "CREATE INDEX KeyTaskName ON schedule(Description, Category)");
  exec(db, "CREATE INDEX KeyTaskType ON schedule(TaskType, Description)");
  exec(db, "CREATE INDEX KeyTaskDate ON schedule(TaskType, Date, Time)");
  exec(db, "CREATE INDEX KeyDateEnabled ON schedule(Disabled, Date, Time)");
  exec(db, "CREATE INDEX KeyAdvanced ON schedule(AdvanceWarned, AdvanceWarnDate, AdvanceWarnTime)");
  sqlite3_stmt* ins = nullptr;
  std::string sql = "INSERT INTO schedule VALUES(?";
  for (int i = 1; i < 36; ++i) sql += ",?";
  sql += ")";
  sqlite3_prepare_v2(db, sql.c_str(), -1, &ins, nullptr);
  f.insert = timed(party, [&] {
    exec(db, "BEGIN");
    for (int i = 0; i < n; ++i) {
      bindTask(ins, tasks[std::size_t(i)]);
      must(sqlite3_step(ins) == SQLITE_DONE, "sqlite insert");
      sqlite3_reset(ins);
    }
    exec(db, "COMMIT");
  });
  if (wal) exec(db, "PRAGMA wal_checkpoint(TRUNCATE)");
  f.bytesPerRecord = double(std::filesystem::file_size(file)) / n;
  // (b) each insert commits on its own (autocommit).
  f.single = timeSingles(party, [&](int i) {
    bindTask(ins, w.singles()[i]);
    must(sqlite3_step(ins) == SQLITE_DONE, "sqlite single insert");
    sqlite3_reset(ins);
  });
  sqlite3_finalize(ins);
  // Each lookup reads the whole row, as GET fills the record buffer.
  auto readRow = [](sqlite3_stmt* s) {
    std::size_t bytes = 0;
    for (int c = 0, nc = sqlite3_column_count(s); c < nc; ++c) bytes += sqlite3_column_bytes(s, c);
    return bytes;
  };
  sqlite3_stmt* byId = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM schedule WHERE ID=?", -1, &byId, nullptr);
  const auto ids = picks(n, kLookups, 1);
  f.byId = timed(party, [&] {
    for (int i : ids) {
      sqlite3_bind_int64(byId, 1, tasks[std::size_t(i)].id);
      must(sqlite3_step(byId) == SQLITE_ROW, "sqlite by id");
      readRow(byId);
      sqlite3_reset(byId);
    }
  });
  sqlite3_stmt* byCat = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT * FROM schedule WHERE Category=? AND Description=?"
                     " ORDER BY Category, Description, ID LIMIT 1",
                     -1, &byCat, nullptr);
  const auto cats = picks(n, kLookups, 2);
  f.byCategory = timed(party, [&] {
    for (int i : cats) {
      const Task& k = tasks[std::size_t(i)];
      sqlite3_bind_text(byCat, 1, k.category.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(byCat, 2, k.description.c_str(), -1, SQLITE_STATIC);
      must(sqlite3_step(byCat) == SQLITE_ROW, "sqlite by category");
      readRow(byCat);
      sqlite3_reset(byCat);
    }
  });
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM schedule ORDER BY Date, Time", -1, &scan, nullptr);
  std::size_t scanned = 0;
  f.scan = timed(party, [&] {
    while (sqlite3_step(scan) == SQLITE_ROW) {
      readRow(scan);
      ++scanned;
    }
  });
  sqlite3_finalize(scan);
  must(scanned == std::size_t(n + kSingles), "sqlite scan count");
  sqlite3_stmt* first = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM schedule ORDER BY Disabled, Date, Time LIMIT 1", -1, &first,
                     nullptr);
  f.first = timed(party,
                  [&] {
                    for (int i = 0; i < kFirstRepeats; ++i) {
                      must(sqlite3_step(first) == SQLITE_ROW, "sqlite first");
                      readRow(first);
                      sqlite3_reset(first);
                    }
                  }) /
            kFirstRepeats;
  sqlite3_finalize(first);
  sqlite3_stmt* upd = nullptr;
  sqlite3_prepare_v2(db, "UPDATE schedule SET Date=?, Time=? WHERE ID=?", -1, &upd, nullptr);
  const auto changes = distinctPicks(n, kChanges, 3);
  std::mt19937_64 rng(4);
  f.update = timed(party, [&] {
    exec(db, "BEGIN");
    for (int i : changes) {
      sqlite3_bind_int64(upd, 1, 80000 + std::int64_t(rng() % 1096));
      sqlite3_bind_int64(upd, 2, 1 + std::int64_t(rng() % 8640000));
      sqlite3_bind_int64(upd, 3, tasks[std::size_t(i)].id);
      must(sqlite3_step(upd) == SQLITE_DONE, "sqlite update");
      sqlite3_reset(upd);
    }
    exec(db, "COMMIT");
  });
  sqlite3_finalize(upd);
  sqlite3_stmt* del = nullptr;
  sqlite3_prepare_v2(db, "DELETE FROM schedule WHERE ID=?", -1, &del, nullptr);
  const auto deletes = distinctPicks(n, kChanges, 5);
  f.erase = timed(party, [&] {
    exec(db, "BEGIN");
    for (int i : deletes) {
      sqlite3_bind_int64(del, 1, tasks[std::size_t(i)].id);
      must(sqlite3_step(del) == SQLITE_DONE, "sqlite delete");
      sqlite3_reset(del);
    }
    exec(db, "COMMIT");
  });
  sqlite3_finalize(del);
  sqlite3_finalize(byId);
  sqlite3_finalize(byCat);
  sqlite3_close(db);
  return f;
}

}  // namespace dw::bench
