// Due messages as desktop notifications, when the user chose them (DORN.INI,
// section "Desktop", "Notifications=1"; Setup's "Show messages as desktop
// notifications").  The message window stays the default, and stays the
// fallback: without a notification service the window opens as before.
//
// A notification carries the message's text and two actions.  "Open" shows
// the message window; "Snooze 10 minutes" sends the same notification
// again ten minutes later by the program's clock; dismissing it
// acknowledges the message.  Until one of these, the message stays in the
// file of pending messages (pending_messages.h) and is shown again at the
// next start.
//
// The sender and the answers come from the program's entry point, which
// talks to the session bus (runtime/ui/qt/desktop_notifier.h).  Answers
// arrive on the GUI thread and wait in a queue until the frame's next tick
// carries them out (runNotificationWork), on the frame's thread.
//
// Thread-safety: notificationAnswered from any thread; everything else on
// runtime threads under the Runtime lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dw::app {

inline constexpr const char* kDesktopSection = "Desktop";
inline constexpr const char* kNotificationsKey = "Notifications";
// Ten minutes, in hundredths of a second.
inline constexpr std::int32_t kSnoozeHundredths = 10 * 60 * 100;

// The user's choice, read from and written to DORN.INI.
bool notificationsChosen();
bool chooseNotifications(bool on);

// Shows a notification of `text` under `key` with the two actions; false
// when the desktop offers no notification service.
using NotificationSender = std::function<bool(std::uint32_t key, const std::string& text)>;
void setNotificationSender(NotificationSender sender);

enum class NotificationAnswer { Open, Snooze, Dismissed };
void notificationAnswered(std::uint32_t key, NotificationAnswer answer);

// The message as a notification, when chosen and possible: true when it was
// sent (it then owns `pendingId`), false when a window must show it.
bool notifyMessage(std::string_view message, std::uint32_t pendingId);

// Part of the frame's timer work: carries out the answers that came since
// the last tick and sends again the snoozed messages whose time has come.
void runNotificationWork();

// Forgets every notification (tests; the program's end).
void resetNotifications();

}  // namespace dw::app
