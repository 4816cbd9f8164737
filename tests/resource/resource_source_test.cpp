// The resource source language: error messages with their lines, field
// numbering, and the source -> blob -> source round trip.
#include <gtest/gtest.h>

#include "runtime/ui/resfmt/blob_writer.h"
#include "runtime/ui/resfmt/resource_source.h"

namespace rf = dw::resfmt;

namespace {

struct ErrorCase {
  const char* source;
  int line;
  const char* message;  // a part of the message
};

TEST(ResourceSource, ErrorsNameTheFileLineAndWhatWasExpected) {
  const ErrorCase cases[] = {
      {"", 1, "expected 'module'"},
      {"module \"M$m\"\nwindow W {\n  timer x\n}", 3, "expected a number after 'timer'"},
      {"module \"M$m\"\nwindow W {\n  title 5\n}", 3, "expected a text after 'title'"},
      {"module \"M$m\"\nwindow W {\n  colour 5\n}", 3, "expected a window property or a control"},
      {"module \"M$m\"\nwindow W {\n  button { range 1 2 }\n}", 3, "a button has no 'range'"},
      {"module \"M$m\"\nwindow W {\n  string \"a\" { string \"b\" }\n}", 3, "holds no controls"},
      {"module \"M$m\"\nwindow W {\n  title \"open\n}", 3, "unterminated string"},
      {"module \"M$m\"\nwindow W {\n\n  title \"\\x00\"\n}", 4, "zero byte"},
      {"module \"M$m\"\nwindow W {\n  timer 99999999999\n}", 3, "number"},
      {"module \"M$m\"\nwindow W {\n  entry { var float 4 }\n}", 3, "expected a value type"},
      {"module \"M$m\"\nwindow W { }\nwindow W { }", 3, "a second record labelled W"},
      {"module \"M$m\"\nwindow W {\n  menubar { menu \"a\" { item \"b\" { action } } }\n}", 3,
       "expected a number after 'action'"},
      {"module \"M$m\"\nwindow W {\n  menubar { bogus }\n}", 3, "expected 'menu', 'item'"},
      {"module \"M$m\"\nwindow W {\n  list { drop 300 }\n}", 3, "drop count"},
      // Errors about a number or word just read name its line, not the next token's.
      {"module \"M$m\"\nwindow W {\n  list { drop 300\n  }\n}", 3, "drop count"},
      {"module \"M$m\"\nwindow W {\n  entry { var 300\n 4 }\n}", 3, "value type code"},
      {"module \"M$m\"\nwindow W {\n  icon resource 70000\n}", 3, "out of range"},
      {"module \"M$m\"\nwindow W {\n  menubar { }\n  menubar\n{ }\n}", 4, "second menu bar"},
      {"module \"M$m\"\nwindow W\n{ }\nwindow W\n{ }", 4, "a second record labelled W"},
      {"module \"M$m\"\nwindow W {\n  group { string \"a\" field\n 3 }\n}", 3, "'field' comes"},
      // A value missing at the end of a line: the line of what wanted it.
      {"module \"M$m\"\nwindow W {\n  size 10\n}", 3, "expected a number or 'natural'"},
      {"module \"M$m\"\nwindow W {\n  title\n}", 3, "expected a text after 'title'"},
      {"module \"M$m\"\nwindow W {\n  button { key\n  }\n}", 3, "a number after 'key'"},
      {"module \"M$m\"\nwindow\n{ }", 2, "expected a label"},
      {"module \"M$m\"\nwindow W {\n  title \"t\"\n", 4, "expected a window property"},
      {"module \"M$m\"\nwindow W { @ }", 2, "unexpected character '@'"},
      {"module \"M$m\"\nwindow W {\n icon \"\\xFF\\x01ab\"\n}", 3, "'stock N'"},
  };
  const std::string rawZero = std::string("module \"M$m\"\nwindow W { title \"a") + '\0' + "b\" }";
  const rf::CompileResult zero = rf::compileSource(rawZero, "w.dws");
  ASSERT_FALSE(zero.ok());
  EXPECT_EQ("w.dws:2: a text cannot hold a zero byte", zero.error.text());
  for (const ErrorCase& c : cases) {
    const rf::CompileResult r = rf::compileSource(c.source, "w.dws");
    ASSERT_FALSE(r.ok()) << c.source;
    EXPECT_EQ(c.line, r.error.line) << c.source << "\n" << r.error.text();
    EXPECT_NE(std::string::npos, r.error.message.find(c.message)) << r.error.text();
    EXPECT_EQ(0u, r.error.text().find("w.dws:" + std::to_string(c.line) + ": "));
  }
}

TEST(ResourceSource, MenuItemsCountDownAndToolBarContinues) {
  const rf::CompileResult r = rf::compileSource(R"(
module "M$m"
window W {
  menubar {
    menu "a" { item "1" separator menu "sub" { numbered item "3" } }
    menu "b" { numbered item "5" { field -10 } item "6" item "7" { field 0 } item "8" }
  }
  toolbar { button "t" image "i" }
  string "x" string "y" { field 7 } sheet { tab "never" { string "in" } } string "z"
})",
                                                "m.dws");
  ASSERT_TRUE(r.ok()) << r.error.text();
  const rf::WindowRecord& w = r.module->windows[0];
  const auto& a = w.menuBar->menus[0];
  EXPECT_EQ(0, a.field);
  EXPECT_EQ(-1, a.entries[0].field);
  EXPECT_TRUE(a.entries[1].isSeparator());
  EXPECT_EQ(0, a.entries[1].field);
  EXPECT_EQ(-2, a.entries[2].field);
  EXPECT_EQ(-3, a.entries[2].entries[0].field);
  const auto& b = w.menuBar->menus[1];
  EXPECT_EQ(-4, b.field);
  EXPECT_EQ(-10, b.entries[0].field);
  EXPECT_EQ(-11, b.entries[1].field);
  EXPECT_EQ(0, b.entries[2].field);
  EXPECT_EQ(-13, b.entries[3].field);
  EXPECT_EQ(-14, w.toolBar->controls[0].field);
  EXPECT_EQ(-15, w.toolBar->controls[1].field);
  EXPECT_EQ(1, w.controls[0].field);
  EXPECT_EQ(7, w.controls[1].field);
  EXPECT_EQ(8, w.controls[2].field);
  EXPECT_EQ(0, w.controls[2].children[0].field);  // tabs are not numbered
  EXPECT_EQ(9, w.controls[2].children[0].children[0].field);
  EXPECT_EQ(10, w.controls[3].field);
}

