// The places where the scheduler's windows reach the schedule file.  The
// windows here need no database themselves; the code that reads and writes
// SM.BRK installs these functions when it starts, and until it does they do
// nothing (no next tasks, no timer work, no to-do item).
//
// Thread-safety: install at start-up or in tests, before the windows that
// call them run; the calls themselves run on the caller's runtime thread,
// under the Runtime lock, and may do file work there.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "app/scheduler/frame_title.h"

namespace dw::app {

// The first enabled task of the schedule, or nothing when none is enabled.
using NextTaskSource = std::function<std::optional<NextTask>()>;
// Up to `count` enabled tasks, the first first (the tray's menu).
using NextTasksSource = std::function<std::vector<NextTask>(int count)>;
// The timer work of an active scheduler: the due-task check, the advance
// warning and the purge, in that order.
using TimerWork = std::function<void()>;
// Adds a to-do item (priority 5, not done) with this text.
using ToDoAdder = std::function<void(std::string_view text)>;

void setNextTaskSource(NextTaskSource source);
void setNextTasksSource(NextTasksSource source);
void setTimerWork(TimerWork work);
void setToDoAdder(ToDoAdder adder);

std::optional<NextTask> nextTask();
std::vector<NextTask> nextTasks(int count);
void runTimerWork();

// The to-do text of a message: its first 40 characters.
inline constexpr std::size_t kToDoTextLength = 40;
std::string_view toDoText(std::string_view message);
// Hands the first 40 characters of `message` to the installed adder.
void addMessageToToDo(std::string_view message);

}  // namespace dw::app
