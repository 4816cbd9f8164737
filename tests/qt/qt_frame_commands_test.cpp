// Commands of the real program's frame: Help > About opens the About
// window over the frame on the frame's thread, showing the title and
// version, and its Close button closes it and gives the frame its events
// back; the frame's context popup offers the Window menu's commands.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>

#include <atomic>

#include "app/frame/frame_popup.h"
#include "app/frame/main_frame.h"
#include "runtime/ui/popup.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

using QtFrameCommandsTest = QtBackendTest;

QWidget* topLevelTitled(const QString& title) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == title) return w;
  return nullptr;
}

QString shownText(QWidget* w) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  return w ? w->property("text").toString() : QString();
}

TEST_F(QtFrameCommandsTest, HelpAboutOpensTheAboutWindowAndItsButtonClosesIt) {
  std::atomic<bool> done{false};
  runtime().runProgram([&] {
    app::ProgramCode();
    done = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return backend->applicationWindow() != 0 && idle(); }));
  const std::uint32_t frameId = backend->applicationWindow();
  ASSERT_TRUE(backend->triggerAction(frameId, app::frame::kAbout));
  QWidget* about = nullptr;
  ASSERT_TRUE(pumpUntil([&] { return (about = topLevelTitled("About")) != nullptr && idle(); }));
  QWidget* title =
      about->findChild<QWidget*>(QStringLiteral("field%1").arg(app::frame::kAboutTitle));
  QWidget* version =
      about->findChild<QWidget*>(QStringLiteral("field%1").arg(app::frame::kAboutVersion));
  auto* close =
      about->findChild<QAbstractButton*>(QStringLiteral("field%1").arg(app::frame::kAboutClose));
  ASSERT_NE(title, nullptr);
  ASSERT_NE(version, nullptr);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(shownText(title).trimmed(), QString(app::kApplicationTitle));
  EXPECT_EQ(shownText(version).trimmed(), QString(app::kVersion));

  close->click();
  ASSERT_TRUE(pumpUntil([&] { return topLevelTitled("About") == nullptr && idle(); }));
  EXPECT_FALSE(done);
  // The frame takes its menu again.
  EXPECT_TRUE(backend->triggerAction(frameId, app::frame::kExit));
  ASSERT_TRUE(pumpUntil([&] { return done.load(); }));
  runtime().joinProgram();
}

TEST(FramePopupTest, ChoicesStandForTheWindowMenuItems) {
  EXPECT_EQ(parsePopupMenu(app::kFramePopupMenu).itemCount, 3);
  const int expected[] = {0, app::frame::kTile, app::frame::kCascade, app::frame::kArrangeIcons, 0};
  for (int choice = 0; choice <= 4; ++choice)
    EXPECT_EQ(app::frameMenuItemForPopup(choice), expected[choice]) << choice;
}

}  // namespace
}  // namespace dw::ui::qt
