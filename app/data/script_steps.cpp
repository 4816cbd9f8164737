// Script steps of a task (script_steps.h).
#include "app/data/script_steps.h"

#include "app/data/app_files.h"
#include "runtime/lang/errors.h"

namespace dw::app {

int firstScriptStep(std::int64_t id, bool& found) {
  ScriptingFile& scr = SCR();
  found = false;
  scr.clear();
  scr->ID.set(id);
  scr->Sequence.set(-scr->Sequence.limit());
  int rc = scr.setByValue(scr_key::kKeyID);
  if (rc == 0) rc = scr.next();
  if (rc == lang::err::kRecordNotAvailable) {
    lang::clearError();
    return 0;
  }
  if (rc != 0) return rc;
  found = scr->ID.get() == id;
  return 0;
}

int deleteScriptSteps(std::int64_t id) {
  for (;;) {
    bool found = false;
    if (int rc = firstScriptStep(id, found)) return rc;
    if (!found) return 0;
    if (int rc = SCR().erase()) return rc;
  }
}

int moveScriptSteps(std::int64_t from, std::int64_t to) {
  for (;;) {
    bool found = false;
    if (int rc = firstScriptStep(from, found)) return rc;
    if (!found) return 0;
    SCR()->ID.set(to);
    if (int rc = SCR().put()) return rc;
  }
}

}  // namespace dw::app
