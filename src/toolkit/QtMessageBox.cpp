// The real message boxes: a QMessageBox owned by the box's owner window.
#include "toolkit/MessageBox.h"
#include "toolkit/QtWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace MessageBox {
namespace {

Result ShowQtBox(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) {
  QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
  if (buttons == Buttons::YesNo)
    qtButtons = QMessageBox::Yes | QMessageBox::No;
  else if (buttons == Buttons::YesNoCancel)
    qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  QMessageBox box(icon == Icon::Question ? QMessageBox::Question : QMessageBox::Information,
                  QString::fromUtf8(caption.data(), qsizetype(caption.size())),
                  QString::fromUtf8(text.data(), qsizetype(text.size())), qtButtons, ToWidget(Owner()));
  box.setTextFormat(Qt::PlainText);
  // German even where Qt's translation is missing.
  const std::pair<QMessageBox::StandardButton, const char*> germanTexts[] = {{QMessageBox::Yes, "&Ja"},
                                                                             {QMessageBox::No, "&Nein"},
                                                                             {QMessageBox::Cancel, "Abbrechen"},
                                                                             {QMessageBox::Ok, "OK"}};
  for (auto [button, text] : germanTexts)
    if (QAbstractButton* shown = box.button(button)) shown->setText(QString::fromUtf8(text));
  switch (box.exec()) {
  case QMessageBox::Yes:
    return Result::Yes;
  case QMessageBox::No:
    return Result::No;
  case QMessageBox::Ok:
    return Result::Ok;
  default:
    // Closed without an answer.
    return buttons == Buttons::Ok ? Result::Ok : buttons == Buttons::YesNo ? Result::No : Result::Cancel;
  }
}

}  // namespace

void UseQtMessageBoxes() { SetService(ShowQtBox); }

}  // namespace MessageBox
