// List format strings: validation positions, the column table of the
// application's own formats, zero-width columns, groups and options, and
// the default layout of a list without a usable format.
#include <gtest/gtest.h>

#include "runtime/ui/list_format.h"

namespace dw::ui {
namespace {

// The scale of a font 6 pixels wide on average: 1 dialog unit = 1.5 px.
constexpr ListScale kScale{12, 8};

constexpr const char* kDaySchedule =
    "11L|M*I@s1@47L|M*~Date~@d3@32L|M*~Time~@t3@60L|M~Category~@s20@90L|M~Description~@s40@"
    "60L|M~Task Type~@s20@60L|M~Schedule Type~L(1)@s20@";
constexpr const char* kToDo = "10C(1)|*I@s1@25C(1)|M*~Priority~R@n2@60L|M*~To Do~L(1)@s40@";

TEST(ListFormatTest, ValidationGivesTheFailingPosition) {
  struct Case {
    const char* format;
    int position;
  };
  const Case cases[] = {
      {"", 0},
      {"60L(0)|M~Category~@s20@", 0},
      {"60L(1)|M~Category~@s20@", 0},
      {"80L~Category~@s20@", 0},
      {kDaySchedule, 0},
      {kToDo, 0},
      {"-5L", 0},
      {"[40L40L]|~Both~C(2)", 0},
      {"20LT(LB1I)S(3)H(4)h/?#2#_fFi", 0},
      {"L", 1},              // no width
      {"60", 3},             // no alignment letter before the end
      {"60X", 3},            // not an alignment letter
      {"60L~Category", 13},  // header not closed: one past the end
      {"60L@s20", 8},        // picture not closed
      {"60L(x)", 5},         // "(" without an integer
      {"60L(1", 6},          // ... or without ")"
      {"[]", 2},             // an empty group
      {"[60L", 5},           // a group not closed
      {"[[60L]]", 2},        // groups do not nest
      {"60LT(Q)", 6},        // T( takes only 1, B, I, L
      {"60L#x#", 5},         // "#" without a number
      {"60L#3", 6},          // ... or without its closing "#"
      {"0L(1)", 3},          // a zero-width column takes no indent
      {"--5L", 2},           // one "-" at most
      {"60L]", 4},           // "]" outside a group
      {"60L~A~R(", 9},       // header indent not finished
      {"60LH(", 6},          // option value not finished
      {"60L 40L", 4},        // a blank is no part of the syntax
      {"60L~A~X", 7},        // a column ends; "X" begins no column
  };
  for (const Case& c : cases) EXPECT_EQ(validateListFormat(c.format), c.position) << c.format;
}

TEST(ListFormatTest, CategoryPickerFormat) {
  const ListLayout l = parseListFormat("60L(0)|M~Category~@s20@", kScale);
  ASSERT_EQ(l.columns.size(), 1u);
  const ListColumn& c = l.columns[0];
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.width, 90);
  EXPECT_EQ(c.right, 90);
  EXPECT_EQ(c.align, ListAlign::Left);
  EXPECT_EQ(c.headerAlign, ListAlign::Left);
  EXPECT_EQ(c.indent, 0);
  EXPECT_EQ(c.header, "Category");
  EXPECT_EQ(c.picture, "s20");
  EXPECT_TRUE(c.compiled.valid);
  EXPECT_EQ(c.compiled.type, lang::PictureType::String);
  EXPECT_EQ(c.flags, listflag::kRightBorder | listflag::kResize | listflag::kHeader);
  EXPECT_EQ(c.valueField, 0);
  EXPECT_EQ(c.colourField, -1);
  EXPECT_EQ(l.totalWidth, 90);
  EXPECT_EQ(l.defaultColumn, 0);
  EXPECT_TRUE(l.fromFormat);
  EXPECT_TRUE(l.hasHeader());
  // The browse's own list indents its data by one unit (1.5 px rounds up).
  EXPECT_EQ(parseListFormat("60L(1)|M~Category~@s20@", kScale).columns[0].indent, 2);
}

TEST(ListFormatTest, DayScheduleFormat) {
  const ListLayout l = parseListFormat(kDaySchedule, kScale);
  ASSERT_EQ(l.columns.size(), 7u);
  const ListColumn& icon = l.columns[0];
  EXPECT_EQ(icon.width, 17);  // 11 units: 16.5 px, rounded as MulDiv rounds
  EXPECT_TRUE(icon.has(listflag::kIcon));
  EXPECT_TRUE(icon.has(listflag::kColour));
  EXPECT_FALSE(icon.has(listflag::kHeader));
  EXPECT_EQ(icon.header, "");
  EXPECT_EQ(icon.picture, "s1");
  const ListColumn& date = l.columns[1];
  EXPECT_EQ(date.left, 17);
  EXPECT_EQ(date.width, 71);  // 47 units: 70.5 px
  EXPECT_EQ(date.header, "Date");
  EXPECT_EQ(date.compiled.type, lang::PictureType::Date);
  EXPECT_EQ(l.columns[2].compiled.type, lang::PictureType::Time);
  // Fields: icon + 4 colours, date + 4 colours, time + 4 colours, then one each.
  const int values[] = {0, 5, 10, 15, 16, 17, 18};
  const int colours[] = {1, 6, 11, -1, -1, -1, -1};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(l.columns[i].valueField, values[i]) << i;
    EXPECT_EQ(l.columns[i].colourField, colours[i]) << i;
    EXPECT_EQ(l.columns[i].left, i == 0 ? 0 : l.columns[i - 1].right) << i;
  }
  EXPECT_EQ(l.fieldsUsed, 19);
  const ListColumn& schedule = l.columns[6];
  EXPECT_EQ(schedule.header, "Schedule Type");
  EXPECT_EQ(schedule.headerAlign, ListAlign::Left);
  EXPECT_EQ(schedule.headerIndent, 2);
  EXPECT_EQ(schedule.indent, 0);
  EXPECT_EQ(l.totalWidth, schedule.right);
}

