// Run once per screen and scale (see tests/CMakeLists.txt): the window opens inside
// the screen, shrinks to it without overlapping controls, and keeps its place.
#include <QScreen>
#include <QtTest>

#include <string>

#include "app/ui/window_placement.h"
#include "window_fixture.h"

using vexon::storage::WindowPlacement;
using vexon::test::WindowFixture;

namespace {

QRect Available() {
  return QGuiApplication::primaryScreen()->availableGeometry();
}

// The controls a user must see, by object name.
QList<QWidget*> MainControls(QWidget& w) {
  QList<QWidget*> controls;
  for (int id : {vexon::app::ctl::kSearchBox, vexon::app::ctl::kSearchButton, vexon::app::ctl::kTypeMp3,
                 vexon::app::ctl::kTypeMpg, vexon::app::ctl::kMoreButton, vexon::app::ctl::kResultsList,
                 vexon::app::ctl::kDownloadList, vexon::app::ctl::kStatusLine}) {
    controls << w.findChild<QWidget*>(QString::number(id));
  }
  return controls;
}

QRect InWindow(QWidget& w, QWidget* control) {
  return QRect(control->mapTo(&w, QPoint(0, 0)), control->size());
}

}  // namespace

class WindowFitTest final : public QObject {
  Q_OBJECT

 private slots:
  void OpensInsideTheScreenAndShrinksToItWithoutOverlaps() {
    WindowFixture f;
    auto& w = f.Open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY2(Available().contains(w.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                                                                     .arg(w.frameGeometry().x())
                                                                     .arg(w.frameGeometry().y())
                                                                     .arg(w.frameGeometry().width())
                                                                     .arg(w.frameGeometry().height())
                                                                     .arg(Available().width())
                                                                     .arg(Available().height())));
    QVERIFY(w.minimumWidth() <= Available().width() && w.minimumHeight() <= Available().height());
    QVERIFY(w.maximumWidth() > w.width() && w.maximumHeight() > w.height());
    // The smallest the screen allows at scale 1 still shows every control apart.
    if (w.devicePixelRatio() > 1.0) return;
    // Each step down lowers the splitter's limits, and with them the minimum.
    for (int step = 0; step < 20 && w.height() != w.minimumHeight(); ++step) {
      w.resize(std::min(1024, Available().width()) - 4, w.minimumHeight());
      QCoreApplication::processEvents();
    }
    QCOMPARE(w.height(), w.minimumHeight());
    const QList<QWidget*> controls = MainControls(w);
    for (int i = 0; i < controls.size(); ++i) {
      QVERIFY(controls[i] != nullptr && controls[i]->isVisible());
      const QRect a = InWindow(w, controls[i]);
      QVERIFY2(w.rect().contains(a) && a.height() > 0, qPrintable(controls[i]->objectName()));
      for (int j = i + 1; j < controls.size(); ++j) {
        QVERIFY2(!a.intersects(InWindow(w, controls[j])),
                 qPrintable(controls[i]->objectName() + QLatin1Char('/') + controls[j]->objectName()));
      }
    }
  }

  void KeepsItsPlaceAndRefusesOneOnNoScreen() {
    WindowFixture f;
    const QRect area = Available();
    QRect place;
    {
      auto& w = f.Open();
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      const QMargins frame(w.x() - w.frameGeometry().x(), w.y() - w.frameGeometry().y(),
                           w.frameGeometry().right() - w.geometry().right(),
                           w.frameGeometry().bottom() - w.geometry().bottom());
      place = QRect(area.left() + 10, area.top() + 20, std::max(w.minimumWidth(), area.width() * 3 / 4),
                    std::max(w.minimumHeight(), area.height() * 3 / 4));
      place = vexon::app::ui::FramedInto(place, frame, area);
      w.setGeometry(place);
    }
    f.Close();
    {
      auto& w = f.Open();
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QCOMPARE(w.geometry(), place);
    }
    f.Close();
    // Off every screen, or not numbers: the start place, and the file as it was.
    for (const std::string& kept : {std::string("Left=90000\r\nTop=90000\r\nWidth=800\r\nHeight=600\r\nMaximized=0"),
                                    std::string("Left=-1\r\nTop=x\r\nWidth=800\r\nHeight=600\r\nMaximized=0"),
                                    std::string("Left=0\r\nTop=0\r\nWidth=99999999999\r\nHeight=600\r\nMaximized=1")}) {
      f.WriteFile("vudez.ini", "[Window]\r\n" + kept + "\r\n");
      {
        auto& w = f.Open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(area.contains(w.frameGeometry()));
        QVERIFY(!w.isMaximized());
        QCOMPARE(w.geometry().center(), area.center());
      }
      f.Close();
      std::string file;
      std::getline(std::ifstream(f.Path("vudez.ini")), file, '\0');
      QVERIFY2(file.find("[Window]\r\n" + kept + "\r\n") == 0, file.c_str());
    }
    // A window larger than the screen is cut to it; a maximized one opens maximized.
    f.WriteFile("vudez.ini", "[Window]\r\nLeft=0\r\nTop=0\r\nWidth=5000\r\nHeight=4000\r\nMaximized=1\r\n");
    auto& w = f.Open();
    QVERIFY(area.contains(w.geometry()));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.isMaximized());
  }

  void KeptPlacesFitTheScreenThatHoldsMostOfThem() {
    using vexon::app::ui::KeptGeometry;
    const QList<QRect> areas = {QRect(0, 0, 1920, 1050), QRect(1920, 0, 1024, 600)};
    struct Case {
      WindowPlacement kept;
      std::optional<QRect> opens;
    };
    const Case cases[] = {
        {{100, 100, 800, 600, false}, QRect(100, 100, 800, 600)},
        {{2000, 50, 800, 500, false}, QRect(2000, 50, 800, 500)},
        {{2500, 300, 800, 500, false}, QRect(2144, 100, 800, 500)},  // moved onto the small screen
        {{1800, 10, 1000, 2000, true}, QRect(1920, 0, 1000, 600)},   // cut to it
        {{-900, 10, 800, 600, false}, std::nullopt},
        {{0, 1050, 800, 600, false}, std::nullopt},
    };
    for (const Case& c : cases) QCOMPARE(KeptGeometry(c.kept, areas), c.opens);
    QCOMPARE(vexon::app::ui::StartGeometry(areas, QSize(848, 600)), QRect(536, 225, 848, 600));
    QCOMPARE(vexon::app::ui::StartGeometry({QRect(0, 0, 512, 300)}, QSize(848, 600)), QRect(0, 0, 512, 300));
  }
};

QTEST_MAIN(WindowFitTest)
#include "window_fit_test.moc"
