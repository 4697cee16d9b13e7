// The clipboard commands of the main window. Copier writes the output pane's
// selection as plain text; Coller brings the clipboard's text into the source
// pane at its caret or over its selection, wherever the focus is, with the
// pane's rules. On a real X server another program (xclip) reads
// what was copied and provides what is pasted.
#include <QAction>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "common/window_parts.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

namespace {

bool HaveXclip() {
  return QGuiApplication::platformName() == u"xcb" &&
         !QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty();
}

// Runs xclip without blocking the event loop: the window must keep serving
// the selection while the other program asks for it.
QByteArray XclipOut() {
  QProcess p;
  p.start(QStringLiteral("xclip"),
          {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
  if (!p.waitForStarted()) return "<xclip -o did not start>";
  const QDeadlineTimer deadline(10000);
  while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) QTest::qWait(10);
  if (p.state() != QProcess::NotRunning) {
    p.kill();
    p.waitForFinished();
    return "<xclip -o gave no answer in 10 s>";
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return "<xclip -o ended with " + QByteArray::number(p.exitCode()) + ">";
  return p.readAllStandardOutput();
}

// Source text, focus and selection of the source pane before a paste.
void Prepare(const WindowParts& p, const char* text, int selFrom, int selTo) {
  p.MemoText->SetText(text);
  QTextCursor c = p.MemoText->textCursor();
  c.setPosition(selFrom);
  c.setPosition(selTo, QTextCursor::KeepAnchor);
  p.MemoText->setTextCursor(c);
}

}  // namespace

class ClipboardTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { dialogs::SetAnswers({}); }

  void copyWritesTheOutputSelectionAsPlainText() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    p.MemoText->SetText("L'\xc3\xa9t\xc3\xa9 & <co>\r\n\xe2\x82\xac \xe2\x86\x92");
    p.Coder->trigger();
    const QString expected = p.MemoCode->toPlainText();
    QVERIFY2(
        expected.startsWith(QStringLiteral("L'&eacute;t&eacute; &amp; &lt;co&gt;\n&euro; &rarr;")),
        qPrintable(expected));

    p.SelectAll->trigger();
    QVERIFY(p.Copier->isEnabled());
    QGuiApplication::clipboard()->clear();
    p.Copier->trigger();
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), expected);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    QVERIFY2(!data->hasHtml(), "the copy must be plain text only");

    if (HaveXclip()) {
      // Another program on the server reads the same text (xclip prints UTF-8).
      QCOMPARE(QString::fromUtf8(XclipOut()), expected);
    }
  }

  void copyWithoutSelectionKeepsTheClipboard() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    p.MemoText->SetText("abc");
    p.Coder->trigger();
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("avant"));
    QTextCursor c = p.MemoCode->textCursor();
    c.clearSelection();
    p.MemoCode->setTextCursor(c);
    p.Copier->setEnabled(true);
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    p.Copier->trigger();
    // The program's own clipboard changes at once; another program asks the server.
    QCOMPARE(changed.count(), 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("avant"));
    if (HaveXclip()) QCOMPARE(QString::fromUtf8(XclipOut()), QStringLiteral("avant"));
  }

  void pasteInsertsIntoTheSourcePane_data() {
    QTest::addColumn<QString>("clip");
    QTest::addColumn<int>("selFrom");
    QTest::addColumn<int>("selTo");
    QTest::addColumn<QByteArray>("expected");  // the pane's text, UTF-8
    QTest::newRow("at the caret") << QStringLiteral("XY") << 3 << 3 << QByteArray("abcXYdef");
    QTest::newRow("over the selection") << QStringLiteral("XY") << 2 << 5 << QByteArray("abXYf");
    QTest::newRow("accents and euro") << QStringLiteral("\u00e9t\u00e9 \u20ac") << 0 << 0
                                      << QByteArray(
                                             "\xc3\xa9t\xc3\xa9 \xe2\x82\xac"
                                             "abcdef");
    QTest::newRow("beyond Windows-1252 kept")
        << QStringLiteral("\u2713\u00e9\u4e2d\U0001F600") << 6 << 6
        << QByteArray("abcdef\xe2\x9c\x93\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80");
    QTest::newRow("lone LF and CR become CR LF")
        << QStringLiteral("1\n2\r3") << 6 << 6 << QByteArray("abcdef1\r\n2\r\n3");
    QTest::newRow("U+2028 breaks the line")
        << QStringLiteral("1\u20282") << 6 << 6 << QByteArray("abcdef1\r\n2");
  }
  void pasteInsertsIntoTheSourcePane() {
    QFETCH(QString, clip);
    QFETCH(int, selFrom);
    QFETCH(int, selTo);
    QFETCH(QByteArray, expected);
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList told;
    dialogs::SetAnswers({.notice = [&told](const QString& m) { told << m; }});
    Prepare(p, "abcdef", selFrom, selTo);
    p.MemoCode->setFocus();  // the focus elsewhere: the source pane still takes the text

    QProcess owner;
    if (HaveXclip()) {
      // Another program owns the clipboard; -quiet keeps it in the foreground
      // so it is ours to stop.
      owner.start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                            QStringLiteral("clipboard"), QStringLiteral("-i")});
      QVERIFY(owner.waitForStarted());
      owner.write(clip.toUtf8());
      owner.closeWriteChannel();
      QTRY_VERIFY2(QGuiApplication::clipboard()->text() == clip,
                   "awaited: the text xclip -i was given, on the clipboard");
    } else {
      QGuiApplication::clipboard()->setText(clip);
    }
    p.Coller->trigger();
    QCOMPARE(QByteArray::fromStdString(p.MemoText->Text()), expected);
    QCOMPARE(told, QStringList());  // nothing lost, nothing to tell
    if (owner.state() != QProcess::NotRunning) {
      owner.kill();
      owner.waitForFinished();
    }
  }

  void pasteOfNothingIsNoError_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("empty clipboard") << 0;
    QTest::newRow("image only") << 1;
  }
  void pasteOfNothingIsNoError() {
    QFETCH(int, kind);
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList told;
    dialogs::SetAnswers({.notice = [&told](const QString& m) { told << m; }});
    Prepare(p, "abcdef", 1, 3);
    QClipboard* cb = QGuiApplication::clipboard();
    if (kind == 0) {
      cb->clear();
      QTRY_VERIFY2(cb->text().isEmpty(), "awaited: an empty clipboard");
    } else {
      QImage img(4, 4, QImage::Format_RGB32);
      img.fill(Qt::red);
      cb->setImage(img);
      QTRY_VERIFY2(cb->mimeData() && cb->mimeData()->hasImage() && !cb->mimeData()->hasText(),
                   "awaited: an image alone on the clipboard");
    }
    p.Coller->trigger();
    // Nothing to insert: the text and its selection stay as they were.
    QCOMPARE(QByteArray::fromStdString(p.MemoText->Text()), QByteArray("abcdef"));
    QCOMPARE(p.MemoText->textCursor().selectedText(), QStringLiteral("bc"));
    QVERIFY(told.isEmpty());
  }
};

QTEST_MAIN(ClipboardTest)
#include "clipboard_test.moc"