TEST(ListFormatTest, ToDoFormatAlignsDataAndHeadersApart) {
  const ListLayout l = parseListFormat(kToDo, kScale);
  ASSERT_EQ(l.columns.size(), 3u);
  EXPECT_EQ(l.columns[0].align, ListAlign::Centre);
  EXPECT_EQ(l.columns[0].indent, 2);
  EXPECT_TRUE(l.columns[0].has(listflag::kRightBorder));
  EXPECT_TRUE(l.columns[0].has(listflag::kIcon));
  // "C" sets both, the header's own "R" only the header.
  EXPECT_EQ(l.columns[1].align, ListAlign::Centre);
  EXPECT_EQ(l.columns[1].headerAlign, ListAlign::Right);
  EXPECT_EQ(l.columns[1].compiled.type, lang::PictureType::Number);
  EXPECT_EQ(l.columns[2].header, "To Do");
  EXPECT_EQ(l.columns[2].headerIndent, 2);
}

TEST(ListFormatTest, ZeroWidthColumnsAreHiddenButTakeTheirField) {
  const ListLayout l = parseListFormat("0L~Hidden~@s5@60L~Shown~@s20@-3R*40L", kScale);
  ASSERT_EQ(l.columns.size(), 4u);
  EXPECT_EQ(l.columns[0].width, 0);
  EXPECT_EQ(l.columns[0].right, l.columns[0].left - 1);
  EXPECT_EQ(l.columns[0].valueField, 0);
  // The hidden column takes no room: the next starts where it stood.
  EXPECT_EQ(l.columns[1].left, 0);
  EXPECT_EQ(l.columns[1].valueField, 1);
  // A negative width is a zero width too; its colours still take fields.
  EXPECT_EQ(l.columns[2].width, 0);
  EXPECT_EQ(l.columns[2].valueField, 2);
  EXPECT_EQ(l.columns[2].colourField, 3);
  EXPECT_EQ(l.columns[3].valueField, 7);
  EXPECT_EQ(l.columns[3].left, l.columns[1].right);
  EXPECT_EQ(l.fieldsUsed, 8);
}

