// The rules a resource source must keep beyond its grammar (where controls
// may stand, labels, the module key, pictures, the order of menu bar and
// tool bar), and control names with the field-number header they give.
#include <gtest/gtest.h>

#include "runtime/lang/picture.h"
#include "runtime/ui/resfmt/resource_source.h"

namespace rf = dw::resfmt;

namespace {

rf::CompileOptions strict() {
  rf::CompileOptions o;
  o.pictureValid = [](std::string_view p) { return dw::lang::compilePicture(p).valid; };
  return o;
}

struct RuleCase {
  const char* source;
  int line;
  const char* message;  // a part of the message
};

TEST(SourceRules, BrokenRulesAreErrorsWithTheirLine) {
  const RuleCase cases[] = {
      {"module \"M$m\"\nwindow W {\n  entry { picture \"@q\" }\n}", 3, "invalid picture \"@q\""},
      {"module \"M$m\"\nwindow W {\n  display {\n picture \"s\" }\n}", 4, "invalid picture"},
      {"module \"M$m\"\nwindow W {\n  tab \"t\"\n}", 3, "a tab stands only in a sheet"},
      {"module \"M$m\"\nwindow W {\n  group {\n    tab \"t\" }\n}", 4, "only in a sheet"},
      {"module \"M$m\"\nwindow W {\n  sheet {\n    button \"b\" }\n}", 4,
       "a sheet holds only tabs"},
      {"module \"M$m\"\nwindow W {\n  radio \"r\"\n}", 3, "a radio stands only in an option group"},
      {"module \"M$m\"\nwindow W {\n  group { radio \"r\" }\n}", 3, "only in an option group"},
      {"module \"M$m\"\nwindow W {\n  detail { }\n}", 3, "a detail band stands only in a report"},
      {"module \"M$m\"\nwindow W {\n  group {\n header }\n}", 4, "only in a report"},
      {"module \"M$m\"\nreport R {\n  button \"b\"\n}", 3, "a report has no button"},
      {"module \"M$m\"\nreport R {\n  detail {\n    entry }\n}", 4, "a report has no entry"},
      {"module \"M$m\"\nwindow \"\" { }", 2, "a label cannot be empty"},
      {"module \"M$m\"\nreport\n \"\" { }", 3, "a label cannot be empty"},
      {"module \"DORN.vls\"\nwindow W { }", 1, "module key"},
      {"module \"M$m\"\nwindow W {\n  toolbar { button \"b\" }\n  menubar { item \"i\" }\n}", 4,
       "the menu bar comes before the tool bar"},
  };
  for (const RuleCase& c : cases) {
    const rf::CompileResult r = rf::compileSource(c.source, "r.dws", strict());
    ASSERT_FALSE(r.ok()) << c.source;
    EXPECT_EQ(c.line, r.error.line) << c.source << "\n" << r.error.text();
    EXPECT_NE(std::string::npos, r.error.message.find(c.message)) << r.error.text();
    EXPECT_EQ(0u, r.error.text().find("r.dws:" + std::to_string(c.line) + ": "));
    // A lenient compile takes what a decoded blob may hold.
    EXPECT_TRUE(rf::compileSource(c.source, "r.dws", {true, strict().pictureValid}).ok())
        << c.source;
  }
}

TEST(SourceRules, ControlsInTheirPlacesCompile) {
  const rf::CompileResult r = rf::compileSource(R"(
module "M$m"
window W {
  menubar { item "i" }
  toolbar { button "b" }
  option { var long 4 radio "a" radio "b" { value "2" } }
  sheet { tab "one" { entry { picture "@n-7.2" } } tab "two" }
  display { picture "@d3" }
}
report R {
  header { string "Title" display { picture "s20" } }
  break { detail { display { picture "@t3" } } }
})",
                                                "ok.dws", strict());
  EXPECT_TRUE(r.ok()) << r.error.text();
}

