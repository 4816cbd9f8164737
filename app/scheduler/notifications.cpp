// Due messages as desktop notifications (see notifications.h).
#include "app/scheduler/notifications.h"

#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "app/routines/settings.h"
#include "app/scheduler/message_window.h"
#include "app/scheduler/pending_messages.h"
#include "runtime/lang/dates.h"
#include "runtime/platform/profile.h"

namespace dw::app {

namespace {

// One day in hundredths of a second: times run from 1 to this.
constexpr std::int32_t kDayHundredths = 24 * 60 * 60 * 100;

struct Sent {
  std::string text;
  std::uint32_t pendingId = 0;
  // Set while snoozed: the moment to send it again.
  std::optional<std::pair<std::int32_t, std::int32_t>> again;
};

// Guarded by the Runtime lock.
NotificationSender g_sender;
std::map<std::uint32_t, Sent> g_sent;
std::uint32_t g_lastKey = 0;

// Answers from the GUI thread, guarded by their own mutex.
std::mutex g_answersMutex;
std::vector<std::pair<std::uint32_t, NotificationAnswer>> g_answers;

bool reached(std::pair<std::int32_t, std::int32_t> moment) {
  const std::int32_t day = lang::today(), time = lang::clockTime();
  return day > moment.first || (day == moment.first && time >= moment.second);
}

void carryOut(std::uint32_t key, NotificationAnswer answer) {
  auto it = g_sent.find(key);
  if (it == g_sent.end()) return;
  Sent& sent = it->second;
  switch (answer) {
    case NotificationAnswer::Open:
      // The window takes the pending entry over; it goes when it is closed.
      showMessageWindowNow(sent.text, kDispatchMessageLimit, sent.pendingId);
      g_sent.erase(it);
      break;
    case NotificationAnswer::Snooze: {
      std::int32_t day = lang::today(), time = lang::clockTime() + kSnoozeHundredths;
      if (time > kDayHundredths) {
        time -= kDayHundredths;
        ++day;
      }
      sent.again = std::make_pair(day, time);
      break;
    }
    case NotificationAnswer::Dismissed:
      if (sent.pendingId != 0) (void)removePendingMessage(sent.pendingId);
      g_sent.erase(it);
      break;
  }
}

}  // namespace

bool notificationsChosen() {
  return platform::getProfileString(kDesktopSection, kNotificationsKey, "0", kIniFile) == "1";
}

bool chooseNotifications(bool on) {
  return platform::writeProfileString(kDesktopSection, std::string(kNotificationsKey),
                                      std::string(on ? "1" : "0"), kIniFile)
      .ok();
}

void setNotificationSender(NotificationSender sender) {
  g_sender = std::move(sender);
}

void notificationAnswered(std::uint32_t key, NotificationAnswer answer) {
  std::lock_guard lock(g_answersMutex);
  g_answers.emplace_back(key, answer);
}

bool notifyMessage(std::string_view message, std::uint32_t pendingId) {
  if (!g_sender || !notificationsChosen()) return false;
  const std::uint32_t key = ++g_lastKey;
  const std::string text(message);
  if (!g_sender(key, text)) return false;
  g_sent[key] = Sent{text, pendingId, std::nullopt};
  return true;
}

void runNotificationWork() {
  std::vector<std::pair<std::uint32_t, NotificationAnswer>> answers;
  {
    std::lock_guard lock(g_answersMutex);
    answers.swap(g_answers);
  }
  for (const auto& [key, answer] : answers) carryOut(key, answer);
  for (auto it = g_sent.begin(); it != g_sent.end();) {
    Sent& sent = it->second;
    if (!sent.again || !reached(*sent.again)) {
      ++it;
      continue;
    }
    // Sent again under a new key; a service gone meanwhile gets the window.
    Sent again{sent.text, sent.pendingId, std::nullopt};
    it = g_sent.erase(it);
    const std::uint32_t key = ++g_lastKey;
    if (g_sender && g_sender(key, again.text))
      g_sent[key] = std::move(again);
    else
      showMessageWindowNow(again.text, kDispatchMessageLimit, again.pendingId);
  }
}

void resetNotifications() {
  g_sent.clear();
  std::lock_guard lock(g_answersMutex);
  g_answers.clear();
}

}  // namespace dw::app
