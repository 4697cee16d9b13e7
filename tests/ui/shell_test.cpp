// The application shell: failures escaping a handler end in one error box.
#include <QPushButton>
#include <QtTest>
#include <stdexcept>

#include "convert/exceptions.h"
#include "ui/framework/application.h"
#include "ui/tfmain.h"

namespace {

struct Box {
  QString caption;
  QString text;
};

// A button whose click throws what the test asks for.
class Thrower : public QPushButton {
 public:
  std::function<void()> fail;
 protected:
  void mouseReleaseEvent(QMouseEvent*) override { fail(); }
};

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 public:
  QList<Box> boxes;

 private slots:
  void init() {
    boxes.clear();
    static_cast<TApplication*>(qApp)->ShowBox = [this](const QString& c, const QString& t) { boxes << Box{c, t}; };
  }

  void failuresEscapingAHandlerShowOneBox_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::newRow("message gains a full stop") << 0 << "Quorlin" << "Impossible d'ouvrir le fichier x." << 1;
    QTest::newRow("full stop not doubled") << 1 << "Quorlin" << "Fichier vide." << 1;
    QTest::newRow("abort is silent") << 2 << "" << "" << 0;
    QTest::newRow("foreign failure") << 3 << "Application Error" << "" << 1;
  }
  void failuresEscapingAHandlerShowOneBox() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QFETCH(int, count);
    Thrower b;
    b.fail = [kind] {
      switch (kind) {
        case 0: throw quorlin::Exception("Impossible d'ouvrir le fichier x");
        case 1: throw quorlin::Exception("Fichier vide.");
        case 2: throw quorlin::EAbort();
        default: throw std::runtime_error("boum");
      }
    };
    b.show();
    QTest::mouseClick(&b, Qt::LeftButton);
    QCOMPARE(boxes.size(), count);
    if (count == 0) return;
    QCOMPARE(boxes[0].caption, caption);
    if (kind == 3) {
      QVERIFY(boxes[0].text.startsWith(QStringLiteral("Exception ")));
      QVERIFY(boxes[0].text.contains(QStringLiteral(" in module ")));
      QVERIFY(boxes[0].text.endsWith(QStringLiteral(".\nboum")));
    } else {
      QCOMPARE(boxes[0].text, text);
    }
    // The loop goes on: the next click is handled again.
    QTest::mouseClick(&b, Qt::LeftButton);
    QCOMPARE(boxes.size(), 2 * count);
  }

  void windowIsReachableWhileBuiltAndClearedAfter() {
    {
      TFMain w;
      QCOMPARE(FMain, &w);
    }
    QCOMPARE(FMain, nullptr);
  }
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  ShellTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "shell_test.moc"
