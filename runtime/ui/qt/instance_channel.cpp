// The channel of a second start to the running program (instance_channel.h).
#include "runtime/ui/qt/instance_channel.h"

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace dw::ui::qt {

namespace {

// A request line is a word of a few letters; anything longer is not ours.
constexpr qint64 kMaxRequest = 256;
// Between two tries to connect to a program that is still starting.
constexpr int kRetryMs = 100;

std::uint64_t fnv1a(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

std::string instanceSocketPath(const std::string& dataDirectory) {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  struct stat st = {};
  if (!runtimeDir || !*runtimeDir || ::stat(runtimeDir, &st) != 0 || !S_ISDIR(st.st_mode))
    return {};
  char name[40];
  std::snprintf(name, sizeof name, "dornwatch-%016llx",
                static_cast<unsigned long long>(fnv1a(dataDirectory)));
  return std::string(runtimeDir) + "/" + name;
}

bool sendInstanceRequest(const std::string& socketPath, const std::string& request, int timeoutMs) {
  if (socketPath.empty()) return false;
  // The running program listens a moment after it has taken the data
  // directory's lock, so a start right after it may find no socket yet:
  // connecting is tried again until the time is up.
  QLocalSocket socket;
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    socket.connectToServer(QString::fromStdString(socketPath));
    if (socket.waitForConnected(timeoutMs)) break;
    if (clock.elapsed() + kRetryMs >= timeoutMs) return false;
    QThread::msleep(kRetryMs);
  }
  socket.write(QByteArray::fromStdString(request + "\n"));
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  QByteArray answer;
  while (!answer.contains('\n') && answer.size() < kMaxRequest) {
    if (!socket.waitForReadyRead(timeoutMs)) break;
    answer += socket.readAll();
  }
  return answer.startsWith("ok\n");
}

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::listen(const std::string& socketPath, std::string* error) {
  if (socketPath.empty()) {
    *error = "no runtime directory ($XDG_RUNTIME_DIR)";
    return false;
  }
  const QString name = QString::fromStdString(socketPath);
  QLocalServer::removeServer(name);  // left by a program that died
  m_server = std::make_unique<QLocalServer>();
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(name)) {
    *error = m_server->errorString().toStdString();
    m_server.reset();
    return false;
  }
  connect(m_server.get(), &QLocalServer::newConnection, this, &InstanceServer::onConnection);
  return true;
}

void InstanceServer::onConnection() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequest) socket->abort();
        return;
      }
      const std::string request = socket->readLine(kMaxRequest).trimmed().toStdString();
      const bool understood = m_handler(request);
      socket->write(understood ? "ok\n" : "unknown\n");
      socket->disconnectFromServer();
    });
  }
}

}  // namespace dw::ui::qt
