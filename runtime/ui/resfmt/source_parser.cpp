// The compiler of the resource source language (docs/resource-source.md):
// a tokenizer and a recursive-descent parser that builds a Module.  The
// first error stops the compile and is reported with its line: the line of
// the token it is found at, or of the token just read when the error is
// about that token (a number out of range, a second menu bar).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/ui/resfmt/record_layout.h"
#include "runtime/ui/resfmt/resource_source.h"

namespace dw::resfmt {

std::string SourceError::text() const {
  return file + ":" + std::to_string(line) + ": " + message;
}

namespace {

namespace L = layout;

enum class Tok { Word, Number, String, Open, Close, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;
  std::int64_t number = 0;
  int line = 0;
};

bool isWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isWordChar(char c) {
  return isWordStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '.' || c == ':';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits the source into tokens; returns false with `error` on a bad one.
bool tokenize(std::string_view s, std::vector<Token>& out, SourceError& error) {
  int line = 1;
  std::size_t i = 0;
  const auto bad = [&](std::string message) {
    error.line = line;
    error.message = std::move(message);
    return false;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == '{' || c == '}') {
      out.push_back({c == '{' ? Tok::Open : Tok::Close, std::string(1, c), 0, line});
      ++i;
    } else if (isDigit(c) || (c == '-' && i + 1 < s.size() && isDigit(s[i + 1]))) {
      const bool negative = c == '-';
      if (negative) ++i;
      std::int64_t v = 0;
      int base = 10;
      if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
      }
      std::size_t digits = 0;
      while (i < s.size() && hexValue(s[i]) >= 0 && hexValue(s[i]) < base) {
        v = v * base + hexValue(s[i]);
        ++i;
        if (++digits > 10) return bad("number too large");
      }
      if (digits == 0 || (i < s.size() && isWordChar(s[i]))) return bad("malformed number");
      if (negative) v = -v;
      if (v < -2147483648LL || v > 0xFFFFFFFFLL) return bad("number out of range");
      out.push_back({Tok::Number, "", v, line});
    } else if (isWordStart(c)) {
      std::size_t start = i;
      while (i < s.size() && isWordChar(s[i])) ++i;
      out.push_back({Tok::Word, std::string(s.substr(start, i - start)), 0, line});
    } else if (c == '"') {
      Token t{Tok::String, "", 0, line};
      ++i;
      for (;;) {
        if (i >= s.size() || s[i] == '\n') return bad("unterminated string");
        char ch = s[i++];
        if (ch == '"') break;
        if (ch == 0) return bad("a text cannot hold a zero byte");
        if (ch == '\\') {
          if (i >= s.size()) return bad("unterminated string");
          const char e = s[i++];
          if (e == 'n') {
            ch = '\n';
          } else if (e == 't') {
            ch = '\t';
          } else if (e == 'x') {
            if (i + 1 >= s.size() || hexValue(s[i]) < 0 || hexValue(s[i + 1]) < 0) {
              return bad("expected two hex digits after \\x");
            }
            ch = static_cast<char>(hexValue(s[i]) * 16 + hexValue(s[i + 1]));
            i += 2;
            if (ch == 0) return bad("a text cannot hold a zero byte");
          } else if (e == '"' || e == '\\') {
            ch = e;
          } else {
            return bad(std::string("unknown escape \\") + e);
          }
        }
        t.text.push_back(ch);
      }
      out.push_back(std::move(t));
    } else {
      return bad(std::string("unexpected character '") + c + "'");
    }
  }
  out.push_back({Tok::End, "", 0, line});
  return true;
}

std::string describe(const Token& t) {
  switch (t.kind) {
    case Tok::Word:
      return "'" + t.text + "'";
    case Tok::Number:
      return "a number";
    case Tok::String:
      return "a text";
    case Tok::Open:
      return "'{'";
    case Tok::Close:
      return "'}'";
    case Tok::End:
      return "the end of the file";
  }
  return "";
}

const L::ControlLayout* controlKind(const std::string& word) {
  for (const L::ControlLayout& l : L::kControls) {
    if (controlTypeName(static_cast<ControlType>(l.type)) == word) return &l;
  }
  return nullptr;
}

struct NamedType {
  const char* name;
  std::uint8_t code;
};
constexpr NamedType kValueTypes[] = {{"byte", vt::kByte},     {"short", vt::kShort},
                                     {"long", vt::kLong},     {"decimal", vt::kDecimal},
                                     {"string", vt::kString}, {"cstring", vt::kCString}};

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::string file, const CompileOptions& options)
      : m_tokens(std::move(tokens)), m_options(options) {
    m_error.file = std::move(file);
  }

  CompileResult run() {
    CompileResult result;
    Module m;
    if (parseModule(m)) {
      result.module = std::move(m);
      result.names = std::move(m_names);
    } else {
      result.error = m_error;
    }
    return result;
  }

 private:
  std::vector<Token> m_tokens;
  std::size_t m_pos = 0;
  SourceError m_error;
  const CompileOptions& m_options;
  std::vector<NamedField> m_names;
  // The record being compiled, and the containers around the control
  // being compiled (innermost last).
  const WindowRecord* m_record = nullptr;
  std::vector<ControlType> m_containers;

  const Token& peek() const { return m_tokens[m_pos]; }
  const Token& take() { return m_tokens[m_pos < m_tokens.size() - 1 ? m_pos++ : m_pos]; }
  bool at(Tok kind) const { return peek().kind == kind; }
  bool atWord(std::string_view w) const { return at(Tok::Word) && peek().text == w; }

  bool fail(const std::string& message) {
    m_error.line = peek().line;
    m_error.message = message;
    return false;
  }
  // An error about the token just read.
  bool failAfter(const std::string& message) {
    m_error.line = m_tokens[m_pos > 0 ? m_pos - 1 : 0].line;
    m_error.message = message;
    return false;
  }
  bool expected(const std::string& what) {
    return fail("expected " + what + ", found " + describe(peek()));
  }
  // A value missing after the word or number just read: the error belongs
  // to that token's line, not to the line where something else follows.
  bool expectedAfter(const std::string& what) {
    return failAfter("expected " + what + ", found " + describe(peek()));
  }

  bool open() { return at(Tok::Open) ? (take(), true) : expected("'{'"); }

  bool number(std::int32_t& out, const std::string& after) {
    if (!at(Tok::Number)) return expectedAfter("a number after '" + after + "'");
    out = static_cast<std::int32_t>(static_cast<std::uint32_t>(take().number));
    return true;
  }
  bool number(std::uint32_t& out, const std::string& after) {
    std::int32_t v = 0;
    if (!number(v, after)) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
  }
  bool text(std::string& out, const std::string& after) {
    if (!at(Tok::String)) return expectedAfter("a text after '" + after + "'");
    out = take().text;
    return true;
  }
  // A number or the word `special` (standing for kSystemPlaced).
  bool coordinate(std::int32_t& out, const std::string& after, std::string_view special) {
    if (atWord(special)) {
      take();
      out = kSystemPlaced;
      return true;
    }
    if (!at(Tok::Number)) {
      return expectedAfter("a number or '" + std::string(special) + "' after '" + after + "'");
    }
    return number(out, after);
  }
  bool pair(std::int32_t& a, std::int32_t& b, const std::string& after, std::string_view special) {
    return coordinate(a, after, special) && coordinate(b, after, special);
  }
  // A text, "stock N" or "resource N".
  bool reference(std::string& out, const std::string& after) {
    if (atWord("stock") || atWord("resource")) {
      const bool stock = take().text == "stock";
      std::int32_t n = 0;
      if (!number(n, stock ? "stock" : "resource")) return false;
      // A numbered reference stores its number + 1 in 16 bits: 65535 is stored as 0.
      if (n < 0 || n > 0xFFFF) return failAfter("reference number out of range");
      out = stock ? stockReference(static_cast<std::uint16_t>(n))
                  : numberedReference(static_cast<std::uint16_t>(n));
      return true;
    }
    if (!text(out, after)) return false;
    if (out.size() >= 2 && static_cast<unsigned char>(out[0]) == L::kRefEscape &&
        (out[1] == L::kRefStock || out[1] == L::kRefNumber)) {
      --m_pos;
      return fail("write a stock or numbered reference as 'stock N' or 'resource N'");
    }
    return true;
  }
  bool numberList(std::vector<std::int32_t>& out) {
    while (at(Tok::Number)) out.push_back(static_cast<std::int32_t>(take().number));
    return true;
  }

  bool parseModule(Module& m) {
    if (!atWord("module")) return expected("'module'");
    take();
    if (!text(m.key, "module")) return false;
    if (!m_options.lenient && m.key.find('$') == std::string::npos) {
      return failAfter("a module key is the module file name, \"$\" and the module name");
    }
    while (!at(Tok::End)) {
      if (!atWord("window") && !atWord("report")) return expected("'window' or 'report'");
      WindowRecord w;
      w.kind = take().text == "window" ? RecordKind::Window : RecordKind::Report;
      if (at(Tok::Word) || at(Tok::String)) {
        w.label = take().text;
      } else {
        return expectedAfter("a label");
      }
      if (w.label.empty() && !m_options.lenient) return failAfter("a label cannot be empty");
      if (m.find(w.label) != nullptr) return failAfter("a second record labelled " + w.label);
      m_record = &w;
      if (!parseWindow(w)) return false;
      m_record = nullptr;
      m.windows.push_back(std::move(w));
    }
    return true;
  }

  bool parseWindow(WindowRecord& w) {
    if (!open()) return false;
    std::int32_t controlCount = 1, menuCount = -1;
    while (!at(Tok::Close)) {
      if (!at(Tok::Word)) return expected("a window property or a control");
      const std::string key = peek().text;
      if (const L::ControlLayout* l = controlKind(key)) {
        take();
        w.controls.emplace_back();
        if (!parseControl(*l, w.controls.back(), controlCount, 1, 0)) return false;
        continue;
      }
      take();
      bool ok = true;
      if (key == "title") {
        ok = text(w.title, key);
      } else if (key == "icon") {
        ok = reference(w.icon, key);
      } else if (key == "cursor") {
        ok = reference(w.cursor, key);
      } else if (key == "status") {
        ok = text(w.status, key);
      } else if (key == "help") {
        ok = text(w.helpTopic, key);
      } else if (key == "at") {
        ok = pair(w.x, w.y, key, "system");
      } else if (key == "size") {
        ok = pair(w.width, w.height, key, "natural");
      } else if (key == "attr") {
        ok = number(w.attributes, key);
      } else if (key == "create") {
        ok = number(w.createAttributes, key);
      } else if (key == "extended") {
        ok = number(w.extendedAttributes, key);
      } else if (key == "palette") {
        ok = number(w.palette, key);
      } else if (key == "timer") {
        ok = number(w.timer, key);
      } else if (key == "paper") {
        ok = number(w.paperKind, key);
        if (ok && at(Tok::Number)) ok = number(w.paperWidth, key) && number(w.paperLength, key);
      } else if (key == "values") {
        ok = numberList(w.values);
      } else if (key == "zones") {
        ok = numberList(w.statusZones);
      } else if (key == "font") {
        FontRecord f;
        ok = text(f.typeface, key) && number(f.pointSize, key);
        if (ok && at(Tok::Number)) ok = number(f.colour, key);
        if (ok && at(Tok::Number)) ok = number(f.weight, key);
        w.font = std::move(f);
      } else if (key == "menubar") {
        if (w.menuBar) return failAfter("a second menu bar");
        // Tool bar buttons continue the menu bar's count, so the menu bar
        // has to be numbered first.
        if (w.toolBar && !m_options.lenient) {
          return failAfter("the menu bar comes before the tool bar");
        }
        w.menuBar.emplace();
        ok = parseMenuBar(*w.menuBar, menuCount);
      } else if (key == "toolbar") {
        if (w.toolBar) return failAfter("a second tool bar");
        w.toolBar.emplace();
        ok = parseToolBar(*w.toolBar, menuCount);
      } else {
        --m_pos;
        return expected("a window property or a control");
      }
      if (!ok) return false;
    }
    take();
    return true;
  }

  bool parseMenuBar(MenuBar& bar, std::int32_t& count) {
    if (!open()) return false;
    while (atWord("attr")) {
      take();
      if (!number(bar.attributes, "attr")) return false;
    }
    return parseMenuEntries(bar.menus, count, 1);
  }

  // Entries up to and including the closing brace.
  bool parseMenuEntries(std::vector<MenuEntry>& out, std::int32_t& count, int depth) {
    if (depth > kMaxNesting) return fail("menus nested too deeply");
    while (!at(Tok::Close)) {
      if (!atWord("menu") && !atWord("item") && !atWord("separator")) {
        return expected("'menu', 'item' or 'separator'");
      }
      const std::string kind = take().text;
      MenuEntry e;
      e.kind = kind == "menu" ? MenuEntry::Kind::Menu : MenuEntry::Kind::Item;
      if (kind == "separator") e.attributes = MenuEntry::kSeparatorBit;
      if (kind != "separator" && at(Tok::String)) e.text = take().text;
      if (kind == "item") {
        e.field = count;
        count = stepField(count, -1);
      }
      if (at(Tok::Open)) {
        take();
        if (!parseMenuBody(e, kind, count, depth)) return false;
      }
      if (kind == "separator") e.attributes |= MenuEntry::kSeparatorBit;
      out.push_back(std::move(e));
    }
    take();
    return true;
  }

  bool parseMenuBody(MenuEntry& e, const std::string& kind, std::int32_t& count, int depth) {
    const bool isMenu = kind == "menu";
    std::optional<NamedField> name;
    // The name is recorded once the entry's number is final.
    const auto finish = [&] { return !name || addName(*name, e.field, kind); };
    while (at(Tok::Word)) {
      const std::string key = peek().text;
      if (isMenu && (key == "menu" || key == "item" || key == "separator")) {
        if (!finish()) return false;
        return parseMenuEntries(e.entries, count, depth + 1);
      }
      take();
      bool ok = true;
      if (key == "name") {
        ok = fieldName(name);
      } else if (key == "status") {
        ok = text(e.status, key);
      } else if (key == "text") {
        ok = text(e.text, key);
      } else if (key == "action") {
        ok = number(e.standardAction, key);
      } else if (key == "attr") {
        ok = number(e.attributes, key);
      } else if (key == "key" && !isMenu) {
        ok = number(e.keyCode, key);
      } else if (key == "numbered" && isMenu) {
        if (e.field != 0 || !e.entries.empty()) return failAfter("'numbered' comes first, once");
        e.field = count;
        count = stepField(count, -1);
      } else if (key == "field") {
        ok = number(e.field, key);
        if (ok && kind != "separator" && e.field != 0) count = stepField(e.field, -1);
      } else {
        --m_pos;
        return expected("a property of a " + kind);
      }
      if (!ok) return false;
    }
    if (!at(Tok::Close)) return expected("'}'");
    take();
    return finish();
  }

  // "name WORD": reads the name into `out` (once per record).
  bool fieldName(std::optional<NamedField>& out) {
    if (out) return failAfter("a second 'name'");
    if (!at(Tok::Word)) return expectedAfter("a name after 'name'");
    const Token& t = take();
    if (!isValidFieldName(t.text)) {
      return failAfter("'" + t.text +
                       "' is not a field name (an upper-case letter, then letters, digits, '_')");
    }
    out = NamedField{m_record ? m_record->label : std::string(), t.text, 0, t.line};
    return true;
  }
  // Records a name with the field number it ended up with.
  bool addName(NamedField name, std::int32_t field, const std::string& what) {
    const auto error = [&](const std::string& message) {
      m_error.line = name.line;
      m_error.message = message;
      return false;
    };
    if (field == 0) return error("a " + what + " without a field number cannot be named");
    for (const NamedField& n : m_names) {
      if (n.name == name.name) {
        return error("a second field named " + name.name + " (the first is on line " +
                     std::to_string(n.line) + ")");
      }
    }
    name.field = field;
    m_names.push_back(std::move(name));
    return true;
  }
  // The structural rules of where a control may stand.
  bool placementAllowed(ControlType type, const std::string& name) {
    if (m_options.lenient) return true;
    const ControlType* parent = m_containers.empty() ? nullptr : &m_containers.back();
    const bool report = m_record && m_record->kind == RecordKind::Report;
    const layout::ControlLayout* l = layout::controlLayout(static_cast<std::uint8_t>(type));
    if (type == ControlType::Tab && (!parent || *parent != ControlType::Sheet)) {
      return failAfter("a tab stands only in a sheet");
    }
    if (type != ControlType::Tab && parent && *parent == ControlType::Sheet) {
      return failAfter("a sheet holds only tabs");
    }
    if (type == ControlType::Radio && (!parent || *parent != ControlType::OptionGroup)) {
      return failAfter("a radio stands only in an option group");
    }
    if (l && l->band && !report) return failAfter("a " + name + " band stands only in a report");
    if (report &&
        (type == ControlType::Button || type == ControlType::Entry || type == ControlType::Spin ||
         type == ControlType::Sheet || type == ControlType::Region)) {
      return failAfter("a report has no " + name + " (it takes no input)");
    }
    return true;
  }

  bool parseToolBar(ToolBar& bar, std::int32_t& count) {
    if (!open()) return false;
    while (!at(Tok::Close)) {
      if (!at(Tok::Word)) return expected("a tool bar property or a control");
      const std::string key = take().text;
      if (const L::ControlLayout* l = controlKind(key)) {
        bar.controls.emplace_back();
        if (!parseControl(*l, bar.controls.back(), count, 1, -1)) return false;
      } else if (key == "height") {
        if (!coordinate(bar.height, key, "natural")) return false;
      } else if (key == "attr") {
        if (!number(bar.attributes, key)) return false;
      } else {
        --m_pos;
        return expected("a tool bar property or a control");
      }
    }
    take();
    return true;
  }

  bool parseControl(const L::ControlLayout& l, ControlRecord& c, std::int32_t& count, int depth,
                    int direction);
  bool controlProperty(const std::string& key, const L::ControlLayout& l, ControlRecord& c,
                       std::int32_t& count, int direction);
};

