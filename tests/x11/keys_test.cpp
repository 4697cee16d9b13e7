// Shortcut keys from every control of a window: Ctrl+A/C/V/D reach their
// action first, a disabled action swallows its key, other keys reach the
// control, dialogs keep their keys. Run offscreen and on a real X server; on
// X11 the keys are also sent through the server with xdotool.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>

#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/controls/shortcuts.h"

namespace {

// Records the key presses that reach the window, before its shortcut router
// sees them: proof that a key was delivered even when nothing came of it.
class KeySeen : public QObject {
 public:
  explicit KeySeen(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~KeySeen() override { qApp->removeEventFilter(this); }
  QSet<int> keys;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_)
      keys.insert(static_cast<QKeyEvent*>(event)->key());
    return false;
  }

 private:
  QWidget* window_;
};

struct Window {
  QMainWindow main;
  QPlainTextEdit* source;
  QPlainTextEdit* output;
  QCheckBox* check;
  TLMDFontSizeComboBox* size;
  QAction* selectAll;
  QAction* copier;
  QAction* coller;
  QAction* coder;
  QMap<QString, int> fired;
  TShortcutRouter* router;
  std::unique_ptr<KeySeen> seen;  // made after the router, so it sees keys first

  Window() {
    auto* central = new QWidget(&main);
    auto* row = new QHBoxLayout(central);
    source = new QPlainTextEdit(central);
    output = new QPlainTextEdit(central);
    output->setReadOnly(true);
    check = new QCheckBox(QStringLiteral("Codage numérique"), central);
    size = new TLMDFontSizeComboBox(central);
    row->addWidget(source);
    row->addWidget(output);
    row->addWidget(check);
    row->addWidget(size);
    main.setCentralWidget(central);
    auto make = [this](const char* name, const char* key) {
      auto* a = new QAction(QString::fromLatin1(name), &main);
      a->setShortcut(QKeySequence(QString::fromLatin1(key)));
      main.addAction(a);
      QObject::connect(a, &QAction::triggered, &main, [this, a] { ++fired[a->text()]; });
      return a;
    };
    selectAll = make("SelectAll", "Ctrl+A");
    copier = make("Copier", "Ctrl+C");
    coller = make("Coller", "Ctrl+V");
    coder = make("Coder", "Ctrl+D");
    router = new TShortcutRouter(&main, {selectAll, copier, coller, coder}, &main);
    seen = std::make_unique<KeySeen>(&main);
    main.resize(600, 200);
  }
  QWidget* Control(const QString& name) {
    if (name == u"source") return source;
    if (name == u"output") return output;
    if (name == u"check") return check;
    return size;
  }
};

bool OnX11() { return QGuiApplication::platformName() == u"xcb"; }

// Ctrl and the key, through the X server when there is one, else straight to
// the widget; returns once the window has the key press.
void Press(Window& window, QWidget* w, Qt::Key key, bool viaServer) {
  window.seen->keys.remove(key);
  if (viaServer) {
    const QString chord = QStringLiteral("ctrl+") + QChar(u'a' + (key - Qt::Key_A));
    const int status = QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), chord});
    QVERIFY2(status == 0,
             qPrintable(QStringLiteral("xdotool key %1 ended with %2").arg(chord).arg(status)));
  } else {
    QTest::keyClick(w, key, Qt::ControlModifier);
  }
  QTRY_VERIFY2(window.seen->keys.contains(key),
               qPrintable(QStringLiteral("awaited: the window receiving Ctrl+%1")
                              .arg(QChar(u'A' + (key - Qt::Key_A)))));
}
}  // namespace

class KeysTest : public QObject {
  Q_OBJECT

  void paths() {
    QTest::addColumn<bool>("viaServer");
    QTest::newRow("qtest") << false;
    if (OnX11() && !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
      QTest::newRow("xserver") << true;
  }

 private slots:
  void routing_data() {
    QTest::addColumn<bool>("viaServer");
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("enabled");
    const bool server =
        OnX11() && !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
    for (bool via : {false, true}) {
      if (via && !server) continue;
      for (const char* c : {"source", "output", "check", "size"})
        for (bool en : {true, false})
          QTest::addRow("%s %s %s", via ? "xserver" : "qtest", c, en ? "enabled" : "disabled")
              << via << QString::fromLatin1(c) << en;
    }
  }
  void routing() {
    QFETCH(bool, viaServer);
    QFETCH(QString, control);
    QFETCH(bool, enabled);
    Window w;
    w.source->setPlainText(QStringLiteral("alpha beta"));
    QTextCursor c = w.source->textCursor();
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);  // "alpha" selected
    w.source->setTextCursor(c);
    w.output->setPlainText(QStringLiteral("sortie"));
    w.size->SetSelected(12);
    for (QAction* a : {w.selectAll, w.copier, w.coller, w.coder}) a->setEnabled(enabled);
    w.main.show();
    w.main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.main));
    QWidget* target = w.Control(control);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    const bool checked = w.check->isChecked();

    for (Qt::Key key : {Qt::Key_A, Qt::Key_C, Qt::Key_V, Qt::Key_D}) {
      Press(w, target, key, viaServer);
      if (QTest::currentTestFailed()) return;
    }

    const int want = enabled ? 1 : 0;
    QTRY_COMPARE(w.fired.value(QStringLiteral("SelectAll")), want);
    QCOMPARE(w.fired.value(QStringLiteral("Copier")), want);
    QCOMPARE(w.fired.value(QStringLiteral("Coller")), want);
    QCOMPARE(w.fired.value(QStringLiteral("Coder")), want);
    // No control saw a key: text, selection, check state and size untouched.
    QCOMPARE(w.source->toPlainText(), QStringLiteral("alpha beta"));
    QCOMPARE(w.source->textCursor().selectedText(), QStringLiteral("alpha"));
    QCOMPARE(w.output->textCursor().selectedText(), QString());
    QCOMPARE(w.check->isChecked(), checked);
    QCOMPARE(w.size->currentText(), QStringLiteral("12"));
    QVERIFY(target->hasFocus());
  }

  void otherKeysReachTheEditor_data() { paths(); }
  void otherKeysReachTheEditor() {
    QFETCH(bool, viaServer);
    Window w;
    w.source->setPlainText(QStringLiteral("alpha beta"));
    QTextCursor c = w.source->textCursor();
    c.setPosition(0);
    c.setPosition(6, QTextCursor::KeepAnchor);
    w.source->setTextCursor(c);
    w.main.show();
    w.main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.main));
    w.source->setFocus();
    QTRY_VERIFY(w.source->hasFocus());
    Press(w, w.source, Qt::Key_X, viaServer);
    if (QTest::currentTestFailed()) return;
    QTRY_COMPARE(w.source->toPlainText(), QStringLiteral("beta"));
    Press(w, w.source, Qt::Key_Z, viaServer);
    if (QTest::currentTestFailed()) return;
    QTRY_COMPARE(w.source->toPlainText(), QStringLiteral("alpha beta"));
    QVERIFY(w.fired.isEmpty());
  }

  void dialogsKeepTheirKeys() {
    Window w;
    w.main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.main));
    QDialog dialog(&w.main);
    auto* edit = new QLineEdit(&dialog);
    edit->setText(QStringLiteral("nom"));
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(edit->selectedText(), QStringLiteral("nom"));  // the line edit selected its own text
    QVERIFY(w.fired.isEmpty());
  }
};

QTEST_MAIN(KeysTest)
#include "keys_test.moc"
