// The scheduler's reach into the schedule file (see driver_seams.h).
#include "app/scheduler/driver_seams.h"

#include <algorithm>
#include <utility>

namespace dw::app {

namespace {

// Installed before the windows that use them run.
NextTaskSource g_nextTask;
NextTasksSource g_nextTasks;
TimerWork g_timerWork;
ToDoAdder g_toDoAdder;

}  // namespace

void setNextTaskSource(NextTaskSource source) {
  g_nextTask = std::move(source);
}
void setNextTasksSource(NextTasksSource source) {
  g_nextTasks = std::move(source);
}
void setTimerWork(TimerWork work) {
  g_timerWork = std::move(work);
}
void setToDoAdder(ToDoAdder adder) {
  g_toDoAdder = std::move(adder);
}

std::optional<NextTask> nextTask() {
  return g_nextTask ? g_nextTask() : std::nullopt;
}

std::vector<NextTask> nextTasks(int count) {
  return g_nextTasks ? g_nextTasks(count) : std::vector<NextTask>{};
}

void runTimerWork() {
  if (g_timerWork) g_timerWork();
}

std::string_view toDoText(std::string_view message) {
  return message.substr(0, std::min(message.size(), kToDoTextLength));
}

void addMessageToToDo(std::string_view message) {
  if (g_toDoAdder) g_toDoAdder(toDoText(message));
}

}  // namespace dw::app
