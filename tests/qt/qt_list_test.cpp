// Lists and popup menus with real widgets (offscreen): a list over 100,000
// rows asks its source only for the pages on screen while the user scrolls,
// shows its header, hidden and resizable columns, reads as rows and cells
// through accessibility, and turns the user's choice into its variable; a
// drop list shows its rows; columns hold their headers and the last one
// fills the list; POPUP answers with the item chosen with the
// keyboard (through a submenu), 0 on Escape, at the mouse by default.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "runtime/lang/errors.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/list_control.h"
#include "runtime/ui/list_format.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/popup.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/runtime.h"

namespace dw::ui::qt {
namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
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

bool idle() {
  return runtime().hub().waitIdle(std::chrono::milliseconds(0));
}

// Rows "Row n" with an icon number and a colour, counted as asked for.
class CountingSource : public ListSource {
 public:
  std::int64_t rowCount() override { return 100'000; }
  void fetch(std::int64_t first, std::int64_t count, std::vector<ListRow>& out) override {
    for (std::int64_t r = first; r < first + count && r < 100'000; ++r) {
      out.push_back({std::to_string(1 + r % 2), "255", "65280", "-1", "-1",
                     "Row " + std::to_string(r), "hidden", std::to_string(r * 10)});
      ++asked;
    }
  }
  std::atomic<std::int64_t> asked{0};
};

class QtListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    // A program that ended in an earlier test told the application to
    // quit, which makes every later nested event loop (a menu's) return at
    // once; running and leaving the main loop clears that.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    lang::setHaltThrowsForTesting(true);
    backend = std::make_unique<QtBackend>(runtime());
    runtime().begin(*backend);
  }
  void TearDown() override {
    EXPECT_TRUE(pumpUntil([] { return runtime().hub().liveThreads() == 0; }));
    backend->shutdown();
    runtime().end();
    backend.reset();
  }
  // Opens a window with a list (field 1), a drop list (2) and a button (3)
  // on a runtime thread, which then runs its loop until the button.
  void openListWindow() {
    runtime().runProgram([this] {
      Runtime& rt = runtime();
      std::vector<std::unique_ptr<Control>> controls;
      ControlState list;
      list.type = ControlType::List;
      list.field = 1;
      list.rect = {4, 4, 180, 100};
      list.format = "11L*I@s1@60L|M~Name~@s20@0L@s6@40R~Amount~@n7@";
      controls.push_back(createControl(list));
      ControlState drop;
      drop.type = ControlType::List;
      drop.field = 2;
      drop.rect = {4, 110, 80, 12};
      drop.format = "80L~Category~@s20@";
      drop.dropCount = 4;
      controls.push_back(createControl(drop));
      ControlState button;
      button.type = ControlType::Button;
      button.field = 3;
      button.text = "&Close";
      button.rect = {100, 110, 40, 14};
      controls.push_back(createControl(button));
      WindowDesc d;
      d.label = "LIST$WINDOW";
      d.title = "Lists";
      d.width = 200;
      d.height = 140;
      Window& w = rt.open(d, std::move(controls));
      windowId = w.id();
      setListSource(1, source);
      setListIcons(1, {"disabled.ico", "done.ico"});
      rt.use(1, VarRef::of(chosen));
      rt.setRows(2, {"Home", "Work", "Play"});
      while (rt.accept()) {
        if (rt.event() == ev::kAccepted && rt.field() == 3) break;
        if (rt.event() == ev::kNotify) setListFormat(1, "60L~Only~#6#@s20@");
        if (rt.field() == 1) ++listEvents;
        if (rt.event() == ev::kAlertKey && rt.field() == 1) {
          std::lock_guard lock(alertMutex);
          alerts.push_back(rt.keyCode());
        }
      }
      rt.close(w);
    });
    ASSERT_TRUE(pumpUntil([&] { return windowId != 0 && idle(); }));
  }
  void closeListWindow() {
    auto* button = qobject_cast<QAbstractButton*>(backend->controlWidget(windowId, 3));
    ASSERT_NE(button, nullptr);
    button->click();
    ASSERT_TRUE(pumpUntil([] { return runtime().hub().liveThreads() == 0; }));
    runtime().joinProgram();
  }

  std::unique_ptr<QtBackend> backend;
  std::shared_ptr<CountingSource> source = std::make_shared<CountingSource>();
  std::atomic<std::uint32_t> windowId{0};
  std::int32_t chosen = 0;
  std::atomic<int> listEvents{0};
  std::mutex alertMutex;
  std::vector<int> alerts;  // key codes of the list's alert keys, guarded by alertMutex
};

