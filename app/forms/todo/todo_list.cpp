// The to-do lists' rows and orders (see todo_list.h).
#include "app/forms/todo/todo_list.h"

#include <cstring>

#include "app/data/app_files.h"
#include "app/data/table_descs.h"

namespace dw::app {

namespace {

void addDefaultColours(ui::ListRow& row) {
  for (int i = 0; i < 4; ++i) row.push_back("-1");
}

}  // namespace

int toDoIcon(const ToDoRecord& item) {
  return item.Done == 1 ? todo_icon::kDone : todo_icon::kNotDone;
}

ui::ListRow browseTodoRow(const ToDoRecord& item) {
  ui::ListRow row;
  row.push_back(std::to_string(toDoIcon(item)));
  addDefaultColours(row);
  row.push_back(std::to_string(static_cast<int>(item.Priority)));
  addDefaultColours(row);
  row.push_back(item.ToDo.str());
  addDefaultColours(row);
  return row;
}

ui::ListRow viewToDoRow(const ToDoRecord& item) {
  return {std::to_string(toDoIcon(item)), std::to_string(static_cast<int>(item.Priority)),
          item.ToDo.str()};
}

ToDoRecord toDoOfImage(const std::string& image) {
  ToDoRecord r{};
  std::memcpy(&r, image.data(), std::min(image.size(), sizeof r));
  return r;
}

std::size_t toDoKeyOfTab(int tab) {
  switch (tab) {
    case todo_tab::kPriority:
      return tdo_key::kKeyPriority;
    case todo_tab::kToDo:
      return tdo_key::kKeyToDo;
    default:
      return tdo_key::kKeyDone;
  }
}

std::string toDoLocatorText(int tab, const ToDoRecord& item) {
  switch (tab) {
    case todo_tab::kPriority:
      return std::to_string(static_cast<int>(item.Priority));
    case todo_tab::kToDo:
      return item.ToDo.str();
    default:
      return item.Done == 1 ? "1" : "0";
  }
}

std::shared_ptr<KeyListSource> toDoListSource(int tab, bool withColours) {
  return std::make_shared<KeyListSource>(
      TDO(), toDoKeyOfTab(tab), [withColours](const db::ViewRow& row) {
        const ToDoRecord item = toDoOfImage(row.record);
        return withColours ? browseTodoRow(item) : viewToDoRow(item);
      });
}

}  // namespace dw::app
