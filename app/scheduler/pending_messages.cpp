// The file of messages not yet closed (see pending_messages.h).
#include "app/scheduler/pending_messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/lang/dates.h"
#include "runtime/platform/platform.h"

namespace dw::app {

namespace {

constexpr const char* kMagic = "DORNWATCH PENDING MESSAGES 1\n";
// A message is at most the window's 1,024 characters and the marker; a
// longer length in the file is damage, not a message.
constexpr std::size_t kMaxText = 4096;
// The file of a few dozen windows; anything far larger is not ours.
constexpr std::uint64_t kMaxFile = 1u << 20;

}  // namespace

std::string encodePendingMessages(const std::vector<PendingMessage>& messages) {
  std::string out = kMagic;
  char head[160];
  for (const PendingMessage& m : messages) {
    std::snprintf(head, sizeof head, "message %u %d %d %d %d %d %d %zu\n", m.id, m.taskId, m.date,
                  m.time, m.shownDate, m.shownTime, m.confirmed ? 1 : 0, m.text.size());
    out += head;
    out += m.text;
    out += '\n';
  }
  return out;
}

std::vector<PendingMessage> decodePendingMessages(const std::string& text, std::string* error) {
  std::vector<PendingMessage> out;
  const std::size_t magic = std::strlen(kMagic);
  if (text.compare(0, magic, kMagic) != 0) {
    if (!text.empty()) *error = "not a file of pending messages";
    return out;
  }
  std::size_t pos = magic;
  while (pos < text.size()) {
    const std::size_t eol = text.find('\n', pos);
    if (eol == std::string::npos || eol - pos > 150) {
      *error = "a damaged entry header";
      break;
    }
    const std::string head = text.substr(pos, eol - pos);
    PendingMessage m;
    int confirmed = 0;
    std::size_t length = 0;
    int used = 0;
    if (std::sscanf(head.c_str(), "message %u %d %d %d %d %d %d %zu%n", &m.id, &m.taskId, &m.date,
                    &m.time, &m.shownDate, &m.shownTime, &confirmed, &length, &used) != 8 ||
        used != static_cast<int>(head.size()) || m.id == 0 || length > kMaxText ||
        (confirmed != 0 && confirmed != 1)) {
      *error = "a damaged entry header";
      break;
    }
    pos = eol + 1;
    if (text.size() - pos < length + 1 || text[pos + length] != '\n') {
      *error = "a truncated entry";
      break;
    }
    m.confirmed = confirmed == 1;
    m.text = text.substr(pos, length);
    pos += length + 1;
    out.push_back(std::move(m));
  }
  return out;
}

namespace {

bool writeAll(const std::vector<PendingMessage>& messages) {
  platform::Platform& p = platform::platform();
  if (messages.empty()) {
    const platform::OsStatus s = p.remove(kPendingMessagesFile);
    return s.ok() || s.error() == platform::kFileNotFound;
  }
  const std::string text = encodePendingMessages(messages);
  const std::string temporary = std::string(kPendingMessagesFile) + ".new";
  bool ok = false;
  {
    auto file = p.open(temporary, {platform::Access::ReadWrite, platform::Share::DenyNone},
                       platform::Disposition::CreateAlways);
    ok = file.ok() && (*file)->writeAt(0, text.data(), text.size()).ok() && (*file)->flush().ok();
  }
  ok = ok && p.replace(temporary, kPendingMessagesFile).ok();
  if (!ok) (void)p.remove(temporary);
  return ok;
}

}  // namespace

std::vector<PendingMessage> readPendingMessages(std::string* error) {
  platform::Platform& p = platform::platform();
  auto file = p.open(kPendingMessagesFile, {platform::Access::Read, platform::Share::DenyNone},
                     platform::Disposition::OpenExisting);
  if (!file.ok()) {
    if (file.error() != platform::kFileNotFound) *error = "cannot be read";
    return {};
  }
  auto size = (*file)->size();
  if (!size.ok() || *size > kMaxFile) {
    *error = "cannot be read";
    return {};
  }
  std::string text(static_cast<std::size_t>(*size), '\0');
  auto got = (*file)->readAt(0, text.data(), text.size());
  if (!got.ok()) {
    *error = "cannot be read";
    return {};
  }
  text.resize(*got);
  return decodePendingMessages(text, error);
}

std::optional<std::uint32_t> addPendingMessage(PendingMessage message) {
  std::string error;
  std::vector<PendingMessage> all = readPendingMessages(&error);
  std::uint32_t top = 0;
  for (const PendingMessage& m : all) top = std::max(top, m.id);
  message.id = top + 1;
  if (message.shownDate == 0) {
    message.shownDate = lang::today();
    message.shownTime = lang::clockTime();
  }
  all.push_back(message);
  if (!writeAll(all)) return std::nullopt;
  return message.id;
}

bool confirmPendingMessage(std::uint32_t id) {
  std::string error;
  std::vector<PendingMessage> all = readPendingMessages(&error);
  for (PendingMessage& m : all)
    if (m.id == id) m.confirmed = true;
  return writeAll(all);
}

bool removePendingMessage(std::uint32_t id) {
  std::string error;
  std::vector<PendingMessage> all = readPendingMessages(&error);
  const auto before = all.size();
  std::erase_if(all, [id](const PendingMessage& m) { return m.id == id; });
  return all.size() == before || writeAll(all);
}

}  // namespace dw::app
