// POPUP (see popup.h): the menu text parsed into a tree, shown by the
// backend while the Runtime lock is free.
#include "runtime/ui/popup.h"

#include <atomic>

#include "runtime/ui/runtime.h"

namespace dw::ui {

namespace {

// Submenus deeper than this are shown as plain items: no menu system
// opens a cascade that deep, and the builder's recursion stays bounded.
constexpr int kMaxDepth = 32;

std::atomic<int> g_lastChoice{0};

class MenuBuilder {
 public:
  explicit MenuBuilder(std::string_view text) : m_text(text) {}

  PopupMenu build() {
    PopupMenu menu;
    items(menu.items, 0);
    menu.itemCount = m_next - 1;
    return menu;
  }

 private:
  // Reads items into `out` until a "}" (which it consumes) or the end.
  void items(std::vector<PopupItem>& out, int depth) {
    while (m_pos < m_text.size()) {
      const std::size_t end = m_text.find_first_of("|{}", m_pos);
      const std::string_view raw = m_text.substr(
          m_pos, end == std::string_view::npos ? std::string_view::npos : end - m_pos);
      const char stop = end == std::string_view::npos ? '\0' : m_text[end];
      m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
      if (stop == '{' && depth < kMaxDepth) {
        PopupItem sub = decorate(raw);
        sub.kind = PopupItem::Kind::Submenu;
        sub.checkable = sub.checked = false;
        items(sub.items, depth + 1);
        out.push_back(std::move(sub));
        continue;
      }
      add(out, raw);
      if (stop == '{') ++m_flattened;  // too deep: its items join this menu
      if (stop == '}') {
        if (m_flattened == 0) return;
        --m_flattened;
      }
    }
  }

  static PopupItem decorate(std::string_view raw) {
    PopupItem item;
    if (!raw.empty() && raw.front() == '~') {
      item.disabled = true;
      raw.remove_prefix(1);
    }
    if (!raw.empty() && (raw.front() == '+' || raw.front() == '-')) {
      item.checkable = true;
      item.checked = raw.front() == '+';
      raw.remove_prefix(1);
    }
    item.text = std::string(raw);
    return item;
  }

  void add(std::vector<PopupItem>& out, std::string_view raw) {
    if (raw.empty()) return;
    if (raw == "-") {
      PopupItem separator;
      separator.kind = PopupItem::Kind::Separator;
      out.push_back(std::move(separator));
      return;
    }
    PopupItem item = decorate(raw);
    item.number = m_next++;
    out.push_back(std::move(item));
  }

  std::string_view m_text;
  std::size_t m_pos = 0;
  int m_next = 1;
  int m_flattened = 0;
};

const PopupItem* find(const std::vector<PopupItem>& items, int number) {
  for (const PopupItem& item : items) {
    if (item.kind == PopupItem::Kind::Item && item.number == number) return &item;
    if (const PopupItem* inner = find(item.items, number)) return inner;
  }
  return nullptr;
}

}  // namespace

PopupMenu parsePopupMenu(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() > kPopupTextLimit) text = text.substr(0, kPopupTextLimit);
  return MenuBuilder(text).build();
}

const PopupItem* findPopupItem(const PopupMenu& menu, int number) {
  return find(menu.items, number);
}

int popup(std::string_view text, std::optional<int> x, std::optional<int> y) {
  const PopupMenu menu = parsePopupMenu(text);
  int choice = 0;
  Runtime& rt = runtime();
  if (!rt.active()) return 0;  // no screen to show it on
  Backend& backend = rt.backend();
  rt.withoutLock([&] { choice = backend.showPopup(menu, x, y); });
  // Only a number the menu gave counts, whatever the platform answers.
  if (choice < 0 || choice > menu.itemCount) choice = 0;
  if (const PopupItem* item = findPopupItem(menu, choice); item && item->disabled) choice = 0;
  g_lastChoice = choice;
  return choice;
}

int lastPopupChoice() {
  return g_lastChoice.load();
}

}  // namespace dw::ui
