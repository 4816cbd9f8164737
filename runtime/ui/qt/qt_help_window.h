// The help window: the program's own viewer for the help book (HelpBook),
// taking the commands a help viewer is given (open, contents, help on help,
// keyword, topic identifier, quit).
//
// Left: a "Search" field and the list of topics (all pages, or the pages a
// search found); right: the page, in a QTextBrowser whose links lead to the
// other pages of the book; "Contents" and "Back" buttons above.  A search
// that finds one page opens it; one that finds nothing says so in a message
// box.  Everything carries an accessible name.
//
// Thread-safety: GUI thread only.
#pragma once

#include <QWidget>

#include "runtime/ui/dialogs.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace dw::ui {
class HelpBook;
struct HelpPage;
}  // namespace dw::ui

namespace dw::ui::qt {

class HelpWindow : public QWidget {
 public:
  explicit HelpWindow(const HelpBook& book, QWidget* parent = nullptr);
  // Carries out a viewer command (Quit closes the window).
  void command(const HelpCommand& command);
  // The page shown, nullptr for none.
  const HelpPage* page() const { return m_page; }
  // Looks up a partial keyword: one match opens it, several fill the list,
  // none shows a message box.
  void search(const QString& text);
  void showPage(const HelpPage* page);
  void showContents();

  QLineEdit* searchField() const { return m_search; }
  QListWidget* topicList() const { return m_list; }
  QTextBrowser* browser() const { return m_browser; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void fillList(const std::vector<const HelpPage*>& pages);

  const HelpBook& m_book;
  const HelpPage* m_page = nullptr;
  QLineEdit* m_search = nullptr;
  QListWidget* m_list = nullptr;
  QTextBrowser* m_browser = nullptr;
  QPushButton* m_back = nullptr;
};

}  // namespace dw::ui::qt
