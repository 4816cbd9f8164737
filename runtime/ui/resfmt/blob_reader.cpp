// The loader of window resource blobs (layout: docs/window-resources.md).
//
// Every read goes through Reader::in(), which checks that the bytes lie
// inside the blob and after the key string; every record is claimed once
// in m_claimed, so a chain that loops or two pointers to one record stop
// the load with an error instead of running forever.  Nesting is bounded
// by kMaxNesting.  The first error wins and ends the load.
#include <set>

#include "runtime/ui/resfmt/record_layout.h"
#include "runtime/ui/resfmt/window_record.h"

namespace dw::resfmt {

namespace {

namespace L = layout;

std::string hex(std::uint32_t v) {
  static const char* kDigits = "0123456789abcdef";
  std::string s;
  do {
    s.insert(s.begin(), kDigits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  return "0x" + s;
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

  ParseResult run() {
    ParseResult result;
    std::size_t k = 0;
    while (k < m_bytes.size() && m_bytes[k] != 0) ++k;
    if (k >= m_bytes.size()) {
      result.error = {"key string is not terminated", 0};
      return result;
    }
    m_keyEnd = k + 1;
    m_base = static_cast<std::int64_t>(k) - 1;
    Module module;
    module.key.assign(reinterpret_cast<const char*>(m_bytes.data()), k);
    std::uint32_t first = 0;
    const bool haveFirst = u32(2, first);
    // Records and texts lie after the first-window offset.
    m_keyEnd += 4;
    if (haveFirst && readWindows(first, module.windows)) {
      result.module = std::move(module);
    } else {
      result.error = m_error;
    }
    return result;
  }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_keyEnd = 0;  // first position a read may touch
  std::int64_t m_base = 0;   // blob position of offset 0
  std::set<std::uint32_t> m_claimed;
  ParseError m_error;

  bool fail(std::string message, std::uint32_t offset) {
    if (m_error.message.empty()) m_error = {std::move(message), offset};
    return false;
  }

  // Position of `len` bytes at `offset`, or -1 when they are not all inside.
  std::int64_t in(std::uint32_t offset, std::size_t len) const {
    const std::int64_t p = m_base + offset;
    if (p < static_cast<std::int64_t>(m_keyEnd)) return -1;
    if (static_cast<std::uint64_t>(p) + len > m_bytes.size()) return -1;
    return p;
  }

  bool u8(std::uint32_t offset, std::uint8_t& out) {
    const std::int64_t p = in(offset, 1);
    if (p < 0) return fail("byte outside the blob at offset " + hex(offset), offset);
    out = m_bytes[p];
    return true;
  }

  bool u32(std::uint32_t offset, std::uint32_t& out) {
    const std::int64_t p = in(offset, 4);
    if (p < 0) return fail("field outside the blob at offset " + hex(offset), offset);
    out = static_cast<std::uint32_t>(m_bytes[p]) |
          (static_cast<std::uint32_t>(m_bytes[p + 1]) << 8) |
          (static_cast<std::uint32_t>(m_bytes[p + 2]) << 16) |
          (static_cast<std::uint32_t>(m_bytes[p + 3]) << 24);
    return true;
  }

  bool i32(std::uint32_t offset, std::int32_t& out) {
    std::uint32_t v = 0;
    if (!u32(offset, v)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
  }

  // Field `at` of the record at `rec` (at < 0: absent, left unchanged).
  bool field(std::uint32_t rec, int at, std::int32_t& out) {
    return at < 0 || i32(rec + static_cast<std::uint32_t>(at), out);
  }
  bool field(std::uint32_t rec, int at, std::uint32_t& out) {
    return at < 0 || u32(rec + static_cast<std::uint32_t>(at), out);
  }

  // The zero-terminated text whose offset is stored at rec + at.  In an icon,
  // cursor or image reference (`reference`), a text that starts with 0xFF
  // 0x01 or 0xFF 0x02 is four bytes long whatever they hold.
  bool text(std::uint32_t rec, int at, std::string& out, bool reference = false) {
    if (at < 0) return true;
    std::uint32_t offset = 0;
    if (!u32(rec + static_cast<std::uint32_t>(at), offset)) return false;
    if (offset == 0) return true;
    const std::int64_t p = in(offset, 1);
    if (p < 0) return fail("text outside the blob at offset " + hex(offset), offset);
    std::size_t end = static_cast<std::size_t>(p);
    if (reference && m_bytes[end] == L::kRefEscape && end + 1 < m_bytes.size() &&
        (m_bytes[end + 1] == L::kRefStock || m_bytes[end + 1] == L::kRefNumber)) {
      if (in(offset, L::kRefSize + 1) < 0) return fail("truncated reference", offset);
      out.assign(reinterpret_cast<const char*>(&m_bytes[end]), L::kRefSize);
      return true;
    }
    while (end < m_bytes.size() && m_bytes[end] != 0) ++end;
    if (end >= m_bytes.size()) return fail("text not terminated at offset " + hex(offset), offset);
    out.assign(reinterpret_cast<const char*>(&m_bytes[p]), end - static_cast<std::size_t>(p));
    return true;
  }

  // Marks the record of `size` bytes at `offset` as read.
  bool claim(std::uint32_t offset, std::size_t size, const char* what) {
    if (in(offset, size) < 0) {
      return fail(std::string(what) + " record outside the blob at offset " + hex(offset), offset);
    }
    if (!m_claimed.insert(offset).second) {
      return fail(
          std::string(what) + " record at offset " + hex(offset) + " reached twice (a chain loops)",
          offset);
    }
    return true;
  }

  bool readWindows(std::uint32_t offset, std::vector<WindowRecord>& out) {
    while (offset != 0) {
      WindowRecord w;
      std::uint32_t next = 0;
      if (!claim(offset, L::kWindowSize, "window") || !readWindow(offset, w) ||
          !u32(offset + L::kWinNext, next)) {
        return false;
      }
      out.push_back(std::move(w));
      offset = next;
    }
    return true;
  }

  bool readWindow(std::uint32_t rec, WindowRecord& w) {
    std::uint8_t type = 0;
    if (!u8(rec, type)) return false;
    if (type != static_cast<std::uint8_t>(RecordKind::Window) &&
        type != static_cast<std::uint8_t>(RecordKind::Report)) {
      return fail("record type " + std::to_string(type) + " where a window was expected", rec);
    }
    w.kind = static_cast<RecordKind>(type);
    std::uint32_t fontAt = 0, valuesAt = 0, menuAt = 0, toolAt = 0, zonesAt = 0, firstAt = 0;
    bool ok =
        field(rec, L::kWinAttributes, w.attributes) &&
        field(rec, L::kWinCreateAttributes, w.createAttributes) && field(rec, L::kWinX, w.x) &&
        field(rec, L::kWinY, w.y) && field(rec, L::kWinWidth, w.width) &&
        field(rec, L::kWinHeight, w.height) && field(rec, L::kWinFirstControl, firstAt) &&
        text(rec, L::kWinLabel, w.label) && field(rec, L::kWinFont, fontAt) &&
        text(rec, L::kWinTitle, w.title) && text(rec, L::kWinIcon, w.icon, true) &&
        text(rec, L::kWinStatus, w.status) && text(rec, L::kWinHelp, w.helpTopic) &&
        field(rec, L::kWinValues, valuesAt) && field(rec, L::kWinExtended, w.extendedAttributes) &&
        field(rec, L::kWinPalette, w.palette) && field(rec, L::kWinTimer, w.timer) &&
        field(rec, L::kWinPaperKind, w.paperKind) && field(rec, L::kWinPaperWidth, w.paperWidth) &&
        field(rec, L::kWinPaperLength, w.paperLength) && field(rec, L::kWinMenuBar, menuAt) &&
        field(rec, L::kWinToolBar, toolAt) && text(rec, L::kWinCursor, w.cursor, true) &&
        field(rec, L::kWinZones, zonesAt);
    if (!ok) return false;
    if (fontAt != 0) {
      w.font.emplace();
      if (!readFont(fontAt, *w.font)) return false;
    }
    if (!readChain(valuesAt, w.values, "value chain") ||
        !readChain(zonesAt, w.statusZones, "status zone")) {
      return false;
    }
    if (menuAt != 0) {
      w.menuBar.emplace();
      if (!readMenuBar(menuAt, *w.menuBar)) return false;
    }
    if (toolAt != 0) {
      w.toolBar.emplace();
      if (!readToolBar(toolAt, *w.toolBar)) return false;
    }
    return readControls(firstAt, 0, w.controls);
  }

  bool readFont(std::uint32_t at, FontRecord& f) {
    if (in(at, L::kFontRecordSize) < 0) return fail("font record outside the blob", at);
    return text(at, L::kFontTypeface, f.typeface) && field(at, L::kFontSize, f.pointSize) &&
           field(at, L::kFontColour, f.colour) && field(at, L::kFontWeight, f.weight);
  }

  bool readChain(std::uint32_t at, std::vector<std::int32_t>& out, const char* what) {
    while (at != 0) {
      std::int32_t value = 0;
      std::uint32_t next = 0;
      if (!claim(at, L::kChainItemSize, what) || !i32(at, value) || !u32(at + 4, next)) {
        return false;
      }
      out.push_back(value);
      at = next;
    }
    return true;
  }

  bool readMenuBar(std::uint32_t at, MenuBar& bar) {
    std::uint8_t type = 0;
    std::uint32_t first = 0;
    if (!claim(at, L::kMenuBarSize, "menu bar") || !u8(at, type)) return false;
    if (type != kMenuBarRecord) return fail("not a menu bar record", at);
    return field(at, L::kAttributes, bar.attributes) && field(at, L::kMenuBarFirst, first) &&
           readMenuEntries(first, 0, bar.menus);
  }

  bool readMenuEntries(std::uint32_t at, int depth, std::vector<MenuEntry>& out) {
    if (depth > kMaxNesting) return fail("menus nested too deeply", at);
    while (at != 0) {
      std::uint8_t type = 0;
      if (!u8(at, type)) return false;
      const bool isMenu = type == kMenuRecord;
      if (!isMenu && type != kMenuItemRecord) {
        return fail("record type " + std::to_string(type) + " where a menu item was expected", at);
      }
      MenuEntry e;
      e.kind = isMenu ? MenuEntry::Kind::Menu : MenuEntry::Kind::Item;
      std::uint32_t next = 0, first = 0;
      bool ok = claim(at, isMenu ? L::kMenuSize : L::kItemSize, "menu") &&
                field(at, L::kNext, next) && field(at, L::kAttributes, e.attributes) &&
                field(at, L::kField, e.field) && text(at, L::kMenuText, e.text) &&
                text(at, L::kMenuStatus, e.status) && field(at, L::kMenuAction, e.standardAction) &&
                (isMenu ? field(at, L::kMenuFirst, first) : field(at, L::kMenuKey, e.keyCode));
      if (!ok || (isMenu && !readMenuEntries(first, depth + 1, e.entries))) return false;
      out.push_back(std::move(e));
      at = next;
    }
    return true;
  }

  bool readToolBar(std::uint32_t at, ToolBar& bar) {
    std::uint8_t type = 0;
    std::uint32_t first = 0;
    if (!claim(at, L::kToolBarSize, "tool bar") || !u8(at, type)) return false;
    if (type != kToolBarRecord) return fail("not a tool bar record", at);
    return field(at, L::kAttributes, bar.attributes) && field(at, L::kToolBarHeight, bar.height) &&
           field(at, L::kToolBarFirst, first) && readControls(first, 0, bar.controls);
  }

  bool readControls(std::uint32_t at, int depth, std::vector<ControlRecord>& out) {
    if (depth > kMaxNesting) return fail("controls nested too deeply", at);
    while (at != 0) {
      std::uint8_t type = 0;
      std::uint32_t next = 0;
      if (!u8(at, type)) return false;
      if (L::isSkippedType(type)) {
        if (!claim(at, L::kControlHeaderSize, "control") || !u32(at + L::kNext, next)) {
          return false;
        }
        at = next;
        continue;
      }
      const L::ControlLayout* l = L::controlLayout(type);
      if (l == nullptr) {
        return fail("unknown control type " + std::to_string(type), at);
      }
      ControlRecord c;
      if (!claim(at, static_cast<std::size_t>(l->size), "control") || !u32(at + L::kNext, next) ||
          !readControl(at, *l, depth, c)) {
        return false;
      }
      out.push_back(std::move(c));
      at = next;
    }
    return true;
  }

  bool readControl(std::uint32_t at, const L::ControlLayout& l, int depth, ControlRecord& c) {
    c.type = static_cast<ControlType>(l.type);
    std::uint32_t vtAt = 0, childAt = 0;
    bool ok = field(at, L::kAttributes, c.attributes) && field(at, L::kField, c.field) &&
              text(at, L::kHelpTopic, c.helpTopic) && field(at, l.valueType, vtAt) &&
              text(at, l.status, c.status) && text(at, l.text, c.text) &&
              text(at, l.picture, c.picture) && text(at, l.icon, c.icon, true) &&
              text(at, l.image, c.image, true) && text(at, l.format, c.format) &&
              text(at, l.value, c.value) && field(at, l.key, c.keyCode) &&
              field(at, l.colour1, c.colour1) && field(at, l.colour2, c.colour2) &&
              field(at, l.low, c.low) && field(at, l.high, c.high) && field(at, l.step, c.step) &&
              field(at, l.child, childAt);
    if (!ok) return false;
    if (l.rect >= 0) {
      const auto r = static_cast<std::uint32_t>(l.rect);
      if (!i32(at + r, c.rect.x) || !i32(at + r + 4, c.rect.y) || !i32(at + r + 8, c.rect.width) ||
          !i32(at + r + 12, c.rect.height)) {
        return false;
      }
    }
    if (l.drop >= 0 && !u8(at + static_cast<std::uint32_t>(l.drop), c.dropCount)) return false;
    if (l.band) {
      ok = field(at, L::kBandFlags, c.band.flags) &&
           field(at, L::kBandPrintBefore, c.band.printBefore) &&
           field(at, L::kBandPrintAfter, c.band.printAfter) &&
           field(at, L::kBandKeep, c.band.keepWithPrevious) &&
           field(at, L::kBandBeforePage, c.band.beforePage) &&
           field(at, L::kBandAfterPage, c.band.afterPage);
      if (!ok) return false;
    }
    if (vtAt != 0) {
      if (in(vtAt, L::kValueTypeSize) < 0) return fail("value type outside the blob", vtAt);
      ValueType v;
      std::uint8_t code = 0;
      if (!u8(vtAt, code) || !u32(vtAt + 1, v.size)) return false;
      v.typeCode = code;
      c.valueType = v;
    }
    return readControls(childAt, depth + 1, c.children);
  }
};

}  // namespace

ParseResult parseModule(std::span<const std::uint8_t> bytes) {
  return Reader(bytes).run();
}

std::string blobKey(std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == 0) return std::string(reinterpret_cast<const char*>(bytes.data()), i);
  }
  return {};
}

}  // namespace dw::resfmt
