// Dialogs of the Qt backend with real widgets (offscreen): the MESSAGE box
// built from the runtime's layout and answered as a user would (a click,
// Enter, Escape), the help window and its commands, clipboard edits on the
// focused control, and the accessible names of what a window shows.  The
// test's thread is the GUI thread; a modal box runs its own event loop, so
// what the user does there is done from a timer that fires inside it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "runtime/lang/errors.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/help_book.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/qt_help_window.h"
#include "runtime/ui/qt/qt_message_box.h"
#include "runtime/ui/qt/qt_window.h"
#include "runtime/ui/runtime.h"

namespace dw::ui::qt {
namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = QApplication::instance()
                                      ? static_cast<QApplication*>(QApplication::instance())
                                      : new QApplication(argc, argv);
  return *instance;
}

bool pumpUntil(const std::function<bool()>& pred) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Acts on the next modal dialog of type T from inside its event loop.
template <typename T>
void whenModal(const std::function<void(T&)>& act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start(5);
}

void whenBoxIsUp(const std::function<void(MessageDialog&)>& act) {
  whenModal<MessageDialog>(act);
}

// The end of a program tells the event loop to quit; outside a running
// loop Qt remembers that, and every later modal loop would end at once.
// A short run of the application's own loop takes the request and forgets
// it.
void endQuit() {
  QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

void press(QWidget& w, int key) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&w, &down);
}

class QtDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    endQuit();  // what earlier tests' programs left
    lang::setHaltThrowsForTesting(true);
    backend = std::make_unique<QtBackend>(runtime());
    backend->setDialogsWithoutScreen(true);
    runtime().begin(*backend);
  }
  void TearDown() override {
    EXPECT_TRUE(pumpUntil([] { return runtime().hub().liveThreads() == 0; }));
    endQuit();
    backend->shutdown();
    runtime().end();
    backend.reset();
  }
  // Runs MESSAGE on runtime thread 1 and returns its result.
  int message(std::string text, std::string caption, std::string icon, int buttons, int dflt) {
    std::atomic<int> result{-1};
    runtime().runProgram([&] { result = runtime().message(text, caption, icon, buttons, dflt); });
    EXPECT_TRUE(pumpUntil([&] { return result.load() != -1; }));
    runtime().joinProgram();
    endQuit();
    return result;
  }
  std::unique_ptr<QtBackend> backend;
};

TEST_F(QtDialogsTest, TheBoxShowsItsLayoutAndAClickAnswersIt) {
  QStringList buttons;
  QString text, title, defaultButton, accessibleText;
  bool iconShown = false, geometryMatches = false;
  whenBoxIsUp([&](MessageDialog& box) {
    title = box.windowTitle();
    text = box.findChild<QLabel*>("text")->text();
    accessibleText = box.accessibleDescription();
    iconShown = box.findChild<QLabel*>("icon") != nullptr;
    const MessageLayout& l = box.layoutUsed();
    geometryMatches = box.width() == l.width && box.height() == l.height;
    for (QPushButton* b : box.findChildren<QPushButton*>()) {
      buttons << b->text();
      if (b->isDefault()) defaultButton = b->text();
      const Rect& r = l.buttons[buttons.size() - 1];
      geometryMatches = geometryMatches && b->geometry() == QRect(r.x, r.y, r.width, r.height);
    }
    box.buttonFor(button::kYes)->click();
  });
  EXPECT_EQ(message("Delete this task?|It cannot be undone.", "Confirm Delete",
                    stockIconString(stock::kQuestion), button::kYes | button::kNo, button::kNo),
            button::kYes);
  EXPECT_EQ(title, "Confirm Delete");
  EXPECT_EQ(text, "Delete this task?\nIt cannot be undone.");
  EXPECT_EQ(accessibleText, text);
  EXPECT_TRUE(iconShown);
  EXPECT_TRUE(geometryMatches);
  EXPECT_EQ(buttons, (QStringList{"&Yes", "&No"}));
  EXPECT_EQ(defaultButton, "&No");
}

