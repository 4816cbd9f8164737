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

constexpr std::pair<int, const char*> kQueries[] = {
    {0x2401, "QUERY_SETUSE"},    {0x2402, "QUERY_SELECTED"},  {0x2403, "QUERY_COMMAND"},
    {0x2404, "QUERY_HOTCHANGE"}, {0x2405, "QUERY_HELP"},      {0x2406, "QUERY_QUIT"},
    {0x2407, "QUERY_REPLY"},     {0x2408, "QUERY_LOSEFOCUS"}, {0x2409, "QUERY_PSCREEN"},
    {0x240A, "QUERY_PFIELD"},    {0x240C, "QUERY_COLOR"},     {0x240E, "QUERY_HSCROLL"},
    {0x2410, "QUERY_NOTIFY"},    {0x2412, "QUERY_LOCATE"},    {0x241C, "QUERY_CONTINUETHREAD"},
    {0x241D, "QUERY_EDITDONE"},
};

}  // namespace

std::string messageName(int number) {
  for (const auto& [n, name] : kQueries)
    if (n == number) return name;
  return eventName(number);
}

std::string eventName(int event) {
  for (const auto& [number, name] : kNames)
    if (number == event) return std::string("EVENT:") + name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%#.4x", static_cast<unsigned>(event));
  return buf;
}

}  // namespace dw::ui::ev
