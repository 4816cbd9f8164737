// The runtime's threads and windows: START, the thread table, opening and
// closing windows with the rules of the frame, MDI children and modal
// windows (see runtime.h).  The accept loop lives in accept_loop.cpp and
// the operations on controls in window_ops.cpp.
#include "runtime/ui/runtime.h"

#include <pthread.h>

#include <algorithm>
#include <cassert>

#include "runtime/lang/errors.h"
#include "runtime/lang/language_state.h"
#include "runtime/ui/events.h"

namespace dw::ui {

namespace {
thread_local int t_slot = -1;
constexpr std::int64_t kMaxPixels = 32767;
constexpr const char* kModule = "WSLWIN";
}  // namespace

lang::LanguageState* newThreadLanguage() {
  return lang::newLanguageState().release();
}

void freeThreadLanguage(lang::LanguageState* state) {
  if (state) lang::LanguageStateDeleter{}(state);
}

Runtime& runtime() {
  // Never destroyed: detached threads may still be leaving when the
  // process ends.
  static Runtime* instance = new Runtime;
  return *instance;
}

Runtime::Runtime() : m_slots(new Slot[kThreadSlots]) {}

Runtime::~Runtime() = default;

int Runtime::currentSlot() {
  return t_slot;
}

void Runtime::begin(Backend& backend) {
  m_backend = &backend;
  m_exitCode = 0;
  m_lastHalt.reset();
  m_modalCount = 0;
  m_modalSlot = -1;
  m_activeWindow = 0;
  // Runtime errors and HALT show their boxes through MESSAGE.
  lang::setHaltBoxHook(
      [this](std::string_view caption, std::string_view text) { haltBox(caption, text); });
  std::lock_guard lock(m_noticeMutex);
  m_endSessionHandler = nullptr;
  m_terminatePending = false;
}

void Runtime::end() {
  // Every runtime thread must have ended; wait a while for stragglers.
  for (int i = 0; i < 500 && m_hub.liveThreads() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  // The last thread to end still holds the lock while it frees its slot.
  m_lock.acquire(-1, nullptr);
  m_lock.release();
  m_windows.clear();
  std::lock_guard lock(m_slotMutex);
  for (int i = 0; i < kThreadSlots; ++i) {
    m_slots[i].used = false;
    m_slots[i].current = nullptr;
    m_slots[i].currentId = 0;
  }
  m_started = false;
  lang::setHaltBoxHook(nullptr);
  m_backend = nullptr;
}

void* Runtime::threadEntry(void* arg) {
  const auto slot = static_cast<int>(reinterpret_cast<std::intptr_t>(arg));
  runtime().runSlot(slot);
  return nullptr;
}

void Runtime::runSlot(int slot) {
  t_slot = slot;
  Slot& s = m_slots[slot];
  m_lock.acquire(slot, s.language);
  if (slot == 0) m_started = true;
  try {
    if (s.procedure) s.procedure();
  } catch (const lang::HaltRequested& h) {
    m_lastHalt = h.text;
    if (slot == 0) m_exitCode = h.exitCode;
  }
  endThread(slot);
  if (slot == 0) m_backend->quit(m_exitCode);
}

void Runtime::endThread(int slot) {
  Slot& s = m_slots[slot];
  // Close what the thread left open, most recent first.
  while (s.current) close(*s.current);
  s.procedure = nullptr;
  if (s.timerHandler) {
    m_backend->setThreadTimer(slot, 0);
    s.timerHandler = nullptr;
  }
  s.keyboard.clear();
  m_lock.unload(slot);
  freeThreadLanguage(s.language);
  s.language = nullptr;
  // Out of the idle account before the slot can be taken again by START
  // (which enters the new thread into it).
  m_hub.threadEnded(slot);
  {
    std::lock_guard lock(m_slotMutex);
    s.used = false;
    s.stack = 0;
    s.helpFile.clear();
  }
  m_lock.release();
  t_slot = -1;
}

void Runtime::runProgram(Procedure program) {
  Slot& s = m_slots[0];
  s.used = true;
  s.detached = false;
  s.procedure = std::move(program);
  s.stack = kMinimumStack;
  s.language = newThreadLanguage();
  m_hub.threadStarted(0);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kOsStack);
  const int rc = pthread_create(&s.handle, &attr, &Runtime::threadEntry, nullptr);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    s.used = false;
    m_hub.threadEnded(0);
    m_exitCode = 1;
    m_backend->quit(1);
  }
}

