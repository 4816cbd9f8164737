// The tray's texts and its requests to the frame (see tray_state.h).
#include "app/scheduler/tray_state.h"

#include <mutex>
#include <utility>

#include "app/data/field_types.h"
#include "app/routines/settings.h"
#include "app/scheduler/notifications.h"
#include "runtime/lang/picture.h"
#include "runtime/platform/profile.h"

namespace dw::app {

namespace {

std::mutex g_mutex;  // guards the three values below
std::optional<TrayState> g_published;
std::optional<bool> g_activeRequest;
std::function<void()> g_listener;

}  // namespace

std::string trayTaskText(const NextTask& task) {
  std::string text(trimRight(task.description));
  text += ' ';
  text += lang::format(static_cast<double>(task.date), "@d3");
  text += ' ';
  text += lang::format(static_cast<double>(task.time), "@t3");
  return text;
}

TrayState trayState(std::string_view applicationTitle, bool active,
                    const std::vector<NextTask>& next, bool keepInTray) {
  TrayState state;
  state.active = active;
  state.keepInTray = keepInTray;
  std::optional<NextTask> first;
  if (!next.empty()) first = next.front();
  state.tooltip = frameTitle(applicationTitle, active, true, first);
  for (const NextTask& task : next) {
    if (static_cast<int>(state.tasks.size()) == kTrayTasks) break;
    state.tasks.push_back(trayTaskText(task));
  }
  return state;
}

bool trayWanted() {
  std::lock_guard lock(g_mutex);
  return static_cast<bool>(g_listener);
}

void setTrayListener(std::function<void()> listener) {
  std::lock_guard lock(g_mutex);
  g_listener = std::move(listener);
}

void publishTrayState(const TrayState& state) {
  std::function<void()> listener;
  {
    std::lock_guard lock(g_mutex);
    if (g_published == state) return;
    g_published = state;
    listener = g_listener;
  }
  if (listener) listener();
}

std::optional<TrayState> publishedTrayState() {
  std::lock_guard lock(g_mutex);
  return g_published;
}

void requestSchedulerActive(bool on) {
  std::lock_guard lock(g_mutex);
  g_activeRequest = on;
}

std::optional<bool> takeActiveRequest() {
  std::lock_guard lock(g_mutex);
  return std::exchange(g_activeRequest, std::nullopt);
}

bool keepInTrayChosen() {
  return platform::getProfileString(kDesktopSection, kKeepInTrayKey, "0", kIniFile) == "1";
}

bool chooseKeepInTray(bool on) {
  return platform::writeProfileString(kDesktopSection, std::string(kKeepInTrayKey),
                                      std::string(on ? "1" : "0"), kIniFile)
      .ok();
}

void resetTrayState() {
  std::lock_guard lock(g_mutex);
  g_published.reset();
  g_activeRequest.reset();
  g_listener = nullptr;
}

}  // namespace dw::app
