#include "app/ui/qt_prompter.h"

#include <QString>

namespace vexon::app::ui {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kNone:
      return QMessageBox::NoIcon;
    case MessageIcon::kStop:
      return QMessageBox::Critical;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return QMessageBox::Ok;
    case MessageButtons::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
  }
  return QMessageBox::Ok;
}

MessageResult ToMessageResult(int pressed, MessageButtons buttons) {
  switch (pressed) {
    case QMessageBox::Ok:
      return MessageResult::kOk;
    case QMessageBox::Cancel:
      return MessageResult::kCancel;
    case QMessageBox::Yes:
      return MessageResult::kYes;
    case QMessageBox::No:
      return MessageResult::kNo;
    default:
      break;
  }
  switch (buttons) {
    case MessageButtons::kOk:
      return MessageResult::kOk;
    case MessageButtons::kOkCancel:
      return MessageResult::kCancel;
    case MessageButtons::kYesNo:
      return MessageResult::kNo;
  }
  return MessageResult::kCancel;
}

MessageResult QtPrompter::Show(const std::string& text, MessageIcon icon, MessageButtons buttons) {
  return ShowCaptioned(kMessageCaption, text, icon, buttons);
}

MessageResult QtPrompter::ShowCaptioned(const std::string& caption, const std::string& text, MessageIcon icon,
                                        MessageButtons buttons) {
  QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  ToQtButtons(buttons), parent_);
  // The first button is the default one, as in the platform's message box.
  box.setDefaultButton(buttons == MessageButtons::kYesNo ? QMessageBox::Yes : QMessageBox::Ok);
  return ToMessageResult(box.exec(), buttons);
}

}  // namespace vexon::app::ui
