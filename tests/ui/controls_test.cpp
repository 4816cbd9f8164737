// Controls: each type's transfer between the user and its variable,
// operations by field-number ranges, properties, and building a window
// from a window record.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "runtime/lang/picture.h"
#include "runtime/ui/window_builder.h"
#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

using ControlsTest = UiTest;

// Delivers every queued event of the current window; the last one seen.
std::string pump() {
  runtime().post(ev::kNotify);
  std::string last;
  while (runtime().accept()) {
    if (runtime().event() == ev::kNotify) break;
    last = describeCurrent();
  }
  return last;
}

TEST_F(ControlsTest, EachControlTypeTransfersItsValue) {
  runtime().adoptCurrentThread();
  std::int32_t number = 5, checked = 0, optionIndex = 0, tab = 0, spinValue = 3, progress = 0;
  char name[8] = "old    ";
  char optionText[6];
  char listRow[12];
  char memo[40] = "";
  std::int16_t small = 0;
  VarRef::fixedString(optionText).setText("");
  VarRef::fixedString(listRow).setText("");
  std::vector<ControlState> states = {
      declared(ControlType::Entry, 1, "", "n5"),
      declared(ControlType::Entry, 2, "", "s7"),
      declared(ControlType::Check, 3, "&Enabled"),
      declared(ControlType::Option, 4, "Kind"),
      declared(ControlType::Radio, 5, "&Daily", "", 3),
      declared(ControlType::Radio, 6, "&Weekly", "", 3),
      declared(ControlType::Option, 7, "Kind"),
      declared(ControlType::Radio, 8, "&One", "", 6),
      declared(ControlType::Radio, 9, "&Two", "", 6),
      declared(ControlType::List, 10),
      declared(ControlType::Spin, 11, "", "n3"),
      declared(ControlType::Text, 12),
      declared(ControlType::Progress, 13),
      declared(ControlType::StringVar, 14, "", "n-5"),
      declared(ControlType::Sheet, 15),
      declared(ControlType::Tab, 0, "First", "", 14),
      declared(ControlType::Entry, 16, "", "n3", 15),
      declared(ControlType::Tab, 0, "Second", "", 14),
      declared(ControlType::Entry, 17, "", "n3", 17),
  };
  states[10].rangeLow = 0;
  states[10].rangeHigh = 10;
  Window& w = runtime().open(windowDesc("Form"), makeControls(std::move(states)));
  runtime().use(1, VarRef::of(number));
  runtime().use(2, VarRef::fixedString(name));
  runtime().use(3, VarRef::of(checked));
  runtime().use(4, VarRef::fixedString(optionText));
  runtime().use(7, VarRef::of(optionIndex));
  runtime().use(10, VarRef::fixedString(listRow));
  runtime().use(11, VarRef::of(spinValue));
  runtime().use(12, VarRef::cString(memo));
  runtime().use(13, VarRef::of(progress));
  runtime().use(14, VarRef::of(small));
  runtime().use(15, VarRef::of(tab));
  runtime().setRows(10, {"Alpha", "Beta", "Gamma"});
  pump();
  EXPECT_EQ(backend.control(w.id(), 1)->display, "5");
  EXPECT_EQ(backend.control(w.id(), 2)->display, "old");

  const std::uint32_t id = w.id();
  struct Step {
    const char* name;
    std::function<void()> act;
    std::string lastEvent;
    std::function<bool()> holds;
  };
  const Step steps[] = {
      {"entry takes a number",
       [&] {
         backend.type(id, 1, "1,234");
         backend.acceptTyped(id, 1);
       },
       "Accepted 1", [&] { return number == 1234; }},
      {"entry refuses text that does not fit and keeps it",
       [&] {
         backend.type(id, 1, "12x");
         backend.acceptTyped(id, 1);
       },
       "Rejected 1", [&] { return number == 1234 && backend.control(id, 1)->display == "12x"; }},
      {"string entry is blank-padded",
       [&] {
         backend.type(id, 2, "Bob");
         backend.acceptTyped(id, 2);
       },
       "Accepted 2", [&] { return std::string(name, 7) == "Bob    "; }},
      {"string entry refuses more than its picture holds",
       [&] {
         backend.type(id, 2, "Too long!");
         backend.acceptTyped(id, 2);
       },
       "Rejected 2", [&] { return std::string(name, 7) == "Bob    "; }},
      {"check box on", [&] { backend.setCheck(id, 3, true); }, "Accepted 3",
       [&] { return checked == 1; }},
      {"check box off", [&] { backend.setCheck(id, 3, false); }, "Accepted 3",
       [&] { return checked == 0; }},
      {"option group writes the radio's text", [&] { backend.choose(id, 4, 2); }, "Accepted 4",
       [&] { return VarRef::fixedString(optionText).text() == "Weekly"; }},
      {"option group writes the radio's number", [&] { backend.choose(id, 7, 2); }, "Accepted 7",
       [&] { return optionIndex == 2; }},
      {"list writes the chosen row", [&] { backend.choose(id, 10, 3); }, "NewSelection 10",
       [&] { return VarRef::fixedString(listRow).text() == "Gamma" && runtime().choice(10) == 3; }},
      {"spin box steps within its bounds", [&] { backend.spin(id, 11, 20); }, "NewSelection 11",
       [&] { return spinValue == 10; }},
      {"spin box takes typed text",
       [&] {
         backend.type(id, 11, "4");
         backend.acceptTyped(id, 11);
       },
       "Accepted 11", [&] { return spinValue == 4; }},
      {"text takes several lines",
       [&] {
         backend.type(id, 12, "one\ntwo");
         backend.acceptTyped(id, 12);
       },
       "Accepted 12", [&] { return std::string(memo) == "one\ntwo"; }},
      {"sheet switches tabs", [&] { backend.choose(id, 15, 2); }, "NewSelection 15",
       [&] {
         const auto shot = backend.find("Form");
         return tab == 2 && !shot->visible.at(16) && shot->visible.at(17);
       }},
  };
  for (const Step& s : steps) {
    s.act();
    runtime().yieldUntilIdle();
    EXPECT_EQ(pump(), s.lastEvent) << s.name;
    EXPECT_TRUE(s.holds()) << s.name;
  }

  // Variables changed by the program show after a redisplay.
  progress = 250;
  small = -42;
  number = 77;
  runtime().display();
  EXPECT_EQ(backend.control(id, 13)->progress, 100);
  const std::string shown = backend.control(id, 14)->display;
  EXPECT_TRUE(shown.front() == '-' && shown.ends_with("42")) << shown;
  EXPECT_EQ(backend.control(id, 1)->display, "77");
  runtime().close(w);
}

