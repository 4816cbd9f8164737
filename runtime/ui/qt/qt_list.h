// List and drop-list controls on Qt: one item model over the list's page
// snapshot (ListPage), shown by a QTreeView with a header (lists) or a
// QComboBox (drop lists).  Never a widget per row: the views ask the model
// only for the rows on screen, and the model asks the runtime for a page it
// does not hold yet.  Private to the Qt backend; GUI thread only.
#pragma once

#include <cstdint>

#include "runtime/ui/control.h"

class QWidget;

namespace dw::ui::qt {

class QtBackend;
struct QtControl;

// The widget of a list control of `window` (a list, or a drop list when its
// drop count is not 0).
QWidget* makeListWidget(QtBackend& backend, std::uint32_t window, const ControlState& s,
                        QtControl& qc, QWidget* parent);
// Shows the control's state if `widget` is one of ours; false otherwise.
bool updateListWidget(QWidget* widget, const ControlState& s);

}  // namespace dw::ui::qt
