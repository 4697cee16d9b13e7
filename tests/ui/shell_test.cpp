// The application shell: failures escaping a handler end in one error box.
#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <stdexcept>

#include "common/platform_support.h"
#include "common/window_parts.h"
#include "convert/exceptions.h"
#include "ui/framework/controls/checkbox.h"
#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/framework/shell/application.h"
#include "ui/tfmain.h"

namespace {

struct Box {
  QString caption;
  QString text;
};

// An object whose event handler throws what the test asks for: the last
// line of defence, for a failure no handler guard caught.
class Thrower : public QObject {
 public:
  std::function<void()> fail;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) fail();
    return QObject::event(e);
  }
};

void Fire(QObject* target) {
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(target, &event);
}

// Whether the process has its own handler for the signal (SigCgt in /proc).
bool Catches(qint64 pid, int signal) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (!line.startsWith("SigCgt:")) continue;
    return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
  }
  return false;
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 public:
  QList<Box> boxes;

 private slots:
  void cleanup() { dialogs::SetAnswers({}); }

  void init() {
    boxes.clear();
    static_cast<TApplication*>(qApp)->ShowBox = [this](const QString& c, const QString& t) {
      boxes << Box{c, t};
    };
  }

  void failuresEscapingAHandlerShowOneBox_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    // clang-format off
    QTest::newRow("message gains a full stop") << 0 << "Quorlin" << "Impossible d'ouvrir le fichier x." << 1;
    QTest::newRow("full stop not doubled") << 1 << "Quorlin" << "Fichier vide." << 1;
    QTest::newRow("no full stop after '!'") << 4 << "Quorlin" << "Disque plein !" << 1;
    QTest::newRow("no full stop after ')'") << 5 << "Quorlin" << "Cannot open file /tmp/a (1)" << 1;
    QTest::newRow("full stop after '?'") << 6 << "Quorlin" << "Vraiment ?." << 1;
    QTest::newRow("full stop after an accent") << 7 << "Quorlin" << "Fichier cr\u00e9\u00e9." << 1;
    QTest::newRow("abort is silent") << 2 << "" << "" << 0;
    QTest::newRow("foreign failure") << 3 << "Application Error" << "" << 1;
    // clang-format on
  }
  void failuresEscapingAHandlerShowOneBox() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QFETCH(int, count);
    Thrower b;
    b.fail = [kind] {
      switch (kind) {
        case 0:
          throw quorlin::Exception("Impossible d'ouvrir le fichier x");
        case 1:
          throw quorlin::Exception("Fichier vide.");
        case 2:
          throw quorlin::EAbort();
        case 4:
          throw quorlin::Exception("Disque plein !");
        case 5:
          throw quorlin::Exception("Cannot open file /tmp/a (1)");
        case 6:
          throw quorlin::Exception("Vraiment ?");
        case 7:
          throw quorlin::Exception("Fichier cr\xc3\xa9\xc3\xa9");
        default:
          throw std::runtime_error("boum");
      }
    };
    Fire(&b);
    QCOMPARE(boxes.size(), count);
    if (count == 0) return;
    QCOMPARE(boxes[0].caption, caption);
    if (kind == 3) {
      QVERIFY(boxes[0].text.startsWith(QStringLiteral("Exception std::runtime_error in module ")));
      QVERIFY(boxes[0].text.contains(QStringLiteral(" in module ")));
      QVERIFY(boxes[0].text.endsWith(QStringLiteral(".\nboum")));
    } else {
      QCOMPARE(boxes[0].text, text);
    }
    // The loop goes on: the next event is handled again.
    Fire(&b);
    QCOMPARE(boxes.size(), 2 * count);
  }

  // A failure while a control holds the mouse and keyboard (a drag) ends the
  // hold before the box comes up.
  void failureEndsAMouseHold() {
    QWidget holder;
    holder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&holder));
    holder.grabMouse();
    holder.grabKeyboard();
    QCOMPARE(QWidget::mouseGrabber(), &holder);
    Thrower b;
    QWidget* grabbedAtBox = &holder;
    static_cast<TApplication*>(qApp)->ShowBox = [&](const QString&, const QString&) {
      grabbedAtBox = QWidget::mouseGrabber();
    };
    b.fail = [] { throw quorlin::Exception("Stream write error"); };
    Fire(&b);
    QCOMPARE(grabbedAtBox, nullptr);
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
  }

  // Hints wait 500 ms and stay 2500 ms; only controls with a hint text show one.
  void hintsShowForTheirTimeOnlyWhereThereIsAText() {
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 500);
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* button = w.findChild<QToolButton*>(QStringLiteral("ToolButton5"));
    QVERIFY(button);
    const auto hover = [](QWidget* widget) {
      const QPoint at = widget->rect().center();
      QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
      QApplication::sendEvent(widget, &help);
    };
    hover(p.CheckNum);
    QVERIFY(!QToolTip::isVisible());
    hover(button);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Ouvrir un fichier"));
    // How long it stays is a timer of Qt's, the same on every platform: the
    // 2.5 s are waited for in the offscreen run only.
    if (OnWayland()) return;
    // Qt's own time would be 10 s; the margin is for a loaded machine.
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 8000);
  }

  // The real program: Qt's own options on the command line change nothing (a
  // bad -platform would stop Qt before any window), and the end of the session
  // (SIGTERM, SIGHUP) ends it normally with exit code 0, also while it reports
  // the missing file named after them.
  void programIgnoresQtOptionsAndEndsWithTheSession_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
  }
  void programIgnoresQtOptionsAndEndsWithTheSession() {
    QFETCH(int, signal);
    const QString program = qEnvironmentVariable("QUORLIN_APP");
    if (program.isEmpty()) QSKIP("QUORLIN_APP not set");
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, {QStringLiteral("-platform"), QStringLiteral("nulle-part"),
                      QStringLiteral("-reverse"), QStringLiteral("fichier.txt")});
    QVERIFY(p.waitForStarted());
    // Ready once it handles both signals itself: sent earlier, the default
    // action would end it. A slow start (sanitizers) only takes longer.
    const qint64 pid = p.processId();
    QTRY_VERIFY2_WITH_TIMEOUT(
        p.state() != QProcess::Running || (Catches(pid, SIGTERM) && Catches(pid, SIGHUP)),
        "awaited: the program running with its handlers for SIGTERM and SIGHUP", 60000);
    QVERIFY2(p.state() == QProcess::Running, "the program ended before it handled the signals");
    ::kill(static_cast<pid_t>(p.processId()), signal);
    QVERIFY2(p.waitForFinished(60000), "awaited: the program ending after the signal");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
  }

  // A command failing under a toolbar click: one box, the button comes back up
  // and the next click runs the command again.
  void failingCommandShowsItsBoxAndLeavesTheButtonUsable() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("absent.txt"));
    TFMain w;
    const WindowParts p(w);
    dialogs::SetAnswers({.openFile = [&] { return missing; }});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* button = w.findChild<QToolButton*>(QStringLiteral("ToolButton5"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].caption, QStringLiteral("Quorlin"));
    QCOMPARE(boxes[0].text, QStringLiteral("Cannot open file %1.").arg(missing));
    QVERIFY(!button->isDown());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(boxes.size(), 2);
  }

  // A size that is not a number, left by moving to another control.
  void badFontSizeShowsItsBoxOnLeaving() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(MakeActive(&w));
    auto* size = w.findChild<TLMDFontSizeComboBox*>();
    QVERIFY(size);
    size->setFocus(Qt::TabFocusReason);
    size->setEditText(QStringLiteral("abc"));
    p.MemoText->setFocus(Qt::TabFocusReason);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, QStringLiteral("'abc' is not a valid integer value."));
  }

  void windowIsReachableWhileBuiltAndClearedAfter() {
    {
      TFMain w;
      const WindowParts p(w);
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