TEST_F(QtListTest, AHundredThousandRowsCostWhatThePagesOnScreenCost) {
  openListWindow();
  auto* view = qobject_cast<QTreeView*>(backend->controlWidget(windowId, 1));
  ASSERT_NE(view, nullptr);
  view->window()->show();
  ASSERT_TRUE(pumpUntil([&] { return idle() && view->model()->rowCount() == 100'000; }));
  ASSERT_TRUE(pumpUntil([&] { return idle() && view->model()->index(0, 1).data() == "Row 0"; }));
  const int onScreen = view->viewport()->height() / view->sizeHintForRow(0) + 1;
  EXPECT_LT(source->asked.load(), 4 * onScreen + 50);

  // Scroll as the user would: page by page, then a drag far down.
  for (int i = 1; i <= 5; ++i) {
    view->verticalScrollBar()->setValue(i * onScreen);
    ASSERT_TRUE(pumpUntil([&] {
      return idle() &&
             view->model()->index(i * onScreen, 1).data() == QString("Row %1").arg(i * onScreen);
    }));
  }
  view->verticalScrollBar()->setValue(50'000);
  ASSERT_TRUE(pumpUntil(
      [&] { return idle() && view->model()->index(50'000, 1).data() == QString("Row 50000"); }));
  EXPECT_EQ(view->model()->index(50'001, 3).data(), QString("500,010"));
  // At the bottom the view stays where the user put it.
  QScrollBar* bar = view->verticalScrollBar();
  bar->setValue(bar->maximum());
  ASSERT_TRUE(pumpUntil(
      [&] { return idle() && view->model()->index(99'999, 1).data() == QString("Row 99999"); }));
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  ASSERT_TRUE(pumpUntil(idle));
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_LT(source->asked.load(), 20 * (onScreen + 10));
  EXPECT_GT(listEvents.load(), 0);  // the procedure saw the list scroll
  closeListWindow();
}

TEST_F(QtListTest, ColumnsHeaderAccessibilityAndChoice) {
  openListWindow();
  auto* view = qobject_cast<QTreeView*>(backend->controlWidget(windowId, 1));
  ASSERT_NE(view, nullptr);
  view->window()->show();
  ASSERT_TRUE(pumpUntil([&] { return idle() && view->model()->index(0, 1).data() == "Row 0"; }));

  // Header, zero-width column, resizable column, widths from dialog units.
  EXPECT_FALSE(view->isHeaderHidden());
  EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), QString("Name"));
  EXPECT_TRUE(view->isColumnHidden(2));
  EXPECT_FALSE(view->isColumnHidden(3));
  EXPECT_EQ(view->header()->sectionResizeMode(1), QHeaderView::Interactive);
  EXPECT_EQ(view->header()->sectionResizeMode(3), QHeaderView::Fixed);
  EXPECT_GT(view->header()->sectionSize(1), view->header()->sectionSize(0));
  EXPECT_EQ(view->model()->index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignHorizontal_Mask,
            Qt::AlignRight);
  // The icon column's colour and its icon's name.
  EXPECT_EQ(view->model()->index(0, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
            QColor(255, 0, 0));
  EXPECT_EQ(view->model()->index(1, 0).data(Qt::AccessibleTextRole).toString(), QString("done"));

  // Drawn: the "|" column's right border.
  const QImage shot = view->viewport()->grab().toImage();
  const QRect nameCell = view->visualRect(view->model()->index(0, 1));
  const int y = nameCell.center().y();
  EXPECT_NE(shot.pixelColor(nameCell.right(), y), shot.pixelColor(nameCell.right() - 3, y));

  // Rows and cells read through accessibility.
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
  ASSERT_NE(table, nullptr);
  ASSERT_NE(table->tableInterface(), nullptr);
  EXPECT_EQ(table->tableInterface()->rowCount(), 100'000);
  QAccessibleInterface* cell = table->tableInterface()->cellAt(2, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->text(QAccessible::Name), QString("Row 2"));
  QAccessibleInterface* icon = table->tableInterface()->cellAt(0, 0);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->text(QAccessible::Name), QString("disabled"));

  // The user chooses row 3; the variable takes its number.
  view->setCurrentIndex(view->model()->index(2, 1));
  ASSERT_TRUE(pumpUntil([&] { return idle() && chosen == 3; }));

  // The drop list shows the code's rows and its drop count.
  auto* drop = qobject_cast<QComboBox*>(backend->controlWidget(windowId, 2));
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(drop->count(), 3);
  EXPECT_EQ(drop->maxVisibleItems(), 4);
  EXPECT_EQ(drop->itemText(1), QString("Work"));

  // A new format at run time: one column showing field 6, still on row 3.
  runtime().postFromOutside(ev::kNotify, 0, 1);
  ASSERT_TRUE(pumpUntil([&] { return idle() && view->model()->columnCount() == 1; }));
  EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString(), QString("Only"));
  EXPECT_EQ(view->model()->index(0, 0).data().toString(), QString("Row 0"));
  EXPECT_EQ(view->currentIndex().row(), 2);
  EXPECT_FALSE(view->grab().isNull());
  closeListWindow();
}

// Column widths on screen, in the to-do list's design ("MS Sans Serif" 8,
// a 244-unit list): dialog units follow the average width of the 52
// letters of the font the window gets; a header's text is never cut; the
// last column reaches the list's right edge; and columns wider than the
// list (the schedule's) keep their widths and scroll.
TEST_F(QtListTest, ColumnsFitTheirHeadersAndTheLastOneFillsTheList) {
  constexpr const char* kToDo = "10C(1)|MI@n1@23C(1)|M~Priority~R@n2@60L|M~To Do~@s40@";
  constexpr const char* kSchedule =
      "11L|M*I@s1@47L|M*~Date~@d3@32L|M*~Time~@t3@60L|M~Category~@s20@90L|M~Description~@s40@"
      "60L|M~Task Type~@s20@60L|M~Schedule Type~L(1)@s20@";
  auto rows =
      std::make_shared<VectorListSource>(std::vector<ListRow>{{"2", "3", "Label the tapes"}});
  std::atomic<std::uint32_t> id{0};
  runtime().runProgram([&] {
    Runtime& rt = runtime();
    std::vector<std::unique_ptr<Control>> controls;
    ControlState list;
    list.type = ControlType::List;
    list.field = 1;
    list.rect = {8, 22, 244, 116};
    list.format = kToDo;
    controls.push_back(createControl(list));
    WindowDesc d;
    d.label = "VIEWTODO$WINDOW";
    d.title = "To Do List";
    d.fontFace = "MS Sans Serif";
    d.fontSize = 8;
    d.width = 260;
    d.height = 184;
    Window& w = rt.open(d, std::move(controls));
    setListSource(1, rows);
    id = w.id();
    while (rt.accept()) {
      if (rt.event() == ev::kNotify) setListFormat(1, kSchedule);
      if (rt.event() == ev::kCloseWindow) break;
    }
    rt.close(w);
  });
  ASSERT_TRUE(pumpUntil([&] { return id != 0 && idle(); }));
  auto* view = qobject_cast<QTreeView*>(backend->controlWidget(id, 1));
  ASSERT_NE(view, nullptr);
  view->window()->show();
  ASSERT_TRUE(
      pumpUntil([&] { return idle() && view->model()->index(0, 2).data() == "Label the tapes"; }));
  QHeaderView* header = view->header();
  const QFontMetrics fm(view->font());
  const int average = averageWidthFromLetters(
      fm.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")));
  const ListScale scale{2 * average, 8};
  EXPECT_GE(header->sectionSize(1), std::max(scale.toPixels(23), header->sectionSizeHint(1)));
  EXPECT_GT(header->sectionSize(1), fm.horizontalAdvance("Priority"));
  const int lastRight = header->sectionPosition(2) + header->sectionSize(2);
  EXPECT_EQ(lastRight, view->viewport()->width());
  EXPECT_GT(header->sectionSize(2), fm.horizontalAdvance("Label the tapes") + 10);
  // A wider window: the last column follows the edge.
  view->window()->resize(view->window()->width() + 100, view->window()->height());
  ASSERT_TRUE(pumpUntil([&] {
    return header->sectionPosition(2) + header->sectionSize(2) == view->viewport()->width();
  }));

  // The schedule's columns are wider than this list: none is stretched.
  runtime().postFromOutside(ev::kNotify, 0, 1);
  ASSERT_TRUE(pumpUntil([&] { return idle() && view->model()->columnCount() == 7; }));
  EXPECT_EQ(header->sectionSize(6), std::max(scale.toPixels(60), header->sectionSizeHint(6)));
  EXPECT_EQ(header->sectionSize(4), scale.toPixels(90));
  EXPECT_GT(header->length(), view->viewport()->width());
  runtime().postFromOutside(ev::kCloseWindow, 0, 1);
  ASSERT_TRUE(pumpUntil([] { return runtime().hub().liveThreads() == 0; }));
  runtime().joinProgram();
}

// Sends a key to the menu on screen.
void key(int k) {
  QWidget* menu = QApplication::activePopupWidget();
  if (!menu) return;
  QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
  QApplication::sendEvent(menu, &press);
}

QMenu* menuOnScreen() {
  return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// The keys a list alerts reach the procedure with their codes; the keys
// it moves with do not.
TEST_F(QtListTest, AlertKeysReachTheProcedureWithTheirCodes) {
  openListWindow();
  auto* view = qobject_cast<QTreeView*>(backend->controlWidget(windowId, 1));
  ASSERT_NE(view, nullptr);
  const auto pressKey = [&](int k, Qt::KeyboardModifiers mods, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QApplication::sendEvent(view, &press);
  };
  pressKey(Qt::Key_Insert, Qt::NoModifier);
  pressKey(Qt::Key_Delete, Qt::NoModifier);
  pressKey(Qt::Key_Return, Qt::ControlModifier);
  pressKey(Qt::Key_W, Qt::ShiftModifier, QStringLiteral("W"));
  pressKey(Qt::Key_Backspace, Qt::NoModifier);
  pressKey(Qt::Key_Down, Qt::NoModifier);                       // moves, not alerted
  pressKey(Qt::Key_A, Qt::ControlModifier, QString(QChar(1)));  // not a typed character
  QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(5, 5),
                         view->viewport()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(view->viewport(), &menu);
  const std::vector<int> expected = {key::kInsert, key::kDelete,    key::kCtrlEnter,
                                     'W',          key::kBackspace, key::kMouseRight};
  ASSERT_TRUE(pumpUntil([&] {
    std::lock_guard lock(alertMutex);
    return alerts.size() >= expected.size() && idle();
  }));
  {
    std::lock_guard lock(alertMutex);
    EXPECT_EQ(alerts, expected);
  }
  closeListWindow();
}

TEST_F(QtListTest, PopupAnswersWithTheItemChosenThroughASubmenu) {
  // A menu is opened over an active window, as by a right click on it.
  QWidget owner;
  owner.resize(300, 200);
  owner.show();
  owner.activateWindow();
  ASSERT_TRUE(pumpUntil([&] { return QApplication::activeWindow() == &owner; }));
  std::atomic<int> step{0};
  std::atomic<int> answers[3] = {-1, -1, -1};
  runtime().runProgram([&] {
    answers[0] = popup("A|B{C|~D|E}|F", 10, 20);
    step = 1;
    answers[1] = popup("&Add|&Change|&Delete|-|");
    step = 2;
    answers[2] = popup("One|Two");
    step = 3;
  });
  // A menu runs its own event loop: the user's keys come from a timer
  // that plays this script inside it, one step once its menu is up.
  QMenu* first = nullptr;
  QPoint firstAt, secondAt, mouseAt;
  QStringList firstItems;
  bool greyed = false;
  const std::vector<std::function<bool()>> script = {
      [&] {
        first = menuOnScreen();
        if (!first) return false;
        firstAt = first->pos();
        for (QAction* a : first->actions()) firstItems << a->text();
        first->setActiveAction(first->actions().value(1));
        key(Qt::Key_Right);  // opens the submenu at C
        return true;
      },
      [&] {
        QMenu* sub = menuOnScreen();
        if (!sub || sub == first) return false;
        greyed = !sub->actions().value(1)->isEnabled();
        sub->setActiveAction(sub->actions().value(2));  // E
        key(Qt::Key_Return);
        return true;
      },
      [&] {
        if (step < 1 || !menuOnScreen()) return false;
        secondAt = menuOnScreen()->pos();
        mouseAt = QCursor::pos();
        key(Qt::Key_Escape);
        return true;
      },
      [&] {
        if (step < 2 || !menuOnScreen()) return false;
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        return true;
      },
  };
  std::size_t next = 0;
  QTimer player;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  QObject::connect(&player, &QTimer::timeout, [&] {
    // A script that went wrong must not leave a menu (and the test) hanging.
    if (std::chrono::steady_clock::now() > deadline) {
      key(Qt::Key_Escape);
      return;
    }
    if (next < script.size() && script[next]()) ++next;
  });
  player.start(5);
  ASSERT_TRUE(pumpUntil([&] { return step.load() >= 3; }));
  player.stop();
  runtime().joinProgram();

  EXPECT_EQ(firstAt, QPoint(10, 20));
  EXPECT_EQ(firstItems, (QStringList{"A", "B", "F"}));
  EXPECT_TRUE(greyed);
  EXPECT_EQ(answers[0].load(), 4);  // A 1, C 2, D 3, E 4
  // Without coordinates the menu opens at the mouse; Escape dismisses it.
  EXPECT_EQ(secondAt, mouseAt);
  EXPECT_EQ(answers[1].load(), 0);
  EXPECT_EQ(answers[2].load(), 2);
  EXPECT_EQ(lastPopupChoice(), 2);
}

}  // namespace
}  // namespace dw::ui::qt
