// Event numbers as procedures see them through EVENT(), and their names.
//
// Field events (1..28) concern one control; EVENT:Selected (257) a control
// gaining focus; window events (513..549) and window-change notices
// (560..564) concern the window as a whole and carry field number 0.
// Inside event records an event is kept as its number; the 0x1400 bias of
// the private message carrying it is a detail of delivery we do not need.
#pragma once

#include <string>

namespace dw::ui::ev {

inline constexpr int kAccepted = 1;
inline constexpr int kNewSelection = 2;
inline constexpr int kScrollUp = 3;
inline constexpr int kScrollDown = 4;
inline constexpr int kPageUp = 5;
inline constexpr int kPageDown = 6;
inline constexpr int kScrollTop = 7;
inline constexpr int kScrollBottom = 8;
inline constexpr int kLocate = 9;
inline constexpr int kMouseUp = 10;
inline constexpr int kMouseIn = 11;
inline constexpr int kMouseOut = 12;
inline constexpr int kMouseMove = 13;
inline constexpr int kVbxEvent = 14;
inline constexpr int kAlertKey = 15;
inline constexpr int kPreAlert = 16;
inline constexpr int kDragging = 17;
inline constexpr int kDrag = 18;
inline constexpr int kDrop = 19;
inline constexpr int kScrollDrag = 20;
inline constexpr int kTabChanging = 21;
inline constexpr int kExpanding = 22;
inline constexpr int kContracting = 23;
inline constexpr int kExpanded = 24;
inline constexpr int kContracted = 25;
inline constexpr int kRejected = 26;
inline constexpr int kDroppingDown = 27;
inline constexpr int kDroppedDown = 28;

inline constexpr int kSelected = 257;

inline constexpr int kCloseWindow = 513;
inline constexpr int kCloseDown = 514;
inline constexpr int kOpenWindow = 515;
inline constexpr int kOpenFailed = 516;
inline constexpr int kLoseFocus = 517;
inline constexpr int kGainFocus = 518;
inline constexpr int kSuspend = 520;
inline constexpr int kResume = 521;
inline constexpr int kNotify = 522;
inline constexpr int kTimer = 523;
inline constexpr int kDdeRequest = 524;
inline constexpr int kDdeAdvise = 525;
inline constexpr int kDdeData = 526;
inline constexpr int kDdeExecute = 527;
inline constexpr int kDdePoke = 528;
inline constexpr int kDdeClosed = 529;

inline constexpr int kMove = 544;
inline constexpr int kSize = 545;
inline constexpr int kRestore = 546;
inline constexpr int kMaximize = 547;
inline constexpr int kIconize = 548;
inline constexpr int kCompleted = 549;

inline constexpr int kMoved = 560;
inline constexpr int kSized = 561;
inline constexpr int kRestored = 562;
inline constexpr int kMaximized = 563;
inline constexpr int kIconized = 564;

// "EVENT:Accepted" for 1; "%#.4x" of the number for one without a name.
std::string eventName(int event);

// Private queries between a window and its controls (numbered from
// 0x2401); named for diagnostics.
inline constexpr int kQueryFirst = 0x2401;
// An event or query by name: "EVENT:Timer", "QUERY_COMMAND", else "%#.4x".
std::string messageName(int number);

}  // namespace dw::ui::ev