// `direction` is +1 for window controls and -1 for tool bar controls (0 is
// taken as +1).
bool Parser::parseControl(const L::ControlLayout& l, ControlRecord& c, std::int32_t& count,
                          int depth, int direction) {
  if (direction == 0) direction = 1;
  if (depth > kMaxNesting) return fail("controls nested too deeply");
  c.type = static_cast<ControlType>(l.type);
  const std::string name(controlTypeName(c.type));
  if (!placementAllowed(c.type, name)) return false;
  if (at(Tok::String) || ((atWord("stock") || atWord("resource")) && l.image >= 0)) {
    if (l.image >= 0) {
      if (!reference(c.image, name)) return false;
    } else if (l.text >= 0) {
      c.text = take().text;
    } else {
      return fail("a " + name + " has no text");
    }
  }
  const bool numbered = c.type != ControlType::Tab;
  if (numbered) {
    c.field = count;
    count = stepField(count, direction);
  }
  if (!at(Tok::Open)) return true;
  take();
  std::optional<NamedField> fieldName;
  const auto finish = [&] { return !fieldName || addName(*fieldName, c.field, name); };
  while (!at(Tok::Close)) {
    if (!at(Tok::Word)) return expected("a property of a " + name);
    const std::string key = take().text;
    if (const L::ControlLayout* child = controlKind(key)) {
      if (l.child < 0) {
        --m_pos;
        return fail("a " + name + " holds no controls");
      }
      // The container's number is final before its children take theirs.
      if (c.children.empty() && !finish()) return false;
      if (c.children.empty()) fieldName.reset();
      c.children.emplace_back();
      m_containers.push_back(c.type);
      const bool ok = parseControl(*child, c.children.back(), count, depth + 1, direction);
      m_containers.pop_back();
      if (!ok) return false;
      continue;
    }
    if (key == "name") {
      if (!c.children.empty()) return failAfter("'name' comes before the controls it holds");
      if (!this->fieldName(fieldName)) return false;
      continue;
    }
    if (key == "field") {
      if (!c.children.empty()) return failAfter("'field' comes before the controls it numbers");
      if (!number(c.field, key)) return false;
      if (numbered && c.field != 0) count = stepField(c.field, direction);
      continue;
    }
    if (!controlProperty(key, l, c, count, direction)) return false;
  }
  take();
  return finish();
}