void Runtime::joinProgram() {
  Slot& s = m_slots[0];
  if (!s.detached) {
    pthread_join(s.handle, nullptr);
    s.detached = true;
  }
}

void Runtime::adoptCurrentThread() {
  Slot& s = m_slots[0];
  s.used = true;
  s.detached = true;
  s.stack = kMinimumStack;
  s.language = newThreadLanguage();
  t_slot = 0;
  m_hub.threadStarted(0);
  m_lock.acquire(0, s.language);
  m_started = true;
}

void Runtime::leaveAdopted() {
  if (t_slot == 0) endThread(0);
}

bool Runtime::waitIdle() {
  return m_hub.waitIdle();
}

void Runtime::withoutLock(const std::function<void()>& fn) {
  const int slot = t_slot;
  if (slot < 0 || m_lock.holder() != slot) {
    fn();
    return;
  }
  m_lock.release();
  try {
    fn();
  } catch (...) {
    m_lock.acquire(slot, m_slots[slot].language);
    throw;
  }
  m_lock.acquire(slot, m_slots[slot].language);
}

void Runtime::yieldUntilIdle() {
  const int slot = t_slot;
  if (slot < 0) {
    m_hub.waitIdle();
    return;
  }
  m_lock.release();
  m_hub.waitIdleExcept(slot);
  m_lock.acquire(slot, m_slots[slot].language);
  for (const Message& msg : m_hub.take(slot))
    if (Window* w = window(msg.window)) dispatch(*w, msg);
}

int Runtime::start(Procedure procedure, long stackSize) {
  if (!m_started || systemModal()) return 0;
  int slot = -1;
  {
    std::lock_guard lock(m_slotMutex);
    for (int i = 1; i < kThreadSlots; ++i) {
      if (!m_slots[i].used) {
        slot = i;
        break;
      }
    }
    if (slot < 0) return 0;
    m_slots[slot].used = true;
  }
  Slot& s = m_slots[slot];
  s.procedure = std::move(procedure);
  s.stack = stackSize < kMinimumStack ? kMinimumStack : stackSize;
  s.current = nullptr;
  s.currentId = 0;
  s.detached = true;
  s.language = newThreadLanguage();
  m_hub.threadStarted(slot);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr,
                            std::max<std::size_t>(kOsStack, static_cast<std::size_t>(s.stack)));
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  const int rc = pthread_create(&s.handle, &attr, &Runtime::threadEntry,
                                reinterpret_cast<void*>(static_cast<std::intptr_t>(slot)));
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    s.procedure = nullptr;
    freeThreadLanguage(s.language);
    s.language = nullptr;
    m_hub.threadEnded(slot);
    std::lock_guard lock(m_slotMutex);
    s.used = false;
    s.stack = 0;
    return 0;
  }
  return slot + 1;
}

long Runtime::accountedStack(int threadNumber) const {
  if (threadNumber < 1 || threadNumber > kThreadSlots) return 0;
  std::lock_guard lock(m_slotMutex);
  const Slot& s = m_slots[threadNumber - 1];
  return s.used ? s.stack : 0;
}

Window* Runtime::currentWindow() const {
  const int slot = t_slot;
  return slot < 0 ? nullptr : m_slots[slot].current;
}

Window* Runtime::window(std::uint32_t id) const {
  auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : it->second.get();
}

Window* Runtime::application() const {
  for (const auto& [id, w] : m_windows)
    if (w->kind() == WindowKind::Application) return w.get();
  return nullptr;
}

bool Runtime::isOpen(const Window* w) const {
  // By address only: a closed window's object is gone.
  for (const auto& [id, open] : m_windows)
    if (open.get() == w) return true;
  return false;
}

namespace {

// An option group chooses among its radios' values, a sheet among its tabs.
void linkContainers(Window& w) {
  const auto& controls = w.controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    ControlState& s = controls[i]->state();
    if (s.type != ControlType::Option && s.type != ControlType::Sheet) continue;
    s.rows.clear();
    for (const auto& c : controls) {
      const ControlState& child = c->state();
      if (child.parent != static_cast<int>(i)) continue;
      if (child.type == ControlType::Radio) s.rows.push_back(child.value);
      if (child.type == ControlType::Tab) s.rows.push_back(child.text);
    }
    if (s.type == ControlType::Sheet && s.selected == 0 && !s.rows.empty()) s.selected = 1;
  }
}

}  // namespace

