// Dialogs of the screenless backend: message boxes, file and printer
// dialogs answered from the test's queues, help commands and clipboard
// edits recorded (see headless_backend.h).
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "runtime/ui/headless/headless_backend.h"

namespace dw::ui {

namespace {

// The headless font: every character 6 x 13 pixels (as metrics() says).
constexpr BoxFont kFont{6, 13};
constexpr int kIconSize = 32;

int idForBit(const MessageBox& box, int bit) {
  for (const BoxButton& b : box.buttons)
    if (b.bit == bit) return b.id;
  return box.closeCode();
}

}  // namespace

int HeadlessBackend::messageBox(const MessageBox& box) {
  std::unique_lock lock(m_mutex);
  const MessageLayout layout = layoutMessageBox(
      box, kFont,
      [](std::string_view text, int maxWidth) { return measureFixedPitch(text, maxWidth, kFont); },
      kIconSize);
  m_boxes.push_back({box, layout});
  m_messages.push_back(box.caption + "|" + box.text);
  if (!m_boxAnswers.empty()) {
    const int bit = m_boxAnswers.front();
    m_boxAnswers.pop_front();
    return idForBit(box, bit);
  }
  if (!m_holdBoxes) return box.defaultId();
  m_openBox = box;
  m_boxCv.notify_all();
  m_boxCv.wait(lock, [&] { return !m_boxAnswers.empty() || !m_holdBoxes || m_closeOpenBox; });
  m_openBox.reset();
  if (m_closeOpenBox) {
    m_closeOpenBox = false;
    return box.closeCode();
  }
  if (m_boxAnswers.empty()) return box.defaultId();
  const int bit = m_boxAnswers.front();
  m_boxAnswers.pop_front();
  return idForBit(box, bit);
}

std::vector<HeadlessBackend::BoxShot> HeadlessBackend::boxes() const {
  std::lock_guard lock(m_mutex);
  return m_boxes;
}

void HeadlessBackend::answerBoxes(std::vector<int> bits) {
  std::lock_guard lock(m_mutex);
  m_boxAnswers.insert(m_boxAnswers.end(), bits.begin(), bits.end());
  m_boxCv.notify_all();
}

void HeadlessBackend::closeMessageBoxes() {
  std::lock_guard lock(m_mutex);
  if (!m_openBox) return;
  m_closeOpenBox = true;
  m_boxCv.notify_all();
}

void HeadlessBackend::holdBoxes(bool on) {
  std::lock_guard lock(m_mutex);
  m_holdBoxes = on;
  m_boxCv.notify_all();
}

std::optional<MessageBox> HeadlessBackend::waitForOpenBox() {
  std::unique_lock lock(m_mutex);
  m_boxCv.wait_for(lock, std::chrono::seconds(10), [&] { return m_openBox.has_value(); });
  return m_openBox;
}

void HeadlessBackend::answerBox(int bit) {
  answerBoxes({bit});
}

std::string HeadlessBackend::fileDialog(const FileDialogRequest& request) {
  std::lock_guard lock(m_mutex);
  m_fileRequests.push_back(request);
  if (m_fileAnswers.empty()) return {};
  std::string path = m_fileAnswers.front();
  m_fileAnswers.pop_front();
  // As the platform's dialog may, browsing leaves the process in the
  // chosen file's folder (the runtime decides whether it stays there).
  if (!path.empty()) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    if (!dir.empty() && chdir(dir.c_str()) != 0) {
      // A folder that does not exist: the current directory stays.
    }
  }
  return path;
}

std::vector<FileDialogRequest> HeadlessBackend::fileRequests() const {
  std::lock_guard lock(m_mutex);
  return m_fileRequests;
}

void HeadlessBackend::answerFileDialogs(std::vector<std::string> paths) {
  std::lock_guard lock(m_mutex);
  m_fileAnswers.insert(m_fileAnswers.end(), paths.begin(), paths.end());
}

bool HeadlessBackend::printerDialog(PrinterSettings& settings, std::string_view title, bool setup,
                                    std::uint32_t) {
  std::lock_guard lock(m_mutex);
  m_printerRequests.emplace_back(std::string(title), setup);
  PrinterAnswer answer;
  if (!m_printerAnswers.empty()) {
    answer = m_printerAnswers.front();
    m_printerAnswers.pop_front();
  }
  if (!answer.confirm) return false;
  settings.printToFile = answer.printToFile;
  if (!answer.printer.empty()) settings.printer = answer.printer;
  return true;
}

std::vector<std::pair<std::string, bool>> HeadlessBackend::printerRequests() const {
  std::lock_guard lock(m_mutex);
  return m_printerRequests;
}

void HeadlessBackend::answerPrinterDialogs(std::vector<PrinterAnswer> answers) {
  std::lock_guard lock(m_mutex);
  m_printerAnswers.insert(m_printerAnswers.end(), answers.begin(), answers.end());
}

void HeadlessBackend::help(const HelpCommand& command) {
  std::lock_guard lock(m_mutex);
  m_help.push_back(command);
}

std::vector<HelpCommand> HeadlessBackend::helpCommands() const {
  std::lock_guard lock(m_mutex);
  return m_help;
}

void HeadlessBackend::editAction(int action) {
  std::lock_guard lock(m_mutex);
  std::uint32_t window = m_active;
  if (window == 0 && !m_windows.empty()) window = m_windows.rbegin()->first;
  auto it = m_windows.find(window);
  m_edits.push_back({action, window, it == m_windows.end() ? 0 : it->second.focus});
}

std::vector<HeadlessBackend::EditShot> HeadlessBackend::edits() const {
  std::lock_guard lock(m_mutex);
  return m_edits;
}

}  // namespace dw::ui
