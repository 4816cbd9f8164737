// The program's entry point: finds and prepares the data and profile
// directories, makes the data directory current (the application opens its
// files by relative name) and starts the runtime: the main thread becomes
// the GUI thread running the Qt event loop, and runtime thread 1 runs the
// program code (the main frame).  When the frame closes the program ends
// with the runtime's exit code.  Procedures still running on threads of
// their own then (a report's preview, say) are not waited for; the page
// files of their reports are removed before the process ends.
//
// The end of the session reaches the frame as EVENT:CloseDown: SIGTERM
// (through a pipe, so the signal handler does nothing but write a byte;
// caught from the start of main, and kept by the runtime until the frame
// can take it) and the session manager's commit-data request.  A second
// start on a data directory where Dornwatch already runs hands its request
// to the running program (show the frame, or with --show-schedule,
// --show-todo or --add open that window; instance_requests.h) over a local
// socket and ends with 0; only when the running program cannot be reached
// does it tell the user that Dornwatch is already running
// (data_directory_lock.h).  Where the desktop offers a tray, the program
// shows its icon there (tray.h).  For tests, the environment
// variable DORNWATCH_AUTOEXIT=N chooses File > Exit N milliseconds after
// the frame has opened.
//
//   data:     --data DIR, else $DORNWATCH_DATA, else $XDG_DATA_HOME/dornwatch
//             (~/.local/share/dornwatch)
//   profile:  $DORNWATCH_CONFIG, else $XDG_CONFIG_HOME/dornwatch (~/.config/dornwatch)
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/frame/frame_windows.h"
#include "app/frame/main_frame.h"
#include "app/instance_requests.h"
#include "app/scheduler/data_directory_lock.h"
#include "app/scheduler/data_paths.h"
#include "app/scheduler/main_frame_work.h"
#include "app/scheduler/notifications.h"
#include "app/tray.h"
#include "runtime/lang/env_file.h"
#include "runtime/ui/qt/desktop_notifier.h"
#include "runtime/ui/qt/instance_channel.h"
#include "runtime/ui/qt/qt_backend.h"
#include "runtime/ui/qt/qt_report_device.h"
#include "runtime/ui/runtime.h"

namespace {

bool prepareDirectory(const std::string& dir, const char* what) {
  std::string error;
  if (!dw::app::prepareDirectory(dir, &error)) {
    std::fprintf(stderr, "dornwatch: cannot use %s directory %s: %s\n", what, dir.c_str(),
                 error.c_str());
    return false;
  }
  return true;
}

int g_signalPipe[2] = {-1, -1};

void onTerminate(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &byte, 1);
}

// SIGTERM is caught from the first moment on: the byte waits in the pipe
// until the event loop reads it, and the runtime keeps the request until
// the frame can answer it.
void catchTermination() {
  if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction sa = {};
  sa.sa_handler = &onTerminate;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
}