namespace {

// Pixels per unit of a window: value * scale / base.
struct UnitScale {
  int h = 1;
  int v = 1;
  int base = 1;
};

UnitScale unitScale(const FontMetrics& m, Unit unit) {
  switch (unit) {
    case Unit::DialogUnits:
      break;
    case Unit::TwentyFifthInch:
      return {m.dpiX, m.dpiY, 25};
    case Unit::ThousandthInch:
      return {m.dpiX, m.dpiY, 1000};
    case Unit::Points:
      return {m.dpiX, m.dpiY, 72};
  }
  return {2 * m.averageCharWidth, m.charHeight, 8};
}

// Pixels back to units, to the nearest unit.
std::int32_t toUnits(int pixels, int scale, int base) {
  if (scale <= 0) return pixels;
  const std::int64_t scaled = static_cast<std::int64_t>(pixels) * base;
  const std::int64_t half = scale / 2;
  return static_cast<std::int32_t>(scaled >= 0 ? (scaled + half) / scale : (scaled - half) / scale);
}

}  // namespace

void Runtime::convertGeometry(Window& w) {
  const FontMetrics m = m_backend->metrics(w);
  const UnitScale sc = unitScale(m, w.desc().unit);
  auto conv = [&](std::int32_t v, int scale, bool position) -> int {
    if (v == kSystemPlaced) return position ? kSystemPlaced : 0;
    // Kept within what a screen can hold, whatever a resource declares.
    const std::int64_t px = static_cast<std::int64_t>(v) * scale / sc.base;
    return static_cast<int>(std::clamp<std::int64_t>(px, -kMaxPixels, kMaxPixels));
  };
  const WindowDesc& d = w.desc();
  w.pixels = {conv(d.x, sc.h, true), conv(d.y, sc.v, true), conv(d.width, sc.h, false),
              conv(d.height, sc.v, false)};
  for (const auto& c : w.controls()) {
    const Rect& r = c->state().rect;
    c->state().pixels = {conv(r.x, sc.h, false), conv(r.y, sc.v, false), conv(r.width, sc.h, false),
                         conv(r.height, sc.v, false)};
    c->state().charWidth = m.averageCharWidth;
    c->state().charHeight = m.charHeight;
  }
}

void Runtime::takePlace(Window& w, const WindowPlace& place) {
  w.minimized = place.minimized;
  w.maximized = place.maximized;
  // A minimised or maximised window keeps its normal place and size; a
  // place the window already has keeps the units it was given in.
  if (place.minimized || place.maximized || place.width <= 0 || place.height <= 0) return;
  if (w.pixels == Rect{place.x, place.y, place.width, place.height}) return;
  const UnitScale sc = unitScale(m_backend->metrics(w), w.desc().unit);
  WindowDesc& d = w.desc();
  d.x = toUnits(place.x, sc.h, sc.base);
  d.y = toUnits(place.y, sc.v, sc.base);
  d.width = toUnits(place.width, sc.h, sc.base);
  d.height = toUnits(place.height, sc.v, sc.base);
  w.pixels = {place.x, place.y, place.width, place.height};
}

Window& Runtime::open(WindowDesc desc, std::vector<std::unique_ptr<Control>> controls) {
  const int slot = t_slot;
  assert(slot >= 0 && "open() needs a runtime thread");
  Slot& s = m_slots[slot];
  for (Window* w = s.current; w; w = w->previous)
    if (!desc.label.empty() && w->desc().label == desc.label)
      lang::runtimeError(werr::kAlreadyOpen, kModule);
  const Window* app = application();
  switch (desc.kind) {
    case WindowKind::Application:
      if (app) lang::runtimeError(werr::kAppAlreadyActive, kModule);
      if (systemModal()) lang::runtimeError(werr::kAppModal, kModule);
      break;
    case WindowKind::MdiChild:
      if (!app && m_applicationEnded && slot != 0) {
        // The frame closed while this thread was starting (the program is
        // ending, say on a termination request): the thread ends with it
        // instead of reporting a frame it could not have known was gone.
        throw lang::HaltRequested{0, std::string()};
      }
      if (!app) lang::runtimeError(werr::kMdiNoApp, kModule);
      if (systemModal()) lang::runtimeError(werr::kMdiModal, kModule);
      if (app->ownerSlot() == slot) lang::runtimeError(werr::kMdiOnAppThread, kModule);
      break;
    case WindowKind::Plain:
      break;
  }
  const std::uint32_t id = m_nextWindowId++;
  auto owned = std::make_unique<Window>(id, slot, std::move(desc));
  Window& w = *owned;
  for (auto& c : controls) w.addControl(std::move(c));
  convertGeometry(w);
  linkContainers(w);
  for (const auto& c : w.controls()) c->refresh();
  // Known to the hub before the platform shows it, so that nothing the
  // platform reports at once (its activation) is dropped.
  w.openOrder = m_nextOpenOrder++;
  m_windows.emplace(id, std::move(owned));
  m_hub.addWindow(id, slot);
  if (!m_backend->createWindow(w)) {
    const int code = w.kind() == WindowKind::Application ? werr::kAppFailed
                     : w.kind() == WindowKind::MdiChild  ? werr::kMdiFailed
                                                         : werr::kWindowFailed;
    m_hub.removeWindow(id);
    m_windows.erase(id);
    lang::runtimeError(code, kModule);
  }
  w.previous = s.current;
  s.current = &w;
  s.currentId = id;
  if (w.desc().modal || (w.kind() == WindowKind::Plain && systemModal())) {
    w.modal = true;
    if (m_modalCount++ == 0) m_modalSlot = slot;
  }
  if (w.desc().timerPeriod > 0) m_backend->setTimer(w, w.desc().timerPeriod);
  w.queue({ev::kOpenWindow, 0, {}});
  return w;
}

