// The to-do form (see update_todo.h).
#include "app/forms/todo/update_todo.h"

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
namespace tf = todo_form;

namespace {

// Confirm Delete, then the delete routine, again while message 18 is
// answered Yes.
bool confirmAndDelete() {
  if (standardError(stdmsg::kConfirmDelete) != ui::button::kOk) return false;
  ToDoFile& tdo = TDO();
  const ToDoRecord chosen = tdo.rec();
  const std::uint32_t at = tdo.pointer();
  for (;;) {
    int rc = at != 0 ? tdo.getRecord(at) : 0;
    if (rc == 0) {
      tdo.rec() = chosen;
      rc = deleteToDoRecord();
      if (rc == 0) return true;
    } else {
      standardError(stdmsg::kRecordRetrievalError, kToDoLabel);
    }
    if (standardError(stdmsg::kRetryDelete) != ui::button::kYes) return false;
  }
}

using Outcome = FormOutcome;

class ToDoForm {
 public:
  explicit ToDoForm(bool inserting) : m_inserting(inserting) {
    ToDoFile& tdo = TDO();
    if (inserting) {
      tdo.clear();
      m_item = tdo.rec();
      m_item.Done = 0;
      m_item.Priority = kNewToDoPriority;
    } else {
      m_item = tdo.rec();
      m_at = tdo.pointer();
      watch();
    }
  }

  void run() {
    RecordFormSpec spec;
    spec.module = kUpdateTodoModule;
    spec.label = kUpdateTodoLabel;
    spec.section = kUpdateTodoSection;
    spec.title = m_inserting ? kAddingToDoTitle : kChangingToDoTitle;
    spec.firstField = tf::kToDo;
    spec.ok = tf::kOK;
    spec.cancel = tf::kCancel;
    RecordFormSteps steps;
    steps.bind = [this] {
      ui::Runtime& rt = runtime();
      rt.use(tf::kToDo, ui::VarRef::fixedString(m_item.ToDo.bytes));
      rt.use(tf::kPriority, ui::VarRef::of(m_item.Priority));
      rt.use(tf::kDone, ui::VarRef::of(m_item.Done));
    };
    steps.complete = [this] {
      // Out of range: the spin is chosen again and the form stays.
      if (!priorityInRange()) return Outcome::kStay;
      const Outcome o = m_inserting ? insert() : change();
      if (o == Outcome::kStay) runtime().select(tf::kToDo);
      return o;
    };
    steps.accepted = [this](int field) {
      if (field == tf::kPriority) priorityInRange();
    };
    runRecordForm(spec, steps);
  }

 private:
  // The range rule of the priority: message 10, the spin selected again.
  bool priorityInRange() {
    if (m_item.Priority >= kLowestPriority && m_item.Priority <= kHighestPriority) return true;
    standardError(stdmsg::kRangeBetween, kPriorityName, std::to_string(kLowestPriority),
                  std::to_string(kHighestPriority));
    runtime().select(tf::kPriority);
    return false;
  }

  // The item read again under WATCH, so that the update routine can tell a
  // change by another station.
  void watch() {
    if (m_at == 0) return;
    lang::pushErrorState();
    (void)TDO().watch();
    (void)TDO().getRecord(m_at);
    lang::popErrorState();
  }

  Outcome insert() {
    ToDoFile& tdo = TDO();
    tdo.rec() = m_item;
    const int rc = tdo.add();
    if (rc == 0) return Outcome::kDone;
    if (rc == lang::err::kDuplicateKey)
      standardError(stdmsg::kDuplicateKey, "TDO:KeyToDo");
    else
      standardError(stdmsg::kInsertError);
    return Outcome::kStay;
  }

  Outcome change() {
    ToDoFile& tdo = TDO();
    for (;;) {
      if (tdo.pointer() != m_at) watch();
      tdo.rec() = m_item;
      if (updateToDoRecord() == 0) return Outcome::kDone;
      const int answer = standardError(stdmsg::kRetryUpdate);
      if (answer == ui::button::kYes) {
        watch();
        continue;
      }
      return answer == ui::button::kNo ? Outcome::kClose : Outcome::kStay;
    }
  }

  bool m_inserting;
  ToDoRecord m_item{};
  std::uint32_t m_at = 0;
};

}  // namespace

void UpdateTodo() {
  const int request = globalRequest();
  globalResponse() = response::kCancelled;
  FileUser todo(TDO());  // the open routine ends the program on failure
  if (request == request::kDelete) {
    if (confirmAndDelete()) globalResponse() = response::kCompleted;
    return;
  }
  ToDoForm form(request == request::kInsert);
  form.run();
}

}  // namespace dw::app
