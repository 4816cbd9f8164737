// The category windows: the list, the form and the picker; the
// restrict rules of the Categories routines as the windows show them; the
// picker feeding the schedule list's "All by Category".
#include <gtest/gtest.h>

#include "app/forms/categories/browse_categories.h"
#include "app/forms/categories/categories_calls.h"
#include "app/forms/categories/select_categories.h"
#include "app/forms/categories/update_categories.h"
#include "app/forms/schedule/update_schedule.h"
#include "app/routines/file_routines.h"
#include "fields/dorn005.h"
#include "runtime/ui/keycodes.h"
#include "runtime/ui/message_box.h"
#include "tests/forms/list_fixture.h"

namespace dw::app {
namespace {

namespace cw = categories_window;
namespace cf = category_form;
namespace cp = category_picker;
namespace bw = browse_window;

constexpr std::size_t kDescriptionColumn = 4;
constexpr const char* kDeleteRefused =
    "Referential Integrity Delete Error|This record is referenced from the file Schedule.  This "
    "record cannot be deleted while these references exist.";
constexpr const char* kRenameRefused =
    "Referential Integrity Update Error|This record is referenced from the file Schedule.  "
    "Linking field(s) have been restricted from change and have been reset to original values.";

class CategoryWindowsTest : public testing::ListFixture {
 protected:
  void TearDown() override {
    ListFixture::TearDown();
    resetCategoriesCalls();
  }
  ui::HeadlessBackend::WindowShot openList() {
    return startWindow(&BrowseCategories, "Categories");
  }
  std::vector<std::string> shown(std::uint32_t w) { return shownColumn(w, cw::kList, 0); }
  // Types a name into the open form and presses OK.
  void enterName(const std::string& title, const std::string& name) {
    const auto form = window(title);
    backend.type(form.id, cf::kCategory, name);
    backend.acceptTyped(form.id, cf::kCategory);
    backend.press(form.id, cf::kOK);
    idle();
  }
};

TEST_F(CategoryWindowsTest, AddsRenamesAndDeletesAnUnusedCategory) {
  storeCategories({"General"});
  startProgram();
  const auto w = openList();
  EXPECT_EQ(w.label, kBrowseCategoriesLabel);
  EXPECT_EQ(shown(w.id), std::vector<std::string>{"General"});

  backend.press(w.id, cw::kAdd);
  enterName(kAddingCategoryTitle, "Backups");
  EXPECT_FALSE(isOpen(kAddingCategoryTitle));
  EXPECT_EQ(shown(w.id), (std::vector<std::string>{"Backups", "General"}));
  EXPECT_EQ(list(w.id, cw::kList).selected, 1);  // the new one is chosen
  EXPECT_EQ(categories(), (std::vector<std::string>{"Backups", "General"}));

  // A name that exists in another letter case is refused.
  backend.alertKey(w.id, cw::kList, ui::key::kInsert);
  enterName(kAddingCategoryTitle, "general");
  EXPECT_TRUE(isOpen(kAddingCategoryTitle));
  EXPECT_EQ(backend.messages().back(),
            "Duplicate Key Error|Adding this record creates a duplicate entry for the "
            "key:CAT:KeyCategory");
  backend.press(window(kAddingCategoryTitle).id, cf::kCancel);

  backend.choose(w.id, cw::kList, 1);
  backend.press(w.id, cw::kChange);
  EXPECT_EQ(backend.control(window(kChangingCategoryTitle).id, cf::kCategory)->display, "Backups");
  enterName(kChangingCategoryTitle, "Archives");
  EXPECT_FALSE(isOpen(kChangingCategoryTitle));
  EXPECT_EQ(categories(), (std::vector<std::string>{"Archives", "General"}));

  backend.choose(w.id, cw::kList, 1);
  backend.answerBoxes({ui::button::kOk});
  backend.press(w.id, cw::kDelete);
  idle();
  EXPECT_EQ(categories(), std::vector<std::string>{"General"});
  EXPECT_EQ(shown(w.id), std::vector<std::string>{"General"});

  backend.press(w.id, cw::kClose);
  idle();
  EXPECT_EQ(ini("BrowseCategories", "Maximize"), "No");
  EXPECT_EQ(ini("UpdateCategories", "Maximize"), "No");
}

TEST_F(CategoryWindowsTest, ACategoryInUseIsNeitherDeletedNorRenamedAndTheFileStaysAsItWas) {
  store({testing::task(1, "Pay rent", today(), 1).inCategory("Bills")});
  storeCategories({"Bills", "General"});
  startProgram();
  const auto w = openList();
  const std::string before = fileBytes();

  backend.choose(w.id, cw::kList, 1);
  backend.answerBoxes({ui::button::kOk});
  backend.press(w.id, cw::kDelete);
  idle();
  EXPECT_EQ(backend.messages().back(), kDeleteRefused);
  EXPECT_EQ(categories(), (std::vector<std::string>{"Bills", "General"}));
  EXPECT_TRUE(fileBytes() == before);

  backend.choose(w.id, cw::kList, 1);
  backend.press(w.id, cw::kChange);
  enterName(kChangingCategoryTitle, "Money");
  // The form stays open and shows the old name again.
  ASSERT_TRUE(isOpen(kChangingCategoryTitle));
  EXPECT_EQ(backend.messages().back(), kRenameRefused);
  EXPECT_EQ(backend.control(window(kChangingCategoryTitle).id, cf::kCategory)->display, "Bills");
  backend.press(window(kChangingCategoryTitle).id, cf::kCancel);
  idle();
  EXPECT_EQ(categories(), (std::vector<std::string>{"Bills", "General"}));
  EXPECT_TRUE(fileBytes() == before);
  EXPECT_EQ(schedule().front().first.Category, "Bills");
}

TEST_F(CategoryWindowsTest, ScheduleOpensTheTasksOfTheChosenCategory) {
  storeCategories({"Bills", "Health"});
  startProgram();
  std::vector<std::string> opened;
  categoriesCalls().scheduleOfCategory = [&] { opened.push_back(CAT()->Category.str()); };
  const auto w = openList();
  backend.choose(w.id, cw::kList, 2);
  backend.press(w.id, cw::kSchedule);
  idle();
  EXPECT_EQ(opened, std::vector<std::string>{"Health"});
}

TEST_F(CategoryWindowsTest, AnEmptyListDisablesChangeDeleteAndSchedule) {
  startProgram();
  const auto w = openList();
  EXPECT_TRUE(shown(w.id).empty());
  EXPECT_TRUE(disabled(w.id, cw::kChange));
  EXPECT_TRUE(disabled(w.id, cw::kDelete));
  EXPECT_TRUE(disabled(w.id, cw::kSchedule));
  backend.answerPopup(0);
  backend.alertKey(w.id, cw::kList, ui::key::kMouseRight);
  idle();
  ASSERT_FALSE(backend.popups().empty());
  EXPECT_EQ(backend.popups().back().menu.items.size(), 3u);
}

TEST_F(CategoryWindowsTest, ThePickerFeedsAllByCategory) {
  store({testing::task(1, "Pay rent", today(), 1).inCategory("Bills"),
         testing::task(2, "Walk", today(), 1).inCategory("Health"),
         testing::task(3, "Run", today() + 1, 1).inCategory("Health")});
  storeCategories({"Bills", "Health"});
  startProgram();
  scheduleCalls().selectCategories = &SelectCategories;
  const auto s = startSchedule();
  backend.choose(s.id, bw::kSheet, 3);
  backend.press(s.id, bw::kPickCategory);
  const auto picker = window("Select a Category");
  EXPECT_EQ(picker.label, kSelectCategoriesLabel);
  EXPECT_EQ(shownColumn(picker.id, cp::kList, 0), (std::vector<std::string>{"Bills", "Health"}));
  // Typing finds a category by its first letters.
  backend.alertKey(picker.id, cp::kList, 'H');
  EXPECT_EQ(list(picker.id, cp::kList).selected, 2);
  backend.press(picker.id, cp::kSelect);
  idle();
  EXPECT_FALSE(isOpen("Select a Category"));
  EXPECT_EQ(shownColumn(s.id, bw::kList, kDescriptionColumn),
            (std::vector<std::string>{"Run", "Walk"}));

  // Close leaves the view as it was.
  backend.press(s.id, bw::kPickCategory);
  const auto again = window("Select a Category");
  backend.choose(again.id, cp::kList, 1);
  backend.press(again.id, cp::kClose);
  idle();
  EXPECT_EQ(shownColumn(s.id, bw::kList, kDescriptionColumn),
            (std::vector<std::string>{"Run", "Walk"}));
  EXPECT_EQ(ini("SelectCategories", "Maximize"), "No");
}

}  // namespace
}  // namespace dw::app

