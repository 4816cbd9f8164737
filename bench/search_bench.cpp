// The search by example against SQLite: one question, "the tasks whose
// description contains a word", asked of 100,000 tasks (the Schedule
// workload, docs in BENCH.md) in one run.  The engine answers it as the
// search form does: the Schedule read in stored order 100 records per step
// (ScheduleScan::step, one step per timer tick of the progress window; the
// window itself is left out), each record tested by the matching rules,
// the memo not read.  SQLite answers
//   SELECT ID FROM schedule WHERE Description LIKE '%word%'
// over the same records.  Median of 5 runs each, turns alternating; prints
// the matches (which must agree) and the ratio engine / SQLite.  Goal: at
// most 2.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "app/data/app_files.h"
#include "app/forms/search/search_fields.h"
#include "app/forms/search/search_scan.h"
#include "bench/schedule_sqlite.h"
#include "runtime/db/declared_file.h"

namespace dw::bench {
namespace {

constexpr int kTasks = 100000;
constexpr int kRuns = 5;
constexpr const char* kWord = "report";

void fillEngine(const std::vector<Task>& tasks) {
  app::ScheduleFile& f = app::SCH();
  must(f.open(0x142) == 0, "open SM");
  must(db::logout(-1, {&f}) == 0, "logout");
  for (const Task& t : tasks) {
    toRecord(t, f.rec());
    f.setMemoText(app::kMessageMemo, t.message);
    must(f.add() == 0, "add");
  }
  must(db::commit() == 0, "commit");
}

sqlite3* fillSqlite(const std::vector<Task>& tasks, const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  exec(db,
       "CREATE TABLE schedule(ID INTEGER PRIMARY KEY, TaskType TEXT COLLATE NOCASE,"
       " Category TEXT COLLATE NOCASE, Description TEXT COLLATE NOCASE, Command TEXT,"
       " Path TEXT, ScheduleType TEXT, Sunday INT, Monday INT, Tuesday INT, Wednesday INT,"
       " Thursday INT, Friday INT, Saturday INT, Every INT, Every1st INT, Every2nd INT,"
       " Every3rd INT, Every4th INT, EveryLast INT, EveryType TEXT, Date INT, Time INT,"
       " LastRunDate INT, LastRunTime INT, SkipNextTime INT, Alarm INT, AlarmFile TEXT,"
       " AdvanceWarnDate INT, AdvanceWarnTime INT, AdvanceWarned INT, Warn INT, UserSkip INT,"
       " Disabled INT, Completed INT, Message TEXT)");
  exec(db, "CREATE INDEX KeyTaskName ON schedule(Description, Category)");
  sqlite3_stmt* ins = nullptr;
  std::string sql = "INSERT INTO schedule VALUES(?";
  for (int i = 1; i < 36; ++i) sql += ",?";
  sql += ")";
  sqlite3_prepare_v2(db, sql.c_str(), -1, &ins, nullptr);
  exec(db, "BEGIN");
  for (const Task& t : tasks) {
    bindTask(ins, t);
    must(sqlite3_step(ins) == SQLITE_DONE, "sqlite insert");
    sqlite3_reset(ins);
  }
  exec(db, "COMMIT");
  sqlite3_finalize(ins);
  return db;
}

std::int64_t engineSearch() {
  app::TaskFieldMap map;
  map.description = 1;
  const std::vector<app::SearchField> fields = app::searchFields(map, 0, 0);
  app::ScheduleRecord example{};
  app::SCH().clear();
  example = app::SCH().rec();
  example.Description = kWord;
  app::ScheduleScan scan(fields, {{0, app::match::kContains, ""}}, example, "");
  std::int64_t found = 0;
  while (!scan.step(app::kRecordsPerTick,
                    [&](std::uint32_t) {
                      ++found;
                      return true;
                    })
              .done) {
  }
  return found;
}

std::int64_t sqliteSearch(sqlite3* db) {
  sqlite3_stmt* q = nullptr;
  sqlite3_prepare_v2(db, "SELECT ID FROM schedule WHERE Description LIKE ?", -1, &q, nullptr);
  const std::string pattern = std::string("%") + kWord + "%";
  sqlite3_bind_text(q, 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
  std::int64_t found = 0;
  while (sqlite3_step(q) == SQLITE_ROW) ++found;
  sqlite3_finalize(q);
  return found;
}

}  // namespace
}  // namespace dw::bench

int main() {
  using namespace dw::bench;
  const std::string dir =
      std::filesystem::temp_directory_path() / ("dw_search_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  const std::vector<Task> tasks = makeTasks(kTasks);
  fillEngine(tasks);
  sqlite3* db = fillSqlite(tasks, dir + "/search.sqlite");
  std::vector<double> engine, sqlite;
  std::int64_t engineFound = 0, sqliteFound = 0;
  for (int run = 0; run < kRuns; ++run) {
    engine.push_back(seconds([&] { engineFound = engineSearch(); }));
    sqlite.push_back(seconds([&] { sqliteFound = sqliteSearch(db); }));
  }
  sqlite3_close(db);
  dw::app::SCH().close();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);
  const double e = median(engine), s = median(sqlite);
  std::printf("search: %d tasks, description contains \"%s\"\n", kTasks, kWord);
  std::printf("  engine (100 records a step)  %8.1f ms  %lld matches\n", e * 1000,
              static_cast<long long>(engineFound));
  std::printf("  SQLite LIKE                  %8.1f ms  %lld matches\n", s * 1000,
              static_cast<long long>(sqliteFound));
  std::printf("  ratio engine / SQLite        %8.2f  (goal: at most 2)\n", e / s);
  return engineFound == sqliteFound ? 0 : 1;
}
