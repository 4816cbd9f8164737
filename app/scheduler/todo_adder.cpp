// The to-do adder of the message window: "&Add to To Do List" adds the
// first 40 characters of a message as a new item (priority 5, not done).
// The ToDo table is opened through the user counts (created when missing)
// for the one add, so an open to-do window keeps the file open and the
// adder closes it again when it was the only user.  The to-do windows
// share TDO's record buffer, so the adder puts back what it found there.
//
// Threads: the message window's runtime thread, holding the Runtime lock.
#include "app/scheduler/todo_adder.h"

#include <cstring>

#include "app/scheduler/driver_seams.h"
#include "app/routines/file_routines.h"

namespace dw::app {

namespace {

constexpr std::uint8_t kNewItemPriority = 5;

}  // namespace

int addToDoItem(std::string_view text) {
  ToDoFile& tdo = TDO();
  FileUser user(tdo);
  const ToDoRecord saved = tdo.rec();
  tdo.clear();
  tdo->Done = 0;
  tdo->Priority = kNewItemPriority;
  tdo->ToDo = text.substr(0, kToDoTextLength);
  const int rc = tdo.add();
  if (rc != 0) standardError(stdmsg::kInsertError);
  tdo.rec() = saved;
  return rc;
}

void installFileRoutines() {
  setToDoAdder([](std::string_view text) { addToDoItem(text); });
}

}  // namespace dw::app
