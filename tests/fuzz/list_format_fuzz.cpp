// Fuzzes list format strings and popup menu texts: the input is both.
// A format is validated; a valid one is parsed and its column table
// checked (edges, fields, groups, the default column), an invalid one must
// give the default layout; every prefix of a valid format that ends a
// column is valid too.  A popup text is parsed and its numbering checked:
// 1..itemCount, each number once, separators and submenu titles unnumbered.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "runtime/ui/list_format.h"
#include "runtime/ui/popup.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void checkLayout(std::string_view format, const dw::ui::ListLayout& l) {
  using namespace dw::ui;
  check(l.fromFormat);
  check(!l.columns.empty() || format.empty());
  check(l.defaultColumn >= 0 && l.defaultColumn <= static_cast<int>(l.columns.size()));
  int fields = 0;
  for (const ListColumn& c : l.columns) {
    check(c.width >= 0);
    check(c.width == 0 ? c.right == c.left - 1 : c.right == c.left + c.width);
    check(c.valueField >= 0);
    check(c.colourField == -1 || c.colourField == c.valueField + 1);
    check(c.group >= -1 && c.group < static_cast<int>(l.groups.size()));
    check(c.picture.empty() || c.compiled.encode().size() <= 512);
    fields = std::max(fields, c.valueField + 1 + (c.colourField >= 0 ? 4 : 0));
  }
  check(fields == l.fieldsUsed);
  for (const ListGroup& g : l.groups) {
    check(g.firstColumn >= 0 && g.firstColumn <= g.lastColumn);
    check(g.lastColumn < static_cast<int>(l.columns.size()));
  }
}

void checkPopup(const std::vector<dw::ui::PopupItem>& items, std::set<int>& seen, int depth) {
  using dw::ui::PopupItem;
  check(depth <= 40);
  for (const PopupItem& item : items) {
    if (item.kind == PopupItem::Kind::Item) {
      check(item.number >= 1 && seen.insert(item.number).second);
      check(item.items.empty() && (!item.text.empty() || item.checkable || item.disabled));
    } else {
      check(item.number == 0);
    }
    if (item.kind != PopupItem::Kind::Submenu) check(item.items.empty());
    checkPopup(item.items, seen, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  using namespace dw::ui;
  const ListScale scale{static_cast<int>(size % 40), 8};
  const int position = validateListFormat(input);
  check(position >= 0 && position <= static_cast<int>(size) + 1);
  if (position == 0) {
    checkLayout(input, parseListFormat(input, scale));
  } else {
    const ListLayout fallback =
        layoutForList(input, {ListAlign::Left, ListAlign::Right}, 200, scale);
    check(!fallback.fromFormat && fallback.columns.size() == 2);
    // Reading stopped at `position`: the text before it did not fail earlier.
    const int before = validateListFormat(input.substr(0, static_cast<std::size_t>(position - 1)));
    check(before == 0 || before == position);
  }

  const PopupMenu menu = parsePopupMenu(input);
  std::set<int> seen;
  checkPopup(menu.items, seen, 0);
  check(static_cast<int>(seen.size()) == menu.itemCount);
  check(seen.empty() || (*seen.begin() == 1 && *seen.rbegin() == menu.itemCount));
  return 0;
}
