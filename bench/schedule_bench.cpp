// The Schedule workload (bench/schedule_workload.h) through the file layer
// as the application pays for it (the SCH declaration, its program buffer
// and memo buffer, LOGOUT/COMMIT for the batches), through the engine's
// Table API (the file layer's own cost shows as the difference), and on
// SQLite, side by side in one process on the same tasks:
//   (a) 100,000 inserts in one transaction; (f) bytes of file per record
//   after (a); (b) 2,000 more inserts, each committed on its own; (c)
//   100,000 random point lookups by ID and by category + description; (d)
//   a full scan in date order with memos, and the timer's question (the
//   first record of the enabled-by-date key, repeated); (e) 10,000 updates
//   of date and time and 10,000 deletes, each set in one transaction.
// Every figure is the median of three runs; ratio = engine time / SQLite
// time (below 1: the engine is faster; for (f) size / size).  Within a run
// the runners take turns on threads of their own, handing over after every
// phase and during (b) every 100 inserts, so that each phase of every
// runner meets the same machine (schedule_workload.h, Turns).  Times are wall
// time, or with --cpu the process's CPU time (user + system), which a
// shared machine disturbs less but which leaves out waiting for the disk.
//
// --timer [large]: the timer's question alone through the file layer (the
// SCH1 declaration, as the timer work asks it) on a table of 100 tasks and
// on one of `large` tasks (1,000,000 by default); its cost should not grow
// with the table.
//
//   build/rel/bench/schedule_bench [records] [--no-wal] [--no-table-api] [--cpu]
//   build/rel/bench/schedule_bench [records] --engine-only   (one run, for profiling)
//   build/rel/bench/schedule_bench --timer [large]
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/data/app_files.h"
#include "app/data/table_descs.h"
#include "bench/schedule_sqlite.h"
#include "runtime/db/declared_file.h"
#include "runtime/db/table.h"

