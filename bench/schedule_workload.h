// The Schedule workload shared by the benchmark's runners: the generated
// tasks (fixed seed), their Schedule record images, the figures each runner
// measures and the timing helpers.  The runners (file layer, Table API,
// SQLite) all read the same tasks, so their figures compare like with like.
//
// Header-only, included by bench/schedule_bench.cpp alone.  The runners of
// one run live on threads of their own but take turns (Turns below): never
// do two of them run at once.
#pragma once

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "app/data/records.h"

namespace dw::bench {

// --- Data -------------------------------------------------------------------

struct Task {
  std::int32_t id;
  std::string taskType, category, description, command, path, scheduleType, everyType;
  std::uint8_t weekdays[7], ordinals[5];
  std::int32_t every, date, time, lastRunDate, lastRunTime, warnDate, warnTime;
  std::uint8_t alarm, warned, disabled;
  std::string alarmFile, message;
};

inline const char* const kTaskTypes[] = {"Run Program", "Display Message", "Both", "None"};
inline const char* const kCategories[] = {
    "Accounts", "Backups", "Billing",   "Cleanup",   "Compliance",  "Database",  "Email",
    "Finance",  "HR",      "Inventory", "Logistics", "Maintenance", "Marketing", "Network",
    "Payroll",  "Reports", "Sales",     "Security",  "Support",     "Updates"};
inline const char* const kScheduleTypes[] = {"Once",    "Day of Week", "Day of Month",
                                             "Monthly", "Yearly",      "Custom"};
inline const char* const kUnits[] = {"minute(s)", "hour(s)",  "day(s)",
                                     "week(s)",   "month(s)", "year(s)"};
inline const char* const kWords[] = {
    "backup",  "report",   "invoice",  "audit",    "weekly",  "monthly",  "server",   "client",
    "check",   "update",   "clean",    "archive",  "payroll", "ledger",   "meeting",  "review",
    "budget",  "forecast", "office",   "printer",  "network", "mailbox",  "contract", "supplier",
    "order",   "shipment", "stock",    "account",  "summary", "quarter",  "annual",   "daily",
    "export",  "import",   "sync",     "database", "index",   "log",      "rotate",   "notify",
    "remind",  "call",     "email",    "agenda",   "minutes", "policy",   "training", "payment",
    "receipt", "tax",      "filing",   "renewal",  "license", "security", "patch",    "deploy",
    "restore", "verify",   "compress", "upload"};

// Tasks in order, IDs from 1, from the fixed seed: every run draws the
// same tasks.  withMemos false leaves every memo empty (the large tables of
// the timer's question, where only the keys matter) and draws the same
// values otherwise.
class TaskSource {
 public:
  explicit TaskSource(bool withMemos = true) : m_memos(withMemos) {}
  void next(Task& t) {
    t.id = ++m_id;
    t.taskType = kTaskTypes[m_rng() % 4];
    t.category = kCategories[m_rng() % 20];
    std::string d = word();
    d[0] = char(std::toupper(static_cast<unsigned char>(d[0])));
    for (int w = 0, k = 1 + int(m_rng() % 3); w < k; ++w) {
      d += ' ';
      d += word();
    }
    d += ' ';
    d += std::to_string(m_rng() % 100000);
    t.description = d.substr(0, 40);
    std::string c = "C:\\Programs\\";
    for (const char* part : {"\\", ".exe /", " "}) {
      c += word();
      c += part;
    }
    c += word();
    if (m_rng() % 2) {
      c += " /";
      c += word();
    }
    t.command = c.substr(0, 80);
    std::string p = "C:";
    for (int w = 0, k = 2 + int(m_rng() % 3); w < k; ++w) {
      p += '\\';
      p += word();
    }
    t.path = p.substr(0, 80);
    t.scheduleType = kScheduleTypes[m_rng() % 6];
    for (auto& b : t.weekdays) b = std::uint8_t(m_rng() % 2);
    for (auto& b : t.ordinals) b = std::uint8_t(m_rng() % 2);
    t.every = 1 + std::int32_t(m_rng() % 30);
    t.everyType = kUnits[m_rng() % 6];
    t.date = 80000 + std::int32_t(m_rng() % 1096);
    t.time = 1 + std::int32_t(m_rng() % 8640000);
    const bool ran = m_rng() % 2;
    t.lastRunDate = ran ? t.date - 1 - std::int32_t(m_rng() % 30) : 0;
    t.lastRunTime = ran ? 1 + std::int32_t(m_rng() % 8640000) : 0;
    t.disabled = m_rng() % 10 == 0;
    t.warned = m_rng() % 4 == 0;
    t.warnDate = t.date - std::int32_t(m_rng() % 4);
    t.warnTime = 1 + std::int32_t(m_rng() % 8640000);
    t.alarm = m_rng() % 5 == 0;
    t.alarmFile = t.alarm ? "C:\\Sounds\\" + word() + ".wav" : "";
    t.message.clear();
    if (m_rng() % 2) {
      const std::size_t len = 1 + m_rng() % 1000;
      while (t.message.size() < len) t.message += word() + " ";
      t.message.resize(len);
      if (!m_memos) t.message.clear();
    }
  }

 private:
  std::string word() { return kWords[m_rng() % std::size(kWords)]; }

