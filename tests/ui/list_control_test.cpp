// The list control over the headless backend: it asks its source only for
// the page it shows, draws cells through its columns (pictures, icons,
// colours), chooses rows into its variable, follows a new format at run
// time, and is built with its format from a window record.
#include "runtime/ui/list_control.h"

#include "runtime/lang/picture.h"
#include "runtime/ui/resfmt/window_record.h"
#include "runtime/ui/window_builder.h"
#include "tests/ui/ui_fixture.h"

namespace dw::ui::testing {
namespace {

using ListControlTest = UiTest;

// Rows "Row 0", "Row 1", ... counted as they are asked for.
class CountingSource : public ListSource {
 public:
  explicit CountingSource(std::int64_t rows) : m_rows(rows) {}
  std::int64_t rowCount() override { return m_rows; }
  void fetch(std::int64_t first, std::int64_t count, std::vector<ListRow>& out) override {
    for (std::int64_t r = first; r < first + count && r < m_rows; ++r) {
      out.push_back({"Row " + std::to_string(r), std::to_string(r % 7)});
      ++asked;
    }
  }
  std::vector<ListAlign> fieldAligns() override { return {ListAlign::Left, ListAlign::Right}; }
  void resize(std::int64_t rows) { m_rows = rows; }
  std::int64_t asked = 0;

