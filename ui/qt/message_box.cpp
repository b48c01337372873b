// The platform's message boxes, with the buttons and icon asked for, owned
// by the dialog they arise in and modal to the whole application.
#include <algorithm>

#include <QMessageBox>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/qt/state.h"

namespace ui {

namespace backend {

int ShowMessageBox(Window* owner, const automation::MessageBoxInfo& info) {
  qt::ShowProgramIcon(nullptr);  // on a box owned by no window, too
  const bool yesNo = AsksYesNo(info.flags);
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if ((info.flags & 0xF0) == kMbIconExclamation) icon = QMessageBox::Warning;
  if ((info.flags & 0xF0) == kMbIconQuestion) icon = QMessageBox::Question;
  QMessageBox box(icon, QString::fromStdString(info.caption), QString::fromStdString(info.text),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                  owner != nullptr ? owner->widget : nullptr);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);

  qt::OpenMessageBox open{&box, info};
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
      return DismissedAnswer(info.flags);
  }
}

}  // namespace backend
}  // namespace ui
