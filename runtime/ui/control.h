// Controls: the runtime's side of every control of a window.
//
// A Control holds what its window resource declared (type, field number,
// rectangle, texts, picture, icon, key code) and its live state (hidden,
// disabled, the text shown, the chosen radio, row or tab, the rows of a
// list), and it binds one program variable.  Subclasses give the behaviour
// of each type: how the variable is shown (refresh) and how a value the user
// gave is written back (takeValue).  Backends draw controls from their
// state and never change it.
//
// Controls are made by the creator registered for their type
// (control_registry.h); the window keeps them in declaration order, with
// containers (option group, group box, sheet, tab) before their contents.
//
// Thread-safety: the window's thread uses a control under the Runtime lock;
// a backend reads one only inside a call made by that thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/message_hub.h"
#include "runtime/ui/var_ref.h"

namespace dw::ui {

struct ListPage;  // list_source.h

enum class ControlType : std::uint8_t {
  StringVar = 1,
  String = 2,
  Image = 3,
  Region = 4,
  Box = 5,
  Line = 6,
  Entry = 8,
  Button = 9,
  Prompt = 10,
  Option = 11,
  Check = 12,
  Group = 13,
  List = 14,
  Spin = 16,
  Text = 17,
  Radio = 21,
  Progress = 35,
  Sheet = 37,
  Tab = 38,
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

// Declared and live properties of one control.  Plain data: the creator
// fills the declared part, the control's behaviour keeps the live part.
struct ControlState {
  // Declared.
  ControlType type = ControlType::String;
  int field = 0;           // 0 for controls never addressed (tabs)
  int parent = -1;         // index of the containing control in the window, or -1
  Rect rect;               // in the window's units, as declared
  std::string text;        // caption, prompt, fixed text, tab or group title
  std::string picture;     // display picture without its "@", e.g. "s20", "n-13"
  std::string statusText;  // shown in the status bar while the control has focus
  std::string icon;        // button icon or image name
  std::string helpTopic;   // the control's own help topic, "" none
  int standardAction = 0;  // button: a standard action the runtime performs, 0 none
  int keyCode = 0;         // the key that presses a button
  int dropCount = 0;       // list: rows of the drop-down part, 0 for a plain list
  std::string value;       // radio: what choosing it writes ("" = its text)
  std::string format;      // list: its format string (docs/lists.md)
  std::uint32_t attributes = 0;
  // Live.
  Rect pixels;  // rect converted at open
  bool hidden = false;
  bool disabled = false;
  std::string display;        // text shown: formatted value, typed text kept
  std::int64_t selected = 0;  // check: 0/1; option, list, sheet: chosen index from 1, 0 none
  // List rows (supplied by the application); an option group's radio
  // values and a sheet's tab texts, in order.
  std::vector<std::string> rows;
  std::int64_t rangeLow = 0;  // progress bar and spin box bounds
  std::int64_t rangeHigh = 100;
  std::int64_t progress = 0;
  // The window's font as measured when its geometry was converted: lists
  // convert their column widths (dialog units) and count their rows with it.
  int charWidth = 6;
  int charHeight = 13;
  // List: what it shows (layout, icons, the rows of the visible page), an
  // immutable snapshot replaced whenever it changes.
  std::shared_ptr<const ListPage> list;
};

class Control {
 public:
  explicit Control(ControlState declared) : m_state(std::move(declared)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlState& state() { return m_state; }
  const ControlState& state() const { return m_state; }
  ControlType type() const { return m_state.type; }
  int field() const { return m_state.field; }

  void use(VarRef var) { m_use = var; }
  const VarRef& variable() const { return m_use; }

  // Shows the variable's value (redisplay).  Default: nothing to show.
  virtual void refresh() {}
  // A value the user gave travels with `event`; write it into the variable.
  // Returns the event to deliver: the same, EVENT:Rejected when the value
  // does not fit, or 0 to drop it.
  virtual int takeValue(int event, const UserValue& value);
  // Whether completion accepts this control (it edits a variable).
  virtual bool takesPartInCompletion() const { return false; }
  // Completion's check of what the user has typed (`pending`, or the shown
  // value when nothing is pending); writes the variable when it fits.
  virtual bool acceptPending(const std::string* pending);
  // The code replaced `rows` (setRows).
  virtual void rowsChanged() {}

 protected:
  ControlState m_state;
  VarRef m_use;
};

}  // namespace dw::ui
