// Frame title and advance-warning texts (see frame_title.h).
#include "app/scheduler/frame_title.h"

#include "app/data/field_types.h"
#include "runtime/lang/picture.h"

namespace dw::app {

namespace {

std::string_view trimLeft(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

}  // namespace

std::string frameTitle(std::string_view applicationTitle, bool active, bool minimized,
                       const std::optional<NextTask>& next) {
  std::string title(trimRight(applicationTitle));
  if (!active) return title + " (Inactive)";
  if (!minimized || !next) return title;
  title += " - ";
  title += trimRight(next->description);
  title += ' ';
  title += lang::format(static_cast<double>(next->date), "@d3");
  title += ' ';
  title += lang::format(static_cast<double>(next->time), "@t3");
  return title;
}

std::string advanceWarningText(std::int32_t date, std::int32_t time, std::string_view taskType,
                               std::string_view memo, std::string_view command) {
  std::string text = lang::format(static_cast<double>(date), "@d3");
  text += ' ';
  text += lang::format(static_cast<double>(time), "@t3");
  text += '\r';
  const std::string_view type = trimRight(taskType);
  if (type == "Display Message") return text + std::string(memo);
  if (type == "Run Program") return text + "Command:  " + std::string(command);
  if (type == "Both" || !trimRight(command).empty()) {
    const std::string rest = std::string(trimRight(memo)) + "\rCommand: " + std::string(command);
    return text + std::string(trimLeft(rest));
  }
  return text + std::string(trimLeft(trimRight(memo)));
}

}  // namespace dw::app
