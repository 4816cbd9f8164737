// The screenless backend (see headless_backend.h).
#include "runtime/ui/headless/headless_backend.h"

#include <algorithm>

#include "runtime/ui/events.h"
#include "runtime/ui/list_source.h"
#include "runtime/ui/runtime.h"

namespace dw::ui {

namespace {
// How far apart the system puts the windows it places (pixels).
constexpr int kSystemPlacementStep = 16;
}  // namespace

HeadlessBackend::HeadlessBackend(Runtime& runtime) : m_runtime(runtime) {}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::snapshot(Window& w, unsigned parts) {
  WindowShot& shot = m_windows[w.id()];
  shot.id = w.id();
  shot.ownerSlot = w.ownerSlot();
  shot.kind = w.kind();
  shot.label = w.desc().label;
  shot.title = w.desc().title;
  shot.status = w.statusMessage;
  if (parts & window_part::kGeometry) {
    // Only the coordinates the procedure chose; the system keeps its own.
    if (w.pixels.x != kSystemPlaced) shot.pixels.x = w.pixels.x;
    if (w.pixels.y != kSystemPlaced) shot.pixels.y = w.pixels.y;
    shot.pixels.width = w.pixels.width;
    shot.pixels.height = w.pixels.height;
  }
  if (parts & window_part::kState) {
    shot.minimized = w.minimized;
    shot.maximized = w.maximized;
  }
  shot.focus = w.focusField();
  shot.menuBar = w.desc().menuBar;
  shot.toolBar = w.desc().toolBar;
  shot.statusZones = w.desc().statusZones;
  for (const auto& c : w.controls()) {
    if (c->field() == 0) continue;
    shot.controls[c->field()] = c->state();
    shot.visible[c->field()] = w.effectivelyVisible(*c);
  }
}

FontMetrics HeadlessBackend::metrics(const Window&) {
  return FontMetrics{};
}

bool HeadlessBackend::createWindow(Window& w) {
  bool activate = false;
  std::optional<WindowShot> placed;
  {
    std::lock_guard lock(m_mutex);
    if (m_failNext) {
      m_failNext = false;
      return false;
    }
    ++m_created;
    // A window the system places goes a step further down and to the
    // right for each window made, as a desktop would put it.
    const int step = kSystemPlacementStep * m_created;
    WindowShot& shot = m_windows[w.id()];
    shot.pixels = {step, step, 0, 0};
    snapshot(w, window_part::kAll);
    if (w.pixels.x == kSystemPlaced || w.pixels.y == kSystemPlaced) placed = shot;
    activate = m_activateOnCreate;
  }
  if (placed) reportPlace(*placed);
  if (activate) m_runtime.windowActivated(w.id());
  return true;
}

void HeadlessBackend::destroyWindow(Window& w) {
  std::lock_guard lock(m_mutex);
  m_windows.erase(w.id());
  m_timers.erase(w.id());
  std::erase_if(m_pending, [&](const auto& kv) { return kv.first.first == w.id(); });
}

void HeadlessBackend::updateWindow(Window& w, unsigned parts) {
  WindowShot shot;
  {
    std::lock_guard lock(m_mutex);
    snapshot(w, parts);
    shot = m_windows[w.id()];
  }
  // The screen tells where the window now stands, as a platform reports
  // the moves and state changes the program makes.
  if (parts & (window_part::kGeometry | window_part::kState)) reportPlace(shot);
}

void HeadlessBackend::addControl(Window& w, const Control&) {
  std::lock_guard lock(m_mutex);
  snapshot(w, 0);
}

void HeadlessBackend::updateControl(Window& w, const Control& c) {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(w.id());
  if (it == m_windows.end() || c.field() == 0) return;
  // A redisplay that shows a new text replaces what was typed.
  auto& old = it->second.controls[c.field()];
  if (old.display != c.state().display) m_pending.erase({w.id(), c.field()});
  snapshot(w, 0);
}

std::optional<std::string> HeadlessBackend::pendingText(Window& w, const Control& c) {
  std::lock_guard lock(m_mutex);
  auto it = m_pending.find({w.id(), c.field()});
  if (it == m_pending.end()) return std::nullopt;
  return it->second;
}

void HeadlessBackend::focusControl(Window& w, int field) {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(w.id());
  if (it != m_windows.end()) it->second.focus = field;
}

void HeadlessBackend::setTimer(Window& w, int period) {
  std::lock_guard lock(m_mutex);
  if (period <= 0)
    m_timers.erase(w.id());
  else
    m_timers[w.id()] = Timer{period, m_now + period};
}

void HeadlessBackend::standardAction(Window&, int action) {
  std::lock_guard lock(m_mutex);
  m_actions.push_back(action);
}

void HeadlessBackend::beep() {
  std::lock_guard lock(m_mutex);
  ++m_beeps;
}

void HeadlessBackend::quit(int exitCode) {
  std::lock_guard lock(m_mutex);
  m_quit = exitCode;
}

int HeadlessBackend::showPopup(const PopupMenu& menu, std::optional<int> x, std::optional<int> y) {
  std::lock_guard lock(m_mutex);
  m_popups.push_back({menu, x.value_or(m_mouseX), y.value_or(m_mouseY)});
  if (m_popupAnswers.empty()) return 0;
  const int answer = m_popupAnswers.front();
  m_popupAnswers.erase(m_popupAnswers.begin());
  return answer;
}

// --- Driver ------------------------------------------------------------------

void HeadlessBackend::post(std::uint32_t window, int event, int field, UserValue value) {
  m_runtime.hub().postToWindow(Message::forWindow(window, event, field, std::move(value)));
}

void HeadlessBackend::alertKey(std::uint32_t window, int field, int keyCode) {
  post(window, ev::kAlertKey, field, static_cast<std::int64_t>(keyCode));
}

void HeadlessBackend::press(std::uint32_t window, int field) {
  post(window, ev::kAccepted, field, {});
}

void HeadlessBackend::focus(std::uint32_t window, int field) {
  {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    it->second.focus = field;
  }
  Message msg;
  msg.kind = MessageKind::Focus;
  msg.window = window;
  msg.field = field;
  m_runtime.hub().postToWindow(msg);
}

void HeadlessBackend::type(std::uint32_t window, int field, std::string text) {
  bool moveFocus = false;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    m_pending[{window, field}] = std::move(text);
    moveFocus = it->second.focus != field;
  }
  if (moveFocus) focus(window, field);
}

