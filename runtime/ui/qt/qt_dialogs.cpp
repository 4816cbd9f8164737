// The Qt backend's dialogs: MESSAGE boxes, the open/save dialog, the print
// and printer setup dialogs, the help window, and the clipboard edits of
// the standard actions (see backend.h for what each promises).
//
// Without a screen (the offscreen or minimal platform) nobody could answer
// a dialog: a message box writes its caption, text and buttons to standard
// error and takes its default button, the file and printer dialogs are
// cancelled with a line on standard error, help is not shown.  Tests that
// drive real dialogs offscreen turn that off (setDialogsWithoutScreen).
//
// Thread-safety: called by runtime threads without the Runtime lock; all
// widget work runs on the GUI thread through the dispatcher.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextEdit>
#include <cstdio>

#include "runtime/ui/help_book.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/qt_help_window.h"
#include "runtime/ui/qt/qt_message_box.h"

namespace dw::ui::qt {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// "WAV Files (*.WAV *.wav)": patterns match either case, as on the
// platform the names come from, and "*.*" is every file (also those
// without an extension).  Patterns already written into the description
// ("All Files (*.*)") give way to ours.
QString nameFilter(const FileFilter& f) {
  QStringList patterns;
  for (const QString& p : qs(f.pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString t = p.trimmed();
    if (t == QLatin1String("*.*")) {
      patterns << QStringLiteral("*");
      continue;
    }
    patterns << t;
    if (t.toLower() != t) patterns << t.toLower();
  }
  QString description = qs(f.description).trimmed();
  if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
    description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
  return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

bool QtBackend::hasScreen() const {
  if (m_dialogsWithoutScreen) return true;
  const QString p = QGuiApplication::platformName();
  return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

QWidget* QtBackend::ownerWidget(std::uint32_t windowId) const {
  if (QWidget* w = widgetOf(windowId)) return w->window();
  return QApplication::activeWindow();
}

int QtBackend::messageBox(const MessageBox& box) {
  int code = box.defaultId();
  m_dispatcher.call([&] {
    if (!hasScreen()) {
      std::fprintf(stderr, "%s\n", boxAsText(box).c_str());
      return;
    }
    code = runMessageDialog(box, ownerWidget(box.ownerWindow));
  });
  return code;
}

void QtBackend::closeMessageBoxes() {
  // Queued to the GUI thread, which may be inside a box's own event loop.
  QMetaObject::invokeMethod(
      qApp,
      [] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* d = qobject_cast<QDialog*>(w);
              d && d->isVisible() && d->objectName() == QLatin1String("MessageBox"))
            d->reject();
      },
      Qt::QueuedConnection);
}

std::string QtBackend::fileDialog(const FileDialogRequest& r) {
  std::string chosen;
  m_dispatcher.call([&] {
    if (!hasScreen()) {
      std::fprintf(stderr, "%s: no screen for the file dialog; cancelled\n",
                   r.title.empty() ? "File" : r.title.c_str());
      return;
    }
    QFileDialog dialog(ownerWidget(r.ownerWindow));
    dialog.setObjectName(QStringLiteral("FileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!r.title.empty()) dialog.setWindowTitle(qs(r.title));
    dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const FileFilter& f : r.filters) filters << nameFilter(f);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
    if (!r.initialName.empty()) dialog.selectFile(qs(r.initialName));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().front().toStdString();
  });
  return chosen;
}

bool QtBackend::printerDialog(PrinterSettings& s, std::string_view title, bool setup,
                              std::uint32_t ownerWindow) {
  bool ok = false;
  m_dispatcher.call([&] {
    if (!hasScreen()) {
      std::fprintf(stderr, "Printer: no screen for the printer dialog; cancelled\n");
      return;
    }
    // A printer through the print system when one is installed, else a
    // PDF file.
    QPrinter printer(QPrinter::HighResolution);
    if (!s.printer.empty()) printer.setPrinterName(qs(s.printer));
    if (QPrinterInfo::availablePrinters().isEmpty()) printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setCopyCount(s.copies);
    printer.setCollateCopies(s.collate);
    printer.setPageOrientation(s.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (s.pageRange) printer.setFromTo(s.fromPage, s.toPage);
    if (s.printToFile && !s.outputFile.empty()) printer.setOutputFileName(qs(s.outputFile));
    QWidget* owner = ownerWidget(ownerWindow);
    if (setup) {
      QPageSetupDialog dialog(&printer, owner);
      dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
      if (!title.empty()) dialog.setWindowTitle(qs(title));
      ok = dialog.exec() == QDialog::Accepted;
    } else {
      QPrintDialog dialog(&printer, owner);
      dialog.setObjectName(QStringLiteral("PrintDialog"));
      if (!title.empty()) dialog.setWindowTitle(qs(title));
      dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
      dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
      dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
      dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
      ok = dialog.exec() == QDialog::Accepted;
    }
    if (!ok) return;
    s.printer = printer.printerName().toStdString();
    s.copies = printer.copyCount();
    s.collate = printer.collateCopies();
    s.pageRange = printer.printRange() == QPrinter::PageRange;
    s.fromPage = printer.fromPage();
    s.toPage = printer.toPage();
    s.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    s.paper = printer.pageLayout().pageSize().name().toStdString();
    s.printToFile = !printer.outputFileName().isEmpty();
    if (s.printToFile) s.outputFile = printer.outputFileName().toStdString();
  });
  return ok;
}

void QtBackend::help(const HelpCommand& command) {
  // The viewer works on its own: the command is handed over and the caller
  // goes on (a search that finds nothing may put up a box there).
  m_dispatcher.post([this, command] {
    if (command.kind == HelpCommand::Kind::Quit) {
      if (m_helpWindow) m_helpWindow->close();
      delete m_helpWindow.data();
      return;
    }
    if (!hasScreen()) {
      std::fprintf(stderr, "Help: %s %s: no screen\n", command.file.c_str(),
                   command.argument.c_str());
      return;
    }
    auto* window = helpWindow();
    if (!window) {
      window = new HelpWindow(HelpBook::program());
      window->setAttribute(Qt::WA_DeleteOnClose);
      m_helpWindow = window;
    }
    window->command(command);
  });
}

HelpWindow* QtBackend::helpWindow() const {
  return static_cast<HelpWindow*>(m_helpWindow.data());
}

void QtBackend::editAction(int action) {
  m_dispatcher.call([action] {
    // The control with the focus in the active window, and no other.
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    QLineEdit* line = qobject_cast<QLineEdit*>(focus);
    if (!line)
      if (auto* spin = qobject_cast<QAbstractSpinBox*>(focus)) line = spin->findChild<QLineEdit*>();
    if (!line)
      if (auto* combo = qobject_cast<QComboBox*>(focus)) line = combo->lineEdit();
    if (line) {
      switch (action) {
        case 10:
          line->cut();
          break;
        case 11:
          line->copy();
          break;
        case 12:
          line->paste();
          break;
        case 13:
          if (line->hasSelectedText()) line->del();
          break;
        case 14:
          line->undo();
          break;
        default:
          return;
      }
      line->setModified(true);
      return;
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) {
      switch (action) {
        case 10:
          text->cut();
          break;
        case 11:
          text->copy();
          break;
        case 12:
          text->paste();
          break;
        case 13:
          text->textCursor().removeSelectedText();
          break;
        case 14:
          text->undo();
          break;
        default:
          break;
      }
    }
  });
}

}  // namespace dw::ui::qt