namespace {

using namespace dw::bench;
using dw::app::kMessageMemo;
using dw::app::ScheduleFile;
namespace sch_key = dw::app::sch_key;

// --- The file layer ---------------------------------------------------------

constexpr std::uint32_t kOpenMode = 0x42 | 0x100;  // read/write, share all, create

void primeRecord(ScheduleFile& f, const Task& k) {
  f.clear();
  toRecord(k, f.rec());
  f.setMemoText(kMessageMemo, k.message);
}

// Runs in the data directory (the current directory), as the program does.
Figures runFileLayer(const Workload& w, const Party& party) {
  Figures f;
  const int n = w.n;
  std::filesystem::remove("SM.BRK");
  ScheduleFile& sch = dw::app::SCH();
  must(sch.open(kOpenMode) == 0, "open");
  f.insert = timed(party, [&] {
    must(dw::db::logout(-1, {&sch}) == 0, "logout");
    for (int i = 0; i < n; ++i) {
      primeRecord(sch, w.tasks[std::size_t(i)]);
      must(sch.add() == 0, "add");
    }
    must(dw::db::commit() == 0, "commit");
  });
  f.bytesPerRecord = double(std::filesystem::file_size("SM.BRK")) / n;
  f.single = timeSingles(party, [&](int i) {
    primeRecord(sch, w.singles()[i]);
    must(sch.add() == 0, "single add");
  });
  const auto ids = picks(n, kLookups, 1);
  f.byId = timed(party, [&] {
    for (int i : ids) {
      sch->ID = w.tasks[std::size_t(i)].id;
      must(sch.get(sch_key::kKeyID) == 0, "get by id");
    }
  });
  const auto cats = picks(n, kLookups, 2);
  f.byCategory = timed(party, [&] {
    for (int i : cats) {
      sch->Category = w.tasks[std::size_t(i)].category;
      sch->Description = w.tasks[std::size_t(i)].description;
      must(sch.get(sch_key::kKeyCategory) == 0, "get by category");
    }
  });
  std::size_t scanned = 0, memoBytes = 0;
  f.scan = timed(party, [&] {
    must(sch.set(sch_key::kKeyDate) == 0, "set");
    while (sch.next() == 0) {
      ++scanned;
      memoBytes += sch.memo(kMessageMemo).size();
    }
  });
  must(scanned == std::size_t(n + kSingles), "scan count");
  must(memoBytes == scanned * dw::app::kMessageMemoSize, "memos read");
  ScheduleFile& timer = dw::app::SCH1();
  must(timer.open(kOpenMode) == 0, "open SCH1");
  f.first = timed(party,
                  [&] {
                    for (int i = 0; i < kFirstRepeats; ++i) {
                      must(timer.set(sch_key::kKeyDateEnabled) == 0, "set enabled");
                      must(timer.next() == 0 && timer->Disabled == 0, "first enabled");
                    }
                  }) /
            kFirstRepeats;
  must(timer.close() == 0, "close SCH1");
  const auto changes = distinctPicks(n, kChanges, 3);
  std::mt19937_64 rng(4);
  f.update = timed(party, [&] {
    must(dw::db::logout(-1, {&sch}) == 0, "logout");
    for (int i : changes) {
      sch->ID = w.tasks[std::size_t(i)].id;
      must(sch.get(sch_key::kKeyID) == 0, "get for update");
      sch->Date = 80000 + std::int32_t(rng() % 1096);
      sch->Time = 1 + std::int32_t(rng() % 8640000);
      must(sch.put() == 0, "put");
    }
    must(dw::db::commit() == 0, "commit");
  });
  const auto deletes = distinctPicks(n, kChanges, 5);
  f.erase = timed(party, [&] {
    must(dw::db::logout(-1, {&sch}) == 0, "logout");
    for (int i : deletes) {
      sch->ID = w.tasks[std::size_t(i)].id;
      must(sch.get(sch_key::kKeyID) == 0, "get for delete");
      must(sch.erase() == 0, "delete");
    }
    must(dw::db::commit() == 0, "commit");
  });
  must(sch.close() == 0, "close");
  return f;
}

// --- The Table API --------------------------------------------------------------

void fill(dw::db::Table& t, const Task& k) {
  dw::app::ScheduleRecord r;
  toRecord(k, r);
  std::memcpy(t.record().data(), &r, sizeof r);
  std::string& m = t.memo(0);
  m.assign(k.message);
  m.resize(dw::app::kMessageMemoSize, ' ');
}

void putLong(std::string& r, std::size_t at, std::int32_t v) {
  std::memcpy(r.data() + at, &v, 4);
}
void putText(std::string& r, std::size_t at, std::size_t n, const std::string& s) {
  std::string v = s.substr(0, n);
  v.resize(n, ' ');
  r.replace(at, n, v);
}

Figures runTableApi(const Workload& w, const Party& party) {
  using namespace dw::db;
  using dw::app::ScheduleRecord;
  Figures f;
  const int n = w.n;
  std::filesystem::remove("SMT.BRK");
  std::unique_ptr<Table> t;
  TableOpenOptions o;
  o.disposition = OpenDisposition::CreateIfMissing;
  o.locking = Locking::Shared;
  must(Table::openTable("SMT.BRK\\!Schedule", dw::app::scheduleTableDesc(), o, t) == 0, "open");
  const std::size_t idAt = offsetof(ScheduleRecord, ID);
  f.insert = timed(party, [&] {
    must(t->beginBatch() == 0, "batch");
    for (int i = 0; i < n; ++i) {
      fill(*t, w.tasks[std::size_t(i)]);
      must(t->addRecord() == 0, "add");
    }
    must(t->endBatch() == 0, "commit");
  });
  f.bytesPerRecord = double(std::filesystem::file_size("SMT.BRK")) / n;
  f.single = timeSingles(party, [&](int i) {
    fill(*t, w.singles()[i]);
    must(t->addRecord() == 0, "single add");
  });
  const auto ids = picks(n, kLookups, 1);
  f.byId = timed(party, [&] {
    for (int i : ids) {
      putLong(t->record(), idAt, w.tasks[std::size_t(i)].id);
      must(t->getByKey(sch_key::kKeyID) == 0, "get by id");
    }
  });
  const auto cats = picks(n, kLookups, 2);
  f.byCategory = timed(party, [&] {
    for (int i : cats) {
      putText(t->record(), offsetof(ScheduleRecord, Category), 20,
              w.tasks[std::size_t(i)].category);
      putText(t->record(), offsetof(ScheduleRecord, Description), 40,
              w.tasks[std::size_t(i)].description);
      must(t->getByKey(sch_key::kKeyCategory) == 0, "get by category");
    }
  });
  std::size_t scanned = 0;
  f.scan = timed(party, [&] {
    t->cursor().setKeyOrder(sch_key::kKeyDate);
    while (t->step(StepDirection::Next) == 0) ++scanned;
  });
  must(scanned == std::size_t(n + kSingles), "scan count");
  f.first = timed(party,
                  [&] {
                    for (int i = 0; i < kFirstRepeats; ++i) {
                      t->cursor().setKeyOrder(sch_key::kKeyDateEnabled);
                      must(t->step(StepDirection::Next) == 0, "first enabled");
                    }
                  }) /
            kFirstRepeats;
  const auto changes = distinctPicks(n, kChanges, 3);
  std::mt19937_64 rng(4);
  f.update = timed(party, [&] {
    must(t->beginBatch() == 0, "batch");
    for (int i : changes) {
      putLong(t->record(), idAt, w.tasks[std::size_t(i)].id);
      must(t->getByKey(sch_key::kKeyID) == 0, "get for update");
      putLong(t->record(), offsetof(ScheduleRecord, Date), 80000 + std::int32_t(rng() % 1096));
      putLong(t->record(), offsetof(ScheduleRecord, Time), 1 + std::int32_t(rng() % 8640000));
      must(t->putRecord() == 0, "put");
    }
    must(t->endBatch() == 0, "commit");
  });
  const auto deletes = distinctPicks(n, kChanges, 5);
  f.erase = timed(party, [&] {
    must(t->beginBatch() == 0, "batch");
    for (int i : deletes) {
      putLong(t->record(), idAt, w.tasks[std::size_t(i)].id);
      must(t->getByKey(sch_key::kKeyID) == 0, "get for delete");
      must(t->deleteRecord() == 0, "delete");
    }
    must(t->endBatch() == 0, "commit");
  });
  t->closeTable();
  return f;
}

// --- The timer's question by table size ---------------------------------------

// Builds a Schedule of `count` tasks (no memos) in the current directory,
// committing every 50,000 inserts.
void buildSchedule(int count) {
  std::filesystem::remove("SM.BRK");
  ScheduleFile& sch = dw::app::SCH();
  must(sch.open(kOpenMode) == 0, "open");
  TaskSource source(false);
  Task k;
  for (int done = 0; done < count;) {
    must(dw::db::logout(-1, {&sch}) == 0, "logout");
    for (int end = std::min(count, done + 50000); done < end; ++done) {
      source.next(k);
      primeRecord(sch, k);
      must(sch.add() == 0, "add");
    }
    must(dw::db::commit() == 0, "commit");
  }
  must(sch.close() == 0, "close");
}

// Seconds per question, median of three runs of kFirstRepeats.
double timerQuestion(std::int32_t& found) {
  ScheduleFile& timer = dw::app::SCH1();
  must(timer.open(kOpenMode) == 0, "open SCH1");
  std::vector<double> runs;
  for (int run = 0; run < 3; ++run) {
    runs.push_back(seconds([&] {
                     for (int i = 0; i < kFirstRepeats; ++i) {
                       must(timer.set(sch_key::kKeyDateEnabled) == 0, "set enabled");
                       must(timer.next() == 0 && timer->Disabled == 0, "first enabled");
                     }
                   }) /
                   kFirstRepeats);
  }
  found = timer->ID;
  must(timer.close() == 0, "close SCH1");
  return median(runs);
}

int timerMode(int large, const std::filesystem::path& dir) {
  std::printf(
      "the timer's question through SCH1 (set SCH1:KeyDateEnabled, next), "
      "median of 3 x %d\n",
      kFirstRepeats);
  double small = 0, big = 0;
  for (int count : {100, large}) {
    const auto sub = dir / std::to_string(count);
    std::filesystem::create_directories(sub);
    std::filesystem::current_path(sub);
    const double build = seconds([&] { buildSchedule(count); });
    std::int32_t found = 0;
    const double t = timerQuestion(found);
    (count == 100 ? small : big) = t;
    std::printf("  %9d tasks: %8.2f us  (task %d; built in %.1f s, %.0f bytes)\n", count, t * 1e6,
                found, build, double(std::filesystem::file_size("SM.BRK")));
    std::filesystem::current_path(dir);
    std::filesystem::remove_all(sub);
  }
  std::printf("  ratio %d / 100 tasks: %.2f\n", large, big / small);
  return 0;
}

// Runs every runner on a thread of its own, one at a time, beginning with
// the first; returns their figures in the same order.
std::vector<Figures> takingTurns(const std::vector<std::function<Figures(const Party&)>>& runners) {
  Turns turns(int(runners.size()));
  std::vector<Figures> figures(runners.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < runners.size(); ++i) {
    threads.emplace_back([&, i] {
      const Party party{&turns, int(i)};
      turns.await(party.id);
      figures[i] = runners[i](party);
      turns.finish(party.id);
    });
  }
  for (std::thread& t : threads) t.join();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  int n = 100000, large = 1000000;
  bool withWal = true, withTableApi = true, timer = false, engineOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-wal") == 0) {
      withWal = false;
    } else if (std::strcmp(argv[i], "--no-table-api") == 0) {
      withTableApi = false;
    } else if (std::strcmp(argv[i], "--cpu") == 0) {
      g_cpuTime = true;
    } else if (std::strcmp(argv[i], "--engine-only") == 0) {
      engineOnly = true;
    } else if (std::strcmp(argv[i], "--timer") == 0) {
      timer = true;
    } else if (timer) {
      large = std::max(100, std::atoi(argv[i]));
    } else {
      n = std::max(kChanges * 2, std::atoi(argv[i]));
    }
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("schedule_bench" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  if (timer) {
    const int rc = timerMode(large, dir);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return rc;
  }
  Workload w;
  w.n = n;
  w.tasks = makeTasks(n + kSingles);
  if (engineOnly) {  // one run of the file layer, for profiling
    const Figures e = runFileLayer(w, Party{});
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    std::printf(
        "file layer, %d records: inserts %.0f/s, single %.0f/s, by id %.0f/s, by category "
        "%.0f/s, scan %.0f/s, first %.2f us, updates %.0f/s, deletes %.0f/s, %.0f B/record\n",
        n, n / e.insert, kSingles / e.single, kLookups / e.byId, kLookups / e.byCategory,
        (n + kSingles) / e.scan, e.first * 1e6, kChanges / e.update, kChanges / e.erase,
        e.bytesPerRecord);
    return 0;
  }
  std::vector<Figures> files, tables, sqlite, wal;
  for (int run = 0; run < 3; ++run) {
    // The runners of a run take turns on threads of their own (Turns).
    std::vector<std::function<Figures(const Party&)>> runners = {
        [&](const Party& p) { return runFileLayer(w, p); },
        [&](const Party& p) { return runSqlite(w, dir.string(), false, p); }};
    if (withTableApi) runners.push_back([&](const Party& p) { return runTableApi(w, p); });
    if (withWal)
      runners.push_back([&](const Party& p) { return runSqlite(w, dir.string(), true, p); });
    const std::vector<Figures> got = takingTurns(runners);
    files.push_back(got[0]);
    sqlite.push_back(got[1]);
    std::size_t next = 2;
    if (withTableApi) tables.push_back(got[next++]);
    if (withWal) wal.push_back(got[next++]);
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);

  const Figures e = medianOf(files), s = medianOf(sqlite);
  const Figures t = withTableApi ? medianOf(tables) : e;
  const Figures l = withWal ? medianOf(wal) : s;
  std::printf(
      "Schedule workload, %d records, median of 3 runs, %s; ratio = time / SQLite DELETE "
      "time (WAL: / SQLite WAL time); size: bytes / bytes\n",
      n, g_cpuTime ? "process CPU time" : "wall time");
  std::printf("%-32s %13s %13s %13s %13s %7s %7s %7s\n", "operation", "file layer", "Table API",
              "SQLite DEL", "SQLite WAL", "file", "file/W", "table");
  auto row = [&](const char* name, double Figures::*field, double count) {
    auto shown = [&](const Figures& f) { return count > 0 ? count / (f.*field) : f.*field; };
    const char* unit = count > 0 ? "/s" : " B";
    std::printf("%-32s %10.0f %s %10.0f %s %10.0f %s %10.0f %s %7.2f %7.2f %7.2f\n", name, shown(e),
                unit, shown(t), unit, shown(s), unit, shown(l), unit, e.*field / s.*field,
                e.*field / l.*field, t.*field / s.*field);
  };
  row("a. inserts, one transaction", &Figures::insert, n);
  row("b. inserts, one commit each", &Figures::single, kSingles);
  row("c. lookups by SCH:KeyID", &Figures::byId, kLookups);
  row("c. lookups by SCH:KeyCategory", &Figures::byCategory, kLookups);
  row("d. ordered scan by SCH:KeyDate", &Figures::scan, n + kSingles);
  std::printf("%-32s %10.2f us %10.2f us %10.2f us %10.2f us %7.2f %7.2f %7.2f\n",
              "d. first of SCH:KeyDateEnabled", e.first * 1e6, t.first * 1e6, s.first * 1e6,
              l.first * 1e6, e.first / s.first, e.first / l.first, t.first / s.first);
  row("e. updates, one transaction", &Figures::update, kChanges);
  row("e. deletes, one transaction", &Figures::erase, kChanges);
  row("f. file size per record", &Figures::bytesPerRecord, 0);
  return 0;
}
