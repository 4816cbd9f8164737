// Helpers of the in-memory window resource: control type names, the unit
// conversion of positions and sizes, and the decoding of icon, cursor and
// image references.
#include "runtime/ui/resfmt/window_record.h"

#include <algorithm>
#include <limits>

#include "runtime/ui/resfmt/record_layout.h"

namespace dw::resfmt {

namespace layout {

const ControlLayout* controlLayout(std::uint8_t type) {
  for (const ControlLayout& l : kControls) {
    if (l.type == type) return &l;
  }
  return nullptr;
}

bool isSkippedType(std::uint8_t type) {
  return std::find(std::begin(kSkippedTypes), std::end(kSkippedTypes), type) !=
         std::end(kSkippedTypes);
}

}  // namespace layout

bool isKnownControlType(std::uint8_t type) {
  return layout::controlLayout(type) != nullptr;
}

bool isContainer(ControlType type) {
  const layout::ControlLayout* l = layout::controlLayout(static_cast<std::uint8_t>(type));
  return l != nullptr && l->child >= 0;
}

std::string_view controlTypeName(ControlType type) {
  switch (type) {
    case ControlType::VariableString:
      return "display";
    case ControlType::String:
      return "string";
    case ControlType::Image:
      return "image";
    case ControlType::Region:
      return "region";
    case ControlType::Box:
      return "box";
    case ControlType::Line:
      return "line";
    case ControlType::Entry:
      return "entry";
    case ControlType::Button:
      return "button";
    case ControlType::Prompt:
      return "prompt";
    case ControlType::OptionGroup:
      return "option";
    case ControlType::Check:
      return "check";
    case ControlType::GroupBox:
      return "group";
    case ControlType::List:
      return "list";
    case ControlType::Spin:
      return "spin";
    case ControlType::Text:
      return "text";
    case ControlType::Radio:
      return "radio";
    case ControlType::Progress:
      return "progress";
    case ControlType::Sheet:
      return "sheet";
    case ControlType::Tab:
      return "tab";
    case ControlType::HeaderBand:
      return "header";
    case ControlType::FooterBand:
      return "footer";
    case ControlType::GroupBand:
      return "break";
    case ControlType::FormBand:
      return "form";
    case ControlType::DetailBand:
      return "detail";
  }
  return "";
}

const WindowRecord* Module::find(std::string_view label) const {
  for (const WindowRecord& w : windows) {
    if (w.label == label) return &w;
  }
  return nullptr;
}

UnitScale dialogUnitScale(std::int32_t averageCharWidth, std::int32_t charHeight) {
  return UnitScale{2 * averageCharWidth, charHeight, 8};
}

UnitScale deviceUnitScale(Unit unit, std::int32_t dpiX, std::int32_t dpiY) {
  std::int32_t base = 1;
  switch (unit) {
    case Unit::DialogUnits:
      base = 8;
      break;  // callers use dialogUnitScale
    case Unit::Inch25:
      base = 25;
      break;
    case Unit::Mil:
      base = 1000;
      break;
    case Unit::Points:
      base = 72;
      break;
  }
  return UnitScale{dpiX, dpiY, base};
}

namespace {

std::int32_t scaleValue(std::int32_t value, const UnitScale& scale, Axis axis) {
  const std::int64_t factor = axis == Axis::X ? scale.xScale : scale.yScale;
  const std::int64_t base = scale.base == 0 ? 1 : scale.base;
  const std::int64_t r = static_cast<std::int64_t>(value) * factor / base;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min() + 1;
  return static_cast<std::int32_t>(std::clamp(r, kMin, kMax));
}

}  // namespace

std::int32_t sizeToPixels(std::int32_t value, const UnitScale& scale, Axis axis) {
  if (value == kSystemPlaced) return 0;
  return scaleValue(value, scale, axis);
}

std::optional<std::int32_t> positionToPixels(std::int32_t value, const UnitScale& scale,
                                             Axis axis) {
  if (value == kSystemPlaced) return std::nullopt;
  return scaleValue(value, scale, axis);
}

Reference decodeReference(std::string_view text) {
  Reference r;
  if (text.empty()) return r;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  if (byte(0) == layout::kRefEscape && text.size() >= 2 &&
      (byte(1) == layout::kRefStock || byte(1) == layout::kRefNumber)) {
    const std::uint16_t lo = text.size() > 2 ? byte(2) : 0;
    const std::uint16_t hi = text.size() > 3 ? byte(3) : 0;
    const std::uint16_t value = static_cast<std::uint16_t>(lo | (hi << 8));
    if (byte(1) == layout::kRefStock) {
      r.kind = Reference::Kind::Stock;
      r.number = value;
    } else {
      r.kind = Reference::Kind::ResourceNumber;
      r.number = static_cast<std::uint16_t>(value - 1);
    }
    return r;
  }
  if (text[0] == '~') {
    r.kind = Reference::Kind::Resource;
    for (char c : text.substr(1)) {
      if (c == '.') c = '_';
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      r.name.push_back(c);
    }
    return r;
  }
  r.kind = Reference::Kind::File;
  r.name = std::string(text);
  return r;
}

namespace {
std::string escapedReference(std::uint8_t kind, std::uint16_t value) {
  std::string s;
  s.push_back(static_cast<char>(layout::kRefEscape));
  s.push_back(static_cast<char>(kind));
  s.push_back(static_cast<char>(value & 0xFF));
  s.push_back(static_cast<char>(value >> 8));
  return s;
}
}  // namespace

std::string stockReference(std::uint16_t id) {
  return escapedReference(layout::kRefStock, id);
}

std::string numberedReference(std::uint16_t number) {
  return escapedReference(layout::kRefNumber, static_cast<std::uint16_t>(number + 1));
}

}  // namespace dw::resfmt
