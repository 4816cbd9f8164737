// File dialog requests, printer settings and help commands (see dialogs.h).
#include "runtime/ui/dialogs.h"

#include <algorithm>
#include <filesystem>

namespace dw::ui {

namespace {

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string_view cut(std::string_view s, std::size_t max) {
  return trimRight(s.substr(0, std::min(s.size(), max)));
}

}  // namespace

std::vector<FileFilter> parseFileFilter(std::string_view filter) {
  filter = cut(filter, kMaxFilter);
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string_view::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<FileFilter> out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
    if (!parts[i + 1].empty()) out.push_back({std::string(parts[i]), std::string(parts[i + 1])});
  if (out.empty()) out.push_back({"All Files (*.*)", "*.*"});
  return out;
}

FileDialogRequest makeFileDialogRequest(std::string_view title, std::string_view current,
                                        std::string_view filter, int flags) {
  FileDialogRequest r;
  r.title = std::string(cut(title, kMaxFileTitle));
  r.filters = parseFileFilter(filter);
  r.save = (flags & fileflag::kSave) != 0;
  const std::string_view name = cut(current, kMaxFileName);
  // A name the dialog cannot take a file title from starts it empty.
  const bool usable = !name.empty() && name.back() != '/' &&
                      name.find_first_of("*?") == std::string_view::npos &&
                      !std::filesystem::is_directory(std::filesystem::path(name));
  if (usable) r.initialName = std::string(name);
  return r;
}

PrinterSettings& printerSettings() {
  static PrinterSettings settings;
  return settings;
}

std::string HelpCommand::macro() const {
  return "JI(\"" + file + "\",\"" + argument + "\")";
}

std::string helpFileName(std::string_view name) {
  name = trimRight(name);
  std::string out(name);
  const std::size_t slash = out.find_last_of("/\\");
  const std::size_t dot = out.rfind('.');
  if (!out.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash)))
    out += ".HLP";
  return out;
}

HelpCommand helpCommandFor(std::string_view topic, std::string_view currentFile) {
  HelpCommand c;
  topic = trimRight(topic);
  c.file = std::string(currentFile);
  if (const std::size_t at = topic.find("@@"); at != std::string_view::npos) {
    c.file = helpFileName(topic.substr(0, at));
    topic.remove_prefix(at + 2);
  }
  if (c.file.empty()) {
    c.kind = HelpCommand::Kind::Quit;
    return c;
  }
  if (topic.empty()) {
    c.kind = HelpCommand::Kind::Open;
  } else if (topic.front() == '~') {
    c.kind = HelpCommand::Kind::Topic;
    c.argument = std::string(topic.substr(1));
  } else {
    c.kind = HelpCommand::Kind::Keyword;
    c.argument = std::string(topic);
  }
  return c;
}

}  // namespace dw::ui
