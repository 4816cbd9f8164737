// The MESSAGE box on Qt widgets: a QDialog laid out from the runtime's own
// layout (layoutMessageBox) in the box's font, with its icon, its text in
// a label that word-wraps, and one row of push buttons in table order.
// Enter presses the default button, Escape and the close box end the box
// with its close code (Cancel's identifier when it has a Cancel button).
// The dialog exposes its caption, text and buttons to accessibility tools.
//
// Thread-safety: GUI thread only.
#pragma once

#include <QDialog>

#include "runtime/ui/message_box.h"

class QPushButton;

namespace dw::ui::qt {

class MessageDialog : public QDialog {
 public:
  MessageDialog(const MessageBox& box, QWidget* owner);
  // The identifier the box ended with (after exec()).
  int endCode() const { return m_endCode; }
  const MessageLayout& layoutUsed() const { return m_layout; }
  QPushButton* buttonFor(int bit) const;

 protected:
  void reject() override;

 private:
  MessageBox m_box;
  MessageLayout m_layout;
  int m_endCode = 0;
  std::vector<QPushButton*> m_buttons;
};

// The box's font: the application's sans-serif face at 8 points, normal
// weight; and what dialog units derive from it.
QFont messageBoxFont();
BoxFont boxFontFor(const QFont& font);
// The picture an icon string names (a default icon when nothing is found).
QPixmap iconPixmapFor(const IconRef& icon, int size);

// Shows the box modally over `owner` (may be null); the end code.
int runMessageDialog(const MessageBox& box, QWidget* owner);

}  // namespace dw::ui::qt