// Runs the program on the runtime and the GUI; the exit code.  `request` is
// what the command line asks of the frame ("" for nothing).
int runGui(int argc, char** argv, const std::string& dataDir, const std::string& request) {
  QApplication app(argc, argv);
  dw::ui::qt::installQtReportDevices();
  QApplication::setQuitOnLastWindowClosed(false);

  // One scheduler per data directory, held for the life of the process.
  bool taken = false;
  std::string lockError;
  const std::unique_ptr<dw::platform::File> schedulerLock =
      dw::app::lockDataDirectory(&taken, &lockError);
  const std::string socketPath = dw::ui::qt::instanceSocketPath(dataDir);
  if (taken) {
    if (dw::ui::qt::sendInstanceRequest(socketPath, request.empty() ? "show" : request)) return 0;
    const std::string text = dw::app::alreadyRunningText(std::filesystem::current_path().string());
    std::fprintf(stderr, "dornwatch: %s\n", text.c_str());
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
      QMessageBox box(QMessageBox::Information, QStringLiteral("Dornwatch"),
                      QString::fromStdString(text), QMessageBox::Ok);
      // SIGTERM closes the box: a logout must not wait for someone to read it.
      if (g_signalPipe[0] >= 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &box);
        QObject::connect(notifier, &QSocketNotifier::activated, &box, [&box] { box.reject(); });
      }
      box.exec();
    }
    return 0;
  }
  if (!schedulerLock) std::fprintf(stderr, "dornwatch: running unguarded: %s\n", lockError.c_str());
  dw::lang::startLanguageRuntime();

  dw::ui::Runtime& rt = dw::ui::runtime();
  dw::ui::qt::QtBackend backend(rt);
  rt.begin(backend);
  dw::app::InstanceRequests requests(backend, &app);
  dw::ui::qt::InstanceServer server(
      [&requests](const std::string& r) { return requests.handle(r); }, &app);
  if (std::string error; !server.listen(socketPath, &error))
    std::fprintf(stderr, "dornwatch: a second start cannot reach this one: %s\n", error.c_str());
  if (!request.empty()) requests.handle(request);
  // The tray icon, where the desktop offers a tray.
  dw::app::Tray tray(backend, requests, &app);
  // Desktop notifications for due messages, when the user chose them.
  dw::ui::qt::DesktopNotifier desktopNotifier(
      backend.dispatcher(),
      [](std::uint32_t key, const std::string& action) {
        using dw::app::NotificationAnswer;
        dw::app::notificationAnswered(key, action == "open"     ? NotificationAnswer::Open
                                           : action == "snooze" ? NotificationAnswer::Snooze
                                                                : NotificationAnswer::Dismissed);
      },
      &app);
  dw::app::setNotificationSender([&desktopNotifier](std::uint32_t key, const std::string& text) {
    return desktopNotifier.send(key, "Dornwatch", text,
                                {{"open", "Open"}, {"snooze", "Snooze 10 minutes"}});
  });
  if (g_signalPipe[0] >= 0) {
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&rt] {
      char buf[16];
      while (read(g_signalPipe[0], buf, sizeof buf) > 0) {
      }
      rt.terminateRequested();
    });
  }
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                   [&rt](QSessionManager&) { rt.endSessionRequested(); });

  if (const char* autoExit = std::getenv("DORNWATCH_AUTOEXIT"); autoExit && *autoExit) {
    const int delay = std::atoi(autoExit);
    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&backend, poll, delay] {
      const std::uint32_t frame = backend.applicationWindow();
      if (frame == 0) return;
      poll->stop();
      QTimer::singleShot(
          delay, [&backend, frame] { backend.triggerAction(frame, dw::app::frame::kExit); });
    });
    poll->start(50);
  }

  dw::app::installFrameWork();
  dw::app::installFrameWindows();
  rt.runProgram(&dw::app::ProgramCode);
  const int code = QApplication::exec();
  backend.shutdown();
  rt.joinProgram();
  dw::app::setNotificationSender(nullptr);
  if (rt.hub().liveThreads() > 0) {
    // Started procedures still run: end the process without tearing the
    // runtime down under them.  Holding the Runtime lock, none of them is
    // writing a page file while their files are removed.
    rt.lock().acquire(-1, nullptr);
    dw::report::removeAllPageFiles();
    std::fflush(nullptr);
    std::_Exit(code);
  }
  rt.end();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  catchTermination();
  std::string dataDir;
  std::string request;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
      dataDir = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "usage: dornwatch [--data DIR] [--minimized] [--show-schedule | --show-todo | --add]\n");
      return 0;
    } else if (std::strcmp(argv[i], "--minimized") == 0) {
      dw::app::requestMinimizedStart();
    } else if (const std::string r = dw::app::instanceRequestOfOption(argv[i]); !r.empty()) {
      request = r;
    } else {
      std::fprintf(stderr, "dornwatch: unknown argument %s\n", argv[i]);
      return 1;
    }
  }
  dataDir = dw::app::dataDirectory(dataDir);
  const std::string profileDir = dw::app::profileDirectory();

  if (!prepareDirectory(dataDir, "data") || !prepareDirectory(profileDir, "profile")) return 1;
  setenv("DORNWATCH_CONFIG", profileDir.c_str(), 1);  // where the platform finds INI files
  std::error_code ec;
  std::filesystem::current_path(dataDir, ec);
  if (ec) {
    std::fprintf(stderr, "dornwatch: cannot enter %s: %s\n", dataDir.c_str(), ec.message().c_str());
    return 1;
  }
  return runGui(argc, argv, std::filesystem::current_path(ec).string(), request);
}
