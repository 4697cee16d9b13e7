// The size drop-down: its list, the value rules, typing, the change event and leaving the field.
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "common/platform_support.h"
#include "convert/exceptions.h"
#include "ui/framework/controls/fontsizecombobox.h"

namespace {
// Exceptions thrown from an event handler reach notify(); the window program's
// application shows them in the error box, this one records them.
class RecordingApp : public QApplication {
 public:
  using QApplication::QApplication;
  QStringList errors;
  bool notify(QObject* o, QEvent* e) override {
    try {
      return QApplication::notify(o, e);
    } catch (const quorlin::Exception& ex) {
      errors << QString::fromStdString(ex.Message());
      return true;
    }
  }
};
RecordingApp* App() { return static_cast<RecordingApp*>(qApp); }
}  // namespace

class FontSizeTest : public QObject {
  Q_OBJECT

 private slots:
  void listHoldsTheSizesOfTheResolvedFace() {
    TLMDFontSizeComboBox box;
    QStringList items;
    for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
    const QString family = QFontInfo(QFont(QStringLiteral("MS Sans Serif"))).family();
    if (QFontDatabase::isScalable(family)) {
      QCOMPARE(
          items,
          QString(QStringLiteral("8 9 10 11 12 14 16 18 20 22 24 26 28 36 48 72")).split(u' '));
    } else {
      QVERIFY(!items.isEmpty());
      for (int i = 1; i < items.size(); ++i) QVERIFY(items[i - 1].toInt() < items[i].toInt());
    }
    box.SetFontName(QString());
    QCOMPARE(box.count(), 0);
  }

  void setSelectedChecksTheValue_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");  // -1: no list entry selected
    QTest::newRow("listed") << 12 << "12" << 4;
    QTest::newRow("lowest") << 1 << "1" << -1;
    QTest::newRow("highest") << 999 << "999" << -1;
    QTest::newRow("zero") << 0 << "10" << 2;
    QTest::newRow("minus one") << -1 << "10" << 2;
    QTest::newRow("thousand") << 1000 << "10" << 2;
    QTest::newRow("unlisted") << 13 << "13" << -1;
  }
  void setSelectedChecksTheValue() {
    QFETCH(int, size);
    QFETCH(QString, text);
    QFETCH(int, index);
    TLMDFontSizeComboBox box;
    if (box.count() != 16) QSKIP("the resolved face is not scalable here");
    box.SetSelected(72);
    QSignalSpy changed(&box, &TLMDFontSizeComboBox::Changed);
    box.SetSelected(size);
    QCOMPARE(box.currentText(), text);
    QCOMPARE(box.currentIndex(), index);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.GetSelected(), text.toInt());
  }

  void setSelectedWithoutFaceEmptiesTheField() {
    TLMDFontSizeComboBox box;
    box.SetSelected(12);
    box.SetFontName(QString());
    QSignalSpy changed(&box, &TLMDFontSizeComboBox::Changed);
    box.SetSelected(14);
    QCOMPARE(box.currentText(), QString());
    QCOMPARE(changed.count(), 0);
  }

  void getSelectedReadsAWholeNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("plain") << "14" << 14;
    QTest::newRow("plus") << "+14" << 14;
    QTest::newRow("minus") << "-5" << -5;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("big, unchecked") << "5000" << 5000;
    QTest::newRow("lone sign") << "-" << -1;
    QTest::newRow("sign inside") << "1-2" << -1;
    QTest::newRow("two signs") << "+-3" << -1;
    QTest::newRow("overflow") << "99999999999" << -1;
    QTest::newRow("int min") << "-2147483648" << -2147483647 - 1;
    QTest::newRow("space") << " 12" << -1;
  }
  void getSelectedReadsAWholeNumber() {
    QFETCH(QString, text);
    QFETCH(int, value);
    TLMDFontSizeComboBox box;
    box.setEditText(text);
    QCOMPARE(box.GetSelected(), value);
  }

  void typingAcceptsOnlySignsDigitsAndControls() {
    TLMDFontSizeComboBox box;
    box.show();
    box.setFocus();
    QVERIFY(MakeActive(&box));
    box.setEditText(QString());
    QSignalSpy changed(&box, &TLMDFontSizeComboBox::Changed);
    QTest::keyClicks(&box, QStringLiteral("1a2 .x-+"));
    QCOMPARE(box.currentText(), QStringLiteral("12-+"));
    QCOMPARE(changed.count(), 4);  // one per accepted character
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.currentText(), QStringLiteral("12-"));
    QCOMPARE(changed.count(), 5);
    const int items = box.count();
    QTest::keyClick(&box, Qt::Key_Return);  // dropped: nothing added, nothing fired
    QCOMPARE(box.count(), items);
    QCOMPARE(changed.count(), 5);
    // X11 gives Delete the text U+007F: it still deletes, without a beep.
    box.setEditText(QStringLiteral("123"));
    box.lineEdit()->setCursorPosition(0);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7f)));
    QApplication::sendEvent(&box, &del);
    QCOMPARE(box.currentText(), QStringLiteral("23"));
    QVERIFY(!box.IsValidChar(u'é'));
    QVERIFY(box.IsValidChar(QChar(8)));
    box.SetFontName(QString());
    QVERIFY(!box.IsValidChar(u'5'));
  }

  void pickingFromTheListFiresOnce() {
    TLMDFontSizeComboBox box;
    QSignalSpy changed(&box, &TLMDFontSizeComboBox::Changed);
    emit box.activated(3);  // what a pick in the list view emits
    QCOMPARE(changed.count(), 1);
  }

  void leavingBringsTheValueBack_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("error");
    // clang-format off
    QTest::newRow("in range") << "14" << "14" << "";
    QTest::newRow("signed") << "+20" << "20" << "";
    QTest::newRow("empty") << "" << "10" << "";
    QTest::newRow("zero") << "0" << "10" << "";
    QTest::newRow("too big") << "1000" << "10" << "";
    QTest::newRow("negative") << "-3" << "10" << "";
    QTest::newRow("lone sign") << "-" << "-" << "'-' is not a valid integer value";
    QTest::newRow("sign between") << "1+2" << "1+2" << "'1+2' is not a valid integer value";
    // clang-format on
  }
  void leavingBringsTheValueBack() {
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, error);
    QWidget window;
    auto* box = new TLMDFontSizeComboBox(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 40);
    window.show();
    QVERIFY(MakeActive(&window));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->setEditText(typed);
    QSignalSpy changed(box, &TLMDFontSizeComboBox::Changed);
    App()->errors.clear();
    other->setFocus(Qt::TabFocusReason);  // the focus moves to another control
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(box->currentText(), after);
    QCOMPARE(App()->errors, error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(changed.count(), error.isEmpty() ? 1 : 0);
  }

  // Alt giving the focus to the menu bar is no move to another control.
  void menuBarTakingTheFocusLeavesTheText() {
    QWidget window;
    auto* box = new TLMDFontSizeComboBox(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 40);
    window.show();
    QVERIFY(MakeActive(&window));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->setEditText(QStringLiteral("-"));
    App()->errors.clear();
    other->setFocus(Qt::MenuBarFocusReason);
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(box->currentText(), QStringLiteral("-"));
    QVERIFY(App()->errors.isEmpty());
  }
};

int main(int argc, char** argv) {
  RecordingApp app(argc, argv);
  FontSizeTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "fontsize_test.moc"