namespace dw::app {
namespace {

namespace us = dorn005;

// Another process removes the category the open task form has chosen, for
// a new task and for a change: the form's OK stores the task and its
// category together, so no task is left under a category the table lacks;
// and a category added meanwhile is offered when the form's window gains
// the focus again.
TEST_F(CategoryWindowsTest, ATaskNeverOutlivesItsCategoryAndTheFormSeesNewCategories) {
  storeCategories({"Backups", "General"});
  startProgram();
  onFrame([] {
    SCH().clear();
    globalRequest() = request::kInsert;
    ui::runtime().start([] { UpdateSchedule(); }, 50000);
  });
  const auto form = window("Adding a Schedule Task");
  const auto names = [&] {
    idle();
    return backend.control(form.id, us::kCategory)->rows;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"Backups", "General"}));
  backend.choose(form.id, us::kCategory, 1);
  backend.type(form.id, us::kDescription, "Copy the photos");
  backend.acceptTyped(form.id, us::kDescription);
  idle();

  // The other process: `removed` removed (no task uses it yet), `added` added.
  const auto elsewhere = [&](const char* removed, const char* added) {
    onFrame([&] {
      CategoriesFile other("CAT", kCategoriesFile, categoriesTableDesc());
      ASSERT_EQ(other.open(0x42), 0);
      other->Category = removed;
      ASSERT_EQ(other.get(cat_key::kKeyCategory), 0);
      ASSERT_EQ(other.erase(), 0);
      if (added) {
        other.clear();
        other->Category = added;
        ASSERT_EQ(other.add(), 0);
      }
      other.close();
    });
  };
  elsewhere("Backups", "Music");
  backend.activate(frameId);
  backend.activate(form.id);
  EXPECT_EQ(names(), (std::vector<std::string>{"Backups", "General", "Music"}));

