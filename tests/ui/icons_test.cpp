// The program's icons read on a light and on a dark toolbar or panel.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include "common/contrast.h"

class IconsTest : public QObject {
  Q_OBJECT

 private slots:
  // An icon's shape reads when its edge stands out: at (nearly) every pixel on
  // the edge of the shape, that pixel or one within 1.5 icon pixels of it has
  // at least 3:1 contrast with the ground (the contrast asked of graphics). Grounds: the
  // light Fusion toolbar and the dark one of GTK's Adwaita dark theme.
  void shapesStandOutOnLightAndDarkGrounds_data() {
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("size");
    QTest::addColumn<QColor>("ground");
    for (const char* name :
         {"coder", "coller", "copier", "exit", "open", "reset", "save", "quorlin"})
      for (const char* ground : {"#efefef", "#323232"}) {
        const int size = QByteArray(name) == "quorlin" ? 32 : 20;
        QTest::addRow("%s on %s", name, ground)
            << QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)) << size
            << QColor(QLatin1String(ground));
      }
  }
  void shapesStandOutOnLightAndDarkGrounds() {
    QFETCH(QString, icon);
    QFETCH(int, size);
    QFETCH(QColor, ground);
    QSvgRenderer svg(icon);
    QVERIFY(svg.isValid());
    const int scale = 2;  // a 2x screen: edges one device pixel apart
    const int n = size * scale;
    QImage shape(n, n, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
      QPainter painter(&shape);
      svg.render(&painter);
    }
    QImage seen(n, n, QImage::Format_RGB32);
    seen.fill(ground);
    {
      QPainter painter(&seen);
      painter.drawImage(0, 0, shape);
    }
    auto inside = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < n && y < n && qAlpha(shape.pixel(x, y)) >= 128;
    };
    auto stands = [&](int x, int y) { return ContrastRatio(seen.pixel(x, y), ground.rgb()) >= 3; };
    const int reach = 3;  // 1.5 pixels of the icon: a light rim round a dark outline
    int edge = 0, readable = 0;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        if (!inside(x, y)) continue;
        if (inside(x - 1, y) && inside(x + 1, y) && inside(x, y - 1) && inside(x, y + 1)) continue;
        ++edge;
        bool ok = false;
        for (int dy = -reach; dy <= reach && !ok; ++dy)
          for (int dx = -reach; dx <= reach && !ok; ++dx)
            ok = inside(x + dx, y + dy) && stands(x + dx, y + dy);
        readable += ok;
      }
    QVERIFY(edge > 0);
    const double share = double(readable) / edge;
    QVERIFY2(share >= 0.95,
             qPrintable(QStringLiteral("%1 of the edge stands out").arg(share, 0, 'f', 2)));
  }
};

QTEST_MAIN(IconsTest)
#include "icons_test.moc"
