// Names of the events, for diagnostics and tests.
#include "runtime/ui/events.h"

#include <cstdio>
#include <utility>

namespace dw::ui::ev {

namespace {

constexpr std::pair<int, const char*> kNames[] = {
    {kAccepted, "Accepted"},
    {kNewSelection, "NewSelection"},
    {kScrollUp, "ScrollUp"},
    {kScrollDown, "ScrollDown"},
    {kPageUp, "PageUp"},
    {kPageDown, "PageDown"},
    {kScrollTop, "ScrollTop"},
    {kScrollBottom, "ScrollBottom"},
    {kLocate, "Locate"},
    {kMouseUp, "MouseUp"},
    {kMouseIn, "MouseIn"},
    {kMouseOut, "MouseOut"},
    {kMouseMove, "MouseMove"},
    {kVbxEvent, "VBXevent"},
    {kAlertKey, "AlertKey"},
    {kPreAlert, "PreAlert"},
    {kDragging, "Dragging"},
    {kDrag, "Drag"},
    {kDrop, "Drop"},
    {kScrollDrag, "ScrollDrag"},
    {kTabChanging, "TabChanging"},
    {kExpanding, "Expanding"},
    {kContracting, "Contracting"},
    {kExpanded, "Expanded"},
    {kContracted, "Contracted"},
    {kRejected, "Rejected"},
    {kDroppingDown, "DroppingDown"},
    {kDroppedDown, "DroppedDown"},
    {kSelected, "Selected"},
    {kCloseWindow, "CloseWindow"},
    {kCloseDown, "CloseDown"},
    {kOpenWindow, "OpenWindow"},
    {kOpenFailed, "OpenFailed"},
    {kLoseFocus, "LoseFocus"},
    {kGainFocus, "GainFocus"},
    {kSuspend, "Suspend"},
    {kResume, "Resume"},
    {kNotify, "Notify"},
    {kTimer, "Timer"},
    {kDdeRequest, "DDErequest"},
    {kDdeAdvise, "DDEadvise"},
    {kDdeData, "DDEdata"},
    {kDdeExecute, "DDEexecute"},
    {kDdePoke, "DDEpoke"},
    {kDdeClosed, "DDEclosed"},
    {kMove, "Move"},
    {kSize, "Size"},
    {kRestore, "Restore"},
    {kMaximize, "Maximize"},
    {kIconize, "Iconize"},
    {kCompleted, "Completed"},
    {kMoved, "Moved"},
    {kSized, "Sized"},
    {kRestored, "Restored"},
    {kMaximized, "Maximized"},
    {kIconized, "Iconized"},
};

}  // namespace

std::string eventName(int event) {
  for (const auto& [number, name] : kNames)
    if (number == event) return std::string("EVENT:") + name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%#.4x", static_cast<unsigned>(event));
  return buf;
}

}  // namespace dw::ui::ev