// compile -> print -> compile gives the same module, and the printed text
// is a fixed point.
// Lenient, since the odd cases include structures that only decoded blobs
// hold.
void expectStable(const std::string& source) {
  const rf::CompileOptions lenient{true, {}};
  const rf::CompileResult first = rf::compileSource(source, "a.dws", lenient);
  ASSERT_TRUE(first.ok()) << first.error.text();
  const std::string printed = rf::printSource(*first.module);
  const rf::CompileResult second = rf::compileSource(printed, "b.dws", lenient);
  ASSERT_TRUE(second.ok()) << second.error.text() << "\n" << printed;
  EXPECT_EQ(*first.module, *second.module) << printed;
  EXPECT_EQ(rf::writeModule(*first.module), rf::writeModule(*second.module));
  EXPECT_EQ(printed, rf::printSource(*second.module));
}

TEST(ResourceSource, PrintingRoundTripsOddCases) {
  expectStable("module \"M$m\"");
  expectStable(
      R"(module "weird \"key\"\x01" report "label with space" { size natural 5 paper 9 })");
  expectStable(R"(module "M$m" report R { paper 0 0 1 })");
  expectStable(R"(
module "M$m"
window W {
  icon stock 32512 cursor resource 3 font "F" 10 0xFF 700
  menubar { attr 1 menu "empty" menu { field -7 item { field 0 } separator { attr 0x30 field 4 } }
            item "top" { key 596 } menu "x" { field 0 item "y" } }
  toolbar { height natural attr 2 button { field 3 } }
  string { field 0 } entry { field -5 } tab "t" { field 9 string "in" }
  group { field 20 radio "r" { value "v" } }
  image resource 12 { at system system size natural natural }
})");
  expectStable(R"(module "M$m" window W { icon resource 65535 cursor stock 65535 })");
}

TEST(ResourceSource, ModuleBuiltByHandPrintsAndCompilesBack) {
  rf::Module m;
  m.key = "H$h";
  rf::WindowRecord w;
  w.label = "H$W";
  w.menuBar.emplace();
  rf::MenuEntry item;
  item.text = "odd";
  item.attributes = rf::MenuEntry::kSeparatorBit;  // an item flagged as separator, with text
  item.field = -1;
  w.menuBar->menus.push_back(item);
  rf::MenuEntry bare;
  bare.attributes = rf::MenuEntry::kSeparatorBit;
  bare.field = -2;  // a separator with a number
  w.menuBar->menus.push_back(bare);
  rf::ControlRecord c;
  c.type = rf::ControlType::Button;
  c.field = 5;
  c.text = "tab\tand \"quotes\" \xE9";
  w.controls.push_back(c);
  c.text = "\xFF\x01";  // looks like a stock reference, but captions are plain texts
  w.controls.push_back(c);
  m.windows.push_back(w);
  const rf::CompileResult r = rf::compileSource(rf::printSource(m), "h.dws", {true, {}});
  ASSERT_TRUE(r.ok()) << r.error.text() << "\n" << rf::printSource(m);
  EXPECT_EQ(m, *r.module) << rf::printSource(m);
  const rf::ParseResult back = rf::parseModule(rf::writeModule(m));
  ASSERT_TRUE(back.ok()) << back.error.message;
  EXPECT_EQ(m, *back.module);
}

}  // namespace