 private:
  std::int64_t m_rows;
};

// Delivers every queued event of the current window; the events seen.
std::vector<std::string> pump() {
  runtime().post(ev::kNotify);
  std::vector<std::string> seen;
  while (runtime().accept()) {
    if (runtime().event() == ev::kNotify) break;
    seen.push_back(describeCurrent());
  }
  return seen;
}

ControlState listDecl(int field, std::string format, int height = 100) {
  ControlState s = declared(ControlType::List, field);
  s.format = std::move(format);
  s.rect = {4, 4, 200, height};
  return s;
}

TEST_F(ListControlTest, AListOverManyRowsAsksOnlyForThePagesItShows) {
  runtime().adoptCurrentThread();
  std::vector<ControlState> states;
  states.push_back(listDecl(1, "60L~Name~@s20@20R~Mod~@n3@"));
  Window& w = runtime().open(windowDesc("Big"), makeControls(std::move(states)));
  auto source = std::make_shared<CountingSource>(100'000);
  setListSource(1, source);
  const int page = listControl(1)->pageRows();
  EXPECT_GT(page, 1);
  EXPECT_LT(page, 50);
  EXPECT_EQ(source->asked, page);
  pump();

  // Ten pages down, as the view's scroll bar would.
  for (int p = 1; p <= 10; ++p) backend.scroll(w.id(), 1, std::int64_t{p} * page, 0, ev::kPageDown);
  const std::vector<std::string> seen = pump();
  EXPECT_EQ(seen, std::vector<std::string>(10, "PageDown 1"));
  EXPECT_EQ(source->asked, 11 * page);
  auto shown = backend.control(w.id(), 1)->list;
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->rowCount, 100'000);
  EXPECT_EQ(shown->top, 10 * page);
  ASSERT_EQ(shown->rows.size(), static_cast<std::size_t>(page));
  EXPECT_EQ(shown->rows[0][0].text, "Row " + std::to_string(10 * page));
  ASSERT_NE(shown->row(10 * page + 1), nullptr);
  EXPECT_EQ(shown->row(10 * page - 1), nullptr);

  // Past the end the list stops at its last page; the view reporting its
  // size without moving is no event for the procedure.
  backend.scroll(w.id(), 1, 500'000, 0, ev::kScrollBottom);
  backend.scroll(w.id(), 1, 100'000 - page, page);
  EXPECT_EQ(pump(), std::vector<std::string>{"ScrollBottom 1"});
  shown = backend.control(w.id(), 1)->list;
  EXPECT_EQ(shown->top, 100'000 - page);
  EXPECT_EQ(shown->rows.back()[0].text, "Row 99999");
  EXPECT_EQ(source->asked, 13 * page);
}

TEST_F(ListControlTest, CellsShowPicturesIconsAndColours) {
  runtime().adoptCurrentThread();
  std::vector<ControlState> states;
  states.push_back(listDecl(1, "11L|M*I@s1@47L|M*~Date~@d3@0L@s4@25R~Pri~@n5.1@"));
  Window& w = runtime().open(windowDesc("Cells"), makeControls(std::move(states)));
  auto rows = std::make_shared<VectorListSource>(std::vector<ListRow>{
      // icon + 4 colours, date + 4 colours, hidden, priority
      {"2", "255", "16777215", "-1", "x", "4", "65280", "0", "128", "32768", "key", "3.14159"},
      {"9"},  // short rows leave the rest empty
  });
  setListSource(1, rows);
  setListIcons(1, {"disabled.ico", "done.ico"});
  pump();
  const auto shown = backend.control(w.id(), 1)->list;
  ASSERT_TRUE(shown && shown->rows.size() == 2);
  EXPECT_EQ(shown->icons, (std::vector<std::string>{"disabled.ico", "done.ico"}));
  const auto& first = shown->rows[0];
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[0].icon, 2);
  EXPECT_EQ(first[0].text, "");
  EXPECT_EQ(first[0].foreground, 255);
  EXPECT_EQ(first[0].background, 0xFFFFFF);
  EXPECT_EQ(first[0].selectedForeground, -1);
  EXPECT_EQ(first[0].selectedBackground, -1);  // not a number
  const std::string date = lang::format(4.0, "@d3");
  EXPECT_EQ(first[1].text, date.substr(date.find_first_not_of(' ')));
  EXPECT_EQ(first[1].foreground, 0x00FF00);
  EXPECT_EQ(first[1].selectedBackground, 0x8000);
  EXPECT_EQ(first[2].text, "key");  // a hidden column still takes its field
  EXPECT_EQ(first[3].text, "3.1");
  const auto& second = shown->rows[1];
  EXPECT_EQ(second[0].icon, 9);
  EXPECT_EQ(second[3].text, "");
}

TEST_F(ListControlTest, ChoosingWritesTheVariableAndANewFormatRelaysTheList) {
  runtime().adoptCurrentThread();
  std::vector<ControlState> states;
  states.push_back(listDecl(1, "60L~Name~@s20@", 30));
  states.push_back(listDecl(2, "", 30));
  Window& w = runtime().open(windowDesc("Choose"), makeControls(std::move(states)));
  auto source = std::make_shared<CountingSource>(1000);
  char chosen[12];
  VarRef::fixedString(chosen).setText("");
  std::int32_t number = 0;
  setListSource(1, source);
  setListSource(2, std::make_shared<CountingSource>(5));
  runtime().use(1, VarRef::fixedString(chosen));
  runtime().use(2, VarRef::of(number));
  pump();

  backend.choose(w.id(), 1, 2);
  backend.choose(w.id(), 2, 4);
  EXPECT_EQ(pump(), (std::vector<std::string>{"NewSelection 1", "NewSelection 2"}));
  EXPECT_EQ(VarRef::fixedString(chosen).text(), "Row 1");
  EXPECT_EQ(number, 4);

  // A row off the page is fetched alone; out of range chooses nothing.
  const std::int64_t before = source->asked;
  listControl(1)->choose(900);
  EXPECT_EQ(VarRef::fixedString(chosen).text(), "Row 899");
  EXPECT_GE(listControl(1)->top(), 900 - listControl(1)->pageRows());
  EXPECT_LE(source->asked - before, listControl(1)->pageRows() + 1);
  backend.choose(w.id(), 1, 5000);
  pump();
  EXPECT_EQ(VarRef::fixedString(chosen).text(), "");
  EXPECT_EQ(runtime().choice(1), 0);

  // No format: one column per field, aligned as the source says.
  EXPECT_FALSE(listControl(2)->layout().fromFormat);
  ASSERT_EQ(listControl(2)->layout().columns.size(), 2u);
  EXPECT_EQ(listControl(2)->layout().columns[1].align, ListAlign::Right);
  // A valid format replaces it; an invalid one brings it back.
  setListFormat(2, "30L~A~30R~B~");
  EXPECT_TRUE(backend.control(w.id(), 2)->list->layout->fromFormat);
  EXPECT_EQ(backend.control(w.id(), 2)->list->layout->columns[1].header, "B");
  setListFormat(2, "30L~A");
  EXPECT_FALSE(backend.control(w.id(), 2)->list->layout->fromFormat);
  EXPECT_EQ(backend.control(w.id(), 2)->format, "30L~A");

  // The source shrinks: reloading clamps the selection and the top row.
  source->resize(3);
  backend.choose(w.id(), 1, 3);
  pump();
  reloadList(1);
  EXPECT_EQ(backend.control(w.id(), 1)->list->rowCount, 3);
  source->resize(1);
  reloadList(1);
  EXPECT_EQ(runtime().choice(1), 1);
  EXPECT_EQ(backend.control(w.id(), 1)->list->top, 0);
}

TEST_F(ListControlTest, ListsBuiltFromAWindowRecordKeepTheirFormatAndDropCount) {
  runtime().adoptCurrentThread();
  resfmt::WindowRecord r;
  r.label = "PICK$WINDOW";
  r.width = 200;
  r.height = 100;
  resfmt::ControlRecord list;
  list.type = resfmt::ControlType::List;
  list.field = 1;
  list.rect = {4, 4, 120, 80};
  list.format = "60L(0)|M~Category~@s20@";
  resfmt::ControlRecord drop = list;
  drop.field = 2;
  drop.format = "80L~Category~@s20@";
  drop.dropCount = 6;
  r.controls = {list, drop};
  BuiltWindow built = buildWindow(r, WindowKind::Plain);
  Window& w = runtime().open(std::move(built.desc), std::move(built.controls));
  runtime().setRows(1, {"Home", "Work"});
  runtime().setRows(2, {"Home", "Work", "Play"});
  pump();
  const auto first = backend.control(w.id(), 1);
  ASSERT_TRUE(first && first->list);
  ASSERT_EQ(first->list->layout->columns.size(), 1u);
  // Widths in dialog units become pixels with the window's font.
  EXPECT_EQ(first->list->layout->columns[0].width, 90);
  EXPECT_EQ(first->list->rows.size(), 2u);
  EXPECT_EQ(first->list->rows[1][0].text, "Work");
  const auto second = backend.control(w.id(), 2);
  EXPECT_EQ(second->dropCount, 6);
  EXPECT_EQ(second->list->rowCount, 3);
  EXPECT_EQ(second->list->layout->columns[0].header, "Category");
}

}  // namespace
}  // namespace dw::ui::testing