bool Parser::controlProperty(const std::string& key, const L::ControlLayout& l, ControlRecord& c,
                             std::int32_t&, int) {
  const std::string name(controlTypeName(c.type));
  const auto need = [&](int offset) {
    if (offset >= 0) return true;
    --m_pos;
    return fail("a " + name + " has no '" + key + "'");
  };
  if (key == "attr") return number(c.attributes, key);
  if (key == "help") return text(c.helpTopic, key);
  if (key == "at") return need(l.rect) && pair(c.rect.x, c.rect.y, key, "system");
  if (key == "size") return need(l.rect) && pair(c.rect.width, c.rect.height, key, "natural");
  if (key == "status") return need(l.status) && text(c.status, key);
  if (key == "text") return need(l.text) && text(c.text, key);
  if (key == "icon") return need(l.icon) && reference(c.icon, key);
  if (key == "image") return need(l.image) && reference(c.image, key);
  if (key == "format") return need(l.format) && text(c.format, key);
  if (key == "value") return need(l.value) && text(c.value, key);
  if (key == "key") return need(l.key) && number(c.keyCode, key);
  if (key == "colour") return need(l.colour1) && number(c.colour1, key);
  if (key == "fill") return need(l.colour2) && number(c.colour2, key);
  if (key == "step") return need(l.step) && number(c.step, key);
  if (key == "range") return need(l.low) && number(c.low, key) && number(c.high, key);
  if (key == "picture") {
    if (!need(l.picture) || !text(c.picture, key)) return false;
    if (!m_options.lenient && m_options.pictureValid) {
      const std::string written = c.picture;
      const std::string withAt = !written.empty() && written[0] == '@' ? written : "@" + written;
      if (!m_options.pictureValid(withAt)) return failAfter("invalid picture \"" + written + "\"");
    }
    if (!c.picture.empty() && c.picture[0] == '@') c.picture.erase(0, 1);
    return true;
  }
  if (key == "drop") {
    std::int32_t n = 0;
    if (!need(l.drop) || !number(n, key)) return false;
    if (n < 0 || n > 255) return failAfter("a drop count is 0 to 255");
    c.dropCount = static_cast<std::uint8_t>(n);
    return true;
  }
  if (key == "var") {
    if (!need(l.valueType)) return false;
    ValueType v;
    if (at(Tok::Word)) {
      const std::string t = take().text;
      bool known = false;
      for (const NamedType& n : kValueTypes) {
        if (t == n.name) {
          v.typeCode = n.code;
          known = true;
        }
      }
      if (!known) {
        --m_pos;
        return expected("a value type (long, string, ...)");
      }
    } else {
      std::int32_t code = 0;
      if (!number(code, key)) return false;
      if (code < 0 || code > 255) return failAfter("a value type code is 0 to 255");
      v.typeCode = static_cast<std::uint8_t>(code);
    }
    if (!number(v.size, key)) return false;
    c.valueType = v;
    return true;
  }
  if (l.band) {
    if (key == "flags") return number(c.band.flags, key);
    if (key == "before") return number(c.band.printBefore, key);
    if (key == "after") return number(c.band.printAfter, key);
    if (key == "keep") return number(c.band.keepWithPrevious, key);
    if (key == "beforepage") return number(c.band.beforePage, key);
    if (key == "afterpage") return number(c.band.afterPage, key);
  }
  --m_pos;
  return expected("a property of a " + name);
}

}  // namespace

bool isValidFieldName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name[0] < 'A' || name[0] > 'Z') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

CompileResult compileSource(std::string_view source, std::string_view fileName,
                            const CompileOptions& options) {
  std::vector<Token> tokens;
  SourceError error;
  error.file = std::string(fileName);
  if (!tokenize(source, tokens, error)) {
    CompileResult r;
    r.error = error;
    return r;
  }
  return Parser(std::move(tokens), std::string(fileName), options).run();
}

}  // namespace dw::resfmt
