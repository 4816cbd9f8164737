// Placeholder of the keys interface until the key code is merged: the
// statistics entries and a key maintenance that keeps no key entries.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/db/brisk_file.h"
#include "runtime/db/table_desc.h"

namespace dw::db {

inline constexpr std::uint8_t kStatsRecords = 0xF3;
class DynamicIndexes;

struct TableRef {
  BriskFile& file;
  std::uint32_t number;
  const TableDesc& desc;
  DynamicIndexes* dynamic = nullptr;
  std::function<std::string(std::string_view)> storedToMemory;
};

struct Statistics {
  std::uint32_t count = 0;
  std::uint32_t marker = 0;
};

void createStatistics(const TableRef& ref);
std::optional<Statistics> readStatistics(const TableRef& ref, std::uint8_t kind);
bool addCount(const TableRef& ref, std::uint8_t kind, std::int64_t delta);
int updateKeys(const TableRef& ref, std::uint32_t recordNumber, const std::string* oldImage,
               const std::string* newImage, bool noMaintenance);

}  // namespace dw::db