void Runtime::close(Window& w) {
  if (!isOpen(&w)) lang::runtimeError(werr::kNotOpen, kModule);
  Slot& s = m_slots[w.ownerSlot()];
  if (s.current == &w) {
    s.current = w.previous;
    s.currentId = w.previous ? w.previous->id() : 0;
  } else {
    for (Window* above = s.current; above; above = above->previous)
      if (above->previous == &w) above->previous = w.previous;
  }
  if (w.desc().timerPeriod > 0) m_backend->setTimer(w, 0);
  if (!w.loopEnded) endLoop(w);
  // The application ends: the help viewer is told to quit.
  if (w.kind() == WindowKind::Application) {
    m_backend->help({HelpCommand::Kind::Quit, s.helpFile, {}});
    m_applicationEnded = true;
  }
  m_backend->destroyWindow(w);
  m_hub.removeWindow(w.id());
  if (w.modal && --m_modalCount == 0) {
    m_modalSlot = -1;
    for (int i = 0; i < kThreadSlots; ++i)
      if (m_slots[i].used) m_hub.postToSlot(i, Message{});
  }
  m_windows.erase(w.id());
}

void Runtime::postFromOutside(int event, int field, int threadNumber) {
  if (!m_started || threadNumber < 1 || threadNumber > kThreadSlots) return;
  const std::uint32_t id = m_slots[threadNumber - 1].currentId.load();
  if (id == 0) return;
  m_hub.postToWindow(Message::forWindow(id, event, field));
}

void Runtime::setEndSessionHandler(std::function<void()> handler) {
  std::function<void()> pending;
  {
    std::lock_guard lock(m_noticeMutex);
    m_endSessionHandler = std::move(handler);
    if (m_endSessionHandler && m_terminatePending) {
      m_terminatePending = false;
      pending = m_endSessionHandler;
    }
  }
  if (pending) pending();
}

void Runtime::terminateRequested() {
  std::function<void()> handler;
  {
    std::lock_guard lock(m_noticeMutex);
    handler = m_endSessionHandler;
    if (!handler) m_terminatePending = true;
  }
  if (handler) handler();
}

void Runtime::endSessionRequested() {
  std::function<void()> handler;
  {
    std::lock_guard lock(m_noticeMutex);
    handler = m_endSessionHandler;
  }
  if (handler) {
    handler();
    return;
  }
  // The refusal is a MESSAGE box with OK; nothing waits for its answer but
  // the thread that reported the notice.
  MessageRequest refusal;
  refusal.caption = "Dornwatch";
  refusal.text = "Application still active.||Quit the application before quitting Windows.";
  m_backend->messageBox(makeMessageBox(refusal));
}

void Runtime::windowActivated(std::uint32_t id) {
  const auto previous = static_cast<std::uint32_t>(m_activeWindow.exchange(static_cast<int>(id)));
  if (previous == id) return;
  const int was = m_hub.ownerOf(previous), now = m_hub.ownerOf(id);
  if (was == now) return;
  Message msg;
  msg.kind = MessageKind::Event;
  if (was >= 0) {
    msg.window = previous;
    msg.event = ev::kLoseFocus;
    m_hub.postToWindow(msg);
  }
  if (now >= 0) {
    msg.window = id;
    msg.event = ev::kGainFocus;
    m_hub.postToWindow(msg);
  }
}

std::optional<std::string> Runtime::lastThreadHalt() const {
  return m_lastHalt;
}

}  // namespace dw::ui