void HeadlessBackend::acceptTyped(std::uint32_t window, int field) {
  std::string text;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_pending.find({window, field});
    if (it != m_pending.end()) {
      text = it->second;
    } else if (auto w = m_windows.find(window); w != m_windows.end()) {
      text = w->second.controls[field].display;
    }
  }
  post(window, ev::kAccepted, field, std::move(text));
}

void HeadlessBackend::setCheck(std::uint32_t window, int field, bool on) {
  post(window, ev::kAccepted, field, std::int64_t{on ? 1 : 0});
}

void HeadlessBackend::choose(std::uint32_t window, int field, std::int64_t n) {
  ControlType type = ControlType::List;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    auto c = it->second.controls.find(field);
    if (c == it->second.controls.end()) return;
    type = c->second.type;
  }
  post(window, type == ControlType::Option ? ev::kAccepted : ev::kNewSelection, field, n);
}

void HeadlessBackend::spin(std::uint32_t window, int field, std::int64_t steps) {
  post(window, ev::kNewSelection, field, steps);
}

void HeadlessBackend::closeBox(std::uint32_t window) {
  post(window, ev::kCloseWindow, 0, {});
}

void HeadlessBackend::activateOnCreate(bool on) {
  std::lock_guard lock(m_mutex);
  m_activateOnCreate = on;
}

void HeadlessBackend::activate(std::uint32_t window) {
  {
    std::lock_guard lock(m_mutex);
    m_active = window;
  }
  m_runtime.windowActivated(window);
}

void HeadlessBackend::moved(std::uint32_t window) {
  post(window, ev::kMoved, 0, {});
}

void HeadlessBackend::reportPlace(const WindowShot& shot) {
  Message msg;
  msg.kind = MessageKind::Placed;
  msg.window = shot.id;
  msg.place = {shot.pixels.x,      shot.pixels.y,  shot.pixels.width,
               shot.pixels.height, shot.minimized, shot.maximized};
  m_runtime.hub().postToWindow(msg);
}

