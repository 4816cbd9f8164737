// The category and to-do windows on a running scheduler: categories and
// to-do items stored in SM.BRK before the program starts, and the bytes of
// SM.BRK for comparing before and after a refused change.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/data/table_descs.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app::testing {

struct StoredToDo {
  std::string text;
  std::uint8_t priority = 5;
  std::uint8_t done = 0;
};

class ListFixture : public BrowseFixture {
 protected:
  // Stores one table's records in SM.BRK (before the program starts).
  template <class Record>
  void storeRecords(const char* table, db::TableDesc desc, const std::vector<Record>& records) {
    lang::LanguageStatePtr state = lang::newLanguageState();
    lang::LanguageState* previous = lang::makeLanguageStateCurrent(state.get());
    db::TableOpenOptions o;
    o.disposition = db::OpenDisposition::CreateIfMissing;
    std::unique_ptr<db::Table> t;
    ASSERT_EQ(db::Table::openTable(m_dir.file("SM.BRK") + "\\!" + table, desc, o, t), 0);
    for (const Record& r : records) {
      t->clearRecord();
      std::memcpy(t->record().data(), &r, sizeof r);
      ASSERT_EQ(t->addRecord(), 0);
    }
    ASSERT_EQ(t->closeTable(), 0);
    lang::makeLanguageStateCurrent(previous);
  }
  void storeCategories(const std::vector<std::string>& names) {
    std::vector<CategoryRecord> records;
    for (const auto& n : names) {
      CategoryRecord r;
      r.Category = n;
      records.push_back(r);
    }
    storeRecords("Categories", categoriesTableDesc(), records);
  }
  void storeToDo(const std::vector<StoredToDo>& items) {
    std::vector<ToDoRecord> records;
    for (const auto& i : items) {
      ToDoRecord r;
      r.Done = i.done;
      r.Priority = i.priority;
      r.ToDo = i.text;
      records.push_back(r);
    }
    storeRecords("ToDo", toDoTableDesc(), records);
  }

  std::string fileBytes() {
    idle();
    std::ifstream in(m_dir.file("SM.BRK"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Records of a table without memos, read by key on the frame's thread.
  template <class Record, class File>
  std::vector<Record> records(File& file, std::size_t key) {
    std::vector<Record> out;
    onFrame([&] {
      const bool opened = !file.isOpen();
      if (opened && file.open(0x142) != 0) return;
      if (file.set(key) == 0) {
        while (file.next() == 0) out.push_back(file.rec());
      }
      if (opened) file.close();
    });
    return out;
  }
  std::vector<std::string> categories() {
    std::vector<std::string> out;
    for (const auto& r : records<CategoryRecord>(CAT(), cat_key::kKeyCategory))
      out.push_back(r.Category.str());
    return out;
  }
  std::vector<ToDoRecord> toDoItems() { return records<ToDoRecord>(TDO(), tdo_key::kKeyToDo); }
  // The open window of this title.
  ui::HeadlessBackend::WindowShot window(std::string_view title) {
    idle();
    const auto shot = backend.find(title);
    EXPECT_TRUE(shot) << title;
    return shot ? *shot : ui::HeadlessBackend::WindowShot{};
  }
  bool isOpen(std::string_view title) {
    idle();
    return backend.find(title).has_value();
  }
};

}  // namespace dw::app::testing
