// The standard message table: every message's caption, text, buttons,
// default button, icon and halt text, with the texts passed in and the
// error text filled in; the error text rule; and the error routine showing
// a real box on the headless backend, returning the button pressed and
// ending the program after the messages that end it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/routines/file_routines.h"
#include "runtime/lang/errors.h"
#include "runtime/ui/headless/headless_backend.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"

namespace dw::app {
namespace {

using ui::button::kCancel;
using ui::button::kNo;
using ui::button::kOk;
using ui::button::kRetry;
using ui::button::kYes;

struct MessageCase {
  int number;
  std::string caption;
  std::string text;
  int buttons;
  int defaultButton;
  std::string halt;
};

// Texts passed to every message: name "Schedule  " (its trailing blanks
// must not show), low "1", high "10"; error text "Record Not Found (35)".
const std::string kErr = "Record Not Found (35)";
const std::string kEnd = ".  Press OK to end this application.";

std::vector<MessageCase> messageTable() {
  const std::string yes = "&Yes";
  return {
      {1, "Invalid File", "Error: (" + kErr + ") accessing Schedule" + kEnd, kOk, kOk,
       "Invalid File!"},
      {2, "Invalid Key", "Schedule key file is invalid.  Do you want to rebuild the key?",
       kYes | kNo, kYes, "Invalid Key!"},
      {3, "Key Rebuild Error", "Error: (" + kErr + ") repairing key for Schedule" + kEnd, kOk, kOk,
       "Error Rebuilding Key!"},
      {4, "File Creation Error", "Error: (" + kErr + ") creating Schedule" + kEnd, kOk, kOk,
       "File Creation Error!"},
      {5, "File Creation Error", "Error: (" + kErr + ") opening created file:Schedule" + kEnd, kOk,
       kOk, "File Creation Error!"},
      {6, "Procedure not defined", "The Procedure Schedule has not been defined.", kOk, kOk, ""},
      {7, "", "Unable to read keyed record.  Error: " + kErr + ".  Insert Aborted", kOk, kOk, ""},
      {8, "Range Error", "The value of Schedule must be lower than 1.", kOk, kOk, ""},
      {9, "Range Error", "The value of Schedule must be higher than 1.", kOk, kOk, ""},
      {10, "Range Error", "The value of Schedule must be between 1 and 10.", kOk, kOk, ""},
      {11, "Field Contents Error", "The value for Schedule must be found in the 1 file.", kOk, kOk,
       ""},
      {12, "Referential Integrity Update Error",
       "This record is referenced from the file Schedule.  Linking field(s) have been restricted "
       "from change and have been reset to original values.",
       kOk, kOk, ""},
      {13, "Referential Integrity Delete Error",
       "This record is referenced from the file Schedule.  This record cannot be deleted while "
       "these references exist.",
       kOk, kOk, ""},
      {14, "Record Insert Error",
       "An error was experienced during the update of record.  Error: " + kErr + ".", kOk, kOk, ""},
      {15, "Update Operation Error",
       "An error (" + kErr +
           ") was experienced when attempting to update a record from the file.  Probable Cause: "
           "Schedule.",
       kOk, kOk, ""},
      {16, "Record Update Error",
       "An error was experienced changing this record.  Do you want to try to save again?",
       kYes | kNo | kCancel, kCancel, ""},
      {17, "Delete Operation Error",
       "An error (" + kErr +
           ") was experienced when attempting to delete a record from the file Schedule.",
       kOk, kOk, ""},
      {18, "Record Update Error",
       "An error was experienced deleting this record.  Do you want to try to save again?",
       kYes | kNo | kCancel, kCancel, ""},
      {19, "Invalid Request",
       "This procedure was called to insert a record, however inserts are not allowed for this "
       "procedure.  Press OK to return to the calling procedure",
       kOk, kOk, ""},
      {20, "Invalid Request",
       "This procedure was called to change a record, however changes are not allowed for this "
       "procedure.  Press OK to return to the calling procedure",
       kOk, kOk, ""},
      {21, "Invalid Request",
       "This procedure was called to delete a record, however deletions are not allowed for this "
       "procedure.  Press OK to return to the calling procedure",
       kOk, kOk, ""},
      {22, "File Creation Not Allowed",
       "The File Schedulewas not found, and creation of the file is not allowed.  Press OK to end "
       "this application.",
       kOk, kOk, "File Creation Error!"},
      {23, "Update Cancelled", "Are you sure you want to cancel?", kYes | kNo, kNo, ""},
      {24, "Duplicate Key Error",
       "Adding this record creates a duplicate entry for the key:Schedule", kOk, kOk, ""},
      {25, "Auto Increment Error",
       "Attempts to automatically number this record have failed.  Error: " + kErr + ".",
       kRetry | kCancel, kCancel, ""},
      {26, "File Load Error", "Schedule File Load Error.  Error: " + kErr + ".", kOk, kOk, ""},
      {27, "Cancel Request", "Are you certain you want to stop loading Schedule?", kOk | kCancel,
       kCancel, ""},
      {28, "File Load Error",
       "Schedule File Load Error.  The file you've requested contains no text.", kOk, kOk, ""},
      {29, "End of File Error",
       "The end of the viewed file was encountered.  Do you want to start again from the "
       "beginning?",
       kYes | kNo, kYes, ""},
      {30, "File Access Error", "File (Schedule) could not be opened.  Error: " + kErr + ".", kOk,
       kOk, ""},
      {31, "Process PUT Error",
       "An error was experienced when making changes to the 1 file.  Error: " + kErr, kOk, kOk, ""},
      {32, "Confirm Delete",
       "You've selected to delete the highlighted record.  Press OK to confirm deletion of this "
       "record.",
       kOk | kCancel, kCancel, ""},
      {33, "Update Cancelled", "Do you want to save the changes to this record?",
       kYes | kNo | kCancel, kNo, ""},
      {34, "Transaction Framing Error",
       "Error: (" + kErr +
           ") attempting to frame the schedule transaction on 1.  Schedule transaction cancelled.",
       kOk, kOk, ""},
      {35, "Record Retrieval Error",
       "Error: (" + kErr +
           ") attempting to access a record from the Schedule file.  Returning to previous window.",
       kOk, kOk, ""},
      {36, "View Open Error",
       "Error: (" + kErr +
           ") attempting to open the current VIEW. Filter and Range Limits ignored.",
       kOk, kOk, ""},
  };
}

TEST(StandardMessageTable, EveryMessageAsWritten) {
  const std::vector<MessageCase> table = messageTable();
  ASSERT_EQ(table.size(), 36u);
  const std::string question = ui::stockIconString(ui::stock::kQuestion);
  const std::string exclamation = ui::stockIconString(ui::stock::kExclamation);
  for (const MessageCase& c : table) {
    const StandardMessage m = standardMessage(c.number, "Schedule  ", "1 ", "10", {}, kErr, 35);
    EXPECT_EQ(m.caption, c.caption) << c.number;
    EXPECT_EQ(m.text, c.text) << c.number;
    EXPECT_EQ(m.buttons, c.buttons) << c.number;
    EXPECT_EQ(m.defaultButton, c.defaultButton) << c.number;
    EXPECT_EQ(m.haltText, c.halt) << c.number;
    const bool asks = c.number == 2 || c.number == 23 || c.number == 27 || c.number == 29 ||
                      c.number == 32 || c.number == 33;
    EXPECT_EQ(m.icon, asks ? question : exclamation) << c.number;
  }
}

TEST(StandardMessageTable, ChoicesOfDirectionOperationAndStation) {
  const StandardMessage back = standardMessage(stdmsg::kEndOfFile, {}, {}, {}, kBackward);
  EXPECT_EQ(back.caption, "Beginning of File Error");
  EXPECT_EQ(back.text,
            "The beginning of the viewed file was encountered.  Do you want to start again from "
            "the end of the file?");
  EXPECT_EQ(standardMessage(stdmsg::kEndOfFile, {}, {}, {}, kForward).caption, "End of File Error");

  const StandardMessage del =
      standardMessage(stdmsg::kProcessError, {}, "Scripting", {}, kDeleteOperation, "E (5)");
  EXPECT_EQ(del.caption, "Process DELETE Error");
  EXPECT_EQ(
      del.text,
      "An error was experienced when deleting a record from the Scripting file.  Error: E (5)");
  EXPECT_EQ(standardMessage(stdmsg::kProcessError, {}, "x", {}, kPutOperation).caption,
            "Process PUT Error");

  // Message 15 tells of another station for error 89 and for no error at all.
  for (int code : {0, 89})
    EXPECT_EQ(
        standardMessage(stdmsg::kUpdateError, kChangedByAnotherStation, {}, {}, {}, "x", code).text,
        "This record was changed by another station.")
        << code;

  // The transaction message names the operation in small letters, then as given.
  EXPECT_EQ(
      standardMessage(stdmsg::kTransactionError, "Delete", "Categories", {}, {}, "E (37)").text,
      "Error: (E (37)) attempting to frame the delete transaction on Categories.  Delete "
      "transaction cancelled.");

  for (int unknown : {0, 37, -1}) EXPECT_TRUE(standardMessage(unknown).text.empty()) << unknown;
}

TEST(StandardErrorText, PostedTextWithoutTrailingBlanksAndTheCode) {
  lang::clearMessageOverrides();
  lang::postError(35);
  EXPECT_EQ(standardErrorText(), "Record Not Found (35)");
  lang::setMessageOverride(36, "Bad data   ");
  lang::postError(36);
  EXPECT_EQ(standardErrorText(), "Bad data (36)");
  lang::clearMessageOverrides();
  lang::clearError();
  EXPECT_EQ(standardErrorText(), " (0)");
  // A fault of the driver itself: the driver's own message and code.
  lang::postError(90);
  lang::setErrorFile("Page checksum wrong  ");
  lang::setErrorExtra("1207 ");
  EXPECT_EQ(standardErrorText(), "Page checksum wrong (1207)");
  lang::clearError();
}

TEST(StandardErrorWithoutWindows, TheDefaultButtonAnswersAndTheEndingMessagesStillEnd) {
  // A tool without a window session: the box goes to standard error.
  lang::setHaltThrowsForTesting(true);
  lang::setHaltBoxHook([](std::string_view, std::string_view) {});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(standardError(stdmsg::kConfirmDelete), kCancel);
  EXPECT_EQ(standardError(stdmsg::kInvalidKey, "SM\\!ToDo"), kYes);
  std::string halted;
  try {
    standardError(stdmsg::kInvalidFile, "SM\\!ToDo");
  } catch (const lang::HaltRequested& h) {
    halted = h.text;
  }
  const std::string shown = ::testing::internal::GetCapturedStderr();
  lang::setHaltBoxHook(nullptr);
  EXPECT_EQ(halted, "Invalid File!");
  EXPECT_NE(shown.find("Confirm Delete"), std::string::npos);
  EXPECT_NE(shown.find("SM\\!ToDo key file is invalid."), std::string::npos);
}

// The error routine showing its boxes on the headless backend, the test's
// thread acting as the program's first thread.
class StandardErrorBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    lang::setHaltThrowsForTesting(true);
    ui::runtime().begin(backend);
    ui::runtime().adoptCurrentThread();
  }
  void TearDown() override {
    ui::runtime().leaveAdopted();
    ui::runtime().end();
  }
  ui::HeadlessBackend backend{ui::runtime()};
};

