// The window as a desktop program: what screen readers are told, copying a
// selection made from the keyboard, files and text dropped on the window,
// its place on the screen.
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
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

namespace {

QString Name(QObject* object, QAccessible::Text text = QAccessible::Name) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
  return a ? a->text(text) : QStringLiteral("<none>");
}

// Every accessible object under `root`, as a screen reader walks them.
void Walk(QAccessibleInterface* root, QList<QAccessibleInterface*>& all) {
  if (!root) return;
  all << root;
  for (int i = 0; i < root->childCount(); ++i) Walk(root->child(i), all);
}

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

  // Each control carries a French name; the size box's name says what it
  // sets and its value is the size; no control is called "Exit" or "Vide".
  void screenReadersHearFrenchNames_data() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("name");
    const std::pair<const char*, const char*> rows[] = {
        {"MemoText", "Texte source"},
        {"MemoCode", "Code HTML"},
        {"ToolBar2", "Barre d'outils du texte source"},
        {"ToolBar1", "Barre d'outils du code HTML"},
        {"MainMenu1", "Barre de menus"},
        {"CheckNum", "Codage numérique"},
        {"LMDFontSizeComboBox1", "Taille de la police"},
        {"ToolButton5", "Ouvrir"},
        {"ToolButton6", "Nouveau"},
        {"ToolButton8", "Coller"},
        {"ToolButton11", "Quitter"},
        {"ToolButton1", "Coder"},
        {"ToolButton3", "Copier"},
        {"ToolButton13", "Enregistrer"},
    };
    for (const auto& [object, name] : rows)
      QTest::newRow(object) << QString::fromLatin1(object) << QString::fromUtf8(name);
  }
  void screenReadersHearFrenchNames() {
    QFETCH(QString, object);
    QFETCH(QString, name);
    TFMain w;
    QObject* found = w.findChild<QObject*>(object);
    QVERIFY(found);
    QCOMPARE(Name(found), name);
    if (object == QLatin1String("LMDFontSizeComboBox1"))
      QCOMPARE(Name(found, QAccessible::Value), QStringLiteral("8"));
  }
  void noControlIsNamedInEnglish() {
    TFMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QList<QAccessibleInterface*> all;
    Walk(QAccessible::queryAccessibleInterface(&w), all);
    QVERIFY(all.size() > 30);
    for (QAccessibleInterface* a : all) {
      const QString name = a->text(QAccessible::Name);
      if (name == QLatin1String("Exit") || name == QLatin1String("Vide"))
        QFAIL(qPrintable(name + QStringLiteral(": ") +
                         (a->object() ? a->object()->objectName() : QString())));
    }
  }

  // A selection made with the keyboard in the output pane turns Copier on as a
  // mouse selection does, and Ctrl+C copies it; moving the caret without
  // Shift leaves nothing selected and turns it off.
  void keyboardSelectionInTheOutputCopies() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(MakeActive(&w));
    p.MemoText->SetText("a < b\r\nc");
    p.Coder->trigger();
    p.MemoCode->setFocus();
    QTRY_VERIFY(p.MemoCode->hasFocus());
    QTest::keyClick(p.MemoCode, Qt::Key_Home, Qt::ControlModifier);
    QTRY_VERIFY(!p.Copier->isEnabled());
    QTest::keyClick(p.MemoCode, Qt::Key_End, Qt::ShiftModifier);
    QTRY_VERIFY(p.Copier->isEnabled());
    if (HasClipboard()) {
      QApplication::clipboard()->clear();
      QTest::keyClick(p.MemoCode, Qt::Key_C, Qt::ControlModifier);
      QTRY_COMPARE(QApplication::clipboard()->text(), QStringLiteral("a &lt; b"));
    }
    QTest::keyClick(p.MemoCode, Qt::Key_Right);
    QTRY_VERIFY(!p.Copier->isEnabled());
    QTest::keyClick(p.MemoCode, Qt::Key_Down, Qt::ShiftModifier);
    QTRY_VERIFY(p.Copier->isEnabled());
  }

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

  // The window opens at its stored place where that fits on the screen, and
  // wholly inside the screen's available area in any case. (Under Wayland the
  // compositor places windows: only the size is the program's.)
  void windowOpensInsideTheAvailableArea() {
    TFMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect area = w.screen()->availableGeometry();
    const QRect stored(QPoint(237, 154), w.frameGeometry().size());
    auto inside = [&] {
      const QRect frame = w.frameGeometry();
      return OnWayland() ? frame.width() <= area.width() && frame.height() <= area.height()
                         : area.contains(frame);
    };
    QTRY_VERIFY(inside());
    if (area.contains(stored) && !OnWayland())
      QCOMPARE(w.frameGeometry().topLeft(), stored.topLeft());
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
