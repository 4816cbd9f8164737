// The channel through which a second start of the program hands its request
// to the one already running on the same data: a local socket in
// $XDG_RUNTIME_DIR whose name is made from the data directory, so that
// programs on different data directories never meet.
//
// Protocol: the client connects, writes one request line ("show",
// "show-schedule", ...), and the server answers "ok" or "unknown" on one line
// and closes.  The server is listened on only by the process that holds the
// data directory's lock, so a socket file found when it starts can only be
// left by a process that died: it is removed and made anew, and never stops
// a start.
//
// Thread-safety: GUI thread only (Qt's local sockets live in its event loop;
// `send` blocks that thread for at most its timeout, before the event loop
// runs).
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace dw::ui::qt {

// The socket's path for a data directory, or "" when the session has no
// runtime directory ($XDG_RUNTIME_DIR unset or not a directory).
std::string instanceSocketPath(const std::string& dataDirectory);

// Sends `request` to the running program and waits for its answer; true
// when the program answered "ok".  False when no program listens within
// `timeoutMs` (no socket, a stale one) or it does not answer in that time.
bool sendInstanceRequest(const std::string& socketPath, const std::string& request,
                         int timeoutMs = 3000);

class InstanceServer : public QObject {
 public:
  // Handles one request line; true when it was understood.
  using Handler = std::function<bool(const std::string& request)>;

  InstanceServer(Handler handler, QObject* parent = nullptr);
  ~InstanceServer() override;

  // Listens at `socketPath` (an old socket there is removed first); false
  // with `error` set when it cannot.
  bool listen(const std::string& socketPath, std::string* error);

 private:
  void onConnection();

  Handler m_handler;
  std::unique_ptr<QLocalServer> m_server;
};

}  // namespace dw::ui::qt
