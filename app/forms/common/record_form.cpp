// The accept loop of the small one-record forms (see record_form.h).
#include "app/forms/common/record_form.h"

#include "app/data/requests.h"
#include "app/routines/settings.h"
#include "app/routines/window_position.h"
#include "runtime/ui/events.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

void runRecordForm(const RecordFormSpec& spec, const RecordFormSteps& steps) {
  namespace ev = ui::ev;
  ui::Runtime& rt = ui::runtime();
  ui::Window& window = ui::openWindow(spec.module, spec.label, ui::WindowKind::Plain);
  restorePosition(spec.section, false, kIniFile);
  rt.setProperty(0, ui::prop::kText, spec.title);
  steps.bind();
  rt.select(spec.firstField);
  while (rt.accept()) {
    noteWindowState(rt.event());
    const int event = rt.event();
    const int field = rt.field();
    if (event == ev::kRejected) {
      rt.backend().beep();
      rt.display(field);
    } else if (event == ev::kCompleted) {
      const FormOutcome o = steps.complete();
      if (o == FormOutcome::kDone) globalResponse() = response::kCompleted;
      if (o != FormOutcome::kStay) rt.post(ev::kCloseWindow);
    } else if (event == ev::kAccepted && field == spec.ok) {
      rt.selectAll();
    } else if (event == ev::kAccepted && field == spec.cancel) {
      globalResponse() = response::kCancelled;
      rt.post(ev::kCloseWindow);
    } else if (event == ev::kAccepted && steps.accepted) {
      steps.accepted(field);
    }
  }
  savePosition(spec.section, kIniFile);
  rt.close(window);
}

}  // namespace dw::app
