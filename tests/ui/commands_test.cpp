// Commands of the main window: the enabled states of Save, Copier and
// SelectAll event by event from start-up, Open and Save through the file
// choice hooks (a failed open keeps the source; an added ".txt" never replaces
// a file without asking).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include "common/platform_support.h"
#include "common/window_parts.h"
#include "convert/exceptions.h"
#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

namespace {

QString States(const WindowParts& p) {
  auto f = [](const QAction* a) {
    return a->isEnabled() ? QStringLiteral("on") : QStringLiteral("off");
  };
  return f(p.Save) + u' ' + f(p.Copier) + u' ' + f(p.SelectAll);
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { dialogs::SetAnswers({}); }

  void stateTableFromStartUp() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.txt"));
    Write(file, "ouvert\r\n");
    TFMain w;
    const WindowParts p(w);
    dialogs::SetAnswers({.openFile = [&] { return file; }});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    struct Step {
      const char* event;
      std::function<void()> run;
      const char* expected;  // Save Copier SelectAll
    };
    const std::vector<Step> steps = {
        {"start-up", [] {}, "off off off"},
        {"convert empty source", [&] { p.Coder->trigger(); }, "off off off"},
        {"convert text",
         [&] {
           p.MemoText->SetText("abc \xc3\xa9");
           p.Coder->trigger();
         },
         "on off on"},
        {"select all", [&] { p.SelectAll->trigger(); }, "on on on"},
        {"mouse up, no selection",
         [&] { QTest::mouseClick(p.MemoCode->viewport(), Qt::LeftButton, {}, QPoint(5, 5)); },
         "on off on"},
        {"mouse selection, judged on release",
         [&] {
           QWidget* view = p.MemoCode->viewport();
           QTest::mousePress(view, Qt::LeftButton, {}, QPoint(2, 5));
           QCoreApplication::processEvents();  // nothing is selected yet
           QTest::mouseMove(view, QPoint(40, 5));
           QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(40, 5));
         },
         "on on on"},
        {"select all again", [&] { p.SelectAll->trigger(); }, "on on on"},
        {"reset", [&] { p.Reset->trigger(); }, "off on on"},
        {"open", [&] { p.Open->trigger(); }, "off on on"},
        {"paste", [&] { p.Coller->trigger(); }, "off on on"},
        {"size change", [&] { p.LMDFontSizeComboBox1->SetSelected(12); }, "off off off"},
        {"convert opened text", [&] { p.Coder->trigger(); }, "on off on"},
        {"convert after emptying",
         [&] {
           p.MemoText->Clear();
           p.Coder->trigger();
         },
         "off off off"},
    };
    for (const Step& s : steps) {
      s.run();
      QCoreApplication::processEvents();
      QVERIFY2(States(p) == QString::fromLatin1(s.expected),
               qPrintable(QStringLiteral("%1: %2").arg(QString::fromLatin1(s.event), States(p))));
    }
    QCOMPARE(p.MemoText->font().pointSize(), 12);
  }

  // Paste keeps every character and says nothing of it; a zero character ends
  // the pasted text, and the window says so once per paste.
  void pasteTellsOnlyOfAZeroCharacter() {
    TFMain w;
    const WindowParts p(w);
    QStringList notices;
    dialogs::SetAnswers({.notice = [&](const QString& m) { notices << m; }});
    SKIP_WITHOUT_CLIPBOARD();
    QApplication::clipboard()->setText(QStringLiteral("é → ← ok"));
    p.Coller->trigger();
    QCOMPARE(QByteArray::fromStdString(p.MemoText->Text()),
             QByteArray("\xc3\xa9 \xe2\x86\x92 \xe2\x86\x90 ok"));
    QCOMPARE(notices, QStringList());
    QApplication::clipboard()->setText(QString::fromUtf16(u"∞\0perdu", 7));
    p.Coller->trigger();
    QCOMPARE(notices,
             QStringList{QStringLiteral(
                 "Le texte contenait un caractère nul : seul ce qui le précède a été inséré.")});
    QVERIFY(QByteArray::fromStdString(p.MemoText->Text()).endsWith("ok\xe2\x88\x9e"));
  }

  // Open reads each encoding from the bytes; the same text converts the same.
  void openDecidesTheEncodingAndConverts_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("named");
    QTest::addColumn<int>("lines");
    const QString text = QStringLiteral("Café « déjà » €…\r\nfin");
    const QByteArray output(
        "Caf&eacute; &laquo; d&eacute;j&agrave; &raquo; &euro;&hellip;\r\nfin\r\n");
    QByteArray le("\xff\xfe"), be("\xfe\xff");
    for (QChar c : text) {
      le += static_cast<char>(c.unicode() & 0xFF);
      le += static_cast<char>(c.unicode() >> 8);
      be += static_cast<char>(c.unicode() >> 8);
      be += static_cast<char>(c.unicode() & 0xFF);
    }
    QTest::newRow("Windows-1252") << QByteArray("Caf\xe9 \xab d\xe9j\xe0 \xbb \x80\x85\r\nfin")
                                  << output << 2;
    QTest::newRow("UTF-8") << text.toUtf8() << output << 2;
    QTest::newRow("UTF-8 with mark") << "\xef\xbb\xbf" + text.toUtf8() << output << 2;
    QTest::newRow("UTF-16 LE with mark") << le << output << 2;
    QTest::newRow("UTF-16 BE with mark") << be << output << 2;
    QTest::newRow("UTF-8 beyond Windows-1252") << QByteArray(
                                                      "a\xe2\x86\x92"
                                                      "b\xe2\x80\xa8"
                                                      "c \xf0\x9f\x98\x80")
                                               << QByteArray("a&rarr;b\r\nc &#128512;\r\n") << 2;
  }
  void openDecidesTheEncodingAndConverts() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, named);
    QFETCH(int, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("texte.txt"));
    Write(path, file);
    TFMain w;
    const WindowParts p(w);
    QStringList notices;
    dialogs::SetAnswers(
        {.openFile = [&] { return path; }, .notice = [&](const QString& m) { notices << m; }});
    p.Open->trigger();
    QCOMPARE(p.MemoText->Count(), lines);
    p.Coder->trigger();
    QCOMPARE(QByteArray::fromStdString(p.MemoCode->Text()), named);
    QCOMPARE(p.MemoCode->Count(), lines);
    QCOMPARE(notices, QStringList());
  }

  // Pasted and typed text beyond Windows-1252 reaches the output whole: the
  // narrow no-break space, arrows, emoji; U+2028 and Shift+Enter break lines.
  void pastedAndTypedCharactersConvert() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString pasted = QStringLiteral("Prix\u202F: 5 € → voir «\u202Fici\u202F» 😀\u2028fin");
    if (HasClipboard()) {
      QApplication::clipboard()->setText(pasted);
      p.Coller->trigger();
    } else {  // a compositor without a seat: the same insertion, as a drop makes it
      QMimeData data;
      data.setText(pasted);
      p.MemoText->PasteFrom(data);
    }
    p.MemoText->setFocus();
    QTest::keyClick(p.MemoText, Qt::Key_Return, Qt::ShiftModifier);
    QKeyEvent arrow(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("→"));
    QApplication::sendEvent(p.MemoText, &arrow);
    QCOMPARE(p.MemoText->Count(), 3);
    p.Coder->trigger();
    QCOMPARE(
        QByteArray::fromStdString(p.MemoCode->Text()),
        QByteArray("Prix&#8239;: 5 &euro; &rarr; voir &laquo;&#8239;ici&#8239;&raquo; &#128512;\r\n"
                   "fin\r\n&rarr;\r\n"));
    QCOMPARE(p.MemoCode->Count(), 3);
    p.CheckNum->setChecked(true);
    p.Coder->trigger();
    QCOMPARE(
        QByteArray::fromStdString(p.MemoCode->Text()),
        QByteArray("Prix&#8239;: 5 &#128; &#8594; voir &#171;&#8239;ici&#8239;&#187; &#128512;\r\n"
                   "fin\r\n&#8594;\r\n"));
  }

  void failedOpenKeepsTheSource_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << QStringLiteral("absent.txt");
    QTest::newRow("directory") << QStringLiteral(".");
  }
  void failedOpenKeepsTheSource() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    TFMain w;
    const WindowParts p(w);
    p.MemoText->SetText("mon texte\r\n\xc3\xa9");
    dialogs::SetAnswers({.openFile = [&] { return dir.filePath(name); }});
    bool threw = false;
    try {
      w.OpenExecute();
    } catch (const std::exception&) {
      threw = true;  // the application's error box shows it
    }
    QVERIFY(threw);
    QCOMPARE(QByteArray::fromStdString(p.MemoText->Text()), QByteArray("mon texte\r\n\xc3\xa9"));
  }

  // A file larger than the pane can hold is refused before it is read, with
  // the pane's message; the source pane keeps its text.
  void openRefusesATextThePaneCannotHold() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grand.txt"));
    Write(path, "0123456789");
    TFMain w;
    const WindowParts p(w);
    p.MemoText->SetText("mien");
    p.MemoText->SetCapacityLimit(9);
    QStringList notices;  // a partial load would say so; no modal box to wait on
    dialogs::SetAnswers(
        {.openFile = [&] { return path; }, .notice = [&](const QString& m) { notices << m; }});
    try {
      w.OpenExecute();
      QFAIL("a text above the capacity was taken");
    } catch (const quorlin::EInvalidOperation& e) {
      QCOMPARE(QString::fromStdString(e.Message()), QStringLiteral("Text exceeds memo capacity"));
    }
    QCOMPARE(p.MemoText->Text(), std::string("mien"));
    // Refused by its size before it is read, though the text before its first
    // zero byte would fit: reading past the free memory would end the program.
    const QString sparse = dir.filePath(QStringLiteral("creux.txt"));
    Write(sparse, "0123");
    QVERIFY(QFile::resize(sparse, qint64{1} << 26));
    QVERIFY_THROWS_EXCEPTION(quorlin::EInvalidOperation, w.OpenFile(sparse));
    QCOMPARE(p.MemoText->Text(), std::string("mien"));
    QCOMPARE(notices, QStringList());
    p.MemoText->SetCapacityLimit(10);
    w.OpenExecute();
    QCOMPARE(p.MemoText->Text(), std::string("0123456789"));
    QVERIFY(p.MemoText->Capacity() == 10);
    p.MemoText->SetCapacityLimit(-1);
    QVERIFY(p.MemoText->Capacity() > 1000000);  // what this machine's free memory allows
  }

  void saveAddsTxtAndAsksBeforeReplacing_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("written");  // empty: nothing written
    QTest::addColumn<bool>("asked");
    QTest::newRow("new name gets .txt") << "out" << false << false << "out.txt" << false;
    QTest::newRow("existing .txt, yes") << "out" << true << true << "out.txt" << true;
    QTest::newRow("existing .txt, no") << "out" << true << false << "" << true;
    QTest::newRow("own extension kept") << "out.htm" << false << false << "out.htm" << false;
    QTest::newRow("trailing full stop kept") << "out." << false << false << "out." << false;
    QTest::newRow("full stop in the folder only")
        << "rep.d/out" << false << false << "rep.d/out.txt" << false;
  }
  void saveAddsTxtAndAsksBeforeReplacing() {
    QFETCH(QString, chosen);
    QFETCH(bool, existing);
    QFETCH(bool, answer);
    QFETCH(QString, written);
    QFETCH(bool, asked);
    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("out.txt"));
    if (existing) Write(txt, "ancien");
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("rep.d")));
    TFMain w;
    const WindowParts p(w);
    p.MemoText->SetText("<a>");
    p.Coder->trigger();
    bool wasAsked = false;
    dialogs::SetAnswers({.saveFile = [&] { return dir.filePath(chosen); },
                         .replace =
                             [&](const QString&) {
                               wasAsked = true;
                               return answer;
                             }});
    w.SaveExecute();
    QCOMPARE(wasAsked, asked);
    if (written.isEmpty()) {
      QCOMPARE(ReadAll(txt), QByteArray("ancien"));
    } else {
      QVERIFY(ReadAll(dir.filePath(written)).startsWith("&lt;a&gt;"));
    }
  }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
