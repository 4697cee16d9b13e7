// Where the window goes: its stored place where it fits, else moved into the
// screen's available area, made smaller only when larger than the area and
// never below what its content needs.
#include "ui/framework/desktop/placement.h"

#include <QTest>

class PlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void fitsInTheAvailableArea_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("placed");
    const QRect stored(237, 154, 696, 480);
    const QSize content(400, 300);
    QTest::newRow("fits") << stored << QRect(0, 0, 1280, 1024) << content << stored;
    QTest::newRow("fits exactly") << stored << QRect(237, 154, 696, 480) << content << stored;
    // 1366 x 768 at 1.5x: 911 x 512 logical pixels.
    QTest::newRow("1366x768 at 1.5x")
        << stored << QRect(0, 0, 911, 512) << content << QRect(215, 32, 696, 480);
    QTest::newRow("panel at the top") << QRect(237, 10, 696, 480) << QRect(0, 27, 1366, 741)
                                      << content << QRect(237, 27, 696, 480);
    QTest::newRow("second screen at the left")
        << QRect(-100, 154, 696, 480) << QRect(-1024, 0, 1024, 768) << content
        << QRect(-696, 154, 696, 480);
    QTest::newRow("larger than the area")
        << stored << QRect(0, 0, 600, 400) << content << QRect(0, 0, 600, 400);
    QTest::newRow("content larger than the area")
        << stored << QRect(10, 20, 600, 400) << QSize(650, 450) << QRect(10, 20, 650, 450);
    QTest::newRow("no screen") << stored << QRect() << content << stored;
  }
  void fitsInTheAvailableArea() {
    QFETCH(QRect, frame);
    QFETCH(QRect, area);
    QFETCH(QSize, minimum);
    QFETCH(QRect, placed);
    const QRect got = FitInArea(frame, area, minimum);
    QCOMPARE(got, placed);
    // Properties: never below the content, never larger than the stored size,
    // the top-left corner in the area whenever there is one.
    QVERIFY(got.width() >= std::min(frame.width(), minimum.width()));
    QVERIFY(got.height() >= std::min(frame.height(), minimum.height()));
    QVERIFY(got.width() <= std::max(frame.width(), minimum.width()));
    if (!area.isEmpty()) QVERIFY(area.contains(got.topLeft()));
  }
};

QTEST_MAIN(PlacementTest)
#include "placement_test.moc"
