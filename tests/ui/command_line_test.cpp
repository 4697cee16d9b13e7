// The file the window program opens from its command line.
#include "ui/framework/desktop/command_line.h"

#include <QTest>

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void fileToOpen_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    const QString q = QStringLiteral("quorlin");
    QTest::newRow("none") << QStringList{q} << "";
    QTest::newRow("a file") << QStringList{q, QStringLiteral("lettre.txt")} << "lettre.txt";
    QTest::newRow("path with spaces")
        << QStringList{q, QStringLiteral("/home/a/mes textes/été.txt")}
        << "/home/a/mes textes/été.txt";
    QTest::newRow("Qt options before")
        << QStringList{q, QStringLiteral("-platform"), QStringLiteral("nulle-part"),
                       QStringLiteral("-reverse"), QStringLiteral("fichier.txt")}
        << "fichier.txt";
    QTest::newRow("double-dash Qt option")
        << QStringList{q, QStringLiteral("--style"), QStringLiteral("fusion"),
                       QStringLiteral("a.txt")}
        << "a.txt";
    QTest::newRow("option with its value joined")
        << QStringList{q, QStringLiteral("-style=fusion"), QStringLiteral("a.txt")} << "a.txt";
    QTest::newRow("only options") << QStringList{q, QStringLiteral("-reverse"),
                                                 QStringLiteral("-geometry"),
                                                 QStringLiteral("10x10")}
                                  << "";
    QTest::newRow("first of two") << QStringList{q, QStringLiteral("a.txt"),
                                                 QStringLiteral("b.txt")}
                                  << "a.txt";
    QTest::newRow("after --") << QStringList{q, QStringLiteral("--"), QStringLiteral("-a.txt")}
                              << "-a.txt";
    QTest::newRow("lone dash is a name") << QStringList{q, QStringLiteral("-")} << "-";
  }
  void fileToOpen() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QCOMPARE(FileToOpen(arguments), file);
  }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
