// Writes a Module as a blob; see blob_writer.h for the order of the parts.
// Pointers are written as 0 first and patched once their target is placed.
#include "runtime/ui/resfmt/blob_writer.h"

#include "runtime/ui/resfmt/record_layout.h"

namespace dw::resfmt {

namespace {

namespace L = layout;

class Writer {
 public:
  explicit Writer(const Module& module) : m_module(module) {}

  std::vector<std::uint8_t> run() {
    m_out.assign(m_module.key.begin(), m_module.key.end());
    m_out.push_back(0);
    m_base = static_cast<std::int64_t>(m_module.key.size()) - 1;
    put32(0);  // offset 2: the first window record
    std::uint32_t previous = 0;
    for (const WindowRecord& w : m_module.windows) {
      const std::uint32_t at = writeWindow(w);
      patch(previous == 0 ? 2 : previous + L::kWinNext, at);
      previous = at;
    }
    return std::move(m_out);
  }

 private:
  const Module& m_module;
  std::vector<std::uint8_t> m_out;
  std::int64_t m_base = 0;

  std::uint32_t here() const { return static_cast<std::uint32_t>(m_out.size() - m_base); }

  void put32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) m_out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }

  void patch(std::uint32_t offset, std::uint32_t v) {
    const std::size_t p = static_cast<std::size_t>(m_base + offset);
    for (int i = 0; i < 4; ++i) m_out[p + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

  // A zeroed record of `size` bytes of type `type`; returns its offset.
  std::uint32_t record(std::uint8_t type, int size) {
    const std::uint32_t at = here();
    m_out.push_back(type);
    m_out.resize(m_out.size() + static_cast<std::size_t>(size - 1), 0);
    return at;
  }

  void set(std::uint32_t rec, int at, std::uint32_t v) {
    if (at >= 0) patch(rec + static_cast<std::uint32_t>(at), v);
  }

  std::uint32_t text(const std::string& s) {
    if (s.empty()) return 0;
    const std::uint32_t at = here();
    m_out.insert(m_out.end(), s.begin(), s.end());
    m_out.push_back(0);
    return at;
  }

  std::uint32_t chain(const std::vector<std::int32_t>& values) {
    std::uint32_t first = 0, previous = 0;
    for (std::int32_t v : values) {
      const std::uint32_t at = here();
      put32(static_cast<std::uint32_t>(v));
      put32(0);
      if (previous == 0) {
        first = at;
      } else {
        patch(previous + 4, at);
      }
      previous = at;
    }
    return first;
  }

  std::uint32_t writeWindow(const WindowRecord& w) {
    const std::uint32_t label = text(w.label), title = text(w.title), icon = text(w.icon),
                        status = text(w.status), help = text(w.helpTopic), cursor = text(w.cursor);
    std::uint32_t font = 0;
    if (w.font) {
      const std::uint32_t face = text(w.font->typeface);
      font = here();
      put32(face);
      put32(static_cast<std::uint32_t>(w.font->pointSize));
      put32(static_cast<std::uint32_t>(w.font->colour));
      put32(static_cast<std::uint32_t>(w.font->weight));
    }
    const std::uint32_t values = chain(w.values), zones = chain(w.statusZones);
    const std::uint32_t at = record(static_cast<std::uint8_t>(w.kind), L::kWindowSize);
    const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    set(at, L::kWinAttributes, w.attributes);
    set(at, L::kWinCreateAttributes, w.createAttributes);
    set(at, L::kWinX, u(w.x));
    set(at, L::kWinY, u(w.y));
    set(at, L::kWinWidth, u(w.width));
    set(at, L::kWinHeight, u(w.height));
    set(at, L::kWinLabel, label);
    set(at, L::kWinFont, font);
    set(at, L::kWinTitle, title);
    set(at, L::kWinIcon, icon);
    set(at, L::kWinStatus, status);
    set(at, L::kWinHelp, help);
    set(at, L::kWinValues, values);
    set(at, L::kWinExtended, w.extendedAttributes);
    set(at, L::kWinPalette, u(w.palette));
    set(at, L::kWinTimer, u(w.timer));
    set(at, L::kWinPaperKind, u(w.paperKind));
    set(at, L::kWinPaperWidth, u(w.paperWidth));
    set(at, L::kWinPaperLength, u(w.paperLength));
    set(at, L::kWinCursor, cursor);
    set(at, L::kWinZones, zones);
    if (w.menuBar) set(at, L::kWinMenuBar, writeMenuBar(*w.menuBar));
    if (w.toolBar) set(at, L::kWinToolBar, writeToolBar(*w.toolBar));
    set(at, L::kWinFirstControl, writeControls(w.controls));
    return at;
  }

  std::uint32_t writeMenuBar(const MenuBar& bar) {
    const std::uint32_t at = record(kMenuBarRecord, L::kMenuBarSize);
    set(at, L::kAttributes, bar.attributes);
    set(at, L::kMenuBarFirst, writeMenuEntries(bar.menus));
    return at;
  }

  std::uint32_t writeMenuEntries(const std::vector<MenuEntry>& entries) {
    std::uint32_t first = 0, previous = 0;
    for (const MenuEntry& e : entries) {
      const bool isMenu = e.kind == MenuEntry::Kind::Menu;
      const std::uint32_t txt = text(e.text), status = text(e.status);
      const std::uint32_t at =
          record(isMenu ? kMenuRecord : kMenuItemRecord, isMenu ? L::kMenuSize : L::kItemSize);
      set(at, L::kAttributes, e.attributes);
      set(at, L::kField, static_cast<std::uint32_t>(e.field));
      set(at, L::kMenuText, txt);
      set(at, L::kMenuStatus, status);
      set(at, L::kMenuAction, static_cast<std::uint32_t>(e.standardAction));
      if (isMenu) {
        set(at, L::kMenuFirst, writeMenuEntries(e.entries));
      } else {
        set(at, L::kMenuKey, static_cast<std::uint32_t>(e.keyCode));
      }
      if (previous == 0) {
        first = at;
      } else {
        set(previous, L::kNext, at);
      }
      previous = at;
    }
    return first;
  }

  std::uint32_t writeToolBar(const ToolBar& bar) {
    const std::uint32_t at = record(kToolBarRecord, L::kToolBarSize);
    set(at, L::kAttributes, bar.attributes);
    set(at, L::kToolBarHeight, static_cast<std::uint32_t>(bar.height));
    set(at, L::kToolBarFirst, writeControls(bar.controls));
    return at;
  }

  std::uint32_t writeControls(const std::vector<ControlRecord>& controls) {
    std::uint32_t first = 0, previous = 0;
    for (const ControlRecord& c : controls) {
      const L::ControlLayout* l = L::controlLayout(static_cast<std::uint8_t>(c.type));
      if (l == nullptr) continue;  // not a type this format can hold
      const std::uint32_t at = writeControl(c, *l);
      if (previous == 0) {
        first = at;
      } else {
        set(previous, L::kNext, at);
      }
      previous = at;
    }
    return first;
  }

  std::uint32_t writeControl(const ControlRecord& c, const L::ControlLayout& l) {
    const auto txt = [&](int at, const std::string& s) { return at >= 0 ? text(s) : 0u; };
    const std::uint32_t help = text(c.helpTopic), status = txt(l.status, c.status),
                        caption = txt(l.text, c.text), picture = txt(l.picture, c.picture),
                        icon = txt(l.icon, c.icon), image = txt(l.image, c.image),
                        format = txt(l.format, c.format), value = txt(l.value, c.value);
    std::uint32_t vt = 0;
    if (l.valueType >= 0 && c.valueType) {
      vt = here();
      m_out.push_back(c.valueType->typeCode);
      put32(c.valueType->size);
      put32(0);
    }
    const std::uint32_t at = record(l.type, l.size);
    const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    set(at, L::kAttributes, c.attributes);
    set(at, L::kField, u(c.field));
    set(at, L::kHelpTopic, help);
    set(at, l.valueType, vt);
    set(at, l.status, status);
    set(at, l.text, caption);
    set(at, l.picture, picture);
    set(at, l.icon, icon);
    set(at, l.image, image);
    set(at, l.format, format);
    set(at, l.value, value);
    set(at, l.key, u(c.keyCode));
    set(at, l.colour1, u(c.colour1));
    set(at, l.colour2, u(c.colour2));
    set(at, l.low, u(c.low));
    set(at, l.high, u(c.high));
    set(at, l.step, u(c.step));
    if (l.rect >= 0) {
      set(at, l.rect, u(c.rect.x));
      set(at, l.rect + 4, u(c.rect.y));
      set(at, l.rect + 8, u(c.rect.width));
      set(at, l.rect + 12, u(c.rect.height));
    }
    if (l.drop >= 0) m_out[static_cast<std::size_t>(m_base + at + l.drop)] = c.dropCount;
    if (l.band) {
      set(at, L::kBandFlags, u(c.band.flags));
      set(at, L::kBandPrintBefore, u(c.band.printBefore));
      set(at, L::kBandPrintAfter, u(c.band.printAfter));
      set(at, L::kBandKeep, u(c.band.keepWithPrevious));
      set(at, L::kBandBeforePage, u(c.band.beforePage));
      set(at, L::kBandAfterPage, u(c.band.afterPage));
    }
    if (l.child >= 0) set(at, l.child, writeControls(c.children));
    return at;
  }
};

}  // namespace

std::vector<std::uint8_t> writeModule(const Module& module) {
  return Writer(module).run();
}

}  // namespace dw::resfmt
