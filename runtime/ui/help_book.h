// The program's help: HTML pages compiled into the program as resources of
// type "HELP" (resources/help/*.html, named like INDEX_HTML), read as one
// book whatever help file a thread names.
//
// Each page declares, in its head:
//   <title>...</title>                                  shown in the contents
//   <meta name="topics" content="Main, MAIN$APPFRAME">  identifiers it answers
//   <meta name="keywords" content="frame, menu">        keywords for searching
// A page is also found by its own name (MAIN_FRAME_HTML answers the
// identifier "main_frame").  INDEX_HTML is the contents page and
// HELP_ON_HELP_HTML the help on using help.
//
// Thread-safety: the book is built once and read-only afterwards; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dw::ui {

struct HelpPage {
  std::string resource;  // e.g. "MAIN_FRAME_HTML"
  std::string file;      // the link name, e.g. "main_frame.html"
  std::string title;
  std::vector<std::string> topics;
  std::vector<std::string> keywords;
  std::string_view html;
};

class HelpBook {
 public:
  // The pages of the program's resources.
  static const HelpBook& program();
  // A book over given pages (tests); each is (file name, HTML).
  explicit HelpBook(const std::vector<std::pair<std::string, std::string_view>>& pages);

  const std::vector<HelpPage>& pages() const { return m_pages; }
  const HelpPage* contents() const;
  const HelpPage* helpOnHelp() const;
  // The page answering a topic identifier or with that file name
  // (letters compared without regard to case), or nullptr.
  const HelpPage* findTopic(std::string_view identifier) const;
  // The page of a link ("main_frame.html", "#anchor" parts ignored).
  const HelpPage* findFile(std::string_view link) const;
  // Pages with a keyword (or title) that begins with `text`, as a partial
  // keyword does; in page order.  Empty text finds nothing.
  std::vector<const HelpPage*> search(std::string_view text) const;

 private:
  HelpBook() = default;
  std::vector<HelpPage> m_pages;
};

// Reads the title, topics and keywords out of a page's HTML.
HelpPage parseHelpPage(std::string file, std::string_view html);

}  // namespace dw::ui
