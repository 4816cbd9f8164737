// Shared helpers of the driver tests: a declared file of the small test
// table in a temporary folder, and calls that check their result.
#pragma once

#include <cstring>
#include <string>

#include "runtime/db/driver.h"
#include "runtime/db/table_entries.h"
#include "runtime/db/transaction.h"
#include "table_test_util.h"

namespace dw::db::testing {

// Access modes the tests open with.
inline constexpr std::int64_t kShared = 0x42;         // read/write, deny none
inline constexpr std::int64_t kExclusive = 0x12;      // read/write, deny all
inline constexpr std::int64_t kReadOnly = 0x40;       // read, deny none
inline constexpr std::int64_t kCreateShared = 0x142;  // shared, created when missing

inline void declare(FileControlBlock& fcb, const std::string& name, bool withBlob = true) {
  fcb.name = name;
  fcb.declaration = smallTable(withBlob);
  fcb.attributes = kAttrCreate;
}

inline int call(int operation, FileControlBlock& fcb, std::int64_t number = 0, std::size_t key = 0,
                const std::string& text = {}) {
  DriverArgs a;
  a.number = number;
  a.key = key;
  a.text = text;
  return driverCall(operation, fcb, a);
}

inline DriverArgs callFor(int operation, FileControlBlock& fcb, int& rc, std::int64_t number = 0,
                          std::size_t key = 0, const std::string& text = {}) {
  DriverArgs a;
  a.number = number;
  a.key = key;
  a.text = text;
  rc = driverCall(operation, fcb, a);
  return a;
}

inline std::int64_t valueOf(int operation, FileControlBlock& fcb, std::size_t key = 0) {
  int rc = 0;
  DriverArgs a = callFor(operation, fcb, rc, 0, key);
  EXPECT_EQ(rc, 0) << "operation " << operation;
  return a.value;
}

// The record buffer's id and name.
inline void setRow(FileControlBlock& fcb, std::int32_t id, const std::string& name) {
  std::string& r = *fcb.record();
  std::memcpy(r.data(), &id, 4);
  std::string padded = name;
  padded.resize(20, ' ');
  r.replace(4, 20, padded);
}
inline std::int32_t rowId(FileControlBlock& fcb) {
  std::int32_t v;
  std::memcpy(&v, fcb.record()->data(), 4);
  return v;
}
inline std::string rowName(FileControlBlock& fcb) {
  std::string s = fcb.record()->substr(4, 20);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Adds rows id -> name "r<id>".
inline void addRows(FileControlBlock& fcb, std::initializer_list<int> ids) {
  for (int id : ids) {
    setRow(fcb, id, "r" + std::to_string(id));
    ASSERT_EQ(call(op::kAdd, fcb), 0) << id;
  }
}

}  // namespace dw::db::testing
