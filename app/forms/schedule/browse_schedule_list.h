// What the two schedule lists have in common: a list control over a
// ScheduleListSource, the buttons Add, Change and Delete (the last two
// disabled while the list is empty), the list's popup and alert keys, the
// task form calls, and the locator.
//
// Alert keys of the list: double click and Ctrl+Enter choose Change,
// Insert Add, Delete Delete, the right button the popup; a typed character
// goes to the locator.  The commands are posted as EVENT:Accepted of their
// button, so they run exactly as a press of the button does.
//
// Thread-safety: the window's thread under the Runtime lock; the current
// window must be the list's.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/forms/schedule/browse_schedule_views.h"

namespace dw::app {

// The list's popup, and the same while the list is empty.
inline constexpr const char* kListPopup = "&Add|&Change|&Delete|-|";
inline constexpr const char* kEmptyListPopup = "&Add|~&Change|~&Delete";

struct BrowseFields {
  int list = 0;
  int add = 0;
  int change = 0;
  int remove = 0;
  int locator = 0;  // a string showing what was typed; 0 none
  // Further commands that act on the chosen task (disabled, like Change
  // and Delete, while the list is empty); 0 none.
  int reschedule = 0;
  int runNow = 0;
};

// The button a list key stands for (0: none).
int commandForListKey(const BrowseFields& fields, int keyCode);

class ScheduleBrowser {
 public:
  explicit ScheduleBrowser(BrowseFields fields) : m_fields(fields) {}

  // Shows a new view's rows from the top, its first row chosen when it has one.
  void show(std::shared_ptr<ScheduleListSource> source);
  // Reads the rows again (after changes), keeping the chosen entry's place
  // as far as it still exists.
  void refill();
  // Reads the rows again and chooses the row of this record, if shown.
  void refillAt(std::uint32_t recordNumber);
  std::shared_ptr<ScheduleListSource> source() const { return m_source; }
  bool empty() { return !m_source || m_source->rowCount() == 0; }

  // Reads the chosen entry's record into SCH's buffer; false (after saying
  // so) when it cannot be read, quietly when nothing is chosen.
  bool fetchSelected();

  // The task form with a cleared record (category preset unless blank)
  // for Add, with the chosen task for Change and Delete; then the list is
  // read again and gets the focus.
  void add(std::string_view category);
  void changeOrDelete(int request);

  // EVENT:AlertKey on the list: the command posted, the popup shown or the
  // locator moved.
  void listKey(int keyCode);
  // The list's popup (Change and Delete greyed while it is empty).
  void listPopup();
  // The list's selection changed by the user: the locator starts afresh.
  void selectionChanged();
  std::string locatorText() const { return m_typed; }
  // Which text the locator matches: true the category, false the
  // description.
  void locateByCategory(bool on) { m_locateByCategory = on; }

 private:
  void updateButtons();
  void locate(char typed);
  std::optional<std::int64_t> findFrom(std::int64_t start, std::int64_t end);
  void showLocator();

  BrowseFields m_fields;
  std::shared_ptr<ScheduleListSource> m_source;
  std::string m_typed;
  bool m_locateByCategory = false;
};

}  // namespace dw::app
