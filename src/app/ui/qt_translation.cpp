#include "app/ui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vexon::app::ui {

bool InstallChineseQtTexts(QCoreApplication& app, const QString& folder) {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  // "qt" is the catalogue that pulls in qtbase and the other modules' files.
  auto* translator = new QTranslator(&app);
  if (!translator->load(chinese, QStringLiteral("qt"), QStringLiteral("_"), from) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace vexon::app::ui
