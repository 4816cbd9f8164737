// The GUI-thread side of one open window: its widgets, menu actions, tool
// bar, status-bar zones, timer and control widgets.  Private to the Qt
// backend; used only on the GUI thread.
#pragma once

#include <QImage>
#include <QKeySequence>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/control.h"
#include "runtime/ui/window_desc.h"

class QAction;
class QButtonGroup;
class QLabel;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QToolBar;

namespace dw::image {
struct Image;
}

namespace dw::ui {
class Window;
}

namespace dw::ui::qt {

class QtBackend;

struct QtControl {
  QPointer<QWidget> widget;
  QButtonGroup* group = nullptr;  // option groups: their radios
  ControlType type = ControlType::String;
  int field = 0;
  int parent = -1;        // index of the containing control, -1 none
  int tabNumber = -1;     // tabs: their place in the sheet's tab bar
  bool onPage = false;    // stands on a tab's page
  bool updating = false;  // set while the runtime changes the widget
  std::string shown;      // the display text last put into the widget
  std::string image;      // image controls: the picture last loaded
};

struct QtWindow {
  std::uint32_t id = 0;
  WindowKind kind = WindowKind::Plain;
  QPointer<QWidget> top;  // what is shown: frame, sub-window or plain window
  QMainWindow* frame = nullptr;
  QMdiArea* mdi = nullptr;
  QMdiSubWindow* sub = nullptr;
  QWidget* content = nullptr;  // parent of the control widgets
  QToolBar* toolBar = nullptr;
  std::vector<QLabel*> zones;
  std::map<int, QAction*> actions;    // menu and tool bar entries by field
  std::map<int, QtControl> controls;  // by index in the window's control list
  QTimer* timer = nullptr;
  bool destroying = false;
  int programFocus = 0;  // the field the runtime is giving focus to
};

// The line control: a line from the first corner of its rectangle to the
// opposite one (width and height may be 0 or negative), horizontal,
// vertical or diagonal.  The widget covers the line's bounding box.
class LineWidget : public QWidget {
 public:
  explicit LineWidget(QWidget* parent);
  // Places the line for a control rectangle in the parent's pixels.
  void place(const Rect& pixels);
  QPoint from() const { return m_from; }  // in the widget's own pixels
  QPoint to() const { return m_to; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QPoint m_from, m_to;
};

// qt_controls.cpp
void createControlWidgets(QtBackend& backend, QtWindow& qw, Window& w);
void createControlWidget(QtBackend& backend, QtWindow& qw, Window& w, int index);
void updateControlWidget(QtWindow& qw, Window& w, const Control& c);
std::optional<std::string> pendingControlText(QtWindow& qw, Window& w, const Control& c);
QWidget* controlWidgetFor(QtWindow& qw, Window& w, int field);
// The widget that takes the focus for a control, and its field: an option
// group gives it to its chosen radio (its first while none is chosen).
QWidget* focusWidgetFor(QtWindow& qw, Window& w, int field, int& focusField);
// qt_input.cpp: mouse and drag events of a control widget.
void installMouseFilter(QtBackend& backend, std::uint32_t window, int field, QWidget* widget);
// A context-menu request on the frame (right click on its client area,
// the Menu key, Shift+F10) posts EVENT:AlertKey for field 0.
void installFrameContextRequests(QtBackend& backend, QtWindow& qw);
// Right click or Menu key on a window other than the frame: EVENT:AlertKey
// with field 0 and the right button's key code.
void installWindowContextRequests(QtBackend& backend, QtWindow& qw);

// The key a resource's key code names (empty when none we know):
// letters and digits as they are, 13 Enter, 27 Escape, 112..123 F1..F12,
// 0x100 Shift, 0x200 Ctrl, 0x400 Alt.
QKeySequence keySequenceFor(int code);
// Shows a control's status text in the APPLICATION's status bar.
void showStatusText(QWidget* anyWidget, const QString& text);

// qt_arrange.cpp: tile (2, 17, 18), cascade (3) or arrange the icons (4)
// of the APPLICATION's document windows.
void arrangeDocumentWindows(QMdiArea& area, int action);

// qt_accessibility.cpp: gives every control widget, tool bar entry and
// status zone of a window its accessible name.
void nameForAccessibility(QtWindow& qw, Window& w);

// qt_images.cpp: icons and pictures named by a reference of a window
// resource ("~NAME.ICO" for a program resource, else a file name), decoded
// by the runtime's picture readers; a null pixmap when nothing is found or
// the picture is damaged.
QPixmap pixmapFor(std::string_view reference);
// A decoded picture as a QImage (RGBA, 8 bits a channel); null when empty.
QImage toQImage(const image::Image& picture);

}  // namespace dw::ui::qt
