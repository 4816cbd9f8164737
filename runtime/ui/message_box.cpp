// The message box's texts, buttons and layout (see message_box.h).
#include "runtime/ui/message_box.h"

#include <algorithm>

#include "runtime/platform/resource_table.h"

namespace dw::ui {

namespace {

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

int mulDiv(int value, int numerator, int denominator) {
  const long long v = static_cast<long long>(value) * numerator;
  return static_cast<int>((v >= 0 ? v + denominator / 2 : v - denominator / 2) / denominator);
}

}  // namespace

int resultForEndCode(int endCode) {
  for (const BoxButton& b : kButtonTable)
    if (b.id == endCode) return b.bit;
  return 0;
}

IconRef parseIconString(std::string_view icon) {
  IconRef out;
  icon = trimRight(icon.substr(0, std::min(icon.size(), kMaxIconString)));
  if (icon.empty()) return out;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(icon[i]); };
  if (byte(0) == 0xFF && icon.size() >= 2 && (byte(1) == 0x01 || byte(1) == 0x02)) {
    // A number too short to read names no icon: the default icon stands in.
    const int n = icon.size() >= 4 ? byte(2) | (byte(3) << 8) : 0;
    out.kind = byte(1) == 0x01 ? IconRef::Kind::Stock : IconRef::Kind::ProgramIcon;
    out.number = n - 1;
    return out;
  }
  if (icon.front() == '~') {
    out.kind = IconRef::Kind::Resource;
    out.name = res::resourceNameForFile(icon.substr(1));
    return out;
  }
  out.kind = IconRef::Kind::File;
  out.name = std::string(icon);
  return out;
}

std::string stockIconString(int id) {
  const int n = id + 1;
  return std::string{'\xFF', '\x01', static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)};
}

std::string prepareBoxText(std::string_view text) {
  text = trimRight(text);
  std::string out;
  out.reserve(std::min(text.size() + 16, kMaxBoxText));
  for (const char c : text) {
    const std::size_t add = c == '|' ? 2 : 1;
    if (out.size() + add > kMaxBoxText) break;
    if (c == '|')
      out += "\r\n";
    else
      out += c;
  }
  return out;
}

int MessageBox::closeCode() const {
  for (const BoxButton& b : buttons)
    if (b.bit == button::kCancel) return b.id;
  return 0;
}

MessageBox makeMessageBox(const MessageRequest& request) {
  MessageBox box;
  box.text = prepareBoxText(request.text);
  std::string_view caption = trimRight(request.caption);
  box.caption = std::string(caption.substr(0, std::min(caption.size(), kMaxBoxCaption)));
  box.icon = parseIconString(request.icon);
  box.systemModal = request.systemModal;
  const int chosen = request.buttons == 0 ? button::kOk : request.buttons;
  // The first chosen button is the default unless a later chosen one is
  // named as default: each such one takes over.
  int defaultIndex = -1;
  for (const BoxButton& b : kButtonTable) {
    if (!(chosen & b.bit)) continue;
    box.buttons.push_back(b);
    if (defaultIndex < 0 || (request.defaultButtons & b.bit))
      defaultIndex = static_cast<int>(box.buttons.size()) - 1;
  }
  if (box.buttons.empty()) {  // bits outside the table only: OK alone
    box.buttons.push_back(kButtonTable[0]);
    defaultIndex = 0;
  }
  box.defaultIndex = defaultIndex;
  return box;
}

int unitsToPixelsX(int units, const BoxFont& font) {
  return mulDiv(units, font.averageWidth, 4);
}

int unitsToPixelsY(int units, const BoxFont& font) {
  return mulDiv(units, font.height, 8);
}

int averageWidthFromLetters(int extentOf52Letters) {
  return (extentOf52Letters / 26 + 1) / 2;
}

MessageLayout layoutMessageBox(const MessageBox& box, const BoxFont& font,
                               const TextMeasure& measure, int iconSize) {
  const auto ux = [&](int u) { return unitsToPixelsX(u, font); };
  const auto uy = [&](int u) { return unitsToPixelsY(u, font); };
  MessageLayout out;
  const TextSize measured = measure(box.text, ux(200));
  const int textWidth = measured.width + 10;
  const int textHeight = measured.height;
  const int areaHeight = std::max(textHeight + 2 * uy(5), uy(45));
  const int areaWidth = textWidth + 2 * ux(5);
  int left = 0;
  if (box.icon.kind != IconRef::Kind::None) {
    out.icon = {ux(5), (areaHeight - iconSize) / 2, iconSize, iconSize};
    left = iconSize + ux(5);
  }
  out.text = {left + ux(5), (areaHeight - textHeight) / 2, textWidth, textHeight};
  out.width = left + areaWidth;
  const int n = static_cast<int>(box.buttons.size());
  const int row = n * ux(50) + (n - 1) * ux(5);
  out.width = std::max(out.width, row + 2 * ux(5));
  out.height = areaHeight + uy(14) + uy(5);
  const int x0 = (out.width - row) / 2;
  for (int i = 0; i < n; ++i)
    out.buttons.push_back({x0 + i * (ux(50) + ux(5)), areaHeight, ux(50), uy(14)});
  return out;
}

TextSize measureFixedPitch(std::string_view text, int maxWidth, const BoxFont& font) {
  const int perLine = std::max(1, maxWidth / std::max(1, font.averageWidth));
  int lines = 0, widest = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    // Wrap at blanks; a word longer than a line is broken inside.
    do {
      std::size_t take = line.size();
      if (take > static_cast<std::size_t>(perLine)) {
        take = line.rfind(' ', perLine);
        if (take == std::string_view::npos || take == 0) take = perLine;
      }
      std::string_view piece = trimRight(line.substr(0, take));
      widest = std::max(widest, static_cast<int>(piece.size()));
      ++lines;
      line.remove_prefix(take);
      while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    } while (!line.empty());
    if (end == text.size()) break;
    start = end + 2;
  }
  return {widest * font.averageWidth, lines * font.height};
}

std::string boxAsText(const MessageBox& box) {
  std::string out = box.caption + ": ";
  for (const char c : box.text)
    if (c != '\r') out += c;
  out += '\n';
  for (std::size_t i = 0; i < box.buttons.size(); ++i) {
    const bool isDefault = static_cast<int>(i) == box.defaultIndex;
    if (i) out += ' ';
    out += isDefault ? '<' : '[';
    out += box.buttons[i].text;
    out += isDefault ? '>' : ']';
  }
  return out;
}

}  // namespace dw::ui