TEST_F(ControlsTest, RangeOperationsFollowTheirRules) {
  runtime().adoptCurrentThread();
  WindowDesc d = windowDesc("Form");
  MenuEntry menu{MenuEntry::Kind::Menu, -1, "&Schedule", "", 0, 0, false, {}};
  menu.items.push_back({MenuEntry::Kind::Item, -2, "&View", "", 0, 0, false, {}});
  menu.items.push_back({MenuEntry::Kind::Item, -3, "&Add", "", 0, 0, false, {}});
  d.menuBar.push_back(menu);
  Window& w = runtime().open(
      d,
      makeControls({declared(ControlType::String, 1, "a"), declared(ControlType::String, 2, "b"),
                    declared(ControlType::String, 4, "d"), declared(ControlType::String, 5, "e")}));
  auto hidden = [&](int f) { return backend.control(w.id(), f)->hidden; };
  runtime().hide(4, 1);  // swapped bounds, 3 names no control
  EXPECT_TRUE(hidden(1) && hidden(2) && hidden(4));
  EXPECT_FALSE(hidden(5));
  runtime().unhide(2);  // last 0: the first alone
  EXPECT_TRUE(hidden(1));
  EXPECT_FALSE(hidden(2));
  runtime().disable(-3, -2);
  const auto shot = backend.find("Form");
  EXPECT_TRUE(shot->menuBar[0].items[0].disabled);
  EXPECT_TRUE(shot->menuBar[0].items[1].disabled);
  EXPECT_FALSE(shot->menuBar[0].disabled);

  // Redisplay keeps the posted error.
  lang::postError(35);
  runtime().display(0);
  EXPECT_EQ(lang::errorCode(), 35);
  lang::clearError();
  runtime().close(w);
}

