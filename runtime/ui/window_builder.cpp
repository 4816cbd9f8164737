// Window records to windows (see window_builder.h).
#include "runtime/ui/window_builder.h"

#include "runtime/ui/control_registry.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_resource.h"

namespace dw::ui {

namespace {

MenuEntry convertMenu(const resfmt::MenuEntry& in) {
  MenuEntry out;
  out.kind = in.kind == resfmt::MenuEntry::Kind::Menu ? MenuEntry::Kind::Menu
             : in.isSeparator()                       ? MenuEntry::Kind::Separator
                                                      : MenuEntry::Kind::Item;
  out.field = in.field;
  out.text = in.text;
  out.statusText = in.status;
  out.keyCode = in.keyCode;
  out.standardAction = in.standardAction;
  for (const resfmt::MenuEntry& e : in.entries) out.items.push_back(convertMenu(e));
  return out;
}

ControlState convertControl(const resfmt::ControlRecord& r, int parent) {
  ControlState s;
  s.type = static_cast<ControlType>(r.type);
  s.field = r.field;
  s.parent = parent;
  s.rect = {r.rect.x, r.rect.y, r.rect.width, r.rect.height};
  s.text = r.text;
  s.picture = r.picture;
  s.statusText = r.status;
  s.icon = r.type == resfmt::ControlType::Image ? r.image : r.icon;
  s.keyCode = r.keyCode;
  s.helpTopic = r.helpTopic;
  s.dropCount = r.dropCount;
  s.format = r.format;
  s.value = r.value;
  s.attributes = r.attributes;
  if (r.high > r.low) {
    s.rangeLow = r.low;
    s.rangeHigh = r.high;
  }
  return s;
}

void addControls(const std::vector<resfmt::ControlRecord>& records, int parent,
                 std::vector<std::unique_ptr<Control>>& out) {
  for (const resfmt::ControlRecord& r : records) {
    std::unique_ptr<Control> c = createControl(convertControl(r, parent));
    if (!c) continue;
    const int index = static_cast<int>(out.size());
    out.push_back(std::move(c));
    addControls(r.children, index, out);
  }
}

}  // namespace

BuiltWindow buildWindow(const resfmt::WindowRecord& r, WindowKind kind) {
  BuiltWindow b;
  WindowDesc& d = b.desc;
  d.kind = kind;
  d.label = r.label;
  d.title = r.title;
  d.icon = r.icon;
  d.unit = static_cast<Unit>(r.unit());
  d.x = r.x;
  d.y = r.y;
  d.width = r.width;
  d.height = r.height;
  if (r.font) {
    d.fontFace = r.font->typeface;
    d.fontSize = r.font->pointSize;
  }
  d.reportsMoves = (r.attributes & resfmt::wa::kReportsMoves) != 0;
  d.modal = r.isModal();
  d.timerPeriod = r.timer;
  d.statusText = r.status;
  d.helpTopic = r.helpTopic;
  d.statusZones = r.statusZones;
  if (r.menuBar)
    for (const resfmt::MenuEntry& m : r.menuBar->menus) d.menuBar.push_back(convertMenu(m));
  if (r.toolBar) {
    for (const resfmt::ControlRecord& c : r.toolBar->controls) {
      ToolEntry t;
      t.field = c.field;
      t.text = c.text;
      t.statusText = c.status;
      if (c.type == resfmt::ControlType::Image) {
        t.kind = ToolEntry::Kind::Image;
        t.icon = c.image;
      } else {
        t.kind = ToolEntry::Kind::Button;
        t.icon = c.icon;
      }
      d.toolBar.push_back(std::move(t));
    }
  }
  addControls(r.controls, -1, b.controls);
  return b;
}

Window& openWindow(std::string_view moduleKey, std::string_view label, WindowKind kind) {
  const WindowResource resource = requireWindow(moduleKey, label);
  BuiltWindow built = buildWindow(*resource.record, kind);
  return runtime().open(std::move(built.desc), std::move(built.controls));
}

}  // namespace dw::ui
