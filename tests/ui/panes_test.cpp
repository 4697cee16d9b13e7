// The text panes: line model on the document, UTF-8 at the edges, every
// character kept, the rules for breaks and zero characters.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "common/line_list_contract.h"
#include "common/platform_support.h"
#include "convert/conversion_pass.h"
#include "ui/framework/panes/memo.h"

class PanesTest : public QObject {
  Q_OBJECT

 private slots:
  void keepsTheLineListRules_data() {
    QTest::addColumn<bool>("batched");
    QTest::newRow("one add at a time") << false;
    QTest::newRow("adds in one update") << true;
  }
  void keepsTheLineListRules() {
    QFETCH(bool, batched);
    TMemo memo;
    const auto failures = quorlin::testing::CheckLineListContract(
        [&]() -> quorlin::LineList& { return memo; }, batched);
    for (const std::string& f : failures) qWarning("%s", f.c_str());
    QCOMPARE(failures.size(), std::size_t{0});
  }

  // Batched adds are gathered and handed to the document in pieces: the text,
  // the count read halfway and the lines read back match single adds, across
  // more than one piece (a few lines are long), and the caret ends after the text.
  void batchedAddsGiveTheSameTextAsSingleAdds() {
    TMemo single, batched;
    batched.SetText("avant");
    single.SetText("avant");
    batched.BeginUpdate();
    for (int i = 0; i < 500; ++i) {
      std::string line = "ligne \xc3\xa9 " + std::to_string(i);
      for (int k = 0; k < (i % 2 == 0 ? 5000 : 0); ++k) line += i % 4 == 0 ? "\xe2\x80\xa6" : "x";
      if (i % 7 == 0) line.clear();
      QCOMPARE(batched.Add(line), single.Add(line));
      if (i == 250) {
        QCOMPARE(batched.Count(), single.Count());
        QCOMPARE(batched.Get(200), single.Get(200));
      }
    }
    batched.EndUpdate();
    QCOMPARE(batched.Text(), single.Text());
    QCOMPARE(batched.Count(), single.Count());
    QCOMPARE(batched.Get(499), std::string("ligne \xc3\xa9 499"));
    QCOMPARE(batched.textCursor().position(), batched.document()->characterCount() - 1);
  }

  // Converting again and again keeps no history: the read-only output pane
  // records no undo step (it would hold a second copy of each pass), the
  // source pane keeps exactly what the user typed, and a pane that can be
  // edited gets its undo back after a pass.
  void conversionsKeepNoUndoHistory() {
    TMemo source, output, editable;
    output.setReadOnly(true);
    for (int i = 0; i < 3; ++i) source.insertPlainText(QStringLiteral("caf\u00e9 <b>... &\n"));
    const int typed = source.document()->availableUndoSteps();
    QVERIFY(typed > 0);
    quorlin::MemoryLineList reference;
    quorlin::ConvertLines(quorlin::MemoryLineList(source.Text()), reference,
                          quorlin::EntityMode::Named);
    for (int pass = 0; pass < 3; ++pass) {
      QVERIFY(quorlin::ConvertLines(source, output, quorlin::EntityMode::Named));
      QCOMPARE(output.Text(), reference.Text());
      QCOMPARE(output.document()->availableUndoSteps(), 0);
      QCOMPARE(source.document()->availableUndoSteps(), typed);
    }
    QVERIFY(quorlin::ConvertLines(source, editable, quorlin::EntityMode::Named));
    QVERIFY(editable.document()->isUndoRedoEnabled());
    editable.insertPlainText(QStringLiteral("x"));
    QVERIFY(editable.document()->isUndoAvailable());
  }

  // Every character but the breaks and the surrogate halves goes in and comes
  // back as it was, in lines of 64; U+FDD0 and U+FDD1, which Qt's document
  // keeps for itself, come back as U+FFFD.
  void everyCharacterSurvivesTheRoundTrip() {
    QString all;
    QString shown;
    int count = 0;
    for (char32_t c = 1; c < 0x30000; c += c < 0x10000 ? 1 : 97) {
      if (c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029 || (c >= 0xD800 && c <= 0xDFFF))
        continue;
      if (count++ % 64 == 0 && count > 1) {
        all += u'\n';
        shown += u'\n';
      }
      all += QString::fromUcs4(&c, 1);
      shown += c == 0xFDD0 || c == 0xFDD1 ? QStringLiteral("\uFFFD") : QString::fromUcs4(&c, 1);
    }
    TMemo memo;
    memo.SetText(all.toStdString());
    QCOMPARE(memo.Count(), (count + 63) / 64);
    QVERIFY(memo.Text() == shown.replace(u'\n', QStringLiteral("\r\n")).toStdString());
  }

