// The MESSAGE box on Qt (see qt_message_box.h).
#include "runtime/ui/qt/qt_message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "runtime/platform/resource_table.h"
#include "runtime/ui/qt/qt_window.h"

namespace dw::ui::qt {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

QString plainText(const std::string& text) {
  QString t = qs(text);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return t;
}

QString withoutMnemonic(std::string_view text) {
  QString t = qs(text);
  t.remove(QLatin1Char('&'));
  return t;
}

}  // namespace

QFont messageBoxFont() {
  QFont font = QApplication::font();
  font.setPointSize(8);
  font.setWeight(QFont::Normal);
  return font;
}

BoxFont boxFontFor(const QFont& font) {
  const QFontMetrics fm(font);
  BoxFont f;
  f.averageWidth = std::max(1, averageWidthFromLetters(fm.horizontalAdvance(QStringLiteral(
                                   "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"))));
  f.height = std::max(1, fm.height());
  return f;
}

QPixmap iconPixmapFor(const IconRef& icon, int size) {
  QStyle* style = QApplication::style();
  const auto standard = [&](QStyle::StandardPixmap which) {
    return style->standardIcon(which).pixmap(size, size);
  };
  QPixmap pix;
  switch (icon.kind) {
    case IconRef::Kind::None:
      return {};
    case IconRef::Kind::Stock:
      switch (icon.number) {
        case stock::kStop:
          return standard(QStyle::SP_MessageBoxCritical);
        case stock::kQuestion:
          return standard(QStyle::SP_MessageBoxQuestion);
        case stock::kExclamation:
          return standard(QStyle::SP_MessageBoxWarning);
        case stock::kInformation:
          return standard(QStyle::SP_MessageBoxInformation);
        default:
          break;
      }
      break;
    case IconRef::Kind::ProgramIcon: {
      const auto icons = res::resourcesOfType("ICON");
      if (icon.number >= 0 && static_cast<std::size_t>(icon.number) < icons.size())
        pix.loadFromData(icons[icon.number]->bytes.data(),
                         static_cast<uint>(icons[icon.number]->bytes.size()));
      break;
    }
    case IconRef::Kind::Resource:
      if (const res::Resource* r = res::findResource("ICON", icon.name))
        pix.loadFromData(r->bytes.data(), static_cast<uint>(r->bytes.size()));
      break;
    case IconRef::Kind::File:
      pix = QIcon(qs(icon.name)).pixmap(size, size);
      break;
  }
  if (pix.isNull()) {
    // The default icon: the program's own, else the platform's.
    const QIcon app = QApplication::windowIcon();
    pix = app.isNull() ? standard(QStyle::SP_MessageBoxInformation) : app.pixmap(size, size);
  }
  return pix.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

MessageDialog::MessageDialog(const MessageBox& box, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_box(box) {
  setObjectName(QStringLiteral("MessageBox"));
  setWindowTitle(qs(box.caption));
  const QFont font = messageBoxFont();
  setFont(font);
  const BoxFont units = boxFontFor(font);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  const QFontMetrics fm(font);
  m_layout = layoutMessageBox(
      box, units,
      [&fm](std::string_view text, int maxWidth) {
        const QRect r = fm.boundingRect(QRect(0, 0, maxWidth, 100000), Qt::TextWordWrap,
                                        plainText(std::string(text)));
        return TextSize{r.width(), r.height()};
      },
      iconSize);

  if (box.icon.kind != IconRef::Kind::None) {
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(iconPixmapFor(box.icon, iconSize));
    icon->setGeometry(m_layout.icon.x, m_layout.icon.y, m_layout.icon.width, m_layout.icon.height);
    icon->setAccessibleName(QStringLiteral("Icon"));
  }
  auto* text = new QLabel(plainText(box.text), this);
  text->setObjectName(QStringLiteral("text"));
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setGeometry(m_layout.text.x, m_layout.text.y, m_layout.text.width, m_layout.text.height);
  text->setAccessibleName(plainText(box.text));
  setAccessibleName(qs(box.caption));
  setAccessibleDescription(plainText(box.text));

  for (std::size_t i = 0; i < box.buttons.size(); ++i) {
    const BoxButton& b = box.buttons[i];
    auto* button = new QPushButton(qs(b.text), this);
    button->setObjectName(QStringLiteral("button%1").arg(b.id));
    button->setAccessibleName(withoutMnemonic(b.text));
    const Rect& r = m_layout.buttons[i];
    button->setGeometry(r.x, r.y, r.width, r.height);
    const int id = b.id;
    connect(button, &QPushButton::clicked, this, [this, id] {
      m_endCode = id;
      done(id);
    });
    if (static_cast<int>(i) == box.defaultIndex) {
      button->setDefault(true);
      button->setFocus();
    } else {
      button->setAutoDefault(false);
    }
    m_buttons.push_back(button);
  }
  setFixedSize(m_layout.width, m_layout.height);
}

QPushButton* MessageDialog::buttonFor(int bit) const {
  for (std::size_t i = 0; i < m_box.buttons.size(); ++i)
    if (m_box.buttons[i].bit == bit) return m_buttons[i];
  return nullptr;
}

void MessageDialog::reject() {
  // Escape and the close box: Cancel when there is one, else no button.
  m_endCode = m_box.closeCode();
  done(m_endCode);
}

int runMessageDialog(const MessageBox& box, QWidget* owner) {
  MessageDialog dialog(box, owner ? owner->window() : nullptr);
  dialog.setWindowModality(box.systemModal || !owner ? Qt::ApplicationModal : Qt::WindowModal);
  dialog.exec();
  return dialog.endCode();
}

}  // namespace dw::ui::qt
