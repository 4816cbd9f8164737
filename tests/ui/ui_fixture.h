// Shared set-up of the windowing tests: a runtime session over the headless
// backend, halts that throw instead of ending the test program, and small
// builders for windows and controls.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/lang/errors.h"
#include "runtime/ui/control_registry.h"
#include "runtime/ui/events.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/runtime.h"

namespace dw::ui::testing {

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lang::setHaltThrowsForTesting(true);
    runtime().begin(backend);
  }
  void TearDown() override {
    runtime().leaveAdopted();
    runtime().end();
  }
  // Waits until every runtime thread waits for messages.
  void settle() { ASSERT_TRUE(runtime().waitIdle()); }

  HeadlessBackend backend{runtime()};
};

inline WindowDesc windowDesc(std::string label, WindowKind kind = WindowKind::Plain) {
  WindowDesc d;
  d.kind = kind;
  d.title = label;
  d.label = std::move(label);
  d.x = 0;
  d.y = 0;
  return d;
}

inline ControlState declared(ControlType type, int field, std::string text = {},
                             std::string picture = {}, int parent = -1) {
  ControlState s;
  s.type = type;
  s.field = field;
  s.text = std::move(text);
  s.picture = std::move(picture);
  s.parent = parent;
  s.rect = {4, 4, 40, 12};
  return s;
}

inline std::vector<std::unique_ptr<Control>> makeControls(std::vector<ControlState> states) {
  std::vector<std::unique_ptr<Control>> out;
  for (auto& s : states) out.push_back(createControl(std::move(s)));
  return out;
}

// Events seen by procedures, recorded from any thread.
class EventLog {
 public:
  void add(std::string entry) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
  }
  std::vector<std::string> entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
  }
  void clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<std::string> m_entries;
};

// "Accepted 3" for the current event.
inline std::string describeCurrent() {
  std::string name = ev::eventName(runtime().event()).substr(6);
  const int f = runtime().field();
  return f ? name + " " + std::to_string(f) : name;
}

}  // namespace dw::ui::testing
