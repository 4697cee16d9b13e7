// The window as a desktop program: files and text dropped on the window.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include "common/platform_support.h"
#include "common/window_parts.h"
#include "ui/framework/file_dialogs.h"
#include "ui/framework/memo.h"
#include "ui/tfmain.h"

namespace {

// Drops `data` at the middle of `widget` as the desktop does: Qt gives the
// drag to the widget there or the nearest parent that takes drops, and the
// drop only if that one accepted the drag. True when the drop was taken.
bool DropOn(QWidget* widget, QMimeData* data) {
  QWidget* target = widget;
  while (!target->isWindow() && !target->acceptDrops()) target = target->parentWidget();
  if (!target->acceptDrops()) return false;
  const QPointF at = widget->mapTo(target, QPointF(widget->width() / 2, widget->height() / 2));
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, enter.dropAction(), data, Qt::LeftButton, {});
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { dialogs::SetAnswers({}); }

  // A file dropped on either pane, a toolbar, the check box or the size box
  // opens as Ouvrir opens it (its encoding read from its bytes); text dropped
  // there goes into the source pane as a paste (with the paste's rules: every
  // character kept, U+2028 a break, a zero the end), at the caret, or where it
  // is dropped on the source pane itself.
  void droppedFilesOpenAndTextPastes_data() {
    QTest::addColumn<QString>("target");
    for (const char* target :
         {"MemoText", "MemoCode", "ToolBar1", "ToolBar2", "CheckNum", "LMDFontSizeComboBox1"})
      QTest::newRow(target) << QString::fromLatin1(target);
  }
  void droppedFilesOpenAndTextPastes() {
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("déposé.txt"));
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("d\xc3\xa9pos\xc3\xa9 \xe2\x86\x92\nligne");  // UTF-8
    }
    QStringList notices;
    dialogs::SetAnswers({.notice = [&](const QString& m) { notices << m; }});
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget* on = w.findChild<QWidget*>(target);
    QVERIFY(on);
    if (auto* pane = qobject_cast<TMemo*>(on)) on = pane->viewport();
    if (auto* box = qobject_cast<QComboBox*>(on)) on = box->lineEdit();

    auto files = new QMimeData;
    files->setUrls(
        {QUrl::fromLocalFile(file), QUrl::fromLocalFile(dir.filePath(QStringLiteral("b")))});
    QVERIFY(DropOn(on, files));
    QTRY_COMPARE(QByteArray::fromStdString(p.MemoText->Text()),
                 QByteArray("d\xc3\xa9pos\xc3\xa9 \xe2\x86\x92\r\nligne"));
    QTRY_COMPARE(notices.size(), 1);  // only the first of two files opens
    QVERIFY(notices[0].contains(QStringLiteral("déposé.txt")));
    delete files;

    if (target == QLatin1String("LMDFontSizeComboBox1")) return;  // it takes text itself
    p.MemoText->moveCursor(QTextCursor::End);
    auto text = new QMimeData;
    const char16_t dropped[] = u" → fin\u2028suite\0perdu";
    text->setText(QString::fromUtf16(dropped, std::size(dropped) - 1));
    QVERIFY(DropOn(on, text));
    QTRY_VERIFY(
        QByteArray::fromStdString(p.MemoText->Text()).contains(" \xe2\x86\x92 fin\r\nsuite"));
    QCOMPARE(p.MemoText->Count(), 3);
    QVERIFY(!QByteArray::fromStdString(p.MemoText->Text()).contains("perdu"));
    QTRY_COMPARE(notices.size(), 2);  // the zero character, told as for a paste
    QVERIFY(notices[1].contains(QStringLiteral("caractère nul")));
    delete text;
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