TEST_F(QtDialogsTest, EnterPressesTheDefaultAndEscapeIsCancelOnlyWhenShown) {
  whenBoxIsUp([](MessageDialog& box) { press(box, Qt::Key_Return); });
  EXPECT_EQ(message("Run it now?", "Confirm Task", {}, button::kYes | button::kNo, button::kNo),
            button::kNo);
  whenBoxIsUp([](MessageDialog& box) { press(box, Qt::Key_Escape); });
  EXPECT_EQ(message("Retry?", "Error", {}, button::kRetry | button::kCancel, 0), button::kCancel);
  whenBoxIsUp([](MessageDialog& box) { press(box, Qt::Key_Escape); });
  EXPECT_EQ(message("Which?", "Question", {}, button::kYes | button::kNo, 0), 0);
}

TEST_F(QtDialogsTest, WithoutAScreenTheDefaultButtonAnswers) {
  backend->setDialogsWithoutScreen(false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(message("Save changes?", "Update", {}, button::kYes | button::kNo | button::kCancel,
                    button::kCancel),
            button::kCancel);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Update: Save changes?\n[&Yes] [&No] <Cancel>\n");
}

TEST_F(QtDialogsTest, TheHelpWindowTakesTheViewersCommandsAndQuits) {
  backend->help({HelpCommand::Kind::Contents, "DORN.HLP", {}});
  ASSERT_TRUE(pumpUntil([&] { return backend->helpWindow() && backend->helpWindow()->page(); }));
  HelpWindow* help = backend->helpWindow();
  const HelpBook& book = HelpBook::program();
  EXPECT_EQ(help->page(), book.contents());
  EXPECT_EQ(help->topicList()->count(), static_cast<int>(book.pages().size()));
  EXPECT_TRUE(help->browser()->toPlainText().contains("Dornwatch Help"));

  backend->help({HelpCommand::Kind::Topic, "DORN.HLP", "MAIN$APPFRAME"});
  ASSERT_TRUE(pumpUntil([&] { return help->page() == book.findFile("main_frame.html"); }));
  backend->help({HelpCommand::Kind::HelpOnHelp, "DORN.HLP", {}});
  ASSERT_TRUE(pumpUntil([&] { return help->page() == book.helpOnHelp(); }));
  // A partial keyword that one page has opens it.
  backend->help({HelpCommand::Kind::Keyword, "DORN.HLP", "status b"});
  ASSERT_TRUE(pumpUntil([&] { return help->page() == book.findFile("main_frame.html"); }));
  EXPECT_EQ(help->topicList()->count(), 1);
  // A link leads to its page.
  Q_EMIT help->browser()->anchorClicked(QUrl("index.html"));
  EXPECT_EQ(help->page(), book.contents());
  // A word nothing matches says so in a box.
  QString said;
  whenBoxIsUp([&](MessageDialog& box) {
    said = box.findChild<QLabel*>("text")->text();
    box.buttonFor(button::kOk)->click();
  });
  help->search("zebra");
  EXPECT_EQ(said, "No help topic matches \"zebra\".");

  backend->help({HelpCommand::Kind::Quit, "DORN.HLP", {}});
  ASSERT_TRUE(pumpUntil([&] { return backend->helpWindow() == nullptr; }));
}

std::unique_ptr<Control> make(ControlType type, int field, std::string text, Rect r,
                              std::string icon = {}) {
  ControlState s;
  s.type = type;
  s.field = field;
  s.text = std::move(text);
  s.rect = r;
  s.icon = std::move(icon);
  if (type == ControlType::Entry) s.picture = "s20";
  return createControl(std::move(s));
}

TEST_F(QtDialogsTest, ControlsToolBarAndStatusZonesHaveAccessibleNames) {
  std::atomic<std::uint32_t> frameId{0}, formId{0};
  runtime().runProgram([&] {
    Runtime& rt = runtime();
    WindowDesc frame;
    frame.kind = WindowKind::Application;
    frame.title = "Frame";
    frame.toolBar = {{ToolEntry::Kind::Button, -1, "Add Program", "~WIZARD.ICO", "", false},
                     {ToolEntry::Kind::Image, -2, "", "~PDWMAIN.GIF", "", false}};
    frame.statusZones = {-1, 80};
    Window& f = rt.open(frame, {});
    frameId = f.id();
    std::vector<std::unique_ptr<Control>> controls;
    controls.push_back(make(ControlType::List, 7, "", {4, 80, 100, 40}));
    controls.push_back(make(ControlType::Prompt, 1, "&Name:", {4, 4, 30, 10}));
    controls.push_back(make(ControlType::Entry, 2, "", {40, 4, 60, 10}));
    controls.push_back(make(ControlType::Entry, 3, "", {40, 20, 60, 10}));
    controls.push_back(make(ControlType::Image, 4, "", {4, 40, 20, 20}, "~PDWROTAT.GIF"));
    controls.push_back(make(ControlType::Button, 5, "&OK", {40, 40, 40, 14}));
    controls.push_back(make(ControlType::Check, 6, "&Active", {4, 64, 60, 10}));
    controls.push_back(make(ControlType::Entry, 8, "", {4, 130, 30, 10}));
    controls.push_back(make(ControlType::Prompt, 9, "&Days", {40, 130, 30, 10}));
    WindowDesc form;
    form.title = "Form";
    Window& w = rt.open(form, std::move(controls));
    formId = w.id();
    while (rt.accept())
      if (rt.event() == ev::kNotify) break;
    rt.close(w);
    rt.close(f);
  });
  ASSERT_TRUE(pumpUntil([&] { return formId != 0; }));
  const auto name = [&](int field) {
    QWidget* w = backend->controlWidget(formId, field);
    return w ? w->accessibleName() : QString("<none>");
  };
  EXPECT_EQ(name(1), "Name:");
  EXPECT_EQ(name(2), "Name:");  // the prompt before it
  EXPECT_EQ(name(3), "");       // another entry comes between
  EXPECT_EQ(name(4), "PDWROTAT");
  EXPECT_EQ(name(5), "OK");
  EXPECT_EQ(name(6), "Active");
  EXPECT_EQ(name(7), "Form");  // a list without a prompt: its window's title
  EXPECT_EQ(name(8), "Days");  // the prompt right after it
  auto* frame = qobject_cast<QMainWindow*>(backend->widgetOf(frameId));
  ASSERT_NE(frame, nullptr);
  QToolBar* bar = frame->findChild<QToolBar*>();
  ASSERT_NE(bar, nullptr);
  QStringList toolNames;
  for (QAction* a : bar->actions())
    if (QWidget* w = bar->widgetForAction(a)) toolNames << w->accessibleName();
  EXPECT_EQ(toolNames, (QStringList{"Add Program", "PDWMAIN"}));
  QStringList zones;
  for (QLabel* l : frame->statusBar()->findChildren<QLabel*>()) zones << l->accessibleName();
  zones.sort();
  EXPECT_EQ(zones, (QStringList{"Status zone 1", "Status zone 2"}));
  runtime().hub().postToWindow(Message::forWindow(formId, ev::kNotify, 0));
  ASSERT_TRUE(pumpUntil([] { return runtime().hub().liveThreads() == 0; }));
  runtime().joinProgram();
}

TEST_F(QtDialogsTest, ClipboardEditsReachOnlyTheFocusedControl) {
  QWidget window;
  auto* a = new QLineEdit("alarm.wav", &window);
  auto* b = new QLineEdit(&window);
  b->move(0, 40);
  window.show();
  QApplication::setActiveWindow(&window);
  a->setFocus();
  ASSERT_TRUE(pumpUntil([&] { return QApplication::focusWidget() == a; }));
  a->selectAll();
  backend->editAction(action::kCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), "alarm.wav");
  backend->editAction(action::kCut);
  EXPECT_EQ(a->text(), "");
  b->setFocus();
  ASSERT_TRUE(pumpUntil([&] { return QApplication::focusWidget() == b; }));
  backend->editAction(action::kPaste);
  EXPECT_EQ(b->text(), "alarm.wav");
  EXPECT_EQ(a->text(), "");
  backend->editAction(action::kUndo);
  EXPECT_EQ(b->text(), "");
}

