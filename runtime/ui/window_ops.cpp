// Operations on the controls of the current window by field number: hide,
// unhide, disable, enable and redisplay over a range, binding and changing
// a control's value, and properties by number.
//
// Ranges: a last number of 0 means the first alone; a last number below the
// first is swapped with it; numbers that name no control are skipped.
// Negative numbers reach the menu bar and tool bar entries.  Redisplay of
// first 0 redisplays every control, and leaves the posted error as it was.
#include <algorithm>
#include <cstdlib>

#include "runtime/lang/errors.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/runtime.h"

namespace dw::ui {

namespace {

constexpr const char* kModule = "WSLWIN";

void normalise(int& first, int& last) {
  if (last == 0) last = first;
  if (last < first) std::swap(first, last);
}

template <typename Fn>
void forMenuRange(std::vector<MenuEntry>& entries, int first, int last, Fn fn) {
  for (MenuEntry& e : entries) {
    if (e.field != 0 && e.field >= first && e.field <= last) fn(e.disabled);
    forMenuRange(e.items, first, last, fn);
  }
}

int toInt(std::string_view s) {
  return std::atoi(std::string(s).c_str());
}

}  // namespace

void Runtime::checkModalOp(const Window& w) const {
  if (systemModal() && m_modalSlot != w.ownerSlot())
    lang::runtimeError(werr::kOperationModal, kModule);
}

void Runtime::forRange(int first, int last, const std::function<void(Window&, Control&)>& op) {
  Window& w = require();
  checkModalOp(w);
  normalise(first, last);
  for (const auto& c : w.controls()) {
    const int f = c->field();
    if (f != 0 && f >= first && f <= last) op(w, *c);
  }
}

namespace {

void setMenuState(Runtime& rt, int first, int last, bool disabled) {
  Window& w = *rt.currentWindow();
  normalise(first, last);
  if (first >= 0) return;
  bool changed = false;
  forMenuRange(w.desc().menuBar, first, last, [&](bool& d) {
    d = disabled;
    changed = true;
  });
  for (ToolEntry& t : w.desc().toolBar)
    if (t.field != 0 && t.field >= first && t.field <= last) t.disabled = disabled, changed = true;
  if (changed) rt.backend().updateWindow(w, window_part::kMenus);
}

}  // namespace

void Runtime::hide(int first, int last) {
  forRange(first, last, [&](Window& w, Control& c) {
    c.state().hidden = true;
    m_backend->updateControl(w, c);
  });
}

void Runtime::unhide(int first, int last) {
  forRange(first, last, [&](Window& w, Control& c) {
    c.state().hidden = false;
    m_backend->updateControl(w, c);
  });
}

void Runtime::disable(int first, int last) {
  forRange(first, last, [&](Window& w, Control& c) {
    c.state().disabled = true;
    m_backend->updateControl(w, c);
  });
  setMenuState(*this, first, last, true);
}

void Runtime::enable(int first, int last) {
  forRange(first, last, [&](Window& w, Control& c) {
    c.state().disabled = false;
    m_backend->updateControl(w, c);
  });
  setMenuState(*this, first, last, false);
}

void Runtime::display(int first, int last) {
  lang::pushErrorState();
  Window& w = require();
  if (first == 0) {
    for (const auto& c : w.controls()) {
      c->refresh();
      m_backend->updateControl(w, *c);
    }
  } else {
    forRange(first, last, [&](Window& win, Control& c) {
      c.refresh();
      m_backend->updateControl(win, c);
    });
  }
  lang::popErrorState();
}

int Runtime::create(ControlState declared) {
  Window& w = require();
  if (systemModal() && m_modalSlot != w.ownerSlot())
    lang::runtimeError(werr::kCreateModal, kModule);
  if (declared.field == 0 || w.control(declared.field)) {
    int highest = 0;
    for (const auto& c : w.controls()) highest = std::max(highest, c->field());
    declared.field = highest + 1;
  }
  std::unique_ptr<Control> c = createControl(std::move(declared));
  if (!c) return 0;
  Control& added = *c;
  w.addControl(std::move(c));
  convertGeometry(w);
  added.refresh();
  m_backend->addControl(w, added);
  return added.field();
}

void Runtime::use(int field, VarRef var) {
  Window& w = require();
  Control* c = w.control(field);
  if (!c) return;
  c->use(var);
  c->refresh();
  m_backend->updateControl(w, *c);
}

void Runtime::change(int field, std::string_view value) {
  Window& w = require();
  checkModalOp(w);
  Control* c = w.control(field);
  if (!c) return;
  if (c->variable().bound()) {
    c->variable().setText(value);
    c->refresh();
  } else {
    c->state().display = std::string(value);
  }
  m_backend->updateControl(w, *c);
}

void Runtime::setRows(int field, std::vector<std::string> rows) {
  Window& w = require();
  Control* c = w.control(field);
  if (!c) return;
  c->state().rows = std::move(rows);
  c->rowsChanged();
  if (c->state().selected > static_cast<std::int64_t>(c->state().rows.size()))
    c->state().selected = static_cast<std::int64_t>(c->state().rows.size());
  m_backend->updateControl(w, *c);
}

std::int64_t Runtime::choice(int field) const {
  const Window& w = require();
  const Control* c = w.control(field);
  return c ? c->state().selected : 0;
}

std::string Runtime::property(int field, int number) const {
  const Window& w = require();
  if (field == 0) {
    const WindowDesc& d = w.desc();
    switch (number) {
      case prop::kText:
        return d.title;
      case prop::kXPos:
        return std::to_string(d.x);
      case prop::kYPos:
        return std::to_string(d.y);
      case prop::kWidth:
        return std::to_string(d.width);
      case prop::kHeight:
        return std::to_string(d.height);
      case prop::kFontName:
        return d.fontFace;
      case prop::kStatusText:
        return w.statusMessage;
      case prop::kHelpTopic:
        return d.helpTopic;
      case prop::kIconize:
        return w.minimized ? "1" : "";
      case prop::kMaximize:
        return w.maximized ? "1" : "";
      default:
        break;
    }
  } else if (const Control* c = w.control(field)) {
    const ControlState& s = c->state();
    switch (number) {
      case prop::kText:
        return s.text;
      case prop::kXPos:
        return std::to_string(s.rect.x);
      case prop::kYPos:
        return std::to_string(s.rect.y);
      case prop::kWidth:
        return std::to_string(s.rect.width);
      case prop::kHeight:
        return std::to_string(s.rect.height);
      case prop::kStatusText:
        return s.statusText;
      case prop::kHide:
        return s.hidden ? "1" : "";
      case prop::kDisable:
        return s.disabled ? "1" : "";
      case prop::kSelected:
        return std::to_string(s.selected);
      case prop::kProgress:
        return std::to_string(s.progress);
      default:
        break;
    }
  } else {
    return {};
  }
  auto it = w.otherProperties.find({field, number});
  return it == w.otherProperties.end() ? std::string() : it->second;
}

void Runtime::setProperty(int field, int number, std::string_view value) {
  Window& w = require();
  checkModalOp(w);
  const std::string v(value);
  if (field == 0) {
    WindowDesc& d = w.desc();
    // Only what changed is shown again: a new title leaves the place and
    // size the user gave the window alone.
    unsigned parts = 0;
    switch (number) {
      case prop::kText:
        d.title = v;
        parts = window_part::kTitle;
        break;
      case prop::kXPos:
        d.x = toInt(v);
        parts = window_part::kGeometry;
        break;
      case prop::kYPos:
        d.y = toInt(v);
        parts = window_part::kGeometry;
        break;
      case prop::kWidth:
        d.width = toInt(v);
        parts = window_part::kGeometry;
        break;
      case prop::kHeight:
        d.height = toInt(v);
        parts = window_part::kGeometry;
        break;
      case prop::kFontName:
        d.fontFace = v;
        parts = window_part::kFont;
        break;
      case prop::kStatusText:
        w.statusMessage = v;
        parts = window_part::kStatus;
        break;
      case prop::kHelpTopic:
        d.helpTopic = v;
        break;
      case prop::kIconize:
      case prop::kMaximize: {
        const bool on = !v.empty() && v != "0";
        bool& state = number == prop::kIconize ? w.minimized : w.maximized;
        if (state == on) return;
        state = on;
        // Maximising shows the window; minimising keeps whether it comes
        // back maximised.
        if (number == prop::kMaximize && on) w.minimized = false;
        parts = window_part::kState;
        break;
      }
      default:
        w.otherProperties[{field, number}] = v;
        return;
    }
    if (parts == window_part::kGeometry) convertGeometry(w);
    if (parts != 0) m_backend->updateWindow(w, parts);
    return;
  }
  Control* c = w.control(field);
  if (!c) return;
  ControlState& s = c->state();
  switch (number) {
    case prop::kText:
      s.text = v;
      break;
    case prop::kXPos:
      s.rect.x = toInt(v);
      break;
    case prop::kYPos:
      s.rect.y = toInt(v);
      break;
    case prop::kWidth:
      s.rect.width = toInt(v);
      break;
    case prop::kHeight:
      s.rect.height = toInt(v);
      break;
    case prop::kStatusText:
      s.statusText = v;
      break;
    case prop::kHide:
      s.hidden = !v.empty() && v != "0";
      break;
    case prop::kDisable:
      s.disabled = !v.empty() && v != "0";
      break;
    case prop::kSelected:
      s.selected = toInt(v);
      break;
    case prop::kProgress:
      s.progress = toInt(v);
      break;
    default:
      w.otherProperties[{field, number}] = v;
      return;
  }
  if (number >= prop::kXPos && number <= prop::kHeight) convertGeometry(w);
  m_backend->updateControl(w, *c);
}

}  // namespace dw::ui
