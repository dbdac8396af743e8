#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QtTest>

#include "app/ui/artwork.h"

namespace art = vexon::app::ui::artwork;
using vexon::app::ui::AppIcon;
using vexon::app::ui::BannerPixmap;
using vexon::app::ui::ButtonImage;
using vexon::app::ui::CommandIcon;
using vexon::app::ui::DownloadStateIcon;

namespace {

bool HasVisiblePixel(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      if (qAlpha(argb.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

QImage ImageOf(const QIcon& icon, int pixels) {
  return icon.pixmap(pixels, pixels).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Fails the calling test unless the icon has a drawn pixmap of each size.
void CheckDrawn(const QIcon& icon, std::initializer_list<int> sizes) {
  QVERIFY(!icon.isNull());
  for (const int pixels : sizes) {
    const QPixmap pixmap = icon.pixmap(pixels, pixels);
    QCOMPARE(pixmap.size(), QSize(pixels, pixels));
    QVERIFY2(HasVisiblePixel(pixmap.toImage()), qPrintable(QString::number(pixels)));
  }
}

}  // namespace

class ArtworkTest final : public QObject {
  Q_OBJECT

 private slots:
  void AppIconHasEverySize() { CheckDrawn(AppIcon(), {16, 24, 32, 48, 64}); }

  void ButtonImagesAreDrawn_data() {
    QTest::addColumn<int>("id");
    for (const int id : {art::kSearchButton, art::kHotWordsButton, art::kMoreOptionsButton,
                         art::kMoreOptionsActiveButton, art::kListOnViewButton,
                         art::kListOffViewButton}) {
      QTest::addRow("%d", id) << id;
    }
  }

  void ButtonImagesAreDrawn() {
    QFETCH(int, id);
    CheckDrawn(ButtonImage(id), {16, 32});
  }

  void CommandIconsAreDrawn_data() {
    QTest::addColumn<int>("id");
    for (const int id :
         {art::kCmdStartDownload, art::kCmdPlayOnline, art::kCmdStopSearch,
          art::kCmdClearAndStopSearch, art::kCmdOpenResults, art::kCmdSaveResults,
          art::kCmdSystemOptions, art::kCmdResumeDownload, art::kCmdResumeAllDownloads,
          art::kCmdStopDownload, art::kCmdStopAllDownloads, art::kCmdDeleteDownload,
          art::kCmdDeleteAllDownloads, art::kCmdPlay, art::kCmdClearLogItem,
          art::kCmdClearAllLogItems, art::kCmdMoveDiskFile, art::kCmdDeleteDiskFile,
          art::kCmdDeleteAllDiskFiles, art::kCmdHotWords, art::kCmdStartSearch,
          art::kCmdDownloadAs, art::kCmdVisitSite, art::kCmdCopyUrl}) {
      QTest::addRow("%d", id) << id;
    }
  }

  void CommandIconsAreDrawn() {
    QFETCH(int, id);
    CheckDrawn(CommandIcon(id), {16, 32});
  }

  void IdsAreTheProgramsResourceIds() {
    QCOMPARE(art::kAppIcon, 128);
    QCOMPARE(art::kBanner, 182);
    QCOMPARE(art::kSearchButton, 176);
    QCOMPARE(art::kHotWordsButton, 218);
    QCOMPARE(art::kMoreOptionsButton, 179);
    QCOMPARE(art::kMoreOptionsActiveButton, 178);
    QCOMPARE(art::kListOnViewButton, 172);
    QCOMPARE(art::kListOffViewButton, 171);
    QCOMPARE(art::kCmdStartDownload, 32792);
    QCOMPARE(art::kCmdCopyUrl, 32895);
  }

  void HighlightedVariantsDiffer() {
    QVERIFY(ImageOf(ButtonImage(art::kMoreOptionsActiveButton), 16) !=
            ImageOf(ButtonImage(art::kMoreOptionsButton), 16));
    QVERIFY(ImageOf(ButtonImage(art::kListOnViewButton), 16) !=
            ImageOf(ButtonImage(art::kListOffViewButton), 16));
  }

  void UnknownIdsGiveNullIcons() {
    QVERIFY(ButtonImage(0).isNull());
    QVERIFY(ButtonImage(art::kAppIcon).isNull());
    QVERIFY(ButtonImage(-1).isNull());
    QVERIFY(CommandIcon(0).isNull());
    QVERIFY(CommandIcon(32788).isNull());  // exit has no image
    QVERIFY(CommandIcon(-32792).isNull());
    QVERIFY(DownloadStateIcon(-1).isNull());
    QVERIFY(DownloadStateIcon(3).isNull());
  }

  void StateMarksAreDrawnAndDistinct() {
    QSet<QByteArray> seen;
    for (const int image : {art::kStoppedState, art::kQueuedState, art::kTransferringState}) {
      const QIcon icon = DownloadStateIcon(image);
      CheckDrawn(icon, {art::kStateImageWidth});
      const QImage drawn = ImageOf(icon, art::kStateImageWidth);
      seen.insert(QByteArray(reinterpret_cast<const char*>(drawn.constBits()),
                             static_cast<int>(drawn.sizeInBytes())));
    }
    QCOMPARE(seen.size(), 3);
    QCOMPARE(art::kStoppedState, 0);
    QCOMPARE(art::kQueuedState, 1);
    QCOMPARE(art::kTransferringState, 2);
  }

  void RepeatedCallsGiveTheSameImage() {
    QCOMPARE(CommandIcon(art::kCmdPlay).cacheKey(), CommandIcon(art::kCmdPlay).cacheKey());
    QCOMPARE(ImageOf(AppIcon(), 32), ImageOf(AppIcon(), 32));
  }

  void BannerFillsTheAskedSize() {
    const QPixmap banner = BannerPixmap(QSize(300, 60));
    QCOMPARE(banner.size(), QSize(300, 60));
    const QImage image = banner.toImage().convertToFormat(QImage::Format_ARGB32);
    // Opaque everywhere, and a gradient rather than one flat colour.
    for (const QPoint at : {QPoint(0, 0), QPoint(299, 0), QPoint(150, 30), QPoint(0, 59)}) {
      QCOMPARE(qAlpha(image.pixel(at)), 255);
    }
    QVERIFY(image.pixel(5, 30) != image.pixel(290, 30));
    QVERIFY(BannerPixmap(QSize(0, 40)).isNull());
    QCOMPARE(BannerPixmap(QSize(40, 10)).size(), QSize(40, 10));
  }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
