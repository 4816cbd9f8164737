// The help window (see qt_help_window.h).
#include "runtime/ui/qt/qt_help_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "runtime/ui/help_book.h"
#include "runtime/ui/qt/qt_message_box.h"

namespace dw::ui::qt {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

constexpr int kPageRole = Qt::UserRole + 1;

}  // namespace

HelpWindow::HelpWindow(const HelpBook& book, QWidget* parent)
    : QWidget(parent, Qt::Window), m_book(book) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Dornwatch Help"));
  setAccessibleName(QStringLiteral("Dornwatch Help"));
  resize(720, 480);

  auto* contents = new QPushButton(QStringLiteral("&Contents"));
  contents->setAccessibleName(QStringLiteral("Contents"));
  m_back = new QPushButton(QStringLiteral("&Back"));
  m_back->setAccessibleName(QStringLiteral("Back"));
  m_back->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(m_back);
  buttons->addStretch(1);

  auto* searchLabel = new QLabel(QStringLiteral("&Search:"));
  m_search = new QLineEdit;
  m_search->setAccessibleName(QStringLiteral("Search"));
  searchLabel->setBuddy(m_search);
  m_list = new QListWidget;
  m_list->setAccessibleName(QStringLiteral("Topics"));
  auto* left = new QWidget;
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(searchLabel);
  leftLayout->addWidget(m_search);
  leftLayout->addWidget(m_list, 1);

  m_browser = new QTextBrowser;
  m_browser->setOpenLinks(false);
  m_browser->setAccessibleName(QStringLiteral("Help page"));
  auto* split = new QSplitter;
  split->addWidget(left);
  split->addWidget(m_browser);
  split->setStretchFactor(1, 3);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(split, 1);

  connect(contents, &QPushButton::clicked, this, [this] { showContents(); });
  connect(m_back, &QPushButton::clicked, this, [this] {
    // The page before is kept in the back button's property list.
    QVariantList history = m_back->property("history").toList();
    if (history.size() < 2) return;
    history.removeLast();
    const auto* previous = static_cast<const HelpPage*>(history.last().value<void*>());
    history.removeLast();
    m_back->setProperty("history", history);
    showPage(previous);
  });
  connect(m_search, &QLineEdit::returnPressed, this, [this] { search(m_search->text()); });
  connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    showPage(static_cast<const HelpPage*>(item->data(kPageRole).value<void*>()));
  });
  connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    showPage(static_cast<const HelpPage*>(item->data(kPageRole).value<void*>()));
  });
  connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    if (const HelpPage* p = m_book.findFile(url.path().toStdString())) showPage(p);
  });
  std::vector<const HelpPage*> all;
  for (const HelpPage& p : m_book.pages()) all.push_back(&p);
  fillList(all);
}

void HelpWindow::fillList(const std::vector<const HelpPage*>& pages) {
  m_list->clear();
  for (const HelpPage* p : pages) {
    auto* item = new QListWidgetItem(qs(p->title), m_list);
    item->setData(kPageRole, QVariant::fromValue(static_cast<void*>(const_cast<HelpPage*>(p))));
  }
}

void HelpWindow::showPage(const HelpPage* page) {
  if (!page) return;
  m_page = page;
  m_browser->setHtml(qs(page->html));
  setWindowTitle(QStringLiteral("Dornwatch Help - ") + qs(page->title));
  QVariantList history = m_back->property("history").toList();
  history.append(QVariant::fromValue(static_cast<void*>(const_cast<HelpPage*>(page))));
  m_back->setProperty("history", history);
  m_back->setEnabled(history.size() > 1);
}

void HelpWindow::showContents() {
  std::vector<const HelpPage*> all;
  for (const HelpPage& p : m_book.pages()) all.push_back(&p);
  fillList(all);
  showPage(m_book.contents());
}

void HelpWindow::search(const QString& text) {
  m_search->setText(text);
  const std::vector<const HelpPage*> found = m_book.search(text.toStdString());
  if (found.empty()) {
    MessageRequest request;
    request.caption = "Dornwatch Help";
    request.text = "No help topic matches \"" + text.toStdString() + "\".";
    request.icon = stockIconString(stock::kInformation);
    runMessageDialog(makeMessageBox(request), this);
    return;
  }
  fillList(found);
  if (found.size() == 1) showPage(found.front());
}

void HelpWindow::command(const HelpCommand& c) {
  switch (c.kind) {
    case HelpCommand::Kind::Quit:
      close();
      return;
    case HelpCommand::Kind::Open:
    case HelpCommand::Kind::Contents:
      showContents();
      break;
    case HelpCommand::Kind::HelpOnHelp:
      showPage(m_book.helpOnHelp());
      break;
    case HelpCommand::Kind::Keyword:
      search(qs(c.argument));
      break;
    case HelpCommand::Kind::Topic:
      if (const HelpPage* p = m_book.findTopic(c.argument))
        showPage(p);
      else
        showContents();
      break;
  }
  show();
  raise();
  activateWindow();
}

void HelpWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

}  // namespace dw::ui::qt
