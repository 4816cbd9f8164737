// The accept loop of the small one-record forms (the to-do form, the
// category form): the window opened at its remembered place with its
// title, the first field chosen, then
//
//  - a text the field's picture refuses: a beep, and the value shown again;
//  - OK: every field accepted (SELECT all), which ends in EVENT:Completed,
//    where the form stores its record; Done leaves the shared response 1
//    and closes, Close closes (response 2), Stay keeps the form open (the
//    form chooses the field to go back to);
//  - Cancel: the shared response 2 and the window closed;
//  - any other accepted field goes to the form.
//
// The window's place is saved in its DORN.INI section when it closes.
//
// Thread-safety: the form's thread, under the Runtime lock.
#pragma once

#include <functional>
#include <string>

namespace dw::app {

enum class FormOutcome { kDone, kStay, kClose };

struct RecordFormSpec {
  const char* module = nullptr;   // the window resource's module
  const char* label = nullptr;    // the window's label in it
  const char* section = nullptr;  // DORN.INI section of its place
  std::string title;
  int firstField = 0;  // chosen when the window opens
  int ok = 0;
  int cancel = 0;
};

struct RecordFormSteps {
  std::function<void()> bind;               // USEs the form's variables, once open
  std::function<FormOutcome()> complete;    // stores the record (EVENT:Completed)
  std::function<void(int field)> accepted;  // other accepted fields; may be empty
};

void runRecordForm(const RecordFormSpec& spec, const RecordFormSteps& steps);

}  // namespace dw::app
