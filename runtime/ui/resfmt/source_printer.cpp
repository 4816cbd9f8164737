// Prints a Module in the resource source language (docs/resource-source.md).
// The printer follows the same field-number count as the compiler and
// writes "field N" (or "numbered" for a menu) only where a record departs
// from it, so that printing is stable under a compile/print round trip.
#include <cstdio>
#include <string>

#include "runtime/ui/resfmt/record_layout.h"
#include "runtime/ui/resfmt/resource_source.h"

namespace dw::resfmt {

namespace {

namespace L = layout;

std::string quote(std::string_view s) {
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string hexNumber(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

std::string colour(std::int32_t v) {
  return v < 0 ? std::to_string(v) : hexNumber(static_cast<std::uint32_t>(v));
}

std::string coordinate(std::int32_t v, const char* special) {
  return v == kSystemPlaced ? special : std::to_string(v);
}

std::string reference(const std::string& text) {
  const Reference r = decodeReference(text);
  if (r.kind == Reference::Kind::Stock) return "stock " + std::to_string(r.number);
  if (r.kind == Reference::Kind::ResourceNumber) return "resource " + std::to_string(r.number);
  return quote(text);
}

bool isBareLabel(std::string_view s) {
  if (s.empty() || !((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z') || s[0] == '_'))
    return false;
  for (char c : s) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '$' || c == '.' || c == ':';
    if (!ok) return false;
  }
  return true;
}

std::string valueType(const ValueType& v) {
  static const std::pair<std::uint8_t, const char*> kNames[] = {
      {vt::kByte, "byte"},       {vt::kShort, "short"},   {vt::kLong, "long"},
      {vt::kDecimal, "decimal"}, {vt::kString, "string"}, {vt::kCString, "cstring"}};
  std::string type = std::to_string(v.typeCode);
  for (const auto& [code, name] : kNames) {
    if (code == v.typeCode) type = name;
  }
  return "var " + type + " " + std::to_string(v.size);
}

class Printer {
 public:
  std::string run(const Module& m) {
    m_out = "module " + quote(m.key) + "\n";
    for (const WindowRecord& w : m.windows) printWindow(w);
    return std::move(m_out);
  }

 private:
  std::string m_out;

  void line(int indent, const std::string& s) {
    m_out.append(static_cast<std::size_t>(indent) * 2, ' ');
    m_out += s;
    m_out += '\n';
  }

  void printWindow(const WindowRecord& w) {
    const std::string label = isBareLabel(w.label) ? w.label : quote(w.label);
    m_out += '\n';
    line(0, std::string(w.kind == RecordKind::Window ? "window " : "report ") + label + " {");
    if (!w.title.empty()) line(1, "title " + quote(w.title));
    if (!w.icon.empty()) line(1, "icon " + reference(w.icon));
    if (!w.cursor.empty()) line(1, "cursor " + reference(w.cursor));
    if (w.font) {
      std::string f = "font " + quote(w.font->typeface) + " " + std::to_string(w.font->pointSize);
      if (w.font->colour != -1 || w.font->weight != -1) {
        f += " " + colour(w.font->colour) + " " + std::to_string(w.font->weight);
      }
      line(1, f);
    }
    line(1, "at " + coordinate(w.x, "system") + " " + coordinate(w.y, "system"));
    line(1, "size " + coordinate(w.width, "natural") + " " + coordinate(w.height, "natural"));
    if (w.attributes != 0) line(1, "attr " + hexNumber(w.attributes));
    if (w.createAttributes != 0) line(1, "create " + hexNumber(w.createAttributes));
    if (w.extendedAttributes != 0) line(1, "extended " + hexNumber(w.extendedAttributes));
    if (!w.status.empty()) line(1, "status " + quote(w.status));
    if (!w.helpTopic.empty()) line(1, "help " + quote(w.helpTopic));
    if (w.palette != 0) line(1, "palette " + std::to_string(w.palette));
    if (w.timer != 0) line(1, "timer " + std::to_string(w.timer));
    if (w.paperKind != 0 || w.paperWidth != 0 || w.paperLength != 0) {
      std::string p = "paper " + std::to_string(w.paperKind);
      if (w.paperWidth != 0 || w.paperLength != 0) {
        p += " " + std::to_string(w.paperWidth) + " " + std::to_string(w.paperLength);
      }
      line(1, p);
    }
    if (!w.values.empty()) line(1, "values" + numbers(w.values));
    if (!w.statusZones.empty()) line(1, "zones" + numbers(w.statusZones));
    std::int32_t menuCount = -1, controlCount = 1;
    if (w.menuBar) {
      line(1, "menubar {");
      if (w.menuBar->attributes != 0) line(2, "attr " + hexNumber(w.menuBar->attributes));
      printMenuEntries(w.menuBar->menus, 2, menuCount);
      line(1, "}");
    }
    if (w.toolBar) {
      line(1, "toolbar {");
      if (w.toolBar->height != kSystemPlaced) {
        line(2, "height " + std::to_string(w.toolBar->height));
      }
      if (w.toolBar->attributes != 0) line(2, "attr " + hexNumber(w.toolBar->attributes));
      for (const ControlRecord& c : w.toolBar->controls) printControl(c, 2, menuCount, -1);
      line(1, "}");
    }
    for (const ControlRecord& c : w.controls) printControl(c, 1, controlCount, 1);
    line(0, "}");
  }

  static std::string numbers(const std::vector<std::int32_t>& values) {
    std::string s;
    for (std::int32_t v : values) {
      s += ' ';
      s += std::to_string(v);
    }
    return s;
  }

  void printMenuEntries(const std::vector<MenuEntry>& entries, int indent, std::int32_t& count) {
    for (const MenuEntry& e : entries) {
      const bool isMenu = e.kind == MenuEntry::Kind::Menu;
      const bool separator = !isMenu && (e.attributes & MenuEntry::kSeparatorBit) && e.text.empty();
      std::string head = separator ? "separator" : isMenu ? "menu" : "item";
      if (!separator && !e.text.empty()) head += " " + quote(e.text);
      std::vector<std::string> props;
      if (isMenu) {
        if (e.field != 0 && e.field == count) {
          props.push_back("numbered");
          count = stepField(count, -1);
        } else if (e.field != 0) {
          props.push_back("field " + std::to_string(e.field));
          count = stepField(e.field, -1);
        }
      } else if (separator) {
        if (e.field != 0) props.push_back("field " + std::to_string(e.field));
      } else {
        const std::int32_t expected = count;
        count = stepField(count, -1);
        if (e.field != expected) {
          props.push_back("field " + std::to_string(e.field));
          if (e.field != 0) count = stepField(e.field, -1);
        }
      }
      const std::uint32_t defaultAttr = separator ? MenuEntry::kSeparatorBit : 0;
      if (e.attributes != defaultAttr) props.push_back("attr " + hexNumber(e.attributes));
      if (!e.status.empty()) props.push_back("status " + quote(e.status));
      if (!isMenu && e.keyCode != 0) props.push_back("key " + std::to_string(e.keyCode));
      if (e.standardAction != 0) props.push_back("action " + std::to_string(e.standardAction));
      if (isMenu && !e.entries.empty()) {
        line(indent, head + " {");
        for (const std::string& p : props) line(indent + 1, p);
        printMenuEntries(e.entries, indent + 1, count);
        line(indent, "}");
      } else if (isMenu) {
        // An empty menu keeps its braces so that it is not read as an item.
        line(indent, head + " {" + joined(props) + " }");
      } else {
        line(indent, props.empty() ? head : head + " {" + joined(props) + " }");
      }
    }
  }

  static std::string joined(const std::vector<std::string>& props) {
    std::string s;
    for (const std::string& p : props) s += " " + p;
    return s;
  }

  void printControl(const ControlRecord& c, int indent, std::int32_t& count, int direction) {
    const L::ControlLayout* l = L::controlLayout(static_cast<std::uint8_t>(c.type));
    if (l == nullptr) return;
    std::string head(controlTypeName(c.type));
    if (l->image >= 0) {
      if (!c.image.empty()) head += " " + reference(c.image);
    } else if (l->text >= 0 && !c.text.empty()) {
      head += " " + quote(c.text);
    }
    std::vector<std::string> props;
    if (c.type != ControlType::Tab) {
      const std::int32_t expected = count;
      count = stepField(count, direction);
      if (c.field != expected) {
        props.push_back("field " + std::to_string(c.field));
        if (c.field != 0) count = stepField(c.field, direction);
      }
    } else if (c.field != 0) {
      props.push_back("field " + std::to_string(c.field));
    }
    if (l->rect >= 0) {
      props.push_back("at " + coordinate(c.rect.x, "system") + " " +
                      coordinate(c.rect.y, "system"));
      props.push_back("size " + coordinate(c.rect.width, "natural") + " " +
                      coordinate(c.rect.height, "natural"));
    }
    controlProperties(c, *l, props);
    if (c.children.empty()) {
      line(indent, props.empty() ? head : head + " {" + joined(props) + " }");
      return;
    }
    line(indent, head + " {");
    for (const std::string& p : props) line(indent + 1, p);
    for (const ControlRecord& child : c.children) printControl(child, indent + 1, count, direction);
    line(indent, "}");
  }

  static void controlProperties(const ControlRecord& c, const L::ControlLayout& l,
                                std::vector<std::string>& props) {
    if (c.attributes != 0) props.push_back("attr " + hexNumber(c.attributes));
    if (l.valueType >= 0 && c.valueType) props.push_back(valueType(*c.valueType));
    if (l.picture >= 0 && !c.picture.empty()) props.push_back("picture " + quote("@" + c.picture));
    if (l.status >= 0 && !c.status.empty()) props.push_back("status " + quote(c.status));
    if (l.icon >= 0 && !c.icon.empty()) props.push_back("icon " + reference(c.icon));
    if (l.format >= 0 && !c.format.empty()) props.push_back("format " + quote(c.format));
    if (l.value >= 0 && !c.value.empty()) props.push_back("value " + quote(c.value));
    if (l.key >= 0 && c.keyCode != 0) props.push_back("key " + std::to_string(c.keyCode));
    if (l.drop >= 0 && c.dropCount != 0) props.push_back("drop " + std::to_string(c.dropCount));
    if (l.colour1 >= 0 && c.colour1 != -1) props.push_back("colour " + colour(c.colour1));
    if (l.colour2 >= 0 && c.colour2 != -1) props.push_back("fill " + colour(c.colour2));
    if (l.low >= 0 && (c.low != 0 || c.high != 0)) {
      props.push_back("range " + std::to_string(c.low) + " " + std::to_string(c.high));
    }
    if (l.step >= 0 && c.step != 0) props.push_back("step " + std::to_string(c.step));
    if (!c.helpTopic.empty()) props.push_back("help " + quote(c.helpTopic));
    if (l.band) {
      const BandInfo& b = c.band;
      if (b.flags != 0) props.push_back("flags " + hexNumber(static_cast<std::uint32_t>(b.flags)));
      if (b.printBefore != 0) props.push_back("before " + std::to_string(b.printBefore));
      if (b.printAfter != 0) props.push_back("after " + std::to_string(b.printAfter));
      if (b.keepWithPrevious != 0) props.push_back("keep " + std::to_string(b.keepWithPrevious));
      if (b.beforePage != 0) props.push_back("beforepage " + std::to_string(b.beforePage));
      if (b.afterPage != 0) props.push_back("afterpage " + std::to_string(b.afterPage));
    }
  }
};

}  // namespace

std::string printSource(const Module& module) {
  return Printer().run(module);
}

}  // namespace dw::resfmt
