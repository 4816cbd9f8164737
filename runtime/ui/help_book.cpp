// The program's help pages (see help_book.h).
#include "runtime/ui/help_book.h"

#include <algorithm>
#include <cctype>

#include "runtime/platform/resource_table.h"

namespace dw::ui {

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

// The content="..." of <meta name="NAME" ...>, or "".
std::string metaContent(std::string_view html, std::string_view lowered, std::string_view name) {
  const std::string needle = "name=\"" + std::string(name) + "\"";
  const std::size_t at = lowered.find(needle);
  if (at == std::string_view::npos) return {};
  const std::size_t tagEnd = lowered.find('>', at);
  const std::size_t content = lowered.find("content=\"", at);
  if (content == std::string_view::npos || content > tagEnd) return {};
  const std::size_t begin = content + 9;
  const std::size_t end = html.find('"', begin);
  return end == std::string_view::npos ? std::string()
                                       : std::string(html.substr(begin, end - begin));
}

std::vector<std::string> splitList(std::string_view list) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string_view::npos) comma = list.size();
    if (std::string item = trim(list.substr(start, comma - start)); !item.empty())
      out.push_back(std::move(item));
    start = comma + 1;
  }
  return out;
}

}  // namespace

HelpPage parseHelpPage(std::string file, std::string_view html) {
  HelpPage page;
  page.file = std::move(file);
  page.resource = res::resourceNameForFile(page.file);
  page.html = html;
  const std::string lowered = lower(html);
  if (const std::size_t t = lowered.find("<title>"); t != std::string::npos) {
    const std::size_t end = lowered.find("</title>", t);
    if (end != std::string::npos) page.title = trim(html.substr(t + 7, end - t - 7));
  }
  page.topics = splitList(metaContent(html, lowered, "topics"));
  page.keywords = splitList(metaContent(html, lowered, "keywords"));
  if (page.title.empty()) page.title = page.file;
  return page;
}

HelpBook::HelpBook(const std::vector<std::pair<std::string, std::string_view>>& pages) {
  for (const auto& [file, html] : pages) m_pages.push_back(parseHelpPage(file, html));
}

const HelpBook& HelpBook::program() {
  static const HelpBook book = [] {
    HelpBook b;
    for (const res::Resource* r : res::resourcesOfType("HELP")) {
      // INDEX_HTML -> index.html: links inside the pages use the file names.
      std::string file = lower(r->name);
      if (const std::size_t us = file.rfind('_'); us != std::string::npos) file[us] = '.';
      b.m_pages.push_back(parseHelpPage(
          file, std::string_view(reinterpret_cast<const char*>(r->bytes.data()), r->bytes.size())));
    }
    return b;
  }();
  return book;
}

const HelpPage* HelpBook::findFile(std::string_view link) const {
  if (const std::size_t hash = link.find('#'); hash != std::string_view::npos)
    link = link.substr(0, hash);
  if (const std::size_t slash = link.find_last_of('/'); slash != std::string_view::npos)
    link.remove_prefix(slash + 1);
  const std::string name = res::resourceNameForFile(link);
  for (const HelpPage& p : m_pages)
    if (p.resource == name) return &p;
  return nullptr;
}

const HelpPage* HelpBook::contents() const {
  return findFile("index.html");
}

const HelpPage* HelpBook::helpOnHelp() const {
  return findFile("help_on_help.html");
}

const HelpPage* HelpBook::findTopic(std::string_view identifier) const {
  const std::string wanted = lower(trim(identifier));
  if (wanted.empty()) return nullptr;
  for (const HelpPage& p : m_pages)
    for (const std::string& t : p.topics)
      if (lower(t) == wanted) return &p;
  for (const HelpPage& p : m_pages) {
    const std::string stem = lower(p.file.substr(0, p.file.rfind('.')));
    if (stem == wanted) return &p;
  }
  return nullptr;
}

std::vector<const HelpPage*> HelpBook::search(std::string_view text) const {
  const std::string wanted = lower(trim(text));
  std::vector<const HelpPage*> out;
  if (wanted.empty()) return out;
  const auto begins = [&](const std::string& s) { return lower(s).starts_with(wanted); };
  for (const HelpPage& p : m_pages)
    if (begins(p.title) || std::any_of(p.keywords.begin(), p.keywords.end(), begins))
      out.push_back(&p);
  return out;
}

}  // namespace dw::ui
