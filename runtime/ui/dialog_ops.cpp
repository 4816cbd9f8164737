// MESSAGE, the file and printer dialogs, help and the standard actions of
// menu items and buttons (see runtime.h).
//
// Every dialog waits for the user without the Runtime lock (withoutLock),
// so the windows of other threads keep working while it is up; only values
// copied out of runtime objects travel into the backend call, and the
// results are written back after the lock is taken again.
//
// Thread-safety: a runtime thread holding the Runtime lock, except
// haltBox (any thread).
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>

#include "runtime/lang/errors.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"

namespace dw::ui {

namespace {

// The process's current directory, "" when it cannot be read.
std::string currentDirectory() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

void changeDirectory(const std::string& dir) {
  if (!dir.empty() && chdir(dir.c_str()) != 0)
    lang::setLastOsError(static_cast<std::uint32_t>(errno));
}

}  // namespace

int Runtime::message(std::string_view text, std::string_view caption, std::string_view icon,
                     int buttons, int defaultButtons, bool systemModal) {
  MessageRequest request{std::string(text), std::string(caption), std::string(icon),
                         buttons,           defaultButtons,       systemModal};
  MessageBox box = makeMessageBox(request);
  Window* w = currentSlot() >= 0 ? currentWindow() : nullptr;
  box.ownerWindow = w ? w->id() : static_cast<std::uint32_t>(m_activeWindow.load());
  const std::uint32_t windowId = w ? w->id() : 0;
  int endCode = 0;
  withoutLock([&] { endCode = m_backend->messageBox(box); });
  // The focus returns to the control that had it (if its window is still open).
  if (windowId != 0)
    if (Window* again = window(windowId); again && again->focusField() != 0)
      m_backend->focusControl(*again, again->focusField());
  return resultForEndCode(endCode);
}

void Runtime::haltBox(std::string_view caption, std::string_view text) {
  Backend* backend = m_backend;
  if (!backend) return;
  MessageRequest request;
  request.text = std::string(text);
  request.caption = std::string(caption);
  if (caption == "Runtime error") request.icon = stockIconString(stock::kStop);
  MessageBox box = makeMessageBox(request);
  // The program is about to end: the box keeps the Runtime lock, so no
  // other thread acts on the state that failed (or replaces the posted
  // error) while it is up.  The GUI thread never waits for the lock, so the
  // box still answers.
  backend->messageBox(box);
}

int Runtime::fileDialog(std::string_view title, const VarRef& file, std::string_view filter,
                        int flags) {
  FileDialogRequest request = makeFileDialogRequest(title, file.text(), filter, flags);
  Window* w = currentWindow();
  if (!w) w = application();
  request.ownerWindow = w ? w->id() : 0;
  const std::string before = currentDirectory();
  std::string chosen;
  withoutLock([&] { chosen = m_backend->fileDialog(request); });
  // The dialog may browse other folders; the process's current directory
  // follows the chosen file only when the caller allows it.
  if (!chosen.empty() && (flags & fileflag::kChangeDirectory)) {
    changeDirectory(std::filesystem::path(chosen).parent_path().string());
  } else if (!before.empty() && currentDirectory() != before) {
    changeDirectory(before);
  }
  if (chosen.empty()) return 0;
  file.setText(chosen);
  return 1;
}

int Runtime::printerDialog(std::string_view title, bool setup) {
  PrinterSettings& kept = printerSettings();
  kept.initialised = true;  // the default printer until the user picks one
  PrinterSettings working = kept;
  Window* w = currentWindow();
  if (!w) w = application();
  const std::uint32_t owner = w ? w->id() : 0;
  bool ok = false;
  withoutLock([&] { ok = m_backend->printerDialog(working, title, setup, owner); });
  if (!ok) return 0;
  if (working.printToFile) {
    FileDialogRequest request;
    request.title = "Print To File...";
    request.filters = parseFileFilter("All files (*.*)|*.*");
    request.save = true;
    request.initialName = working.outputFile;
    request.ownerWindow = owner;
    std::string chosen;
    const std::string before = currentDirectory();
    withoutLock([&] { chosen = m_backend->fileDialog(request); });
    if (!before.empty() && currentDirectory() != before) changeDirectory(before);
    if (chosen.empty()) {
      working.printToFile = false;
      kept = working;
      return 0;
    }
    working.outputFile = chosen;
  }
  kept = working;
  return 1;
}

std::string Runtime::helpFile() const {
  const int slot = currentSlot();
  return slot >= 0 ? m_slots[slot].helpFile : std::string();
}

int Runtime::showHelp(const HelpCommand& command) {
  if (command.kind == HelpCommand::Kind::Quit || command.file.empty()) return 0;
  m_backend->help(command);
  return 1;
}

int Runtime::helpOnFocus(Window* w, bool programsFile) {
  std::string topic;
  if (w) {
    if (const Control* c = w->control(w->focusField())) topic = c->state().helpTopic;
    if (topic.empty()) topic = w->desc().helpTopic;
  }
  std::string file = helpFile();
  if (file.empty() && programsFile) file = m_slots[0].helpFile;
  return showHelp(helpCommandFor(topic, file));
}

int Runtime::help(std::string_view file, std::string_view topic) {
  const int slot = currentSlot();
  if (slot < 0) return 0;
  if (!file.empty()) m_slots[slot].helpFile = helpFileName(file);
  if (!topic.empty()) return showHelp(helpCommandFor(topic, m_slots[slot].helpFile));
  if (!file.empty()) return 1;
  return helpOnFocus(currentWindow());
}

void Runtime::standardAction(Window& w, int act) {
  const std::string file = helpFile();
  switch (act) {
    case action::kClose:
      w.queue({ev::kCloseWindow, 0, {}});
      return;
    case action::kTile:
    case action::kTileHorizontal:
    case action::kTileVertical:
    case action::kCascade:
    case action::kArrangeIcons:
      m_backend->standardAction(w, act);
      return;
    case action::kHelpContents:
      showHelp({HelpCommand::Kind::Contents, file, {}});
      return;
    case action::kHelpOnHelp:
      showHelp({HelpCommand::Kind::HelpOnHelp, file, {}});
      return;
    case action::kHelpSearch:
      showHelp({HelpCommand::Kind::Open, file, {}});
      return;
    case action::kHelpOnControl:
      helpOnFocus(&w);
      return;
    case action::kCut:
    case action::kCopy:
    case action::kPaste:
    case action::kClear:
    case action::kUndo:
      m_backend->editAction(act);
      return;
    case action::kPrintSetup:
      printerDialog({}, true);
      return;
    default:
      return;
  }
}

}  // namespace dw::ui
