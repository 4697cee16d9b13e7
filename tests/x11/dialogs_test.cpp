// The real file dialogs of Open and Save, answered as a person would by typing
// a name into them; the saved file is byte for byte what quorlin-cli writes
// for the same source, in both modes.
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "common/window_parts.h"
#include "convert/exceptions.h"
#include "ui/framework/controls/checkbox.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

namespace {

// Runs `answer` on the modal file dialog as soon as it is up (a loaded
// machine may take a while to show it); gives up after a minute, saying so,
// and the test then fails on what it finds.
void WhenDialogUp(std::function<void(QFileDialog*)> answer) {
  auto* poll = new QTimer;
  const QDeadlineTimer deadline(60000);
  QObject::connect(poll, &QTimer::timeout, [poll, deadline, answer] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    const bool up = d && d->isVisible();
    if (!up && !deadline.hasExpired()) return;
    poll->stop();
    poll->deleteLater();
    if (up)
      answer(d);
    else
      qWarning("gave up awaiting the modal file dialog after 60 s");
  });
  poll->start(50);
}

// Types the name into the modal file dialog once it is up and accepts it.
void AnswerDialog(const QString& name, QString* filtersSeen) {
  WhenDialogUp([name, filtersSeen](QFileDialog* d) {
    if (filtersSeen) *filtersSeen = d->nameFilters().join(u'|');
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit) edit->setText(name);
    QMetaObject::invokeMethod(d, "accept");
  });
}

// Writes `bytes` to a file of that name in `dir`; returns its full name.
QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);  // a failure shows as the wrong text
  return path;
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void openConvertSaveMatchesTheCli_data() {
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<QByteArray>("file");
    const QByteArray cp1252("L'\xe9t\xe9... \"chaud\" & <doux>\r\n\x80 \xff\x81\r\n\r\nfin\n");
    const QByteArray utf8(
        "L'\xc3\xa9t\xc3\xa9\xe2\x80\xaf: \xe2\x86\x92 \xce\xb1\xf0\x9f\x98\x80...\xe2\x80\xa8"
        "fin\n");
    QTest::newRow("Windows-1252, named") << false << cp1252;
    QTest::newRow("Windows-1252, numeric") << true << cp1252;
    QTest::newRow("UTF-8, named") << false << utf8;
    QTest::newRow("UTF-16, numeric") << true
                                     << QByteArray(
                                            "\xff\xfe"
                                            "a\0\xe9\0\x92\x21\n\0",
                                            10);
  }
  void openConvertSaveMatchesTheCli() {
    QFETCH(bool, numeric);
    QFETCH(QByteArray, file);
    const QString cli = qEnvironmentVariable("QUORLIN_CLI");
    if (cli.isEmpty()) QSKIP("QUORLIN_CLI not set");
    QTemporaryDir dir;
    const QString source = WriteFile(dir, QStringLiteral("source.txt"), file);
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString filters;
    AnswerDialog(source, &filters);
    p.Open->trigger();
    QCOMPARE(filters, QStringLiteral("fichier *.txt (*.txt)|tous les fichiers (*)"));
    QVERIFY(!p.MemoText->IsEmpty());
    p.CheckNum->setChecked(numeric);
    p.Coder->trigger();

    AnswerDialog(dir.filePath(QStringLiteral("sortie")), &filters);
    p.Save->trigger();
    QCOMPARE(filters, QStringLiteral("fichier *.txt (*.txt)|tous les fichiers *.* (*)"));
    const QByteArray saved = ReadAll(dir.filePath(QStringLiteral("sortie.txt")));

    QProcess process;
    QStringList args;
    if (numeric) args << QStringLiteral("--numeric");
    args << source;
    process.start(cli, args);
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(saved, process.readAllStandardOutput());
  }

  // The dialogs open in the folder of the last file opened or saved (by any
  // way: here a file opened as "Open with" opens it), else in the home folder;
  // their filter captions show no pattern list of Qt's.
  void dialogsOpenInTheLastFolderWithPlainCaptions() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("maison")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("textes")));
    const QString home = dir.filePath(QStringLiteral("maison"));
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home));
    dialogs::RememberFile({});
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString folder;
    QStringList captions;
    auto look = [&] {
      WhenDialogUp([&](QFileDialog* d) {
        folder = d->directory().absolutePath();
        captions.clear();
        if (auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
          for (int i = 0; i < types->count(); ++i) captions << types->itemText(i);
        d->reject();
      });
    };
    look();
    p.Open->trigger();
    QCOMPARE(folder, QDir(home).absolutePath());
    QCOMPARE(captions,
             (QStringList{QStringLiteral("fichier *.txt"), QStringLiteral("tous les fichiers")}));

    const QString letter = WriteFile(dir, QStringLiteral("textes/lettre.txt"), "lettre");
    w.OpenFile(letter);
    look();
    p.Save->setEnabled(true);
    p.Save->trigger();
    QCOMPARE(folder, QFileInfo(letter).absolutePath());
    QCOMPARE(captions, (QStringList{QStringLiteral("fichier *.txt"),
                                    QStringLiteral("tous les fichiers *.*")}));
    look();
    p.Open->trigger();
    QCOMPARE(folder, QFileInfo(letter).absolutePath());
    qputenv("HOME", savedHome);
  }

  // A name typed into the open dialog that names no file comes back to Open,
  // which reports it with the full name and keeps the source pane.
  void openOfATypedMissingNameReportsIt() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("absent.txt"));
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    p.MemoText->SetText("gard\xc3\xa9");
    AnswerDialog(missing, nullptr);
    try {
      w.OpenExecute();
      QFAIL("no error for a missing file");
    } catch (const quorlin::EFOpenError& e) {
      QCOMPARE(QString::fromStdString(e.Message()),
               QStringLiteral("Cannot open file %1").arg(missing));
    }
    QCOMPARE(p.MemoText->Text(), std::string("gard\xc3\xa9"));
  }

  // Qt opens the name field's completion list once the folder has been read,
  // in the background: with a name entered quickly, the list is still open as
  // the dialog closes, or opens after it has closed. Either way it must not
  // stay over the window, holding the keyboard.
  void completionListNeverOutlivesTheDialog() {
    QTemporaryDir dir;
    const QString source = WriteFile(dir, QStringLiteral("source.txt"), "caf\xe9");
    TFMain w;
    const WindowParts p(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QPointer<QWidget> list;
    WhenDialogUp([&list, source](QFileDialog* d) {
      auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!edit || !edit->completer()) return d->reject();  // the test fails on the empty pane
      list = edit->completer()->popup();
      edit->setText(source);
      list->show();  // open as the name is accepted
      QMetaObject::invokeMethod(d, "accept");
    });
    p.Open->trigger();
    QCOMPARE(p.MemoText->Text(), std::string("caf\xc3\xa9"));
    QVERIFY(list);
    QVERIFY(!list->isVisible());
    list->show();  // the folder read late
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(p.MemoText, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(p.MemoCode->Text(), std::string("caf&eacute;\r\n"));
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
