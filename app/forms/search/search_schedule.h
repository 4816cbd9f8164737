// SearchSchedule ("Search the Schedule"): the search by example, called by
// the schedule browse with request 8 (search).  The form shows the task
// form's tabs and fields; the user fills in the fields to search on and
// chooses each one's match type ("&Search Type", for the field last
// selected; a range asks for its upper limit at once), then "&Begin
// Search":
//
//   1. no field with a match type: "You must specify at least one search
//      field!";
//   2. QBETask_: Edit, Select, Unselect or Cancel;
//   3. Select, when table 1 already has tags: "Clear old selections
//      first?" (Yes clears them);
//   4. the Schedule in stored order under the progress window "Searching
//      for Matching Records", 100 records a tick, Cancel ends the scan;
//   5. Select tags each match (value: the task's identifier), Unselect
//      clears its tag; no match: "There are no matching records!";
//   6. Edit stops at each match and shows it in the form: "&Edit This"
//      makes the form edit that task (request 2, change; OK writes it),
//      "&Find Next" goes on, and past the last "There are no more matching
//      records!" brings the example back.
//
// Thread-safety: runs on the calling window's thread (the browse's) under
// the Runtime lock, which the scan gives up between its ticks.
#pragma once

namespace dw::app {

inline constexpr const char* kSearchScheduleModule = "DORN.vls$dorn006";
inline constexpr const char* kSearchScheduleLabel = "SEARCH$WINDOW";
inline constexpr const char* kSearchScheduleSection = "SearchSchedule";

inline constexpr const char* kSelectFieldFirst = "You must select a data field first!";
inline constexpr const char* kNoSearchField = "You must specify at least one search field!";
inline constexpr const char* kClearOldSelections = "Clear old selections first?";
inline constexpr const char* kNoMatches = "There are no matching records!";
inline constexpr const char* kNoMoreMatches = "There are no more matching records!";

void SearchSchedule();

}  // namespace dw::app