TEST_F(ControlsTest, ChangeWritesTheVariableAndRedisplays) {
  runtime().adoptCurrentThread();
  std::int32_t count = 1;
  Window& w =
      runtime().open(windowDesc("Form"), makeControls({declared(ControlType::Entry, 1, "", "n5"),
                                                       declared(ControlType::String, 2, "Label")}));
  runtime().use(1, VarRef::of(count));
  runtime().change(1, "42");
  EXPECT_EQ(count, 42);
  EXPECT_EQ(backend.control(w.id(), 1)->display, "42");
  runtime().change(2, "Other");  // no variable: the shown text changes
  EXPECT_EQ(backend.control(w.id(), 2)->display, "Other");
  runtime().change(9, "ignored");
  runtime().close(w);
}

TEST_F(ControlsTest, PropertiesByNumber) {
  runtime().adoptCurrentThread();
  WindowDesc d = windowDesc("Frame");
  d.width = 100;
  d.height = 50;
  Window& w = runtime().open(d, makeControls({declared(ControlType::Button, 1, "&OK")}));
  runtime().setProperty(0, prop::kText, "Dornwatch '96 (Inactive)");
  EXPECT_EQ(backend.find("Dornwatch '96 (Inactive)")->id, w.id());
  runtime().setProperty(0, prop::kWidth, "200");
  EXPECT_EQ(runtime().property(0, prop::kWidth), "200");
  EXPECT_EQ(backend.find("Frame")->pixels.width, 200 * 6 / 4);  // dialog units, 6-pixel characters
  runtime().setProperty(1, prop::kText, "&Close");
  EXPECT_EQ(backend.control(w.id(), 1)->text, "&Close");
  runtime().setProperty(1, prop::kXPos, "20");
  EXPECT_EQ(runtime().property(1, prop::kXPos), "20");
  EXPECT_EQ(backend.control(w.id(), 1)->pixels.x, 30);
  runtime().setProperty(1, prop::kWidth, "2147483647");  // absurd: kept on screen
  EXPECT_EQ(backend.control(w.id(), 1)->pixels.width, 32767);
  runtime().setProperty(0, prop::kFontName, "Sans");
  EXPECT_EQ(runtime().property(0, prop::kFontName), "Sans");
  runtime().setProperty(0, prop::kStatusText, "Ready");
  EXPECT_EQ(backend.find("Frame")->status, "Ready");
  runtime().setProperty(1, 0x7D06, "kept");
  EXPECT_EQ(runtime().property(1, 0x7D06), "kept");
  EXPECT_EQ(runtime().property(9, prop::kText), "");
  runtime().close(w);
}

