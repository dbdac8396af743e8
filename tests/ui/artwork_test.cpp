#include <QDirIterator>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtTest>

#include <initializer_list>
#include <vector>

#include "app/command_ids.h"
#include "app/menu_layout.h"
#include "app/ui/artwork.h"

namespace art = vexon::app::ui::artwork;
namespace cmd = vexon::app::cmd;
using namespace vexon::app::ui;

namespace {

bool HasVisiblePixel(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

bool Drawn(const QIcon& icon, std::initializer_list<int> sizes) {
  if (icon.isNull()) return false;
  for (const int pixels : sizes) {
    const QPixmap pixmap = icon.pixmap(pixels, pixels);
    if (pixmap.size() != QSize(pixels, pixels) || !HasVisiblePixel(pixmap)) return false;
  }
  return true;
}

}  // namespace

class ArtworkTest final : public QObject {
  Q_OBJECT

 private slots:
  void EveryImageTheWindowNamesIsDrawn() {
    QVERIFY(Drawn(AppIcon(), {16, 24, 32, 48, 64}));
    for (int id : {art::kSearchButton, art::kHotWordsButton, art::kMoreOptionsButton, art::kMoreOptionsActiveButton,
                   art::kListOnViewButton, art::kListOffViewButton}) {
      QVERIFY2(Drawn(ButtonImage(id), {16, 24, 32}), qPrintable(QString::number(id)));
    }
    // The toolbars' commands and those with an image only in the menus.
    std::vector<int> commands = {cmd::kHotWords, cmd::kSearch, cmd::kDownloadAs, cmd::kVisitSite, cmd::kCopyUrl};
    for (const auto& toolbar :
         {vexon::app::ResultsToolbar(), vexon::app::DownloadToolbar(), vexon::app::CompletedToolbar()}) {
      for (int command : toolbar) {
        if (command != vexon::app::kSeparator) commands.push_back(command);
      }
    }
    for (int command : commands) {
      QVERIFY2(Drawn(CommandIcon(command), {16, 24, 32}), qPrintable(QString::number(command)));
    }
    for (int image = 0; image < 3; ++image) {
      QVERIFY(Drawn(DownloadStateIcon(image), {art::kStateImageWidth, 2 * art::kStateImageWidth}));
    }
    const QPixmap banner = BannerPixmap(QSize(300, 60));
    QCOMPARE(banner.size(), QSize(300, 60));
    QVERIFY(HasVisiblePixel(banner));
  }

  void EveryFileOfTheResourceIsReadable() {
    int files = 0;
    for (QDirIterator it(QStringLiteral(":/icons")); it.hasNext(); ++files) {
      const QString path = it.next();
      QVERIFY2(QSvgRenderer(path).isValid(), qPrintable(path));
    }
    QVERIFY(files > 0);
  }

  void UnknownIdsGiveNothing() {
    QVERIFY(ButtonImage(art::kAppIcon).isNull());
    QVERIFY(CommandIcon(cmd::kExit).isNull());
    QVERIFY(DownloadStateIcon(3).isNull());
    QVERIFY(BannerPixmap(QSize(0, 40)).isNull());
  }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