TEST_F(StandardErrorBoxes, ShowsTheMessageAndReturnsTheButtonPressed) {
  lang::postError(40);
  backend.answerBoxes({kNo});
  EXPECT_EQ(standardError(stdmsg::kSaveChanges), kNo);
  EXPECT_EQ(standardError(stdmsg::kDuplicateKey, "SCH:KeyID"), kOk);  // its default: OK alone
  const auto boxes = backend.boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].box.caption, "Update Cancelled");
  ASSERT_EQ(boxes[0].box.buttons.size(), 3u);
  EXPECT_EQ(boxes[0].box.buttons[boxes[0].box.defaultIndex].text, "&No");
  EXPECT_EQ(boxes[0].box.icon.kind, ui::IconRef::Kind::Stock);
  EXPECT_EQ(boxes[0].box.icon.number, ui::stock::kQuestion);
  EXPECT_EQ(boxes[1].box.text,
            "Adding this record creates a duplicate entry for the key:SCH:KeyID");
  EXPECT_EQ(boxes[1].box.icon.number, ui::stock::kExclamation);
}

TEST_F(StandardErrorBoxes, TheEndingMessagesHaltWithTheirTextAfterTheBox) {
  struct Case {
    int number;
    int answer;
    std::string halt;
  };
  const std::vector<Case> cases = {{stdmsg::kInvalidFile, kOk, "Invalid File!"},
                                   {stdmsg::kKeyRebuildError, kOk, "Error Rebuilding Key!"},
                                   {stdmsg::kCreateError, kOk, "File Creation Error!"},
                                   {stdmsg::kOpenCreatedError, kOk, "File Creation Error!"},
                                   {stdmsg::kCreateNotAllowed, kOk, "File Creation Error!"},
                                   {stdmsg::kInvalidKey, kNo, "Invalid Key!"},
                                   {stdmsg::kInvalidKey, 0, "Invalid Key!"}};
  for (const Case& c : cases) {
    lang::setHaltThrowsForTesting(true);
    lang::postError(2);
    backend.answerBoxes({c.answer});
    try {
      standardError(c.number, "SM\\!Schedule");
      ADD_FAILURE() << c.number << " returned";
    } catch (const lang::HaltRequested& h) {
      EXPECT_EQ(h.exitCode, kHaltExitCode) << c.number;
      EXPECT_EQ(h.text, c.halt) << c.number;
    }
    const auto boxes = backend.boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[boxes.size() - 2].box.caption, standardMessage(c.number).caption) << c.number;
    EXPECT_EQ(boxes.back().box.caption, "Halt") << c.number;
    EXPECT_EQ(boxes.back().box.text, c.halt) << c.number;
  }
  // Yes to the rebuild question goes on.
  backend.answerBoxes({kYes});
  EXPECT_EQ(standardError(stdmsg::kInvalidKey, "SM\\!Schedule"), kYes);
}

}  // namespace
}  // namespace dw::app
