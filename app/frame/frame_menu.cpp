// The frame's menu procedures (frame_menu.h).
#include "app/frame/frame_menu.h"

#include <map>

#include "app/frame/main_frame.h"

namespace dw::app {

namespace {

struct Entry {
  ui::Procedure procedure;
  long stackSize = 0;
};

std::map<int, Entry>& entries() {
  static std::map<int, Entry> table;
  return table;
}

ui::Procedure& startUpToDo() {
  static ui::Procedure procedure;
  return procedure;
}

}  // namespace

void setMenuProcedure(int field, ui::Procedure procedure, long stackSize) {
  if (!procedure) {
    entries().erase(field);
    return;
  }
  entries()[field] = Entry{std::move(procedure), stackSize};
}

void clearMenuProcedures() {
  entries().clear();
  startUpToDo() = nullptr;
}

bool hasMenuProcedure(int field) {
  return entries().count(field) != 0;
}

bool startMenuProcedure(int field) {
  ui::Runtime& rt = ui::runtime();
  const auto it = entries().find(field);
  if (it == entries().end()) {
    rt.setProperty(0, ui::prop::kStatusText, kNotAvailableText);
    return false;
  }
  rt.start(it->second.procedure, it->second.stackSize);
  return true;
}

void setStartUpToDoProcedure(ui::Procedure procedure) {
  startUpToDo() = std::move(procedure);
}

void startStartUpWindows(bool schedule, bool toDo) {
  ui::Runtime& rt = ui::runtime();
  if (schedule) {
    const auto it = entries().find(frame::kViewSchedule);
    if (it != entries().end()) rt.start(it->second.procedure, kSmallStack);
  }
  if (toDo && startUpToDo()) rt.start(startUpToDo(), kSmallStack);
}

}  // namespace dw::app
