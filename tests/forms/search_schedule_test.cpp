// The search by example acting as the user: match types chosen per field
// (the dialog showing only the types a kind offers), Begin Search with
// Select, Unselect and Edit over a real Schedule and tag file, the scan
// stepping one timer tick at a time under its progress window.
#include <fstream>
#include <iterator>
#include <set>

#include "app/forms/search/qbe_match.h"
#include "app/forms/search/search_scan.h"
#include "app/forms/search/search_schedule.h"
#include "app/routines/tag_routines.h"
#include "fields/dorn006.h"
#include "runtime/lang/picture.h"
#include "fields/s_qbe.h"
#include "tests/forms/form_fixture.h"

namespace dw::app::testing {
namespace {

namespace sf = dorn006;

class SearchScheduleTest : public FormFixture {
 protected:
  void TearDown() override {
    FormFixture::TearDown();
    if (TF_().isOpen()) TF_().close();
    TF_().openCount() = 0;
  }
  std::uint32_t start() {
    closeAll();
    run([] { SearchSchedule(); });
    return windowId(kSearchScheduleLabel);
  }
  void typeInto(std::uint32_t w, int field, const std::string& text) {
    backend.focus(w, field);
    backend.type(w, field, text);
    backend.acceptTyped(w, field);
    idle();
  }
  // "&Search Type" for `field` (focused first), choosing `type`.
  void chooseType(std::uint32_t w, int field, int type) {
    backend.focus(w, field);
    idle();
    backend.press(w, sf::kSearchType);
    idle();
    const std::uint32_t d = windowId("MATCHTYPE$WINDOW");
    backend.choose(d, s_qbe::kMatchType, type + 1);
    backend.press(d, s_qbe::kOK);
    idle();
  }
  // Begin Search, answering the question with `button`; the scan then runs
  // one tick at a time until its window is gone.
  void begin(std::uint32_t w, int button) {
    backend.press(w, sf::kBeginSearch);
    idle();
    backend.press(windowId("QBETASK$WINDOW"), button);
    idle();
    tickScan();
  }
  void tickScan() {
    for (int i = 0; i < 100000 && backend.find(kSearchingTitle); ++i) {
      backend.advance(1);
      idle();
    }
  }
  void close(std::uint32_t w) {
    backend.press(w, sf::kCancel);
    idle();
    finish();
  }
  // The identifiers of the tagged tasks (table 1, the tags' values).
  static std::set<int> tagged() {
    std::set<int> ids;
    TagFile& t = TF_();
    if (!t.isOpen() && t.open(0x142) != 0) return ids;
    if (t.set(tf_key::kPtrKey) == 0)
      while (t.next() == 0)
        if (t->TBL == kScheduleTagTable) ids.insert(std::stoi(t->VAL.str()));
    t.close();
    return ids;
  }
  static void describe(int id, const std::string& text, int date = 0) {
    addTask(id, [&](ScheduleRecord& r) {
      r.Description = text;
      if (date) r.Date = date;
    });
  }
  std::string tagFileBytes() const {
    std::ifstream in(m_dir.file("TagFile_.BRK"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // A date as the form's date fields show it ("@d3").
  static std::string shownDate(int month, int day, int year) {
    return lang::format(lang::date(month, day, year), "@d3");
  }
  bool told(const std::string& text) {
    for (const std::string& m : backend.messages())
      if (m.ends_with("|" + text)) return true;
    return false;
  }
};

TEST_F(SearchScheduleTest, WithoutASearchFieldNothingIsScanned) {
  describe(1, "Backup");
  const auto w = start();
  backend.focus(w, sf::kBeginSearch);  // no data field selected
  idle();
  backend.press(w, sf::kSearchType);
  idle();
  EXPECT_TRUE(told(kSelectFieldFirst));
  backend.press(w, sf::kBeginSearch);
  idle();
  EXPECT_TRUE(told(kNoSearchField));
  EXPECT_FALSE(backend.find("QBETASK$WINDOW"));
  close(w);
}

TEST_F(SearchScheduleTest, TheMatchTypeDialogShowsWhatTheKindOffers) {
  const auto w = start();
  backend.focus(w, sf::kDate);
  idle();
  backend.press(w, sf::kSearchType);
  idle();
  const auto d = backend.find("MATCHTYPE$WINDOW");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->title, "Match Type for DATE Field");
  for (int t = 0; t < match::kCount; ++t)
    EXPECT_EQ(d->visible.at(s_qbe::kType0 + t), matchOffered(QbeKind::Date, t)) << t;
  // Type 13 moves up to where type 9 stood.
  EXPECT_EQ(d->controls.at(s_qbe::kType0 + 13).rect.y,
            d->controls.at(s_qbe::kType0 + 8).rect.y + 11);
  backend.press(d->id, s_qbe::kCancel);
  idle();
  close(w);
}

TEST_F(SearchScheduleTest, SelectAddsOrReplacesAndUnselectClears) {
  describe(1, "Nightly BACKUP");
  describe(2, "backup photos");
  describe(3, "Lunch");
  describe(4, "Eat lunch");
  auto w = start();
  typeInto(w, sf::kDescription, "backup");
  chooseType(w, sf::kDescription, match::kContains);
  begin(w, s_qbe::kSelect);
  close(w);
  EXPECT_EQ(tagged(), (std::set<int>{1, 2}));

  // "lunch" with Contains, keeping the old selection (No).
  w = start();
  typeInto(w, sf::kDescription, "lunch");
  chooseType(w, sf::kDescription, match::kContains);
  backend.answerBoxes({ui::button::kNo});
  begin(w, s_qbe::kSelect);
  EXPECT_TRUE(told(kClearOldSelections));
  close(w);
  EXPECT_EQ(tagged(), (std::set<int>{1, 2, 3, 4}));

  // Unselect of a task that is not tagged leaves the file as it is.
  const std::string before = tagFileBytes();
  w = start();
  typeInto(w, sf::kDescription, "nothing like it");
  chooseType(w, sf::kDescription, match::kEquals);
  begin(w, s_qbe::kUnselect);
  EXPECT_TRUE(told(kNoMatches));
  close(w);
  EXPECT_EQ(tagFileBytes(), before);

  // Unselect "Eat lunch"; then Select "Lunch" clearing the old ones (Yes).
  w = start();
  typeInto(w, sf::kDescription, "eat lunch");
  chooseType(w, sf::kDescription, match::kEquals);
  begin(w, s_qbe::kUnselect);
  close(w);
  EXPECT_EQ(tagged(), (std::set<int>{1, 2, 3}));
  w = start();
  typeInto(w, sf::kDescription, "LUNCH");
  chooseType(w, sf::kDescription, match::kEquals);
  backend.answerBoxes({ui::button::kYes});
  begin(w, s_qbe::kSelect);
  close(w);
  EXPECT_EQ(tagged(), (std::set<int>{3}));
}

TEST_F(SearchScheduleTest, DatesInTheMonthOfEachYearAndARange) {
  describe(1, "a", lang::date(3, 1, 2025));
  describe(2, "b", lang::date(3, 31, 2027));
  describe(3, "c", lang::date(4, 3, 2026));
  describe(4, "d", lang::date(2, 28, 2026));
  auto w = start();
  typeInto(w, sf::kDate, shownDate(3, 3, 2026));
  chooseType(w, sf::kDate, match::kMonth);
  begin(w, s_qbe::kSelect);
  close(w);
  EXPECT_EQ(tagged(), (std::set<int>{1, 2}));

  // A range asks for its limits at once: 28 Feb 2026 to 3 Apr 2026.
  w = start();
  backend.focus(w, sf::kDate);
  idle();
  backend.press(w, sf::kSearchType);
  idle();
  backend.choose(windowId("MATCHTYPE$WINDOW"), s_qbe::kMatchType, match::kInside + 1);
  backend.press(windowId("MATCHTYPE$WINDOW"), s_qbe::kOK);
  idle();
  const auto limits = windowId("UPPERLIMIT$WINDOW");
  backend.type(limits, s_qbe::kLower, shownDate(2, 28, 2026));
  backend.type(limits, s_qbe::kUpper, shownDate(4, 3, 2026));
  backend.press(limits, s_qbe::kLimitOK);
  idle();
  backend.answerBoxes({ui::button::kYes});
  begin(w, s_qbe::kSelect);
  close(w);
  EXPECT_EQ(tagged(), (std::set<int>{3, 4}));
}

TEST_F(SearchScheduleTest, EditStepsThroughTheMatchesAndEditsTheOneChosen) {
  describe(1, "water plants");
  describe(2, "Backup");
  describe(3, "water garden");
  describe(4, "water lawn");
  const auto w = start();
  typeInto(w, sf::kDescription, "water");
  chooseType(w, sf::kDescription, match::kBegins);
  begin(w, s_qbe::kEdit);
  EXPECT_EQ(shown(w, sf::kDescription), "water plants");
  EXPECT_EQ(backend.control(w, sf::kBeginSearch)->text, "&Find Next");
  EXPECT_EQ(backend.control(w, sf::kOK)->text, "&Edit This");
  backend.press(w, sf::kBeginSearch);
  idle();
  tickScan();
  EXPECT_EQ(shown(w, sf::kDescription), "water garden");
  backend.press(w, sf::kOK);  // Edit This
  idle();
  EXPECT_EQ(globalRequest(), request::kChange);
  typeInto(w, sf::kDescription, "water the garden");
  backend.press(w, sf::kOK);
  idle();
  finish();
  EXPECT_EQ(globalResponse(), response::kCompleted);
  EXPECT_EQ(tasks()[2].Description.str(), "water the garden");
  EXPECT_EQ(tasks()[3].Description.str(), "water lawn");
}

TEST_F(SearchScheduleTest, FindNextPastTheLastMatchSaysSoAndBringsTheExampleBack) {
  describe(1, "water plants");
  describe(2, "Backup");
  const auto w = start();
  typeInto(w, sf::kDescription, "water");
  chooseType(w, sf::kDescription, match::kBegins);
  begin(w, s_qbe::kEdit);
  backend.press(w, sf::kBeginSearch);
  idle();
  tickScan();
  EXPECT_TRUE(told(kNoMoreMatches));
  EXPECT_EQ(shown(w, sf::kDescription), "water");
  EXPECT_EQ(backend.control(w, sf::kBeginSearch)->text, "&Begin Search");
  close(w);
}

TEST_F(SearchScheduleTest, CancelHalfWayKeepsTheTagsOfThePartScanned) {
  ScheduleFile& f = probe();
  for (int id = 1; id <= 1000; ++id) {
    f.clear();
    f->ID = id;
    f->Description = "backup";
    ASSERT_EQ(f.add(), 0);
  }
  const auto w = start();
  typeInto(w, sf::kDescription, "backup");
  chooseType(w, sf::kDescription, match::kEquals);
  backend.press(w, sf::kBeginSearch);
  idle();
  backend.press(windowId("QBETASK$WINDOW"), s_qbe::kSelect);
  idle();
  for (int tick = 0; tick < 5; ++tick) {
    backend.advance(1);
    idle();
  }
  const auto progress = backend.find(kSearchingTitle);
  ASSERT_TRUE(progress);
  EXPECT_EQ(backend.control(progress->id, s_qbe::kPercent)->text, "50% Completed");
  backend.press(progress->id, s_qbe::kProgressCancel);
  idle();
  EXPECT_FALSE(backend.find(kSearchingTitle));
  close(w);
  std::set<int> first;
  for (int id = 1; id <= 500; ++id) first.insert(id);
  EXPECT_EQ(tagged(), first);
}

}  // namespace
}  // namespace dw::app::testing
