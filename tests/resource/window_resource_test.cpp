// The runtime lookup of window records, and the frame's own resource as the
// program embeds it.
#include "runtime/ui/window_resource.h"

#include <gtest/gtest.h>

#include <functional>

#include "runtime/lang/errors.h"

#include "runtime/platform/resource_table.h"
#include "runtime/ui/resfmt/blob_writer.h"
#include "runtime/ui/resfmt/resource_source.h"

namespace rf = dw::resfmt;
namespace ui = dw::ui;

namespace {

using Blob = std::vector<std::uint8_t>;

Blob blobOf(const std::string& source) {
  const rf::CompileResult r = rf::compileSource(source, "t.dws");
  EXPECT_TRUE(r.ok()) << r.error.text();
  return r.ok() ? rf::writeModule(*r.module) : Blob{};
}

TEST(WindowLookup, ResourceNameFromModuleKey) {
  EXPECT_EQ("DORN008_RSC", ui::resourceNameForModuleKey("DORN.vls$dorn008"));
  EXPECT_EQ("S_QBE_RSC", ui::resourceNameForModuleKey("DORN.vls$s_qbe"));
  EXPECT_EQ("", ui::resourceNameForModuleKey("nodollar"));
  EXPECT_EQ("", ui::resourceNameForModuleKey("trailing$"));
}

TEST(WindowLookup, ModulesWithAnotherKeyOrMalformedBlobsArePassedOver) {
  const Blob other = blobOf("module \"OTHER.vls$m1\" window A$W { title \"other\" }");
  Blob broken = blobOf("module \"X.vls$m1\" window A$W { title \"broken\" }");
  broken.resize(broken.size() - 10);
  const Blob good = blobOf("module \"X.vls$m1\" window B$W { } window A$W { title \"good\" }");
  const std::vector<std::span<const std::uint8_t>> all = {other, broken, good};
  const ui::WindowLookup found = ui::findWindowIn(all, "X.vls$m1", "A$W");
  ASSERT_TRUE(found.resource) << found.reason;
  EXPECT_EQ("good", found.resource.record->title);

  const ui::WindowLookup missingLabel = ui::findWindowIn(all, "X.vls$m1", "C$W");
  EXPECT_FALSE(missingLabel.resource);
  EXPECT_NE(std::string::npos, missingLabel.reason.find("no record C$W"));

  const std::vector<std::span<const std::uint8_t>> onlyBroken = {broken};
  const ui::WindowLookup malformed = ui::findWindowIn(onlyBroken, "X.vls$m1", "A$W");
  EXPECT_FALSE(malformed.resource);
  EXPECT_NE(std::string::npos, malformed.reason.find("malformed"));

  EXPECT_FALSE(ui::findWindowIn({}, "X.vls$m1", "A$W").resource);
}

TEST(WindowLookup, MissingResourceOrLabelInTheProgram) {
  EXPECT_FALSE(ui::findWindow("DORN.vls$nosuch", "MAIN$APPFRAME").resource);
  EXPECT_FALSE(ui::findWindow("DORN.vls$dorn008", "NOSUCH$WINDOW").resource);
  // The key must match exactly, not only the resource name.
  EXPECT_FALSE(ui::findWindow("OTHER.vls$dorn008", "MAIN$APPFRAME").resource);
}

TEST(FrameResource, DeclaresTheMainFrame) {
  const ui::WindowLookup found = ui::findWindow("DORN.vls$dorn008", "MAIN$APPFRAME");
  ASSERT_TRUE(found.resource) << found.reason;
  const rf::WindowRecord& w = *found.resource.record;
  EXPECT_EQ("Dornwatch", w.title);
  EXPECT_EQ("CLOCK_ICO", rf::decodeReference(w.icon).name);
  ASSERT_TRUE(w.font);
  EXPECT_EQ("MS Sans Serif", w.font->typeface);
  EXPECT_EQ(8, w.font->pointSize);
  EXPECT_EQ(398, w.width);
  EXPECT_EQ(250, w.height);
  EXPECT_EQ(rf::kSystemPlaced, w.x);
  EXPECT_EQ(rf::kSystemPlaced, w.y);
  EXPECT_EQ(250, w.timer);
  EXPECT_EQ(0x800u, w.attributes);
  EXPECT_EQ(0x1822u, w.extendedAttributes);
  EXPECT_EQ((std::vector<std::int32_t>{-1, 80, 120, 45}), w.statusZones);
  EXPECT_TRUE(w.controls.empty());
}

// Every menu entry flattened in declaration order: field, text, status, action.
struct Flat {
  std::int32_t field;
  std::string text, status;
  std::int32_t action;
  bool operator==(const Flat&) const = default;
};

void flatten(const std::vector<rf::MenuEntry>& entries, std::vector<Flat>& out) {
  for (const rf::MenuEntry& e : entries) {
    out.push_back({e.field, e.isSeparator() ? "-" : e.text, e.status, e.standardAction});
    flatten(e.entries, out);
  }
}

TEST(FrameResource, MenuBarHasEveryCommandWithItsNumberMessageAndAction) {
  const ui::WindowLookup found = ui::findWindow("DORN.vls$dorn008", "MAIN$APPFRAME");
  ASSERT_TRUE(found.resource);
  ASSERT_TRUE(found.resource.record->menuBar);
  std::vector<Flat> flat;
  flatten(found.resource.record->menuBar->menus, flat);
  const std::vector<Flat> expect = {
      {0, "&File", "", 0},
      {-1, "&Setup", "Set preferences", 0},
      {-2, "&Print Setup ...", "Setup printer", 16},
      {0, "-", "", 0},
      {-3, "E&xit", "Exit this application", 15},
      {-4, "&Schedule", "", 0},
      {-5, "&View Schedule", "Browse Schedule", 0},
      {-6, "&Wizards", "Quickly make schedule additions and changes", 0},
      {-7, "Add &Message", "Add a message to be displayed", 0},
      {-8, "Add &Program", "Add a program to the schedule", 0},
      {-9, "Generic &Add ", "Add a message, program, both or neither", 0},
      {0, "-", "", 0},
      {-10, "&To Do List", "To Do List", 0},
      {-11, "&Categories", "Browse Categories", 0},
      {-12, "&Reports", "Report data", 0},
      {-13, "&Schedule", "", 0},
      {-14, "&Date", "Print ordered by Date", 0},
      {-15, "&Category", "Print ordered by Category", 0},
      {-16, "&Brief Schedule", "", 0},
      {-17, "&Categories", "Print ordered by Category", 0},
      {-18, "&To Do", "Print To Do List", 0},
      {0, "&Window", "Create and Arrange windows", 1},
      {-19, "T&ile", "Make all open windows visible", 2},
      {-20, "&Cascade", "Stack all open windows", 3},
      {-21, "&Arrange Icons", "Align all window icons", 4},
      {0, "&Help", "Windows Help", 0},
      {-22, "&Contents", "View the contents of the help file", 5},
      {-23, "&Search for Help On...", "Search for help on a subject", 7},
      {-24, "&How to Use Help", "How to use Windows Help", 6},
      {0, "-", "", 0},
      {-25, "&About", "About this program", 0},
  };
  ASSERT_EQ(expect.size(), flat.size());
  for (std::size_t i = 0; i < expect.size(); ++i) {
    EXPECT_EQ(expect[i].field, flat[i].field) << i;
    EXPECT_EQ(expect[i].text, flat[i].text) << i;
    EXPECT_EQ(expect[i].status, flat[i].status) << i;
    EXPECT_EQ(expect[i].action, flat[i].action) << i;
  }
}

TEST(FrameResource, ToolBarButtonsAndImage) {
  const ui::WindowLookup found = ui::findWindow("DORN.vls$dorn008", "MAIN$APPFRAME");
  ASSERT_TRUE(found.resource && found.resource.record->toolBar);
  const auto& c = found.resource.record->toolBar->controls;
  ASSERT_EQ(5u, c.size());
  const std::pair<const char*, const char*> buttons[] = {{"Add Program", "WIZARD_ICO"},
                                                         {"Add Message", "MSG_ICO"},
                                                         {"Schedule", "CAL2_ICO"},
                                                         {"To Do", "OK_ICO"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(rf::ControlType::Button, c[i].type);
    EXPECT_EQ(-26 - i, c[i].field);
    EXPECT_EQ(buttons[i].first, c[i].text);
    EXPECT_EQ(buttons[i].second, rf::decodeReference(c[i].icon).name);
  }
  EXPECT_EQ(rf::ControlType::Image, c[4].type);
  EXPECT_EQ(-30, c[4].field);
  EXPECT_EQ("PDWMAIN_GIF", rf::decodeReference(c[4].image).name);
}

TEST(FrameResource, AboutWindow) {
  const ui::WindowLookup found = ui::findWindow("DORN.vls$dorn008", "ABOUT$WINDOW");
  ASSERT_TRUE(found.resource);
  const rf::WindowRecord& w = *found.resource.record;
  EXPECT_EQ("About", w.title);
  EXPECT_EQ("WIZARD_ICO", rf::decodeReference(w.icon).name);
  ASSERT_EQ(5u, w.controls.size());
  EXPECT_EQ("PDWROTAT_GIF", rf::decodeReference(w.controls[0].image).name);
  EXPECT_EQ("Cl&ose", w.controls[4].text);
  EXPECT_EQ(5, w.controls[4].field);
}

}  // namespace

namespace {

// The runtime error a call ends with, caught through the test mode of halts.
dw::lang::HaltRequested haltOf(const std::function<void()>& call) {
  dw::lang::setHaltThrowsForTesting(true);
  dw::lang::HaltRequested caught{-1, ""};
  try {
    call();
  } catch (const dw::lang::HaltRequested& h) {
    caught = h;
  }
  dw::lang::setHaltThrowsForTesting(false);
  return caught;
}

TEST(WindowLookupErrors, MissingWindowIsRuntimeError502FromTheWindowLoader) {
  const dw::lang::HaltRequested h =
      haltOf([] { ui::requireWindow("DORN.vls$dorn008", "NOSUCH$WINDOW"); });
  EXPECT_EQ(2, h.exitCode);
  EXPECT_EQ("Internal error 02 : WSLDIAL", h.text);
  EXPECT_EQ(502, dw::lang::errorCode());
  EXPECT_EQ(2, haltOf([] { ui::requireWindow("DORN.vls$gone", "MAIN$APPFRAME"); }).exitCode);
}

TEST(WindowLookupErrors, ClassNotRegisteredIs503) {
  const dw::lang::HaltRequested h = haltOf([] { ui::raiseClassNotRegistered(); });
  EXPECT_EQ(2, h.exitCode);
  EXPECT_EQ("Internal error 03 : WSLDIAL", h.text);
}

TEST(WindowLookupErrors, PresentWindowIsReturned) {
  const ui::WindowResource r = ui::requireWindow("DORN.vls$dorn008", "MAIN$APPFRAME");
  ASSERT_TRUE(r);
  EXPECT_EQ("MAIN$APPFRAME", r.record->label);
}

}  // namespace
