// The messages on the screen that the user has not closed yet, kept beside
// SM.BRK in the data directory (PENDING.MSG, docs/pending-messages.md), so
// that a message whose window is still open when the program ends (logout,
// shutdown, a crash) is shown again at the next start, marked with the
// time it first appeared.  Closing the window is what acknowledges it.
//
// A message of a due task is written before the occurrence is claimed in
// the schedule, unconfirmed, and confirmed once the claim is written.  At
// the next start an unconfirmed message whose task still stands at that
// occurrence was never claimed: the occurrence runs again and the message
// is dropped, so it is shown once; otherwise it is shown again.  Each change
// rewrites the whole (small) file: a new file beside it, flushed, renamed
// over it, so a crash leaves either the old or the new list, never a mix.
//
// Thread-safety: runtime threads holding the Runtime lock (every message
// window and the due-task check run so).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dw::app {

inline constexpr const char* kPendingMessagesFile = "PENDING.MSG";

struct PendingMessage {
  std::uint32_t id = 0;  // unique within the file, never 0
  // The occurrence the message belongs to (0s for a message run by hand).
  std::int32_t taskId = 0, date = 0, time = 0;
  // When it first appeared: day number and time as the runtime counts them.
  std::int32_t shownDate = 0, shownTime = 0;
  bool confirmed = true;  // false until its occurrence's claim is written
  std::string text;
};

// The file's text and back.  decodePendingMessages keeps every whole entry
// it can read and says in `error` why it stopped early (a damaged file).
std::string encodePendingMessages(const std::vector<PendingMessage>& messages);
std::vector<PendingMessage> decodePendingMessages(const std::string& text, std::string* error);

// The messages of the file in the current (data) directory; an empty list
// when there is none.
std::vector<PendingMessage> readPendingMessages(std::string* error);

// Adds a message shown now; its id, or nothing when the file cannot be
// written (the message is shown all the same, only not kept).
std::optional<std::uint32_t> addPendingMessage(PendingMessage message);
// Marks the message's occurrence as claimed.
bool confirmPendingMessage(std::uint32_t id);
// The user closed it: it is gone from the file.
bool removePendingMessage(std::uint32_t id);

}  // namespace dw::app
