// Every check box and radio button of every window resource shows its
// whole caption: the width Qt needs for the box and its text, in the
// window's own font, fits in the control's width as the runtime converts
// dialog units to pixels (a quarter of the average width of the font's 52
// letters per unit).  A caption cut at its right edge is a fault a user sees first.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QRadioButton>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/platform/resource_table.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/resfmt/window_record.h"
#include "runtime/ui/window_resource.h"
#include "tests/qt/qt_fixture.h"

namespace dw::ui::qt {
namespace {

namespace rf = dw::resfmt;

struct Cut {
  std::string where;
  int needed;
  int given;
};

void collect(const std::vector<rf::ControlRecord>& records, const QFont& font, int charWidth,
             const std::string& window, std::vector<Cut>& cuts, int& checked) {
  for (const rf::ControlRecord& r : records) {
    collect(r.children, font, charWidth, window, cuts, checked);
    if (r.text.empty() || r.rect.width <= 0) continue;
    int needed = 0;
    if (r.type == rf::ControlType::Check) {
      QCheckBox box(QString::fromStdString(r.text));
      box.setFont(font);
      needed = box.sizeHint().width();
    } else if (r.type == rf::ControlType::Radio) {
      QRadioButton radio(QString::fromStdString(r.text));
      radio.setFont(font);
      needed = radio.sizeHint().width();
    } else {
      continue;
    }
    ++checked;
    const int given = r.rect.width * charWidth / 4;
    if (needed > given) cuts.push_back({window + " \"" + r.text + "\"", needed, given});
  }
}

TEST(CaptionsFit, EveryCheckBoxAndRadioShowsItsWholeCaption) {
  app();
  std::vector<Cut> cuts;
  int checked = 0;
  for (const dw::res::Resource* res : dw::res::resourcesOfType(ui::kWindowResourceType)) {
    const rf::ParseResult parsed = rf::parseModule(res->bytes);
    ASSERT_TRUE(parsed.module) << res->name;
    for (const rf::WindowRecord& w : parsed.module->windows) {
      if (w.kind != rf::RecordKind::Window || w.unit() != rf::Unit::DialogUnits) continue;
      QFont font = QApplication::font();
      if (w.font && !w.font->typeface.empty())
        font.setFamily(QString::fromStdString(w.font->typeface));
      if (w.font && w.font->pointSize > 0) font.setPointSize(w.font->pointSize);
      const int charWidth = std::max(
          1, averageWidthFromLetters(QFontMetrics(font).horizontalAdvance(
                 QStringLiteral("abcdefghijklmnopqrstuvwxyz"
                                "ABCDEFGHIJKLMNOPQRSTUVWXYZ"))));
      collect(w.controls, font, charWidth, w.label, cuts, checked);
    }
  }
  EXPECT_GT(checked, 20);
  for (const Cut& c : cuts)
    ADD_FAILURE() << c.where << " needs " << c.needed << " pixels, has " << c.given;
}

}  // namespace
}  // namespace dw::ui::qt
