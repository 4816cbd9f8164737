// The to-do list and the categories as a program other than the scheduler
// reads and changes them (dornctl todo, dornctl categories), with the same
// routines and rules as the windows, while dornwatch may have the same file
// open:
//
//  - Files are opened in the shared mode, through the process's user counts
//    (app/routines), so that the routines' own uses of the Schedule table
//    find it open.  Reading creates nothing: a missing table is an empty
//    list.  Changing creates the Todo or Categories table when missing.
//  - A to-do item is named by its record number in the Todo table (the
//    table has no identifier of its own): it stays the item's for the
//    item's life and is not reused while the item exists; once the item is
//    removed, the number names nothing ("NotFound"), until a later add may
//    take it again.
//  - Changing and removing an item run the Todo update and delete routines
//    (each one transaction); renaming and removing a category run the
//    Categories update and delete routines, which refuse (Refused, with the
//    routine's message text) a category that a task uses, and roll back.
//    Adding an item or a category is a single add, as the forms do.
//
// Threads: the process-wide declarations TDO, CAT and SCH; one store at a
// time, on one thread (the tool is single-threaded).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/data/records.h"
#include "app/exchange/schedule_store.h"

namespace dw::app {

struct ToDoEntry {
  std::uint32_t id = 0;  // the record number
  ToDoRecord item{};
};

struct ListResult {
  enum class Status { Done, NotFound, Exists, Refused, Invalid, Failed };
  Status status = Status::Done;
  std::optional<FileFault> fault;  // Failed: the file error
  std::string message;             // Refused, Invalid: the message's text
};

class ListStore {
 public:
  explicit ListStore(StoreAccess access);
  ~ListStore();  // releases what it used
  ListStore(const ListStore&) = delete;
  ListStore& operator=(const ListStore&) = delete;

  // The items in the order of the "Done" tab (not done before done, then
  // by priority and text).
  std::optional<FileFault> toDoItems(std::vector<ToDoEntry>& out);
  // The category names by CAT:KeyCategory.
  std::optional<FileFault> categories(std::vector<std::string>& out);

  // A new item (priority 1 to 10, else Invalid with the range message);
  // its record number in `id`.
  ListResult addToDo(std::string_view text, int priority, std::uint32_t& id);
  ListResult setToDoDone(std::uint32_t id, bool done);
  ListResult removeToDo(std::uint32_t id);

  // A name of 1 to 20 characters (Invalid otherwise); one that exists in
  // any letter case is Exists.
  ListResult addCategory(std::string_view name);
  ListResult renameCategory(std::string_view from, std::string_view to);
  ListResult removeCategory(std::string_view name);

  // The range message of the priority (message 10 for "tDo:Priority").
  static std::string priorityRangeText();

 private:
  // A user of the file for the store's life (created when missing).
  void use(db::DeclaredFile& file);
  ListResult readToDo(std::uint32_t id);
  ListResult readCategory(std::string_view name);

  StoreAccess m_access;
  std::vector<db::DeclaredFile*> m_used;
};

}  // namespace dw::app
