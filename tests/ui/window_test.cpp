// The main window: layout, actions shared by menu and toolbar, accelerators, conversion.
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "common/platform_support.h"
#include "common/window_parts.h"
#include "ui/framework/controls/checkbox.h"
#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/controls/menu_accelerators.h"
#include "ui/framework/controls/splitter.h"
#include "ui/framework/desktop/platform.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

namespace {

QAction* MenuItem(TFMain& w, const QString& menu, const QString& caption) {
  for (QAction* top : w.menuBar()->actions()) {
    if (QString(top->text()).remove(u'&') != menu) continue;
    for (QAction* a : top->menu()->actions())
      if (QString(a->text()).remove(u'&') == caption) return a;
  }
  return nullptr;
}

const char kSample[] = "L'\xe9t\xe9 \"chaud\" & <doux>...\r\n\x80 \xff\r\n\r\nfin";

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }  // Exit closes one
  void cleanup() {
    dialogs::SetAnswers({});
    platform::SetOpener(nullptr);
    platform::SetReportBox(nullptr);
  }

  void layoutMatchesTheStoredForm() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.objectName(), QStringLiteral("FMain"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Quorlin"));
    QCOMPARE(w.centralWidget()->size(), QSize(688, 422));
    QCOMPARE(p.Panel1->width(), 313);
    QCOMPARE(p.Splitter1->geometry().left(), 313);
    QCOMPARE(p.Splitter1->width(), 3);
    QCOMPARE(p.Panel2->geometry().left(), 316);
    QCOMPARE(p.Panel2->width(), 372);
    QCOMPARE(p.ToolBar1->height(), 29);
    QCOMPARE(p.ToolBar2->height(), 29);
    QCOMPARE(p.MemoText->height(), 393);
    QVERIFY(p.MemoCode->isReadOnly());
    QVERIFY(!p.MemoText->isReadOnly());
    QCOMPARE(p.CheckNum->text(), QStringLiteral("Codage numérique"));
    QVERIFY(!p.CheckNum->isChecked());
    QCOMPARE(p.CheckNum->mapTo(p.ToolBar2, QPoint(0, 0)), QPoint(153, 0));
    QCOMPARE(p.LMDFontSizeComboBox1->mapTo(p.ToolBar1, QPoint(0, 0)), QPoint(105, 2));
    QCOMPARE(p.LMDFontSizeComboBox1->size(), QSize(51, 21));
    QCOMPARE(p.CheckNum->size(), QSize(128, 28));
  }

  // The box and its caption are drawn centred in the check box's area, and a
  // click anywhere in that area ticks it.
  void checkBoxDrawsCentredAndTicksFromItsWholeArea() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage image = p.CheckNum->grab().toImage();
    const QRgb background = image.pixel(0, 0);
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) != background) {
          if (first < 0) first = x;
          last = x;
        }
    QVERIFY(first > 0);
    const int leftMargin = first;
    const int rightMargin = image.width() - 1 - last;
    QVERIFY2(qAbs(leftMargin - rightMargin) <= 3,
             qPrintable(QStringLiteral("margins %1 and %2").arg(leftMargin).arg(rightMargin)));
    QTest::mouseClick(p.CheckNum, Qt::LeftButton, {}, QPoint(2, 14));
    QVERIFY(p.CheckNum->isChecked());
    QTest::mouseClick(p.CheckNum, Qt::LeftButton, {}, QPoint(125, 14));
    QVERIFY(!p.CheckNum->isChecked());
  }

  void toolbarButtonsRunTheActionsWithTheirHints_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("left");
    // clang-format off
    QTest::newRow("open") << "ToolButton5" << "Open" << "Ouvrir un fichier" << 8;
    QTest::newRow("reset") << "ToolButton6" << "Reset" << "Nouveau projet" << 35;
    QTest::newRow("paste") << "ToolButton8" << "Coller" << "Coller depuis presse papier" << 70;
    QTest::newRow("exit") << "ToolButton11" << "Exit" << "Fermer Quorlin" << 105;
    QTest::newRow("coder") << "ToolButton1" << "Coder" << "Tranposer le texte" << 8;
    QTest::newRow("copy") << "ToolButton3" << "Copier" << "Copier le texte transposé" << 35;
    QTest::newRow("save") << "ToolButton13" << "Save" << "Enregistrer le texte transposé" << 70;
    // clang-format on
  }
  void toolbarButtonsRunTheActionsWithTheirHints() {
    QFETCH(QString, button);
    QFETCH(QString, action);
    QFETCH(QString, hint);
    QFETCH(int, left);
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* b = w.findChild<QToolButton*>(button);
    QVERIFY(b);
    QCOMPARE(b->defaultAction()->objectName(), action);
    QCOMPARE(b->toolTip(), hint);
    QCOMPARE(b->width(), 27);
    QCOMPARE(b->x(), left);
    QVERIFY(!b->icon().isNull());
  }

  // Each item is its command's action itself, shared with the toolbar button,
  // showing the item's own caption where the layout gives it one.
  void menusShowCaptionsShortcutsAndShareEnabledState() {
    TFMain w;
    const WindowParts p(w);
    struct Row {
      const char* menu;
      const char* caption;
      QAction* action;
      const char* key;
    };
    const Row rows[] = {
        {"Fichier", "Ouvrir", p.Open, ""},
        {"Fichier", "Enregistrer", p.Save, ""},
        {"Fichier", "Quitter", p.Exit, ""},
        {"Edition", "Sélectionner tout", p.SelectAll, "Ctrl+A"},
        {"Edition", "Nouveau", p.Reset, ""},
        {"Edition", "Copier", p.Copier, "Ctrl+C"},
        {"Edition", "Coller", p.Coller, "Ctrl+V"},
        {"Action", "Coder", p.Coder, "Ctrl+D"},
        {"Aide", "Rubriques d'aide", p.Aide, ""},
        {"Aide", "A propos...", p.Propos, ""},
    };
    for (const Row& r : rows) {
      QAction* item = MenuItem(w, QString::fromUtf8(r.menu), QString::fromUtf8(r.caption));
      QVERIFY2(item == r.action, r.caption);
      QCOMPARE(item->shortcut().toString(QKeySequence::PortableText), QString::fromLatin1(r.key));
    }
    // The stored captions the screen never shows stay the actions' own.
    QCOMPARE(p.Exit->iconText(), QStringLiteral("Exit"));
    QCOMPARE(p.SelectAll->iconText(), QStringLiteral("SelectAll"));
    QCOMPARE(p.Reset->iconText(), QStringLiteral("Vide"));
    // Greying an action greys its item and its button alike.
    auto* button = w.findChild<QToolButton*>(QStringLiteral("ToolButton13"));
    p.Save->setEnabled(false);
    QVERIFY(!MenuItem(w, QStringLiteral("Fichier"), QStringLiteral("Enregistrer"))->isEnabled());
    QVERIFY(!button->isEnabled());
    p.Save->setEnabled(true);
    QVERIFY(button->isEnabled());
  }

  // Each menu, the bar included, marks one character of its own per item,
  // earlier characters first; a literal '&' stays a character.
  void acceleratorsAreDistinctWithinEachMenu() {
    QCOMPARE(
        accelerators::Assign(
            {QStringLiteral("Coller"), QStringLiteral("Copier"), QStringLiteral("CO")}),
        QStringList({QStringLiteral("&Coller"), QStringLiteral("C&opier"), QStringLiteral("CO")}));
    QCOMPARE(accelerators::Assign(
                 {QStringLiteral("é 2"), QStringLiteral("A propos..."), QStringLiteral("Q&R")}),
             QStringList({QStringLiteral("é &2"), QStringLiteral("&A propos..."),
                          QStringLiteral("&Q&&R")}));
    TFMain w;
    QStringList menus;
    for (QAction* top : w.menuBar()->actions()) {
      QStringList items;
      for (QAction* a : top->menu()->actions()) items << a->text();
      menus << top->text() + u':' + items.join(u'|');
    }
    QCOMPARE(menus, QStringList({
                        QStringLiteral("&Fichier:&Ouvrir|&Enregistrer|&Quitter"),
                        QStringLiteral("&Edition:&Sélectionner tout|&Nouveau|&Copier|C&oller"),
                        QStringLiteral("&Action:&Coder"),
                        QStringLiteral("A&ide:&Rubriques d'aide|&A propos..."),
                    }));
  }

  // Every menu item, and each shortcut from each control that takes the
  // keyboard, runs its own action and no other.
  void eachItemAndKeyRunsItsOwnAction_data() {
    QTest::addColumn<QString>("control");  // "menu", or the control that has the focus
    QTest::addColumn<QString>("item");     // the menu and caption, or the key with Ctrl
    QTest::addColumn<QString>("action");
    const char* items[][2] = {
        {"Fichier/Ouvrir", "Open"},        {"Fichier/Enregistrer", "Save"},
        {"Fichier/Quitter", "Exit"},       {"Edition/Sélectionner tout", "SelectAll"},
        {"Edition/Nouveau", "Reset"},      {"Edition/Copier", "Copier"},
        {"Edition/Coller", "Coller"},      {"Action/Coder", "Coder"},
        {"Aide/Rubriques d'aide", "Aide"}, {"Aide/A propos...", "Propos"}};
    for (const auto& r : items)
      QTest::addRow("menu %s", r[0])
          << QStringLiteral("menu") << QString::fromUtf8(r[0]) << QString::fromLatin1(r[1]);
    const char* keys[][2] = {{"A", "SelectAll"}, {"C", "Copier"}, {"V", "Coller"}, {"D", "Coder"}};
    for (const char* control : {"MemoText", "CheckNum", "MemoCode", "LMDFontSizeComboBox1"})
      for (const auto& k : keys)
        QTest::addRow("Ctrl+%s in %s", k[0], control)
            << QString::fromLatin1(control) << QString::fromLatin1(k[0])
            << QString::fromLatin1(k[1]);
  }
  void eachItemAndKeyRunsItsOwnAction() {
    QFETCH(QString, control);
    QFETCH(QString, item);
    QFETCH(QString, action);
    TFMain w;
    const WindowParts p(w);
    // Every command made harmless: the dialogs cancelled, the help reported
    // missing, the About box closed as soon as it is up.
    dialogs::SetAnswers(
        {.openFile = [] { return QString(); }, .saveFile = [] { return QString(); }});
    platform::SetOpener([](const QUrl&) { return true; });
    platform::SetReportBox([](const QString&) {});
    auto* closer = new QTimer(&w);
    connect(closer, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
    });
    closer->start(10);
    w.show();
    QVERIFY(MakeActive(&w));
    QMap<QString, int> ran;
    for (QAction* a : w.findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
      a->setEnabled(true);
      connect(a, &QAction::triggered, &w, [&ran, a] { ++ran[a->objectName()]; });
    }
    if (control == u"menu") {
      const QStringList path = item.split(u'/');
      MenuItem(w, path[0], path[1])->trigger();
    } else {
      QWidget* target = Named<QWidget>(w, qPrintable(control));
      target->setFocus();
      QTRY_VERIFY(target->hasFocus());
      QTest::keyClick(QApplication::focusWidget(),
                      Qt::Key(Qt::Key_A + (item.at(0).unicode() - u'A')), Qt::ControlModifier);
    }
    QCOMPARE(ran, (QMap<QString, int>{{action, 1}}));
    // Select all takes the focus to the output pane, from wherever it was.
    if (action == u"SelectAll") QCOMPARE(QApplication::focusWidget(), p.MemoCode);
  }

  void coderByKeyButtonAndMenuMatchesTheCommandLine_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("numeric");
    for (const char* way : {"key", "button", "menu"}) {
      QTest::newRow((QByteArray(way) + " named").constData()) << QString::fromLatin1(way) << false;
      QTest::newRow((QByteArray(way) + " numeric").constData()) << QString::fromLatin1(way) << true;
    }
  }
  void coderByKeyButtonAndMenuMatchesTheCommandLine() {
    QFETCH(QString, way);
    QFETCH(bool, numeric);
    const QByteArray cli = qgetenv("QUORLIN_CLI");
    if (cli.isEmpty()) QSKIP("QUORLIN_CLI not set");
    QTemporaryDir dir;
    QFile in(dir.filePath(QStringLiteral("in.txt")));
    QVERIFY(in.open(QIODevice::WriteOnly));
    in.write(kSample, sizeof kSample - 1);
    in.close();
    QProcess process;
    QStringList args;
    if (numeric) args << QStringLiteral("--numeric");
    args << in.fileName();
    process.start(QString::fromLocal8Bit(cli), args);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray expected = process.readAllStandardOutput();

    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    p.MemoText->SetText(std::string(kSample, sizeof kSample - 1));
    p.CheckNum->setChecked(numeric);
    p.Save->setEnabled(false);
    p.SelectAll->setEnabled(false);
    p.MemoText->setFocus();
    if (way == u"key") {
      QTest::keyClick(p.MemoText, Qt::Key_D, Qt::ControlModifier);
    } else if (way == u"button") {
      QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("ToolButton1")), Qt::LeftButton);
    } else {
      MenuItem(w, QStringLiteral("Action"), QStringLiteral("Coder"))->trigger();
    }
    QCOMPARE(QByteArray::fromStdString(p.MemoCode->Text()), expected);
    QVERIFY(p.Save->isEnabled());
    QVERIFY(p.SelectAll->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void codingAnEmptySourceDisablesSaveAndSelectAll() {
    TFMain w;
    const WindowParts p(w);
    p.MemoCode->SetText("ancien");
    w.CoderExecute();
    QCOMPARE(p.MemoCode->Text(), std::string());
    QVERIFY(!p.Save->isEnabled());
    QVERIFY(!p.SelectAll->isEnabled());
  }

  // The focus starts in the source pane; Tab goes round the four controls,
  // never through the toolbar buttons.
  void focusStartsInTheSourceAndTabGoesRound() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(MakeActive(&w));
    QTRY_COMPARE(QApplication::focusWidget(), p.MemoText);
    const QList<QWidget*> order = {p.CheckNum, p.MemoCode, p.LMDFontSizeComboBox1, p.MemoText};
    for (QWidget* next : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focus = QApplication::focusWidget();
      QVERIFY2(focus == next || focus->parentWidget() == next, qPrintable(focus->objectName()));
    }
  }

  // The output pane is read-only, but Shift with the arrows selects in it (and
  // Copier follows, as for a mouse selection: see desktop_test).
  void outputPaneSelectsFromTheKeyboard() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(MakeActive(&w));
    p.MemoText->SetText("a < b");
    w.CoderExecute();
    p.MemoCode->setFocus();
    QTRY_VERIFY(p.MemoCode->hasFocus());
    QTest::keyClick(p.MemoCode, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(p.MemoCode, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(p.MemoCode, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(p.MemoCode->textCursor().selectedText(), QStringLiteral("a &lt; b"));
    QTRY_VERIFY(p.Copier->isEnabled());
    QTest::keyClicks(p.MemoCode, QStringLiteral("xyz"));
    QCOMPARE(p.MemoCode->Text(), std::string("a &lt; b\r\n"));
  }

  void splitterBounds_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("width");
    QTest::newRow("inside") << 200 << 200;
    QTest::newRow("just above the bound") << 31 << 31;
    QTest::newRow("at the bound closes") << 30 << 0;
    QTest::newRow("left of the window closes") << -10 << 0;
    QTest::newRow("keeps 30 for the right") << 1000 << 688 - 3 - 30;
  }
  void splitterBounds() {
    QFETCH(int, x);
    QFETCH(int, width);
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(p.Splitter1->WidthFor(x), width);
  }

  void splitterDragAppliesOnReleaseAndEscapeCancels() {
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // A click without a move leaves the width, wherever in the bar it lands.
    QTest::mouseClick(p.Splitter1, Qt::LeftButton, {}, QPoint(2, 100));
    QCOMPARE(p.Panel1->width(), 313);
    // Taken one pixel into the bar and moved 101 pixels left: the bar's left
    // edge goes to 212.
    QTest::mousePress(p.Splitter1, Qt::LeftButton, {}, QPoint(1, 100));
    QTest::mouseMove(p.Splitter1, QPoint(-100, 100));
    QCOMPARE(p.Panel1->width(), 313);
    // The hatched line shows where the bar would go, over the whole bar's height.
    const QWidget* line = p.Splitter1->DragLine();
    QVERIFY(line && line->isVisible());
    QCOMPARE(line->geometry(), QRect(212, p.Splitter1->y(), 3, p.Splitter1->height()));
    QTest::mouseMove(p.Splitter1, QPoint(-300, 100));  // would close the left half
    QCOMPARE(line->x(), 0);
    QTest::mouseMove(p.Splitter1, QPoint(-100, 100));
    QTest::mouseRelease(p.Splitter1, Qt::LeftButton, {}, QPoint(-100, 100));
    QVERIFY(!line->isVisible());
    QTRY_COMPARE(p.Panel1->width(), 212);
    w.resize(900, w.height());
    QTRY_COMPARE(p.Panel1->width(), 212);

    QTest::mousePress(p.Splitter1, Qt::LeftButton, {}, QPoint(1, 100));
    QTest::mouseMove(p.Splitter1, QPoint(100, 100));
    QVERIFY(line->isVisible());
    QTest::keyClick(p.Splitter1, Qt::Key_Escape);
    QVERIFY(!line->isVisible());
    QTest::mouseRelease(p.Splitter1, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(p.Panel1->width(), 212);
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
