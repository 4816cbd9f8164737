// Shared helpers of the tests that drive the application's files (SM.BRK
// and TagFile_.BRK) through the file layer from more than one process or
// through the brk tool: a fixture working in a temporary data directory,
// fixed-seed task records, and the stored content of a declaration read
// back as record images and memos.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/data/app_files.h"
#include "app/data/table_codes.h"
#include "app/data/table_descs.h"
#include "runtime/lang/errors.h"
#include "tests/app/data_dir_fixture.h"
#include "tests/db/loader_process.h"

namespace dw::app::testing {

inline constexpr std::uint32_t kCreateShared = 0x142;
inline constexpr std::uint32_t kShared = 0x42;

// The fixture of these tests: a fresh data directory, every declaration
// closed at the end.
using DataDirTest = DataDirectoryTest;

// A task with fixed-seed values in every kind of field, and a message of
// up to the memo's size (some with commas, quotes or a line break).
inline void fillTask(ScheduleFile& f, std::int32_t id, std::mt19937& rng) {
  static const char* types[] = {task_type::kRunProgram, task_type::kDisplayMessage,
                                task_type::kBoth, task_type::kNone};
  static const char* rules[] = {"Once",    "Day of Week", "Day of Month",
                                "Monthly", "Yearly",      "Custom"};
  static const char* categories[] = {"General", "Backups", "Reports", "backups", "Network"};
  f.clear();
  f->ID = id;
  f->TaskType = types[rng() % 4];
  f->Category = categories[rng() % 5];
  f->Description = "task " + std::to_string(id) + " \"" + std::to_string(rng() % 1000) + "\"";
  f->Command = "/usr/bin/run --id " + std::to_string(id) + ",x";
  f->Path = rng() % 2 ? "/srv/work" : "";
  f->ScheduleType = rules[rng() % 6];
  f->Monday = std::uint8_t(rng() % 2);
  f->Saturday = std::uint8_t(rng() % 2);
  f->Every = std::int32_t(rng() % 30) - 5;
  f->EveryLast = std::uint8_t(rng() % 2);
  f->EveryType = "day(s)";
  f->Date = std::int32_t(80000 + rng() % 1096);
  f->Time = std::int32_t(1 + rng() % 8640000);
  f->LastRunDate = std::int32_t(rng() % 80000);
  f->Alarm = std::uint8_t(rng() % 2);
  f->AlarmFile = rng() % 3 ? "" : "/snd/alarm, loud.wav";
  f->AdvanceWarnDate = rng() % 4 ? 0 : std::int32_t(80000 + rng() % 1096);
  f->Disabled = std::uint8_t(rng() % 7 == 0);
  std::string message;
  const std::size_t length = rng() % 3 == 0 ? 0 : rng() % kMessageMemoSize;
  while (message.size() < length) {
    message += rng() % 9 == 0 ? "say \"hi\",\n" : "step " + std::to_string(rng() % 97) + ", ";
  }
  message.resize(length);
  f.setMemoText(kMessageMemo, message);
}

// One stored record as the file layer reads it.
struct StoredRow {
  std::string image;
  std::vector<std::string> memos;
  bool operator==(const StoredRow&) const = default;
};

// Every record of an open declaration in record order.
inline std::vector<StoredRow> storedRows(db::DeclaredFile& f) {
  std::vector<StoredRow> out;
  EXPECT_EQ(f.setRecordOrder(), 0);
  while (f.next() == 0) {
    StoredRow r;
    r.image.assign(static_cast<const char*>(f.buffer()), f.recordLength());
    for (std::size_t m = 0; m < f.desc().memos.size(); ++m) r.memos.push_back(f.memoText(m));
    out.push_back(std::move(r));
  }
  EXPECT_EQ(lang::errorCode(), 33) << "reading stopped early";
  return out;
}

inline std::string fileBytes(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

}  // namespace dw::app::testing
