// The line scanner of the iCalendar import (see ical_scanner.h).
#include "app/exchange/ical_scanner.h"

#include <cctype>

#include "app/exchange/ical_mapping.h"

namespace dw::app {
namespace {

// Length of the UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const unsigned char c = s[i];
  std::size_t n;
  unsigned minimum;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0)
    n = 2, minimum = 0x80;
  else if ((c & 0xF0) == 0xE0)
    n = 3, minimum = 0x800;
  else if ((c & 0xF8) == 0xF0)
    n = 4, minimum = 0x10000;
  else
    return 0;
  if (i + n > s.size()) return 0;
  unsigned v = c & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char d = s[i + k];
    if ((d & 0xC0) != 0x80) return 0;
    v = (v << 6) | (d & 0x3F);
  }
  if (v < minimum || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string lineNote(int line, const std::string& text) {
  return "line " + std::to_string(line) + ": " + text;
}

std::optional<std::string> scanCalendar(std::string_view text, std::vector<EventLines>& events) {
  if (text.size() > kMaxIcalSize)
    return "the file is larger than " + std::to_string(kMaxIcalSize >> 20) + " MB";
  std::vector<std::pair<std::string, int>> open;  // BEGIN names and lines
  int calendars = 0;
  int line = 0;
  bool seenContent = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    ++line;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view l = text.substr(pos, end - pos);
    pos = end + 1;
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    if (l.size() > kMaxIcalLine)
      return lineNote(line, "longer than " + std::to_string(kMaxIcalLine) + " characters");
    for (std::size_t i = 0; i < l.size();) {
      if (l[i] == '\0') return lineNote(line, "holds a NUL byte: not a text file");
      const std::size_t n = utf8Length(l, i);
      if (n == 0) return lineNote(line, "not UTF-8 text");
      i += n;
    }
    if (l.empty() || l[0] == ' ' || l[0] == '\t') continue;  // blank or folded
    const std::string u = upperAscii(l);
    if (!seenContent && u != "BEGIN:VCALENDAR") return lineNote(line, "expected BEGIN:VCALENDAR");
    seenContent = true;
    if (u.rfind("BEGIN:", 0) == 0) {
      const std::string name = u.substr(6);
      if (open.empty() && name != "VCALENDAR") return lineNote(line, "expected BEGIN:VCALENDAR");
      if (name == "VCALENDAR" && (!open.empty() || ++calendars > 1))
        return lineNote(line, "only one VCALENDAR is read");
      if (name == "VEVENT" && open.size() == 1) events.push_back({line, {}});
      open.emplace_back(name, line);
      if (open.size() > 10) return lineNote(line, "components nested too deep");
    } else if (u.rfind("END:", 0) == 0) {
      if (open.empty() || open.back().first != u.substr(4))
        return lineNote(line, "END:" + u.substr(4) + " does not close " +
                            (open.empty() ? std::string("anything")
                                          : "BEGIN:" + open.back().first + " of line " +
                                                std::to_string(open.back().second)));
      open.pop_back();
    } else if (open.size() == 2 && open.back().first == "VEVENT") {
      const std::size_t stop = u.find_first_of(";:");
      events.back().properties.emplace(u.substr(0, stop), line);
    }
  }
  if (!seenContent) return std::string("the file is empty");
  if (!open.empty())
    return "truncated: BEGIN:" + open.back().first + " of line " +
           std::to_string(open.back().second) + " has no END";
  return std::nullopt;
}

}  // namespace dw::app