  void pasteKeepsEveryCharacterAndUnifiesBreaks_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QByteArray>("text");  // UTF-8
    QTest::addColumn<int>("lines");
    QTest::newRow("latin and euro")
        << QStringLiteral("été €") << QByteArray("\xc3\xa9t\xc3\xa9 \xe2\x82\xac") << 1;
    QTest::newRow("beyond Windows-1252") << QStringLiteral("a→b\u202F😀")
                                         << QByteArray(
                                                "a\xe2\x86\x92"
                                                "b\xe2\x80\xaf\xf0\x9f\x98\x80")
                                         << 1;
    QTest::newRow("lone LF") << QStringLiteral("a\nb") << QByteArray("a\r\nb") << 2;
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QByteArray("a\r\nb") << 2;
    QTest::newRow("CR LF once") << QStringLiteral("a\r\nb") << QByteArray("a\r\nb") << 2;
    QTest::newRow("LF CR twice") << QStringLiteral("a\n\rb") << QByteArray("a\r\n\r\nb") << 3;
    QTest::newRow("line and paragraph separators")
        << QStringLiteral("a\u2028b\u2029c") << QByteArray("a\r\nb\r\nc") << 3;
    QTest::newRow("lone surrogate")
        << QString::fromUtf16(u"a\xD800z") << QByteArray("a\xef\xbf\xbdz") << 1;
    QTest::newRow("zero ends it") << QString::fromUtf16(u"a\u2192b\0cd", 6)
                                  << QByteArray(
                                         "a\xe2\x86\x92"
                                         "b")
                                  << 1;
  }
  void pasteKeepsEveryCharacterAndUnifiesBreaks() {
    QFETCH(QString, pasted);
    QFETCH(QByteArray, text);
    QFETCH(int, lines);
    TMemo memo;
    QStringList messages;
    QObject::connect(&memo, &TMemo::LostCharacters, [&](const QString& m) { messages << m; });
    SKIP_WITHOUT_CLIPBOARD();
    QApplication::clipboard()->setText(pasted);
    memo.paste();
    QCOMPARE(QByteArray::fromStdString(memo.Text()), text);
    QCOMPARE(memo.Count(), lines);
    QVERIFY(!memo.toPlainText().contains(QChar(0x2028)));
    const bool cut = pasted.contains(QChar(u'\0'));
    QCOMPARE(
        messages,
        cut ? QStringList{QStringLiteral(
                  "Le texte contenait un caractère nul : seul ce qui le précède a été inséré.")}
            : QStringList());
  }

  // Typed characters are kept whatever they are; Shift+Enter, for which Qt
  // would insert U+2028, breaks the line as Enter does.
  void typedCharactersAreKept() {
    TMemo memo;
    int reports = 0;
    QObject::connect(&memo, &TMemo::LostCharacters, [&] { ++reports; });
    QTest::keyClicks(&memo, QStringLiteral("a"));
    QKeyEvent arrow(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("→"));
    QApplication::sendEvent(&memo, &arrow);
    QKeyEvent emoji(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\U0001F600"));
    QApplication::sendEvent(&memo, &emoji);
    QCOMPARE(memo.Text(), std::string("a\xe2\x86\x92\xf0\x9f\x98\x80"));
    QTest::keyClick(&memo, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&memo, QStringLiteral("b"));
    QTest::keyClick(&memo, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    QTest::keyClick(&memo, Qt::Key_Return);
    QTest::keyClicks(&memo, QStringLiteral("c"));
    QCOMPARE(memo.Text(), std::string("a\xe2\x86\x92\xf0\x9f\x98\x80\r\nb\r\n\r\nc"));
    QCOMPARE(memo.Count(), 4);
    QVERIFY(!memo.toPlainText().contains(QChar(0x2028)));
    QCOMPARE(reports, 0);
  }

  // What an input method commits follows the same rules as pasted text; what
  // it is still composing is left alone.
  void inputMethodTextIsStoredAsTyped() {
    TMemo memo;
    QStringList reports;
    QObject::connect(&memo, &TMemo::LostCharacters, [&](const QString& m) { reports << m; });
    QInputMethodEvent compose(QStringLiteral("e"), {});
    QApplication::sendEvent(&memo, &compose);
    QVERIFY(reports.isEmpty());
    QInputMethodEvent commitE({}, {});
    commitE.setCommitString(QStringLiteral("é→"));
    QApplication::sendEvent(&memo, &commitE);
    QCOMPARE(memo.Text(), std::string("\xc3\xa9\xe2\x86\x92"));
    QVERIFY(reports.isEmpty());
    QInputMethodEvent commitBreak({}, {});
    commitBreak.setCommitString(QString::fromUtf16(u"x\u2028y\0z", 5));
    QApplication::sendEvent(&memo, &commitBreak);
    QCOMPARE(memo.Text(), std::string("\xc3\xa9\xe2\x86\x92x\r\ny"));
    QCOMPARE(memo.toPlainText(), QStringLiteral("é→x\ny"));  // the screen shows what is stored
    QCOMPARE(reports.size(), 1);
  }

  // The pane's own copy (context menu, drag) carries plain text only.
  void copyingGivesPlainTextOnly() {
    TMemo memo;
    memo.SetText("a &lt;\r\nb");
    memo.selectAll();
    std::unique_ptr<QMimeData> data(memo.SelectionAsPlainText());
    QCOMPARE(data->formats(), QStringList{QStringLiteral("text/plain")});
    QCOMPARE(data->text(), QStringLiteral("a &lt;\nb"));
    SKIP_WITHOUT_CLIPBOARD();
    memo.copy();
    QCOMPARE(QApplication::clipboard()->mimeData()->formats(),
             QStringList{QStringLiteral("text/plain")});
  }

  void readOnlyPaneIgnoresPaste() {
    TMemo memo;
    memo.setReadOnly(true);
    memo.SetText("x");
    SKIP_WITHOUT_CLIPBOARD();
    QApplication::clipboard()->setText(QStringLiteral("y"));
    memo.paste();
    QCOMPARE(memo.Text(), std::string("x"));
  }

  void selectionLengthCountsBreaksAsTwo() {
    TMemo memo;
    memo.SetText("ab\r\ncd");
    memo.selectAll();
    QCOMPARE(memo.SelLength(), 6);
  }

  void fontSizeKeepsTheFamily() {
    TMemo memo;
    const QString family = memo.font().family();
    memo.SetFontSize(14);
    QCOMPARE(memo.font().pointSize(), 14);
    QCOMPARE(memo.font().family(), family);
  }

  // A long line is drawn from the characters in view only; the picture must be
  // the one Qt draws from the whole line: glyphs, tab stops, selection, caret.
  void longLinePaintsAsTheWholeLine_data() {
    QTest::addColumn<double>("scrolled");  // share of the horizontal range
    QTest::addColumn<int>("selectFrom");
    QTest::addColumn<int>("selectTo");
    QTest::newRow("start, caret") << 0.0 << 7 << 7;
    QTest::newRow("middle, selection") << 0.5 << 1400 << 1500;
    QTest::newRow("middle, selection from before the view") << 0.5 << 10 << 1450;
    QTest::newRow("end, selection over the line break") << 1.0 << 2900 << 3002;
  }
  void longLinePaintsAsTheWholeLine() {
    QFETCH(double, scrolled);
    QFETCH(int, selectFrom);
    QFETCH(int, selectTo);
    QApplication::setCursorFlashTime(0);  // the caret stays on between the two pictures
    std::string line;
    while (line.size() < 3000)
      line +=
          "l\x92\xe9t\xe9 \xe0 c\xf4t\xe9\t\xab na\xef"
          "f \xbb &lt;WAVE&gt; ...";
    line.resize(3000);
    TMemo memo;
    memo.resize(300, 120);
    memo.SetText(line + "\r\nfin");
    memo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&memo));
    memo.activateWindow();
    memo.setFocus();
    QTextCursor cursor(memo.document());
    cursor.setPosition(selectFrom);
    cursor.setPosition(selectTo, QTextCursor::KeepAnchor);
    memo.setTextCursor(cursor);
    QScrollBar* bar = memo.horizontalScrollBar();
    bar->setValue(static_cast<int>(bar->maximum() * scrolled));
    QVERIFY(bar->maximum() > 10000);

    const int saved = TMemo::LongLineLength();
    TMemo::SetLongLineLength(1 << 30);
    const QImage whole = memo.viewport()->grab().toImage();
    TMemo::SetLongLineLength(100);
    const QImage inView = memo.viewport()->grab().toImage();
    TMemo::SetLongLineLength(saved);
    QApplication::setCursorFlashTime(1000);
    QCOMPARE(inView, whole);
  }
};

QTEST_MAIN(PanesTest)
#include "panes_test.moc"