TEST_F(QtDialogsTest, TheFileDialogShowsTheFilterAndWritesTheChosenPath) {
  const std::filesystem::path wav =
      std::filesystem::temp_directory_path() / ("dw_alarm_" + std::to_string(getpid()) + ".wav");
  std::ofstream(wav) << "RIFF";
  char file[256] = "";
  QStringList filters, emptyFilters;
  QString title;
  bool opens = false;
  whenModal<QFileDialog>([&](QFileDialog& d) {
    filters = d.nameFilters();
    title = d.windowTitle();
    opens = d.acceptMode() == QFileDialog::AcceptOpen && d.fileMode() == QFileDialog::ExistingFile;
    d.selectFile(QString::fromStdString(wav.string()));
    static_cast<QDialog&>(d).accept();  // QFileDialog::accept through the public slot
  });
  std::atomic<int> chosen{-1}, cancelled{-1};
  runtime().runProgram([&] {
    const VarRef var = VarRef::cString(file);
    chosen = runtime().fileDialog("Select WAV File for Alarm", var, "WAV Files|*.WAV", 0);
  });
  ASSERT_TRUE(pumpUntil([&] { return chosen.load() != -1; }));
  runtime().joinProgram();
  endQuit();
  EXPECT_EQ(chosen.load(), 1);
  EXPECT_EQ(std::string(file), wav.string());
  EXPECT_EQ(title, "Select WAV File for Alarm");
  EXPECT_TRUE(opens);
  EXPECT_EQ(filters, QStringList{"WAV Files (*.WAV *.wav)"});

  whenModal<QFileDialog>([&](QFileDialog& d) {
    emptyFilters = d.nameFilters();
    d.reject();
  });
  runtime().runProgram([&] {
    const VarRef var = VarRef::cString(file);
    cancelled = runtime().fileDialog("", var, "", fileflag::kSave);
  });
  ASSERT_TRUE(pumpUntil([&] { return cancelled.load() != -1; }));
  runtime().joinProgram();
  EXPECT_EQ(cancelled.load(), 0);
  EXPECT_EQ(std::string(file), wav.string());
  EXPECT_EQ(emptyFilters, QStringList{"All Files (*)"});
  std::filesystem::remove(wav);
}

TEST(QtArrangeTest, TilingPutsOpenWindowsSideBySideOrStackedAndLeavesMinimisedOnes) {
  app();
  QMdiArea area;
  area.resize(600, 400);
  QList<QMdiSubWindow*> subs;
  for (int i = 0; i < 3; ++i) {
    subs << area.addSubWindow(new QWidget);
    subs.back()->show();
  }
  area.show();
  subs[2]->showMinimized();
  const QRect minimised = subs[2]->geometry();
  const int w = area.viewport()->width(), h = area.viewport()->height();
  arrangeDocumentWindows(area, action::kTileVertical);
  EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, w / 2, h));
  EXPECT_EQ(subs[1]->geometry(), QRect(w / 2, 0, w - w / 2, h));
  EXPECT_EQ(subs[2]->geometry(), minimised);
  arrangeDocumentWindows(area, action::kTileHorizontal);
  EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, w, h / 2));
  EXPECT_EQ(subs[1]->geometry(), QRect(0, h / 2, w, h - h / 2));
  arrangeDocumentWindows(area, action::kArrangeIcons);
  EXPECT_EQ(subs[2]->geometry().bottomLeft(), QPoint(0, h - 1));
}

}  // namespace
}  // namespace dw::ui::qt
