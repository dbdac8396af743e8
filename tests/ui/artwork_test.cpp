#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtTest>

#include "app/menu_layout.h"
#include "app/ui/artwork.h"

namespace art = vexon::app::ui::artwork;
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

bool Drawn(const QIcon& icon, int pixels) {
  const QPixmap pixmap = icon.pixmap(pixels, pixels);
  return !icon.isNull() && pixmap.size() == QSize(pixels, pixels) && HasVisiblePixel(pixmap);
}

}  // namespace

class ArtworkTest final : public QObject {
  Q_OBJECT

 private slots:
  void EveryImageTheWindowNamesIsDrawn() {
    for (int pixels : {16, 32, 64}) QVERIFY(Drawn(AppIcon(), pixels));
    for (int id : {art::kSearchButton, art::kHotWordsButton, art::kMoreOptionsButton, art::kMoreOptionsActiveButton,
                   art::kListOnViewButton, art::kListOffViewButton}) {
      QVERIFY2(Drawn(ButtonImage(id), 16), qPrintable(QString::number(id)));
    }
    for (const auto& toolbar :
         {vexon::app::ResultsToolbar(), vexon::app::DownloadToolbar(), vexon::app::CompletedToolbar()}) {
      for (int command : toolbar) {
        if (command != vexon::app::kSeparator)
          QVERIFY2(Drawn(CommandIcon(command), 16), qPrintable(QString::number(command)));
      }
    }
    for (int image = 0; image < 3; ++image) QVERIFY(Drawn(DownloadStateIcon(image), art::kStateImageWidth));
    QCOMPARE(BannerPixmap(QSize(300, 60)).size(), QSize(300, 60));
  }

  void UnknownIdsGiveNothing() {
    QVERIFY(ButtonImage(art::kAppIcon).isNull());
    QVERIFY(CommandIcon(32788).isNull());  // exit has no image
    QVERIFY(DownloadStateIcon(3).isNull());
    QVERIFY(BannerPixmap(QSize(0, 40)).isNull());
  }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