TEST(ListFormatTest, OptionsSourceFieldsAndDefaultColumn) {
  const ListLayout l = parseListFormat("40L#3#@s10@40R?T(LB1I)S(20)H(5)_F40L/#300#", kScale);
  ASSERT_EQ(l.columns.size(), 3u);
  EXPECT_EQ(l.columns[0].sourceField, 3);
  EXPECT_EQ(l.columns[0].valueField, 2);
  // Without "#" a column takes the field after the previous column's.
  EXPECT_EQ(l.columns[1].valueField, 3);
  EXPECT_EQ(l.defaultColumn, 2);
  const ListColumn& c = l.columns[1];
  EXPECT_EQ(c.treeFlags,
            treeflag::kLines | treeflag::kBoxes | treeflag::kLevel1 | treeflag::kIndent);
  EXPECT_EQ(c.scrollWidth, 30);
  EXPECT_EQ(c.headerOption, 5);
  EXPECT_TRUE(c.has(listflag::kTree | listflag::kScroll | listflag::kHeaderOption |
                    listflag::kUnderline | listflag::kFixed | listflag::kDefault));
  // "#300#" names no one-byte field: the column takes the next one.
  EXPECT_EQ(l.columns[2].sourceField, 0);
  EXPECT_EQ(l.columns[2].valueField, 4);
  EXPECT_TRUE(l.columns[2].has(listflag::kNewLine));
}

TEST(ListFormatTest, GroupsSpanTheirColumnsAndTakeTheirOwnHeader) {
  const ListLayout l = parseListFormat("20L[40L~A~40R~B~](2)|~Both~C30L", kScale);
  ASSERT_EQ(l.columns.size(), 4u);
  ASSERT_EQ(l.groups.size(), 1u);
  const ListGroup& g = l.groups[0];
  EXPECT_EQ(g.firstColumn, 1);
  EXPECT_EQ(g.lastColumn, 2);
  EXPECT_EQ(g.left, l.columns[1].left);
  EXPECT_EQ(g.right, l.columns[2].right);
  EXPECT_EQ(g.header, "Both");
  EXPECT_EQ(g.headerAlign, ListAlign::Centre);
  EXPECT_EQ(g.indent, 3);
  EXPECT_EQ(g.flags, listflag::kRightBorder | listflag::kHeader);
  EXPECT_EQ(l.columns[0].group, -1);
  EXPECT_EQ(l.columns[1].group, 0);
  EXPECT_EQ(l.columns[2].group, 0);
  EXPECT_EQ(l.columns[3].group, -1);
}

TEST(ListFormatTest, AnUnusableFormatGivesTheDefaultLayout) {
  const std::vector<ListAlign> fields = {ListAlign::Left, ListAlign::Right};
  for (const char* format : {"", "60L~Oops", "[]"}) {
    const ListLayout l = layoutForList(format, fields, 300, kScale);
    ASSERT_EQ(l.columns.size(), 2u) << format;
    EXPECT_FALSE(l.fromFormat);
    EXPECT_EQ(l.columns[0].width, 150);
    EXPECT_EQ(l.columns[1].left, 150);
    EXPECT_EQ(l.columns[1].align, ListAlign::Right);
    EXPECT_EQ(l.columns[1].valueField, 1);
    EXPECT_FALSE(l.hasHeader());
  }
  // Never narrower than 20 units, however little room is left.
  const ListLayout narrow =
      defaultListLayout({ListAlign::Left, ListAlign::Centre, ListAlign::Decimal}, 50, kScale);
  ASSERT_EQ(narrow.columns.size(), 3u);
  for (const ListColumn& c : narrow.columns) EXPECT_EQ(c.width, 30);
  EXPECT_EQ(narrow.totalWidth, 90);
  EXPECT_EQ(layoutForList("80L~Category~@s20@", fields, 300, kScale).columns.size(), 1u);
}

TEST(ListFormatTest, WidthsConvertAsMulDivDoes) {
  EXPECT_EQ(kScale.toPixels(11), 17);
  EXPECT_EQ(kScale.toPixels(-11), -17);
  EXPECT_EQ((ListScale{14, 8}).toPixels(60), 105);
  EXPECT_EQ((ListScale{12, 0}).toPixels(60), 0);
  // Huge widths stay within what a screen holds.
  const ListLayout l = parseListFormat("99999999999999999999L", kScale);
  ASSERT_EQ(l.columns.size(), 1u);
  EXPECT_GT(l.columns[0].width, 0);
  EXPECT_LE(l.columns[0].width, 1'000'000);
}

}  // namespace
}  // namespace dw::ui
