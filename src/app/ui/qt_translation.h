#pragma once

#include <QString>

class QCoreApplication;

namespace vexon::app::ui {

// Qt's own texts (stock buttons, file and folder dialogs) in Chinese, and dates in
// the Chinese form, whatever the user's locale: the rest of the interface is Chinese.
// The translations come from `folder` (Qt's own translations folder by default).
// Without the file, Qt's English texts stay and false is returned.
bool InstallChineseQtTexts(QCoreApplication& app, const QString& folder = QString());

}  // namespace vexon::app::ui