TEST(SourceNames, FieldNumbersFollowTheDeclarationOrder) {
  const rf::CompileResult r = rf::compileSource(R"(
module "DORN.vls$dorn099"
window MAIN$W {
  menubar {
    menu "&File" {
      item "&Open" { name Open }
      separator
      menu "&More" { numbered name More item "&Deep" { name Deep } }
      item "E&xit" { name Exit field -20 }
    }
  }
  toolbar { button "Tool" { name Tool } image "~X.GIF" }
  prompt "&Name"
  entry { name Name var string 20 }
  option { name Kind radio "a" { name KindA } radio "b" }
  sheet { name Pages tab "one" { button "OK" { name Ok } } }
  button "Cancel" { field 40 name Cancel }
  string "after"
}
window OTHER$W {
  button "Close" { name Close }
})",
                                                "n.dws", strict());
  ASSERT_TRUE(r.ok()) << r.error.text();
  struct Expect {
    const char* window;
    const char* name;
    int field;
  };
  const Expect expected[] = {
      {"MAIN$W", "Open", -1},  {"MAIN$W", "More", -2},   {"MAIN$W", "Deep", -3},
      {"MAIN$W", "Exit", -20}, {"MAIN$W", "Tool", -21},  {"MAIN$W", "Name", 2},
      {"MAIN$W", "Kind", 3},   {"MAIN$W", "KindA", 4},   {"MAIN$W", "Pages", 6},
      {"MAIN$W", "Ok", 7},     {"MAIN$W", "Cancel", 40}, {"OTHER$W", "Close", 1},
  };
  ASSERT_EQ(std::size(expected), r.names.size());
  for (std::size_t i = 0; i < r.names.size(); ++i) {
    EXPECT_EQ(expected[i].window, r.names[i].window) << i;
    EXPECT_EQ(expected[i].name, r.names[i].name) << i;
    EXPECT_EQ(expected[i].field, r.names[i].field) << expected[i].name;
  }
  // The numbers are the ones the records carry.
  const rf::WindowRecord& w = r.module->windows[0];
  EXPECT_EQ(w.controls[1].field, r.names[5].field);
  EXPECT_EQ(w.controls[4].field, 40);
  EXPECT_EQ(41, w.controls[5].field);
  EXPECT_EQ(w.toolBar->controls[0].field, r.names[4].field);
}

TEST(SourceNames, DuplicateOrInvalidNamesAreErrors) {
  const RuleCase cases[] = {
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name Ok }\n  button \"b\" {\n name Ok }\n}", 5,
       "a second field named Ok (the first is on line 3)"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name Ok }\n}\nwindow V {\n"
       "  menubar { item \"x\" { name Ok } }\n}",
       6, "a second field named Ok"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name ok }\n}", 3, "'ok' is not a field name"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name O$k }\n}", 3, "not a field name"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name A.b }\n}", 3, "not a field name"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name _Ok }\n}", 3, "not a field name"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name \"Ok\" }\n}", 3, "expected a name"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name Ok name Yes }\n}", 3, "a second 'name'"},
      {"module \"M$m\"\nwindow W {\n  sheet { tab \"a\" {\n name Page } }\n}", 4,
       "a tab without a field number cannot be named"},
      {"module \"M$m\"\nwindow W {\n  menubar { menu \"m\" { name M item \"i\" } }\n}", 3,
       "a menu without a field number"},
      {"module \"M$m\"\nwindow W {\n  menubar { separator { name Sep } }\n}", 3,
       "a separator without a field number"},
      {"module \"M$m\"\nwindow W {\n  button \"a\" { name Ok field 0 }\n}", 3, "without a field"},
      {"module \"M$m\"\nwindow W {\n  group { string \"s\"\n name G }\n}", 4,
       "'name' comes before the controls"},
  };
  for (const RuleCase& c : cases) {
    const rf::CompileResult r = rf::compileSource(c.source, "d.dws", strict());
    ASSERT_FALSE(r.ok()) << c.source;
    EXPECT_EQ(c.line, r.error.line) << c.source << "\n" << r.error.text();
    EXPECT_NE(std::string::npos, r.error.message.find(c.message)) << r.error.text();
  }
}

TEST(SourceNames, HeaderHoldsOneConstantPerNameGroupedByWindow) {
  const std::vector<rf::NamedField> names = {
      {"MAIN$W", "Exit", -3, 4}, {"MAIN$W", "Ok", 2, 9}, {"ABOUT$W", "Close", 5, 12}};
  EXPECT_EQ(
      "// Field numbers of the named controls of d.dws.\n"
      "// Written by rescomp at build time from the source; do not edit.\n"
      "#pragma once\n"
      "\n"
      "namespace dw::app::d {\n"
      "\n"
      "// MAIN$W\n"
      "inline constexpr int kExit = -3;\n"
      "inline constexpr int kOk = 2;\n"
      "\n"
      "// ABOUT$W\n"
      "inline constexpr int kClose = 5;\n"
      "\n"
      "}  // namespace dw::app::d\n",
      rf::fieldHeader(names, "dw::app::d", "d.dws"));
}

}  // namespace
