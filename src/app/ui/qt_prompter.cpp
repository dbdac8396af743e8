#include "app/ui/qt_prompter.h"

#include <QString>

#include "widgets/dialog_header.h"

namespace vexon::app::ui {

QMessageBox::Icon ToQtIcon(core::MessageIcon icon) {
  switch (icon) {
    case core::MessageIcon::kNone: return QMessageBox::NoIcon;
    case core::MessageIcon::kStop: return QMessageBox::Critical;
    case core::MessageIcon::kExclamation: return QMessageBox::Warning;
    case core::MessageIcon::kQuestion: return QMessageBox::Question;
    case core::MessageIcon::kInformation: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(core::MessageButtons buttons) {
  switch (buttons) {
    case core::MessageButtons::kOk: return QMessageBox::Ok;
    case core::MessageButtons::kOkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case core::MessageButtons::kYesNo: return QMessageBox::Yes | QMessageBox::No;
  }
  return QMessageBox::Ok;
}

core::MessageResult ToMessageResult(int pressed, core::MessageButtons buttons) {
  switch (pressed) {
    case QMessageBox::Ok: return core::MessageResult::kOk;
    case QMessageBox::Cancel: return core::MessageResult::kCancel;
    case QMessageBox::Yes: return core::MessageResult::kYes;
    case QMessageBox::No: return core::MessageResult::kNo;
    default: break;
  }
  switch (buttons) {
    case core::MessageButtons::kOk: return core::MessageResult::kOk;
    case core::MessageButtons::kOkCancel: return core::MessageResult::kCancel;
    case core::MessageButtons::kYesNo: return core::MessageResult::kNo;
  }
  return core::MessageResult::kCancel;
}

core::MessageResult QtPrompter::Show(const std::string& text, core::MessageIcon icon, core::MessageButtons buttons) {
  return ShowCaptioned(std::string(texts_(core::kMessageCaption)), text, icon, buttons);
}

core::MessageResult QtPrompter::ShowCaptioned(const std::string& caption, const std::string& text,
                                              core::MessageIcon icon, core::MessageButtons buttons) {
  QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text), ToQtButtons(buttons),
                  parent_);
  // The first button is the default one, as in the platform's message box.
  box.setDefaultButton(buttons == core::MessageButtons::kYesNo ? QMessageBox::Yes : QMessageBox::Ok);
  widgets::FitCaption(box);
  return ToMessageResult(box.exec(), buttons);
}

}  // namespace vexon::app::ui
