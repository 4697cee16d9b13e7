// The text panes: line model on the document, code page at the edges, paste rules.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "common/line_list_contract.h"
#include "convert/conversion_pass.h"
#include "ui/framework/memo.h"

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
    const auto failures =
        quorlin::testing::CheckLineListContract([&]() -> quorlin::LineList& { return memo; }, batched);
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
      std::string line = "ligne \xe9 " + std::to_string(i);
      if (i % 2 == 0) line += std::string(5000, i % 4 == 0 ? '\x85' : 'x');
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
    QCOMPARE(batched.Get(499), std::string("ligne \xe9 499"));
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
    quorlin::ConvertLines(quorlin::MemoryLineList(source.Text()), reference, quorlin::EntityMode::Named);
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

  void everyByteSurvivesTheRoundTrip() {
    std::string all;
    for (int b = 1; b < 256; ++b)
      if (b != '\r' && b != '\n') all.push_back(static_cast<char>(b));
    TMemo memo;
    memo.SetText(all);
    QCOMPARE(memo.Text(), all);
    QCOMPARE(memo.Count(), 1);
  }

  void pasteReplacesUnstorableCharactersAndUnifiesBreaks_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("lost");
    QTest::newRow("latin and euro") << QStringLiteral("été €") << QByteArray("\xe9t\xe9 \x80") << 0;
    QTest::newRow("arrow and emoji") << QStringLiteral("a→b\U0001F600") << QByteArray("a?b?") << 2;
    QTest::newRow("lone LF") << QStringLiteral("a\nb") << QByteArray("a\r\nb") << 0;
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QByteArray("a\r\nb") << 0;
    QTest::newRow("CR LF once") << QStringLiteral("a\r\nb") << QByteArray("a\r\nb") << 0;
    QTest::newRow("LF CR twice") << QStringLiteral("a\n\rb") << QByteArray("a\r\n\r\nb") << 0;
    QTest::newRow("zero ends it") << QString::fromUtf16(u"a\u2192b\0cd") << QByteArray("a?b") << 1;
  }
  void pasteReplacesUnstorableCharactersAndUnifiesBreaks() {
    QFETCH(QString, pasted);
    QFETCH(QByteArray, text);
    QFETCH(int, lost);
    TMemo memo;
    QStringList messages;
    QObject::connect(&memo, &TMemo::LostCharacters, [&](const QString& m) { messages << m; });
    QApplication::clipboard()->setText(pasted);
    memo.paste();
    QCOMPARE(QByteArray::fromStdString(memo.Text()), text);
    const bool cut = pasted.contains(QChar(u'\0'));
    QCOMPARE(messages.size(), lost > 0 || cut ? 1 : 0);
    if (cut) QVERIFY(messages[0].startsWith(QStringLiteral("Le texte contenait un caractère nul")));
    if (lost > 0) QVERIFY(messages[0].section(u'\n', cut ? 1 : 0).startsWith(QString::number(lost) + u' '));
  }

  void typedUnstorableCharacterBecomesQuestionMark() {
    TMemo memo;
    int reports = 0;
    QObject::connect(&memo, &TMemo::LostCharacters, [&] { ++reports; });
    QTest::keyClicks(&memo, QStringLiteral("a"));
    QKeyEvent arrow(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("→"));
    QApplication::sendEvent(&memo, &arrow);
    QCOMPARE(memo.Text(), std::string("a?"));
    QCOMPARE(reports, 1);
    // A character beyond the 16-bit range comes as a pair of halves.
    QKeyEvent emoji(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\U0001F600"));
    QApplication::sendEvent(&memo, &emoji);
    QCOMPARE(memo.Text(), std::string("a??"));
    QCOMPARE(reports, 2);
  }

  // What an input method commits follows the same rules as typed text; what
  // it is still composing is left alone.
  void inputMethodTextIsStoredAsTyped() {
    TMemo memo;
    QStringList reports;
    QObject::connect(&memo, &TMemo::LostCharacters, [&](const QString& m) { reports << m; });
    QInputMethodEvent compose(QStringLiteral("e"), {});
    QApplication::sendEvent(&memo, &compose);
    QVERIFY(reports.isEmpty());
    QInputMethodEvent commitE({}, {});
    commitE.setCommitString(QStringLiteral("é"));
    QApplication::sendEvent(&memo, &commitE);
    QCOMPARE(memo.Text(), std::string("\xe9"));
    QVERIFY(reports.isEmpty());
    QInputMethodEvent commitArrow({}, {});
    commitArrow.setCommitString(QStringLiteral("→"));
    QApplication::sendEvent(&memo, &commitArrow);
    QCOMPARE(memo.Text(), std::string("\xe9?"));
    QCOMPARE(memo.toPlainText(), QStringLiteral("é?"));  // the screen shows what is stored
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
    memo.copy();
    QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});
  }

  void readOnlyPaneIgnoresPaste() {
    TMemo memo;
    memo.setReadOnly(true);
    memo.SetText("x");
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
    while (line.size() < 3000) line += "l\x92\xe9t\xe9 \xe0 c\xf4t\xe9\t\xab na\xef" "f \xbb &lt;WAVE&gt; ...";
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
