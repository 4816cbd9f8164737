// What BrowseTodo and ViewToDo do alike: the list over the Todo table in
// the order of the chosen tab, the to-do form for Add (Insert), Change and
// Delete, the locator per tab, and the toggle of the done flag.
//
// Thread-safety: the window's thread under the Runtime lock.
#pragma once

#include "app/forms/common/record_list.h"

namespace dw::app {

class ToDoLists {
 public:
  ToDoLists(RecordListFields fields, int sheet, bool withColours);

  // Shows the order of tab `tab` (1 to 3).
  void showTab(int tab);
  // The sheet's chosen tab changed.
  void tabChosen();
  // The to-do form: request 1 with a cleared item, 2 and 3 with the chosen
  // one; then the list is read again and gets the focus.
  void add();
  void changeOrDelete(int request);
  // Done becomes 1 - Done on the chosen item (through the update routine).
  void toggleDone();
  RecordBrowser& browser() { return m_browser; }
  std::int32_t& tab() { return m_tab; }

 private:
  RecordListFields m_fields;
  int m_sheet;
  bool m_withColours;
  std::int32_t m_tab = 1;  // the sheet's variable
  int m_shown = 0;         // the tab whose order the list shows
  RecordBrowser m_browser;
};

}  // namespace dw::app
