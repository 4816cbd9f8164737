// What a second start of the program asks of the one already running on the
// same data directory, and how the running one carries it out: "show" shows
// and raises the frame; "show-schedule", "show-todo" and "add" do that and
// then choose Schedule > View Schedule, Schedule > To Do List or Schedule >
// Wizards > Generic Add on the frame, as the user would.  A first start with
// one of the options carries it out itself once its frame is up.
//
// Thread-safety: GUI thread only (part of the program's entry point).
#pragma once

#include <QObject>

#include <string>
#include <vector>

class QTimer;

namespace dw::ui::qt {
class QtBackend;
}

namespace dw::app {

// The request of a command-line option ("--show-todo" -> "show-todo"), or ""
// when the option is not one.
std::string instanceRequestOfOption(const std::string& option);

// Carries out requests on the running program's frame; requests that come
// before the frame is open wait for it.
class InstanceRequests : public QObject {
 public:
  InstanceRequests(dw::ui::qt::QtBackend& backend, QObject* parent);

  // True when `request` is one of the requests above (carried out now or as
  // soon as the frame is open).
  bool handle(const std::string& request);

 private:
  void carryOut(const std::string& request);
  void runWaiting();

  dw::ui::qt::QtBackend& m_backend;
  std::vector<std::string> m_waiting;
  QTimer* m_poll = nullptr;
};

}  // namespace dw::app
