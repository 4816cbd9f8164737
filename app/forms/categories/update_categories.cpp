// The category form (see update_categories.h).
#include "app/forms/categories/update_categories.h"

#include <cstring>

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/data/table_descs.h"
#include "app/forms/common/record_form.h"
#include "app/routines/file_routines.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/var_ref.h"

namespace dw::app {

using ui::runtime;
namespace cf = category_form;

namespace {

constexpr int kRefused = -1;

// Confirm Delete, then the delete routine, again while message 18 is
// answered Yes.  True when the category is gone.
bool confirmAndDelete() {
  if (standardError(stdmsg::kConfirmDelete) != ui::button::kOk) return false;
  CategoriesFile& cat = CAT();
  const CategoryRecord chosen = cat.rec();
  for (;;) {
    cat.rec() = chosen;
    const int rc = deleteCategoriesRecord();
    if (rc == 0) return true;
    if (rc == kRefused) return false;  // the routine said why
    if (standardError(stdmsg::kRetryDelete) != ui::button::kYes) return false;
  }
}

// The category being changed, read again under WATCH so that the update
// routine can tell a change by another station.
void watchCategory(const CategoryRecord& category) {
  CategoriesFile& cat = CAT();
  lang::pushErrorState();
  cat.rec() = category;
  (void)cat.watch();
  (void)cat.get(cat_key::kKeyCategory);
  lang::popErrorState();
}

using Outcome = FormOutcome;

class CategoryForm {
 public:
  explicit CategoryForm(bool inserting) : m_inserting(inserting) {
    std::memset(m_name, ' ', sizeof m_name);
    if (!inserting) {
      m_read = CAT().rec();
      std::memcpy(m_name, m_read.Category.bytes, sizeof m_name);
      watchCategory(m_read);
    }
  }

  void run() {
    RecordFormSpec spec;
    spec.module = kUpdateCategoriesModule;
    spec.label = kUpdateCategoriesLabel;
    spec.section = kUpdateCategoriesSection;
    spec.title = m_inserting ? kAddingCategoryTitle : kChangingCategoryTitle;
    spec.firstField = cf::kCategory;
    spec.ok = cf::kOK;
    spec.cancel = cf::kCancel;
    RecordFormSteps steps;
    steps.bind = [this] { runtime().use(cf::kCategory, ui::VarRef::fixedString(m_name)); };
    steps.complete = [this] {
      const Outcome o = complete();
      if (o == Outcome::kStay) {
        runtime().display(cf::kCategory);
        runtime().select(cf::kCategory);
      }
      return o;
    };
    runRecordForm(spec, steps);
  }

 private:
  std::string_view name() const { return std::string_view(m_name, sizeof m_name); }

  Outcome complete() {
    if (trimRight(name()).empty()) {
      // A category without a name groups nothing.
      runtime().backend().beep();
      return Outcome::kStay;
    }
    return m_inserting ? insert() : change();
  }

  Outcome insert() {
    CategoriesFile& cat = CAT();
    cat.clear();
    cat->Category = name();
    const int rc = cat.add();
    if (rc == 0) return Outcome::kDone;
    if (rc == lang::err::kDuplicateKey)
      standardError(stdmsg::kDuplicateKey, "CAT:KeyCategory");
    else
      standardError(stdmsg::kInsertError);
    return Outcome::kStay;
  }

  Outcome change() {
    CategoriesFile& cat = CAT();
    for (;;) {
      if (cat.pointer() == 0 || !(cat->Category == m_read.Category.raw())) watchCategory(m_read);
      cat->Category = name();
      const int rc = updateCategoriesRecord();
      if (rc == 0) return Outcome::kDone;
      if (rc == kRefused) {
        // The routine put the old name back: the form shows it.
        std::memcpy(m_name, cat->Category.bytes, sizeof m_name);
        watchCategory(m_read);
        return Outcome::kStay;
      }
      const int answer = standardError(stdmsg::kRetryUpdate);
      if (answer == ui::button::kYes) {
        watchCategory(m_read);
        continue;
      }
      return answer == ui::button::kNo ? Outcome::kClose : Outcome::kStay;
    }
  }

  bool m_inserting;
  CategoryRecord m_read{};
  char m_name[sizeof(CategoryRecord)];
};

}  // namespace

void UpdateCategories() {
  const int request = globalRequest();
  globalResponse() = response::kCancelled;
  FileUser categories(CAT());  // the open routine ends the program on failure
  if (request == request::kDelete) {
    if (confirmAndDelete()) globalResponse() = response::kCompleted;
    return;
  }
  CategoryForm form(request == request::kInsert);
  form.run();
}

}  // namespace dw::app
