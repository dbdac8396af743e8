#pragma once

class QMessageBox;
class QPushButton;
class QString;
class QWidget;

namespace vexon::widgets {

// The band across the top of a dialog: its title in bold and one line below.
QWidget* MakeDialogHeader(const QString& title, const QString& line, QWidget* parent);

// A dialog button named by its control id; Enter never presses it by itself.
QPushButton* MakeDialogButton(const QString& text, int controlId, QWidget* parent);

// Makes a field wide enough to show a path of 60 characters whole.
void FitPathField(QWidget& field);

// Widens a message box so the window manager need not elide its caption.
void FitCaption(QMessageBox& box);

// The text of the dialogs' folder-chooser buttons.
inline constexpr const char* kBrowseButtonText = "浏览...";

}  // namespace vexon::widgets
