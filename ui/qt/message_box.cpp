// The platform's message boxes, with the buttons and icon asked for, owned
// by the dialog they arise in and modal to the whole application.
#include <algorithm>

#include <QMessageBox>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/qt/state.h"

namespace ui {

namespace backend {

int ShowMessageBox(Window* owner, std::string_view text, std::string_view caption, unsigned flags) {
  qt::ShowProgramIcon(nullptr);  // on a box owned by no window, too
  const bool yesNo = (flags & 0x0F) == kMbYesNo;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if ((flags & 0xF0) == kMbIconExclamation) icon = QMessageBox::Warning;
  if ((flags & 0xF0) == kMbIconQuestion) icon = QMessageBox::Question;
  QMessageBox box(icon, QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                  owner != nullptr ? owner->widget : nullptr);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);

  qt::OpenMessageBox open{
      &box,
      {std::string(text), std::string(caption), flags, owner != nullptr ? owner->tmpl->id : 0}};
  auto& boxes = qt::TheState().boxes;
  boxes.push_back(&open);
  box.exec();
  std::erase(boxes, &open);

  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    default:
      return yesNo ? kIdNo : kIdOk;
  }
}

}  // namespace backend
}  // namespace ui