  backend.press(form.id, us::kOK);
  idle();
  EXPECT_TRUE(backend.messages().empty());
  EXPECT_FALSE(isOpen("Adding a Schedule Task"));
  ASSERT_EQ(schedule().size(), 1u);
  EXPECT_EQ(schedule()[0].first.Category, "Backups");
  EXPECT_EQ(categories(), (std::vector<std::string>{"Backups", "General", "Music"}));

  // The task moved to "Music" in the form while "Music" is removed.
  const std::int32_t id = schedule()[0].first.ID;
  onFrame([id] {
    ui::runtime().start(
        [id] {
          FileUser user(SCH());
          SCH()->ID = id;
          ASSERT_EQ(SCH().get(sch_key::kKeyID), 0);
          globalRequest() = request::kChange;
          UpdateSchedule();
        },
        50000);
  });
  const auto change = window("Changing a Schedule Task");
  backend.choose(change.id, us::kCategory, 3);
  idle();
  elsewhere("Music", nullptr);
  EXPECT_EQ(categories(), (std::vector<std::string>{"Backups", "General"}));
  backend.press(change.id, us::kOK);
  idle();
  EXPECT_TRUE(backend.messages().empty());
  EXPECT_FALSE(isOpen("Changing a Schedule Task"));
  ASSERT_EQ(schedule().size(), 1u);
  EXPECT_EQ(schedule()[0].first.Category, "Music");
  EXPECT_EQ(categories(), (std::vector<std::string>{"Backups", "General", "Music"}));
}

}  // namespace
}  // namespace dw::app