void HeadlessBackend::placeAt(std::uint32_t window, Rect pixels) {
  WindowShot shot;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    it->second.pixels = pixels;
    it->second.minimized = it->second.maximized = false;
    shot = it->second;
  }
  reportPlace(shot);
  post(window, ev::kMoved, 0, {});
  post(window, ev::kSized, 0, {});
}

void HeadlessBackend::changeShowState(std::uint32_t window, bool minimized, bool maximized,
                                      int event) {
  WindowShot shot;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    it->second.minimized = minimized;
    it->second.maximized = maximized;
    shot = it->second;
  }
  reportPlace(shot);
  post(window, event, 0, {});
}

void HeadlessBackend::helpKey(std::uint32_t window) {
  Message msg;
  msg.kind = MessageKind::Help;
  msg.window = window;
  m_runtime.hub().postToWindow(msg);
}

void HeadlessBackend::minimize(std::uint32_t window) {
  changeShowState(window, true, false, ev::kIconized);
}

void HeadlessBackend::maximize(std::uint32_t window) {
  changeShowState(window, false, true, ev::kMaximized);
}

void HeadlessBackend::restore(std::uint32_t window) {
  changeShowState(window, false, false, ev::kRestored);
}

void HeadlessBackend::advance(int hundredths) {
  for (int step = 0; step < hundredths; ++step) {
    std::vector<std::uint32_t> due;
    {
      std::lock_guard lock(m_mutex);
      ++m_now;
      for (auto& [id, timer] : m_timers) {
        if (timer.due <= m_now) {
          due.push_back(id);
          timer.due += timer.period;
        }
      }
    }
    std::vector<int> dueSlots;
    {
      std::lock_guard lock(m_mutex);
      for (auto& [slot, timer] : m_threadTimers) {
        if (timer.due <= m_now) {
          dueSlots.push_back(slot);
          timer.due += timer.period;
        }
      }
    }
    for (std::uint32_t id : due) m_runtime.hub().timerFired(id);
    for (int slot : dueSlots) m_runtime.hub().threadTimerFired(slot);
  }
}

void HeadlessBackend::scroll(std::uint32_t window, int field, std::int64_t top, int rows,
                             int event) {
  post(window, event, field, packListScroll(top, rows));
}

void HeadlessBackend::answerPopup(int number) {
  std::lock_guard lock(m_mutex);
  m_popupAnswers.push_back(number);
}

void HeadlessBackend::setMousePosition(int x, int y) {
  std::lock_guard lock(m_mutex);
  m_mouseX = x;
  m_mouseY = y;
}

// --- Inspection ----------------------------------------------------------------

std::vector<HeadlessBackend::WindowShot> HeadlessBackend::windows() const {
  std::lock_guard lock(m_mutex);
  std::vector<WindowShot> out;
  for (const auto& [id, shot] : m_windows) out.push_back(shot);
  return out;
}

std::optional<HeadlessBackend::WindowShot> HeadlessBackend::find(std::string_view key) const {
  std::lock_guard lock(m_mutex);
  for (const auto& [id, shot] : m_windows)
    if (shot.label == key || shot.title == key) return shot;
  return std::nullopt;
}

std::optional<ControlState> HeadlessBackend::control(std::uint32_t window, int field) const {
  std::lock_guard lock(m_mutex);
  auto it = m_windows.find(window);
  if (it == m_windows.end()) return std::nullopt;
  auto c = it->second.controls.find(field);
  if (c == it->second.controls.end()) return std::nullopt;
  return c->second;
}

int HeadlessBackend::createdCount() const {
  std::lock_guard lock(m_mutex);
  return m_created;
}

void HeadlessBackend::failNextCreate() {
  std::lock_guard lock(m_mutex);
  m_failNext = true;
}

int HeadlessBackend::beeps() const {
  std::lock_guard lock(m_mutex);
  return m_beeps;
}

std::vector<std::string> HeadlessBackend::messages() const {
  std::lock_guard lock(m_mutex);
  return m_messages;
}

std::vector<int> HeadlessBackend::standardActions() const {
  std::lock_guard lock(m_mutex);
  return m_actions;
}

std::optional<int> HeadlessBackend::quitCode() const {
  std::lock_guard lock(m_mutex);
  return m_quit;
}

std::vector<HeadlessBackend::PopupShot> HeadlessBackend::popups() const {
  std::lock_guard lock(m_mutex);
  return m_popups;
}

}  // namespace dw::ui
