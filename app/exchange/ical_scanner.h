// The line scanner of the iCalendar import: checks that a text is one whole
// calendar (UTF-8 without NUL bytes, lines of at most kMaxIcalLine
// characters, BEGIN and END balanced, one VCALENDAR) before libical parses
// it, and records on which line each VEVENT and each of its properties
// stands, so that the import's notes can name the line of what they speak
// of.  Folded lines (a leading blank or tab) belong to the line above and
// are skipped.
//
// Thread-safety: pure functions, any thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw::app {

// Where the properties of one VEVENT stand in the text.
struct EventLines {
  int begin = 0;                          // the line of BEGIN:VEVENT
  std::map<std::string, int> properties;  // upper-case name -> first line
};

// `s` in upper case (ASCII letters only).
std::string upperAscii(std::string_view s);
// "line N: text", the form of every note and error of the import.
std::string lineNote(int line, const std::string& text);

// Checks `text` line by line and appends its events to `events`; an error
// text (with the line it stands on) when the text is not one whole
// calendar.
std::optional<std::string> scanCalendar(std::string_view text, std::vector<EventLines>& events);

}  // namespace dw::app
