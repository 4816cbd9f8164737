// The standard error routine: the fixed table of the application's file and
// validation messages, the error text they quote, and the halts of the
// messages after which the program cannot go on (file_routines.h).
//
// The table is data: each message names its caption, its text as pieces
// (fixed words and the texts passed in), its buttons and default button;
// messages 2, 23, 27, 29, 32 and 33 ask a question and carry the stock
// question icon, every other one the stock exclamation icon.
//
// Threads: standardMessage and standardErrorText are plain functions of
// their arguments and the posted error; standardError runs on a runtime
// thread holding the Runtime lock (it shows a modal box).
#include <cstdio>
#include <string>

#include "app/data/field_types.h"
#include "app/routines/file_routines.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"

namespace dw::app {

namespace {

using ui::button::kCancel;
using ui::button::kNo;
using ui::button::kOk;
using ui::button::kRetry;
using ui::button::kYes;

// The error of the file driver itself, reported with the driver's own text.
constexpr int kDriverError = 90;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool asksQuestion(int number) {
  switch (number) {
    case stdmsg::kInvalidKey:
    case stdmsg::kConfirmCancel:
    case stdmsg::kCancelLoad:
    case stdmsg::kEndOfFile:
    case stdmsg::kConfirmDelete:
    case stdmsg::kSaveChanges:
      return true;
    default:
      return false;
  }
}

std::string invalidRequest(std::string_view what) {
  return "This procedure was called to " + std::string(what) +
         " are not allowed for this procedure.  Press OK to return to the calling procedure";
}

}  // namespace

std::string standardErrorText() {
  const int code = lang::errorCode();
  if (code == kDriverError) {
    return std::string(trimRight(lang::errorFile())) + " (" +
           std::string(trimRight(lang::errorExtra())) + ")";
  }
  return std::string(trimRight(lang::errorText())) + " (" + std::to_string(code) + ")";
}

StandardMessage standardMessage(int number, std::string_view nameIn, std::string_view lowIn,
                                std::string_view highIn, std::string_view choice,
                                std::string_view error, int errorCode) {
  const std::string name(trimRight(nameIn));
  const std::string low(trimRight(lowIn));
  const std::string high(trimRight(highIn));
  const std::string e(error);
  StandardMessage m;
  m.buttons = kOk;
  m.defaultButton = kOk;
  auto set = [&m](std::string caption, std::string text) {
    m.caption = std::move(caption);
    m.text = std::move(text);
  };
  auto ask = [&m](int buttons, int defaultButton) {
    m.buttons = buttons;
    m.defaultButton = defaultButton;
  };
  const std::string endApp = ".  Press OK to end this application.";
  switch (number) {
    case stdmsg::kInvalidFile:
      set("Invalid File", "Error: (" + e + ") accessing " + name + endApp);
      m.haltText = kHaltInvalidFile;
      break;
    case stdmsg::kInvalidKey:
      set("Invalid Key", name + " key file is invalid.  Do you want to rebuild the key?");
      ask(kYes | kNo, kYes);
      m.haltText = kHaltInvalidKey;
      m.endsOnNo = true;
      break;
    case stdmsg::kKeyRebuildError:
      set("Key Rebuild Error", "Error: (" + e + ") repairing key for " + name + endApp);
      m.haltText = kHaltKeyRebuild;
      break;
    case stdmsg::kCreateError:
      set("File Creation Error", "Error: (" + e + ") creating " + name + endApp);
      m.haltText = kHaltFileCreation;
      break;
    case stdmsg::kOpenCreatedError:
      set("File Creation Error", "Error: (" + e + ") opening created file:" + name + endApp);
      m.haltText = kHaltFileCreation;
      break;
    case stdmsg::kProcedureNotDefined:
      set("Procedure not defined", "The Procedure " + name + " has not been defined.");
      break;
    case stdmsg::kKeyedReadError:
      set("", "Unable to read keyed record.  Error: " + e + ".  Insert Aborted");
      break;
    case stdmsg::kRangeBelow:
      set("Range Error", "The value of " + name + " must be lower than " + low + ".");
      break;
    case stdmsg::kRangeAbove:
      set("Range Error", "The value of " + name + " must be higher than " + low + ".");
      break;
    case stdmsg::kRangeBetween:
      set("Range Error", "The value of " + name + " must be between " + low + " and " + high + ".");
      break;
    case stdmsg::kFieldNotInFile:
      set("Field Contents Error",
          "The value for " + name + " must be found in the " + low + " file.");
      break;
    case stdmsg::kRestrictUpdate:
      set("Referential Integrity Update Error",
          "This record is referenced from the file " + name +
              ".  Linking field(s) have been restricted from change and have been reset to "
              "original values.");
      break;
    case stdmsg::kRestrictDelete:
      set("Referential Integrity Delete Error",
          "This record is referenced from the file " + name +
              ".  This record cannot be deleted while these references exist.");
      break;
    case stdmsg::kInsertError:
      set("Record Insert Error",
          "An error was experienced during the update of record.  Error: " + e + ".");
      break;
    case stdmsg::kUpdateError:
      if (errorCode == 0 || errorCode == 89) {
        set("Update Operation Error", "This record was changed by another station.");
      } else {
        set("Update Operation Error",
            "An error (" + e +
                ") was experienced when attempting to update a record from the file.  Probable "
                "Cause: " +
                name + ".");
      }
      break;
    case stdmsg::kRetryUpdate:
      set("Record Update Error",
          "An error was experienced changing this record.  Do you want to try to save again?");
      ask(kYes | kNo | kCancel, kCancel);
      break;
    case stdmsg::kDeleteError:
      set("Delete Operation Error", "An error (" + e +
                                        ") was experienced when attempting to delete a record "
                                        "from the file " +
                                        name + ".");
      break;
    case stdmsg::kRetryDelete:
      set("Record Update Error",
          "An error was experienced deleting this record.  Do you want to try to save again?");
      ask(kYes | kNo | kCancel, kCancel);
      break;
    case stdmsg::kInsertNotAllowed:
      set("Invalid Request", invalidRequest("insert a record, however inserts"));
      break;
    case stdmsg::kChangeNotAllowed:
      set("Invalid Request", invalidRequest("change a record, however changes"));
      break;
    case stdmsg::kDeleteNotAllowed:
      set("Invalid Request", invalidRequest("delete a record, however deletions"));
      break;
    case stdmsg::kCreateNotAllowed:
      set("File Creation Not Allowed",
          "The File " + name +
              "was not found, and creation of the file is not allowed.  Press OK to end this "
              "application.");
      m.haltText = kHaltFileCreation;
      break;
    case stdmsg::kConfirmCancel:
      set("Update Cancelled", "Are you sure you want to cancel?");
      ask(kYes | kNo, kNo);
      break;
    case stdmsg::kDuplicateKey:
      set("Duplicate Key Error",
          "Adding this record creates a duplicate entry for the key:" + name);
      break;
    case stdmsg::kAutoIncrementError:
      set("Auto Increment Error",
          "Attempts to automatically number this record have failed.  Error: " + e + ".");
      ask(kRetry | kCancel, kCancel);
      break;
    case stdmsg::kFileLoadError:
      set("File Load Error", name + " File Load Error.  Error: " + e + ".");
      break;
    case stdmsg::kCancelLoad:
      set("Cancel Request", "Are you certain you want to stop loading " + name + "?");
      ask(kOk | kCancel, kCancel);
      break;
    case stdmsg::kFileLoadEmpty:
      set("File Load Error",
          name + " File Load Error.  The file you've requested contains no text.");
      break;
    case stdmsg::kEndOfFile:
      if (choice == kBackward) {
        set("Beginning of File Error",
            "The beginning of the viewed file was encountered.  Do you want to start again "
            "from the end of the file?");
      } else {
        set("End of File Error",
            "The end of the viewed file was encountered.  Do you want to start again from the "
            "beginning?");
      }
      ask(kYes | kNo, kYes);
      break;
    case stdmsg::kFileAccessError:
      set("File Access Error", "File (" + name + ") could not be opened.  Error: " + e + ".");
      break;
    case stdmsg::kProcessError:
      if (choice == kDeleteOperation) {
        set("Process DELETE Error", "An error was experienced when deleting a record from the " +
                                        low + " file.  Error: " + e);
      } else {
        set("Process PUT Error",
            "An error was experienced when making changes to the " + low + " file.  Error: " + e);
      }
      break;
    case stdmsg::kConfirmDelete:
      set("Confirm Delete",
          "You've selected to delete the highlighted record.  Press OK to confirm deletion of "
          "this record.");
      ask(kOk | kCancel, kCancel);
      break;
    case stdmsg::kSaveChanges:
      set("Update Cancelled", "Do you want to save the changes to this record?");
      ask(kYes | kNo | kCancel, kNo);
      break;
    case stdmsg::kTransactionError:
      set("Transaction Framing Error", "Error: (" + e + ") attempting to frame the " + lower(name) +
                                           " transaction on " + low + ".  " + name +
                                           " transaction cancelled.");
      break;
    case stdmsg::kRecordRetrievalError:
      set("Record Retrieval Error", "Error: (" + e + ") attempting to access a record from the " +
                                        name + " file.  Returning to previous window.");
      break;
    case stdmsg::kViewOpenError:
      set("View Open Error", "Error: (" + e +
                                 ") attempting to open the current VIEW. Filter and Range "
                                 "Limits ignored.");
      break;
    default:
      return StandardMessage{};
  }
  m.icon =
      ui::stockIconString(asksQuestion(number) ? ui::stock::kQuestion : ui::stock::kExclamation);
  return m;
}

namespace {

// Set once by a tool before it works; read on the thread that reports.
StandardMessageSink g_sink;

}  // namespace

void setStandardMessageSink(StandardMessageSink sink) {
  g_sink = std::move(sink);
}

int standardError(int number, std::string_view name, std::string_view low, std::string_view high,
                  std::string_view choice) {
  // The error text is taken before the box: showing it may post errors.
  const int code = lang::errorCode();
  const StandardMessage m =
      standardMessage(number, name, low, high, choice, standardErrorText(), code);
  int pressed = m.defaultButton;
  if (g_sink) {
    pressed = g_sink(m);
  } else if (ui::runtime().active() && ui::Runtime::currentSlot() >= 0) {
    pressed = ui::runtime().message(m.text, m.caption, m.icon, m.buttons, m.defaultButton);
  } else {
    // No window session on this thread (a tool, a test without screen):
    // the box goes to standard error and its default button answers.
    ui::MessageRequest request{m.text, m.caption, m.icon, m.buttons, m.defaultButton, false};
    std::fprintf(stderr, "%s\n", ui::boxAsText(ui::makeMessageBox(request)).c_str());
  }
  if (!m.haltText.empty() && (!m.endsOnNo || pressed != kYes))
    lang::halt(kHaltExitCode, m.haltText);
  return pressed;
}

}  // namespace dw::app