TEST_F(ControlsTest, WindowRecordBuildsControlsMenusAndToolBar) {
  resfmt::WindowRecord r;
  r.label = "MAIN$APPFRAME";
  r.title = "Dornwatch";
  r.attributes = 0x800;
  r.width = 398;
  r.height = 250;
  r.timer = 250;
  r.statusZones = {-1, 80, 120, 45};
  resfmt::MenuEntry file;
  file.kind = resfmt::MenuEntry::Kind::Menu;
  file.text = "&File";
  resfmt::MenuEntry exit;
  exit.field = -3;
  exit.text = "E&xit";
  exit.standardAction = 15;
  resfmt::MenuEntry separator;
  separator.attributes = resfmt::MenuEntry::kSeparatorBit;
  file.entries = {separator, exit};
  r.menuBar = resfmt::MenuBar{0, {file}};
  resfmt::ControlRecord tool;
  tool.type = resfmt::ControlType::Button;
  tool.field = -26;
  tool.text = "Add Program";
  tool.icon = "~WIZARD.ICO";
  r.toolBar = resfmt::ToolBar{0, resfmt::kSystemPlaced, {tool}};
  resfmt::ControlRecord option;
  option.type = resfmt::ControlType::OptionGroup;
  option.field = 1;
  resfmt::ControlRecord radio;
  radio.type = resfmt::ControlType::Radio;
  radio.field = 2;
  radio.text = "&Yes";
  option.children = {radio};
  resfmt::ControlRecord band;  // no creator for report bands: skipped
  band.type = resfmt::ControlType::DetailBand;
  r.controls = {option, band};

  const BuiltWindow b = buildWindow(r, WindowKind::Application);
  EXPECT_TRUE(b.desc.reportsMoves);
  EXPECT_EQ(b.desc.timerPeriod, 250);
  EXPECT_EQ(b.desc.statusZones, (std::vector<int>{-1, 80, 120, 45}));
  ASSERT_EQ(b.desc.menuBar.size(), 1u);
  EXPECT_EQ(b.desc.menuBar[0].items[0].kind, MenuEntry::Kind::Separator);
  EXPECT_EQ(findMenuEntry(b.desc.menuBar, -3)->standardAction, action::kClose);
  ASSERT_EQ(b.desc.toolBar.size(), 1u);
  EXPECT_EQ(b.desc.toolBar[0].icon, "~WIZARD.ICO");
  ASSERT_EQ(b.controls.size(), 2u);
  EXPECT_EQ(b.controls[1]->state().parent, 0);
  EXPECT_EQ(b.controls[1]->state().value, "Yes");
}

TEST_F(ControlsTest, MissingWindowResourceIsRuntimeError502) {
  runtime().adoptCurrentThread();
  try {
    openWindow("DORN.vls$nosuch", "NOSUCH$WINDOW", WindowKind::Plain);
    FAIL() << "no halt";
  } catch (const lang::HaltRequested& h) {
    EXPECT_EQ(lang::errorCode(), 502);
    EXPECT_NE(h.text.find("WSLDIAL"), std::string::npos);
  }
}

}  // namespace
}  // namespace dw::ui::testing

namespace dw::ui::testing {
namespace {

// An entry showing no date or time (0) shows the picture's separators alone;
// accepting it unchanged (Enter, or completion on OK) reads it back as 0
// rather than refusing it, while text that is no date is still refused.
TEST(EntryControl, NoDateOrTimeReadsBackFromItsOwnDisplay) {
  struct Case {
    const char* picture;
    const char* typed;
    bool fits;
    std::int32_t value;
  } cases[] = {
      {"d3", nullptr, true, 0}, {"d1", nullptr, true, 0},
      {"t3", nullptr, true, 0}, {"t1", nullptr, true, 0},
      {"d3", "  /  ", true, 0}, {"d3", "DEC 14, 2026", true, 82531},
      {"t3", "AM", false, 0},   {"t3", "7:15PM", true, 19 * 360000 + 15 * 6000 + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + (c.typed ? c.typed : "(its display)"));
    auto entry = createControl(declared(ControlType::Entry, 1, "", c.picture));
    std::int32_t value = 0;
    entry->use(VarRef::of(value));
    entry->refresh();
    const std::string typed = c.typed ? c.typed : "";
    EXPECT_EQ(entry->acceptPending(c.typed ? &typed : nullptr), c.fits);
    if (c.fits) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(EntryControl, AnUncompilablePictureIsNotedInTheDiagnosticLog) {
  ASSERT_FALSE(lang::compilePicture("@zz").valid);
  const std::filesystem::path before = std::filesystem::current_path();
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("dw_ctlentry_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  auto entry = createControl(declared(ControlType::Entry, 1, "", "zz"));
  std::filesystem::current_path(before);
  std::ifstream log(dir / "QXLOG.TXT");
  std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  std::filesystem::remove_all(dir);
  EXPECT_NE(text.find("Error @(File,Line) (ctlentry, "), std::string::npos) << text;
  // The entry still edits plain text.
  char value[8];
  entry->use(VarRef::fixedString(value));
  EXPECT_EQ(entry->takeValue(ev::kAccepted, std::string("abc")), ev::kAccepted);
  EXPECT_EQ(VarRef::fixedString(value).text(), "abc");
}

}  // namespace
}  // namespace dw::ui::testing
