// The Schedule workload (the 412-byte Schedule record with its memo and
// nine keys) on the engine's tables and on SQLite, side by side in one
// process on the same data: (a) 100,000 inserts in one transaction, (c)
// random point lookups by ID and by category + description, (d) a full
// scan in date order with memos and the first record of the enabled-by-date
// key, (e) 10,000 updates of date and time and 10,000 deletes, each set in
// one transaction, (f) bytes of file per record after (a).  Every figure is
// the median of three runs; the ratio is engine time / SQLite time (below
// 1: the engine is faster; for (f) size / size).
//
//   build/rel/bench/schedule_bench [records] [--no-wal] [--engine-only]
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "runtime/db/record_declaration.h"
#include "runtime/db/table.h"

namespace {

using namespace dw::db;
using Clock = std::chrono::steady_clock;

// --- Data -------------------------------------------------------------------

struct Task {
  std::int32_t id;
  std::string taskType, category, description, command, path, scheduleType, everyType;
  std::uint8_t weekdays[7], ordinals[5];
  std::int32_t every, date, time, lastRunDate, lastRunTime, warnDate, warnTime;
  std::uint8_t alarm, warned, disabled;
  std::string alarmFile, message;
};

const char* kTaskTypes[] = {"Run Program", "Display Message", "Both", "None"};
const char* kCategories[] = {"Accounts",  "Backups",     "Billing",   "Cleanup", "Compliance",
                             "Database",  "Email",       "Finance",   "HR",      "Inventory",
                             "Logistics", "Maintenance", "Marketing", "Network", "Payroll",
                             "Reports",   "Sales",       "Security",  "Support", "Updates"};
const char* kScheduleTypes[] = {"Once",    "Day of Week", "Day of Month",
                                "Monthly", "Yearly",      "Custom"};
const char* kUnits[] = {"minute(s)", "hour(s)", "day(s)", "week(s)", "month(s)", "year(s)"};
const char* kWords[] = {
    "backup",  "report",   "invoice",  "audit",    "weekly",  "monthly",  "server",   "client",
    "check",   "update",   "clean",    "archive",  "payroll", "ledger",   "meeting",  "review",
    "budget",  "forecast", "office",   "printer",  "network", "mailbox",  "contract", "supplier",
    "order",   "shipment", "stock",    "account",  "summary", "quarter",  "annual",   "daily",
    "export",  "import",   "sync",     "database", "index",   "log",      "rotate",   "notify",
    "remind",  "call",     "email",    "agenda",   "minutes", "policy",   "training", "payment",
    "receipt", "tax",      "filing",   "renewal",  "license", "security", "patch",    "deploy",
    "restore", "verify",   "compress", "upload"};

std::string word(std::mt19937_64& rng) {
  return kWords[rng() % std::size(kWords)];
}

std::vector<Task> makeTasks(int n) {
  std::mt19937_64 rng(20261207);
  std::vector<Task> out(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    Task& t = out[std::size_t(i)];
    t.id = i + 1;
    t.taskType = kTaskTypes[rng() % 4];
    t.category = kCategories[rng() % 20];
    std::string d = word(rng);
    d[0] = char(std::toupper(d[0]));
    for (int w = 0, k = 1 + int(rng() % 3); w < k; ++w) {
      d += ' ';
      d += word(rng);
    }
    d += ' ';
    d += std::to_string(rng() % 100000);
    t.description = d.substr(0, 40);
    std::string c = "C:\\Programs\\";
    for (const char* part : {"\\", ".exe /", " "}) {
      c += word(rng);
      c += part;
    }
    c += word(rng);
    if (rng() % 2) {
      c += " /";
      c += word(rng);
    }
    t.command = c.substr(0, 80);
    std::string p = "C:";
    for (int w = 0, k = 2 + int(rng() % 3); w < k; ++w) {
      p += '\\';
      p += word(rng);
    }
    t.path = p.substr(0, 80);
    t.scheduleType = kScheduleTypes[rng() % 6];
    for (auto& b : t.weekdays) b = std::uint8_t(rng() % 2);
    for (auto& b : t.ordinals) b = std::uint8_t(rng() % 2);
    t.every = 1 + std::int32_t(rng() % 30);
    t.everyType = kUnits[rng() % 6];
    t.date = 80000 + std::int32_t(rng() % 1096);
    t.time = 1 + std::int32_t(rng() % 8640000);
    const bool ran = rng() % 2;
    t.lastRunDate = ran ? t.date - 1 - std::int32_t(rng() % 30) : 0;
    t.lastRunTime = ran ? 1 + std::int32_t(rng() % 8640000) : 0;
    t.disabled = rng() % 10 == 0;
    t.warned = rng() % 4 == 0;
    t.warnDate = t.date - std::int32_t(rng() % 4);
    t.warnTime = 1 + std::int32_t(rng() % 8640000);
    t.alarm = rng() % 5 == 0;
    t.alarmFile = t.alarm ? "C:\\Sounds\\" + word(rng) + ".wav" : "";
    if (rng() % 2) {
      const std::size_t len = 1 + rng() % 1000;
      while (t.message.size() < len) t.message += word(rng) + " ";
      t.message.resize(len);
    }
  }
  return out;
}

// --- Engine -------------------------------------------------------------------

TableDesc scheduleDesc() {
  FieldListBuilder b;
  b.field("SCH:ID", FieldType::Long)
      .text("SCH:TaskType", FieldType::String, 20)
      .text("SCH:Category", FieldType::String, 20)
      .text("SCH:Description", FieldType::String, 40)
      .text("SCH:Command", FieldType::String, 80)
      .text("SCH:Path", FieldType::String, 80)
      .text("SCH:ScheduleType", FieldType::String, 20)
      .beginGroup("SCH:DayOfWeekGroup");
  for (const char* d :
       {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"}) {
    b.field(std::string("SCH:") + d, FieldType::Byte);
  }
  b.endGroup().field("SCH:Every", FieldType::Long).beginGroup("SCH:EveryOrdinal");
  for (const char* o : {"Every1st", "Every2nd", "Every3rd", "Every4th", "EveryLast"}) {
    b.field(std::string("SCH:") + o, FieldType::Byte);
  }
  b.endGroup()
      .text("SCH:EveryType", FieldType::String, 20)
      .beginGroup("SCH:ScheduleDateAndTime")
      .field("SCH:Date", FieldType::Long)  // field 24
      .field("SCH:Time", FieldType::Long)
      .field("SCH:LastRunDate", FieldType::Long)
      .field("SCH:LastRunTime", FieldType::Long)
      .field("SCH:SkipNextTime", FieldType::Byte)
      .endGroup()
      .beginGroup("SCH:AlarmGroup")
      .field("SCH:Alarm", FieldType::Byte)
      .text("SCH:AlarmFile", FieldType::CString, 81)
      .endGroup()
      .beginGroup("SCH:AdvancedWarning")
      .field("SCH:AdvanceWarnDate", FieldType::Long)  // field 34
      .field("SCH:AdvanceWarnTime", FieldType::Long)
      .field("SCH:AdvanceWarned", FieldType::Byte)
      .endGroup()
      .field("SCH:Warn", FieldType::Byte)
      .field("SCH:UserSkip", FieldType::Byte)
      .field("SCH:Disabled", FieldType::Byte)  // field 39
      .field("SCH:Completed", FieldType::Byte);
  // Field numbers (from 1): ID 1, TaskType 2, Category 3, Description 4,
  // Date 24, Time 25, AdvanceWarnDate 34, AdvanceWarnTime 35, Warned 36,
  // Disabled 39.
  const std::uint8_t dup = kKeyDuplicates | kKeyNoCase | kKeyOptional;
  std::vector<DeclaredKey> keys = {
      {"SCH:KeyID", "", kKeyPrimary | kKeyNoCase | kKeyOptional, {1}},
      {"SCH:KeyDate", "", dup, {24, 25}},
      {"SCH:KeyCategory", "", dup, {3, 4}},
      {"SCH:KeyCategoryDate", "", dup, {3, 24, 25}},
      {"SCH:KeyTaskName", "", dup, {4, 3}},
      {"SCH:KeyTaskType", "", dup, {2, 4}},
      {"SCH:KeyTaskDate", "", dup, {2, 24, 25}},
      {"SCH:KeyDateEnabled", "", dup, {39, 24, 25}},
      {"SCH:KeyAdvanced", "", dup, {36, 34, 35}},
  };
  MemoDesc message;
  message.name = "SCH:Message";
  message.size = 1000;
  TableDesc d;
  if (acceptDeclaration(b.build(), 0, {message}, keys, d) != 0 || d.recordLength != 412) {
    std::fprintf(stderr, "schedule declaration refused\n");
    std::exit(2);
  }
  return d;
}

void putText(std::string& r, std::size_t at, std::size_t n, const std::string& s) {
  std::string v = s.substr(0, n);
  v.resize(n, ' ');
  r.replace(at, n, v);
}
void putLong(std::string& r, std::size_t at, std::int32_t v) {
  std::memcpy(r.data() + at, &v, 4);
}

void fill(Table& t, const Task& k) {
  std::string& r = t.record();
  putLong(r, 0, k.id);
  putText(r, 4, 20, k.taskType);
  putText(r, 24, 20, k.category);
  putText(r, 44, 40, k.description);
  putText(r, 84, 80, k.command);
  putText(r, 164, 80, k.path);
  putText(r, 244, 20, k.scheduleType);
  std::memcpy(r.data() + 264, k.weekdays, 7);
  putLong(r, 271, k.every);
  std::memcpy(r.data() + 275, k.ordinals, 5);
  putText(r, 280, 20, k.everyType);
  putLong(r, 300, k.date);
  putLong(r, 304, k.time);
  putLong(r, 308, k.lastRunDate);
  putLong(r, 312, k.lastRunTime);
  r[316] = 0;
  r[317] = char(k.alarm);
  std::memset(r.data() + 318, 0, 81);
  std::memcpy(r.data() + 318, k.alarmFile.data(), std::min<std::size_t>(80, k.alarmFile.size()));
  putLong(r, 399, k.warnDate);
  putLong(r, 403, k.warnTime);
  r[407] = char(k.warned);
  r[408] = r[409] = 0;
  r[410] = char(k.disabled);
  r[411] = 0;
  std::string& m = t.memo(0);
  m.assign(k.message);
  m.resize(1000, ' ');
}

// --- Timing -----------------------------------------------------------------------

double seconds(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Figures {
  double insert = 0, byId = 0, byCategory = 0, scan = 0, first = 0, update = 0, erase = 0;
  double bytesPerRecord = 0;
};

constexpr int kLookups = 100000;
constexpr int kChanges = 10000;
constexpr int kFirstRepeats = 20000;

std::vector<int> picks(int n, int count, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<int> v(static_cast<std::size_t>(count));
  for (int& x : v) x = int(rng() % std::uint64_t(n));
  return v;
}

std::vector<int> distinctPicks(int n, int count, std::uint64_t seed) {
  std::vector<int> all(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) all[std::size_t(i)] = i;
  std::mt19937_64 rng(seed);
  std::shuffle(all.begin(), all.end(), rng);
  all.resize(std::size_t(std::min(count, n)));
  return all;
}

void must(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
  }
}

Figures runEngine(const std::vector<Task>& tasks, const std::string& dir) {
  Figures f;
  const int n = int(tasks.size());
  const std::string file = dir + "/SM.BRK";
  std::filesystem::remove(file);
  const TableDesc desc = scheduleDesc();
  std::unique_ptr<Table> t;
  TableOpenOptions o;
  o.disposition = OpenDisposition::CreateIfMissing;
  o.locking = Locking::Shared;
  must(Table::openTable(file + "\\!Schedule", desc, o, t) == 0, "open");
  f.insert = seconds([&] {
    must(t->beginBatch() == 0, "batch");
    for (const Task& k : tasks) {
      fill(*t, k);
      must(t->addRecord() == 0, "add");
    }
    must(t->endBatch() == 0, "commit");
  });
  f.bytesPerRecord = double(std::filesystem::file_size(file)) / n;
  const auto ids = picks(n, kLookups, 1);
  f.byId = seconds([&] {
    for (int i : ids) {
      putLong(t->record(), 0, tasks[std::size_t(i)].id);
      must(t->getByKey(0) == 0, "get by id");
    }
  });
  const auto cats = picks(n, kLookups, 2);
  f.byCategory = seconds([&] {
    for (int i : cats) {
      putText(t->record(), 24, 20, tasks[std::size_t(i)].category);
      putText(t->record(), 44, 40, tasks[std::size_t(i)].description);
      must(t->getByKey(2) == 0, "get by category");
    }
  });
  std::size_t scanned = 0;
  f.scan = seconds([&] {
    t->cursor().setKeyOrder(1);
    while (t->step(StepDirection::Next) == 0) ++scanned;
  });
  must(scanned == tasks.size(), "scan count");
  f.first = seconds([&] {
              for (int i = 0; i < kFirstRepeats; ++i) {
                t->cursor().setKeyOrder(7);
                must(t->step(StepDirection::Next) == 0, "first enabled");
              }
            }) /
            kFirstRepeats;
  const auto changes = distinctPicks(n, kChanges, 3);
  std::mt19937_64 rng(4);
  f.update = seconds([&] {
    must(t->beginBatch() == 0, "batch");
    for (int i : changes) {
      putLong(t->record(), 0, tasks[std::size_t(i)].id);
      must(t->getByKey(0) == 0, "get for update");
      putLong(t->record(), 300, 80000 + std::int32_t(rng() % 1096));
      putLong(t->record(), 304, 1 + std::int32_t(rng() % 8640000));
      must(t->putRecord() == 0, "put");
    }
    must(t->endBatch() == 0, "commit");
  });
  const auto deletes = distinctPicks(n, kChanges, 5);
  f.erase = seconds([&] {
    must(t->beginBatch() == 0, "batch");
    for (int i : deletes) {
      putLong(t->record(), 0, tasks[std::size_t(i)].id);
      must(t->getByKey(0) == 0, "get for delete");
      must(t->deleteRecord() == 0, "delete");
    }
    must(t->endBatch() == 0, "commit");
  });
  t->closeTable();
  return f;
}

// --- SQLite -------------------------------------------------------------------------

void exec(sqlite3* db, const char* sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", sql, msg ? msg : "?");
    std::exit(1);
  }
}

std::string trimmed(const std::string& s) {
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

Figures runSqlite(const std::vector<Task>& tasks, const std::string& dir, bool wal) {
  Figures f;
  const int n = int(tasks.size());
  const std::string file = dir + "/sm.sqlite";
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
  f.insert = seconds([&] {
    exec(db, "BEGIN");
    for (const Task& k : tasks) {
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
      must(sqlite3_step(ins) == SQLITE_DONE, "sqlite insert");
      sqlite3_reset(ins);
    }
    exec(db, "COMMIT");
  });
  sqlite3_finalize(ins);
  if (wal) exec(db, "PRAGMA wal_checkpoint(TRUNCATE)");
  f.bytesPerRecord = double(std::filesystem::file_size(file)) / n;
  // Each lookup reads the whole row, as GET fills the record buffer.
  auto readRow = [](sqlite3_stmt* s) {
    std::size_t bytes = 0;
    for (int c = 0, nc = sqlite3_column_count(s); c < nc; ++c) bytes += sqlite3_column_bytes(s, c);
    return bytes;
  };
  sqlite3_stmt* byId = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM schedule WHERE ID=?", -1, &byId, nullptr);
  const auto ids = picks(n, kLookups, 1);
  f.byId = seconds([&] {
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
  f.byCategory = seconds([&] {
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
  f.scan = seconds([&] {
    while (sqlite3_step(scan) == SQLITE_ROW) {
      readRow(scan);
      ++scanned;
    }
  });
  sqlite3_finalize(scan);
  must(scanned == tasks.size(), "sqlite scan count");
  sqlite3_stmt* first = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM schedule ORDER BY Disabled, Date, Time LIMIT 1", -1, &first,
                     nullptr);
  f.first = seconds([&] {
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
  f.update = seconds([&] {
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
  f.erase = seconds([&] {
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

Figures medianOf(const std::vector<Figures>& runs) {
  Figures m;
  auto pick = [&](double Figures::*field) {
    std::vector<double> v;
    for (const Figures& f : runs) v.push_back(f.*field);
    m.*field = median(v);
  };
  for (auto field :
       {&Figures::insert, &Figures::byId, &Figures::byCategory, &Figures::scan, &Figures::first,
        &Figures::update, &Figures::erase, &Figures::bytesPerRecord}) {
    pick(field);
  }
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  int n = 100000;
  bool withWal = true, engineOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-wal") == 0) {
      withWal = false;
    } else if (std::strcmp(argv[i], "--engine-only") == 0) {
      engineOnly = true;
    } else {
      n = std::max(kChanges * 2, std::atoi(argv[i]));
    }
  }
  const std::vector<Task> tasks = makeTasks(n);
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("schedule_bench" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(dir);
  std::vector<Figures> engine, sqlite, wal;
  for (int run = 0; run < 3; ++run) {
    engine.push_back(runEngine(tasks, dir));
    if (engineOnly) continue;
    sqlite.push_back(runSqlite(tasks, dir, false));
    if (withWal) wal.push_back(runSqlite(tasks, dir, true));
  }
  std::filesystem::remove_all(dir);
  if (engineOnly) {  // for profiling the engine alone
    const Figures e = medianOf(engine);
    std::printf("engine alone, %d records: inserts %.0f/s, by id %.0f/s, by category %.0f/s, "
                "scan %.0f/s, first %.2f us, updates %.0f/s, deletes %.0f/s, %.0f B/record\n",
                n, n / e.insert, kLookups / e.byId, kLookups / e.byCategory, n / e.scan,
                e.first * 1e6, kChanges / e.update, kChanges / e.erase, e.bytesPerRecord);
    return 0;
  }
  const Figures e = medianOf(engine), s = medianOf(sqlite);
  const Figures w = withWal ? medianOf(wal) : s;
  std::printf("Schedule workload, %d records, median of 3 runs (ratio = engine / SQLite)\n", n);
  std::printf("%-34s %14s %14s %14s %8s %8s\n", "operation", "engine", "SQLite DELETE",
              "SQLite WAL", "ratio", "ratio WAL");
  auto row = [&](const char* name, double ev, double sv, double wv, const char* unit, bool rate,
                 double count) {
    auto shown = [&](double v) { return rate ? count / v : v; };
    std::printf("%-34s %11.0f %-2s %11.0f %-2s %11.0f %-2s %8.2f %8.2f\n", name, shown(ev), unit,
                shown(sv), unit, shown(wv), unit, ev / sv, ev / wv);
  };
  row("a. inserts, one transaction", e.insert, s.insert, w.insert, "/s", true, n);
  row("c. lookups by SCH:KeyID", e.byId, s.byId, w.byId, "/s", true, kLookups);
  row("c. lookups by SCH:KeyCategory", e.byCategory, s.byCategory, w.byCategory, "/s", true,
      kLookups);
  row("d. ordered scan by SCH:KeyDate", e.scan, s.scan, w.scan, "/s", true, n);
  std::printf("%-34s %11.2f us %11.2f us %11.2f us %8.2f %8.2f\n", "d. first of SCH:KeyDateEnabled",
              e.first * 1e6, s.first * 1e6, w.first * 1e6, e.first / s.first, e.first / w.first);
  row("e. updates, one transaction", e.update, s.update, w.update, "/s", true, kChanges);
  row("e. deletes, one transaction", e.erase, s.erase, w.erase, "/s", true, kChanges);
  std::printf("%-34s %11.0f B  %11.0f B  %11.0f B  %8.2f %8.2f\n", "f. file size per record",
              e.bytesPerRecord, s.bytesPerRecord, w.bytesPerRecord,
              e.bytesPerRecord / s.bytesPerRecord, e.bytesPerRecord / w.bytesPerRecord);
  return 0;
}