  std::mt19937_64 m_rng{20261207};
  std::int32_t m_id = 0;
  bool m_memos;
};

inline std::vector<Task> makeTasks(int n) {
  TaskSource source;
  std::vector<Task> out(static_cast<std::size_t>(n));
  for (Task& t : out) source.next(t);
  return out;
}

// The task's record image (every byte set).
inline void toRecord(const Task& k, app::ScheduleRecord& r) {
  r.ID = k.id;
  r.TaskType = k.taskType;
  r.Category = k.category;
  r.Description = k.description;
  r.Command = k.command;
  r.Path = k.path;
  r.ScheduleType = k.scheduleType;
  std::memcpy(&r.Sunday, k.weekdays, 7);
  r.Every = k.every;
  std::memcpy(&r.Every1st, k.ordinals, 5);
  r.EveryType = k.everyType;
  r.Date = k.date;
  r.Time = k.time;
  r.LastRunDate = k.lastRunDate;
  r.LastRunTime = k.lastRunTime;
  r.SkipNextTime = 0;
  r.Alarm = k.alarm;
  r.AlarmFile = k.alarmFile;
  r.AdvanceWarnDate = k.warnDate;
  r.AdvanceWarnTime = k.warnTime;
  r.AdvanceWarned = k.warned;
  r.Warn = 0;
  r.UserSkip = 0;
  r.Disabled = k.disabled;
  r.Completed = 0;
}

// --- Figures and timing ---------------------------------------------------

// Seconds per operation set (per question for `first`), bytes for size.
struct Figures {
  double insert = 0, single = 0, byId = 0, byCategory = 0, scan = 0, first = 0, update = 0,
         erase = 0;
  double bytesPerRecord = 0;
};

inline constexpr int kSingles = 2000;
inline constexpr int kLookups = 100000;
inline constexpr int kChanges = 10000;
inline constexpr int kFirstRepeats = 20000;

using Clock = std::chrono::steady_clock;

// Wall time (what a user waits, fsync included), or the process's CPU
// time (user and system; less sensitive to other programs on a shared
// machine, blind to waiting for the disk).
inline bool g_cpuTime = false;

inline double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

inline double seconds(const std::function<void()>& f) {
  if (g_cpuTime) {
    const double c0 = cpuSeconds();
    f();
    return cpuSeconds() - c0;
  }
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// --- Taking turns --------------------------------------------------------------

// On a shared machine the speed of the disk and of the processor drifts
// over seconds: an engine measured a minute after another may meet a
// faster or a slower machine than the other did.  So the runners of one
// run take turns: one party runs at a time and hands over to the next after
// every timed phase, and during the single commits (b), which wait on the
// disk most, after every chunk of inserts.  Each phase is thus measured
// within seconds of the same phase of the other runners.
class Turns {
 public:
  explicit Turns(int parties) : m_done(std::size_t(parties), false) {}

  // Waits until it is `party`'s turn.
  void await(int party) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [&] { return m_turn == party; });
  }
  // Gives the turn to the next party that has not finished.
  void pass(int party) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_turn = nextAfter(party);
    m_wake.notify_all();
  }
  // `party` has nothing more to do.
  void finish(int party) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_done[std::size_t(party)] = true;
    m_turn = nextAfter(party);
    m_wake.notify_all();
  }

 private:
  int nextAfter(int party) const {
    const int n = int(m_done.size());
    for (int k = 1; k <= n; ++k) {
      const int c = (party + k) % n;
      if (!m_done[std::size_t(c)]) return c;
    }
    return party;
  }

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::vector<bool> m_done;
  int m_turn = 0;
};

// A runner's place among the parties of its run; without Turns it runs
// alone and never hands over.
struct Party {
  Turns* turns = nullptr;
  int id = 0;
  void handOver() const {
    if (turns == nullptr) return;
    turns->pass(id);
    turns->await(id);
  }
};

// Times one phase, then hands over.
inline double timed(const Party& party, const std::function<void()>& phase) {
  const double t = seconds(phase);
  party.handOver();
  return t;
}

inline constexpr int kSinglesChunk = 100;

// Times (b): insert(i) for every single insert i, the chunks timed one by
// one and the turn handed over after each.
inline double timeSingles(const Party& party, const std::function<void(int)>& insert) {
  double total = 0;
  for (int from = 0; from < kSingles; from += kSinglesChunk) {
    const int to = std::min(kSingles, from + kSinglesChunk);
    total += timed(party, [&] {
      for (int i = from; i < to; ++i) insert(i);
    });
  }
  return total;
}

inline Figures medianOf(const std::vector<Figures>& runs) {
  Figures m;
  for (auto field :
       {&Figures::insert, &Figures::single, &Figures::byId, &Figures::byCategory, &Figures::scan,
        &Figures::first, &Figures::update, &Figures::erase, &Figures::bytesPerRecord}) {
    std::vector<double> v;
    for (const Figures& f : runs) v.push_back(f.*field);
    m.*field = median(v);
  }
  return m;
}

// count indexes into 0..n-1, drawn with repetition / without.
inline std::vector<int> picks(int n, int count, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<int> v(static_cast<std::size_t>(count));
  for (int& x : v) x = int(rng() % std::uint64_t(n));
  return v;
}

inline std::vector<int> distinctPicks(int n, int count, std::uint64_t seed) {
  std::vector<int> all(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) all[std::size_t(i)] = i;
  std::mt19937_64 rng(seed);
  std::shuffle(all.begin(), all.end(), rng);
  all.resize(std::size_t(std::min(count, n)));
  return all;
}

inline void must(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
  }
}

// The workload's tasks split: the first n for the batch insert (a) and the
// operations on the full table, the next kSingles for the single commits.
struct Workload {
  std::vector<Task> tasks;
  int n = 0;
  const Task* singles() const { return tasks.data() + n; }
};

}  // namespace dw::bench
