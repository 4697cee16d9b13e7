// Bad input through the window, driven by its actions: each case checks the
// message the user sees, that the window still converts afterwards, and that
// no text or file was lost. Permission cases need an ordinary user: run as
// root, the program gives up root for "nobody" before it starts.
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "common/window_parts.h"
#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/framework/shell/application.h"
#include "ui/tfmain.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes), bytes.size());
}

// Lets writes fail past `bytes` with EFBIG, as on a full disk, while alive.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit low = saved_;
    low.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &low);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

}  // namespace

class WindowBadInputTest : public QObject {
  Q_OBJECT

 public:
  QStringList boxes;    // "caption|text" of each error box
  QStringList notices;  // what the window told without failing

 private:
  QTemporaryDir dir_;

  // A window with a source text, its file choices answered by the test.
  struct Window {
    TFMain w;
    WindowParts p{w};
    QString openName;
    QString saveName;
    explicit Window(WindowBadInputTest* test) {
      dialogs::SetAnswers({.openFile = [this] { return openName; },
                           .saveFile = [this] { return saveName; },
                           .replace = [](const QString&) { return true; },
                           .notice = [test](const QString& m) { test->notices << m; }});
      w.show();
      p.MemoText->SetText("mon texte \xc3\xa9");
    }
  };

  // The window still works: a conversion gives the expected output.
  static void StillConverts(const WindowParts& p) {
    p.MemoText->SetText("\xc3\xa9t\xc3\xa9...");
    p.Coder->trigger();
    QCOMPARE(QByteArray::fromStdString(p.MemoCode->Text()),
             QByteArray("&eacute;t&eacute;&hellip;\r\n"));
  }

  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(::geteuid() != 0);  // otherwise permissions stop nothing
  }

  void cleanup() { dialogs::SetAnswers({}); }

  void init() {
    boxes.clear();
    notices.clear();
    static_cast<TApplication*>(qApp)->ShowBox = [this](const QString& c, const QString& t) {
      boxes << c + u'|' + t;
    };
  }

  void failedOpenKeepsTheSource_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << Path("absent.txt");
    QTest::newRow("directory") << dir_.path();
    QTest::newRow("no read permission") << Path("secret.txt");
  }
  void failedOpenKeepsTheSource() {
    QFETCH(QString, name);
    Write(Path("secret.txt"), "secret\r\n");
    QFile::setPermissions(Path("secret.txt"), QFileDevice::WriteOwner);
    Window win(this);
    win.openName = name;
    win.p.Open->trigger();
    QCOMPARE(boxes, QStringList{QStringLiteral("Quorlin|Cannot open file %1.").arg(name)});
    QCOMPARE(QByteArray::fromStdString(win.p.MemoText->Text()), QByteArray("mon texte \xc3\xa9"));
    StillConverts(win.p);
  }

  void failedSaveKeepsTheEarlierFile_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("limit");  // bytes a file may grow to; 0: no limit
    QDir(dir_.path()).mkdir(QStringLiteral("lecture-seule"));
    QFile::setPermissions(Path("lecture-seule"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile::link(QStringLiteral("/dev/full"), Path("plein.htm"));
    QTest::newRow("read-only folder")
        << Path("lecture-seule/sortie.htm")
        << QStringLiteral("Cannot create file %1.").arg(Path("lecture-seule/sortie.htm")) << 0;
    QTest::newRow("link to /dev/full")
        << Path("plein.htm") << QStringLiteral("Stream write error.") << 0;
    QTest::newRow("disk full during the write")
        << Path("earlier.htm") << QStringLiteral("Stream write error.") << 4096;
  }
  void failedSaveKeepsTheEarlierFile() {
    QFETCH(QString, target);
    QFETCH(QString, message);
    QFETCH(int, limit);
    Write(Path("earlier.htm"), "earlier output\r\n");
    Window win(this);
    win.p.MemoText->SetText(
        QByteArray("\xc3\xa9").repeated(3000).toStdString());  // 24 KB once converted
    win.p.Coder->trigger();
    win.saveName = target;
    {
      std::unique_ptr<FileSizeLimit> full;
      if (limit > 0) full = std::make_unique<FileSizeLimit>(static_cast<rlim_t>(limit));
      win.p.Save->trigger();
    }
    QCOMPARE(boxes, QStringList{QStringLiteral("Quorlin|") + message});
    QCOMPARE(ReadAll(Path("earlier.htm")), QByteArray("earlier output\r\n"));
    const QStringList left = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : left)
      QVERIFY2(!name.startsWith(u'.'), qPrintable(name + QStringLiteral(" was left behind")));
    QVERIFY(QFileInfo(Path("plein.htm")).isSymLink());
    QCOMPARE(QByteArray::fromStdString(win.p.MemoText->Text()),
             QByteArray("\xc3\xa9").repeated(3000));
    StillConverts(win.p);
  }

  // Files holding a zero byte or character: the text before it is loaded, as
  // quorlin-cli reads it, and the user is told.
  void oddFilesLoadUpToTheZero_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("text");  // UTF-8
    QTest::addColumn<QString>("notice");
    QTest::newRow("binary with NUL bytes")
        << QByteArray("a<b\xe9\r\nline 2\0rest \xff", 19) << QByteArray("a<b\xc3\xa9\r\nline 2")
        << QStringLiteral(
               "Le fichier contient un octet nul après 12 octets : seul le texte qui le précède a "
               "été lu.");
    QTest::newRow("UTF-16 with a zero character")
        << QByteArray("\xff\xfeP\0\xe9\0\0\0s\0", 10) << QByteArray("P\xc3\xa9")
        << QStringLiteral(
               "Le fichier contient un caractère nul après 6 octets : seul le texte qui le précède "
               "a été lu.");
  }
  void oddFilesLoadUpToTheZero() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, text);
    QFETCH(QString, notice);
    Write(Path("odd.txt"), file);
    Window win(this);
    win.openName = Path("odd.txt");
    win.p.Open->trigger();
    QCOMPARE(boxes, QStringList());
    QCOMPARE(notices, QStringList{notice});
    QCOMPARE(QByteArray::fromStdString(win.p.MemoText->Text()), text);
    StillConverts(win.p);
  }

  // Text that is not valid in the encoding its mark says: an error box naming
  // the file, the line and the column; the source pane keeps its text.
  void invalidTextKeepsTheSource_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("UTF-16, lone surrogate")
        << QByteArray(
               "\xff\xfe"
               "a\0\n\0b\0\0\xd8",
               10)
        << QStringLiteral("UTF-16 invalide à la ligne 2, colonne 2 : moitié de caractère isolée.");
    QTest::newRow("UTF-16, odd length")
        << QByteArray("\xfe\xff\0a\0", 5)
        << QStringLiteral("UTF-16 invalide à la ligne 1, colonne 2 : nombre impair d'octets.");
    QTest::newRow("UTF-8 mark, invalid UTF-8")
        << QByteArray(
               "\xef\xbb\xbf"
               "caf\xe9")
        << QStringLiteral("UTF-8 invalide à la ligne 1, colonne 4.");
  }
  void invalidTextKeepsTheSource() {
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    Write(Path("invalide.txt"), file);
    Window win(this);
    win.openName = Path("invalide.txt");
    win.p.Open->trigger();
    QCOMPARE(boxes, QStringList{QStringLiteral("Quorlin|") + Path("invalide.txt") +
                                QStringLiteral(" : ") + message});
    QCOMPARE(notices, QStringList());
    QCOMPARE(QByteArray::fromStdString(win.p.MemoText->Text()), QByteArray("mon texte \xc3\xa9"));
    StillConverts(win.p);
  }

  // A 2 MB line without any break is converted whole, and quickly enough: a pane that wraps at
  // word boundaries lays such a line out in quadratic time, minutes for this one.
  void longLineConvertsWhole() {
    const int units = 500000;
    Write(Path("long.txt"), QByteArray("x<\xe9.").repeated(units));
    Window win(this);
    win.openName = Path("long.txt");
    win.p.Open->trigger();
    win.p.Coder->trigger();
    QCOMPARE(boxes, QStringList());
    QCOMPARE(win.p.MemoCode->Count(), 1);
    const QByteArray expected = QByteArray("x&lt;&eacute;.").repeated(units) + "\r\n";
    QVERIFY(QByteArray::fromStdString(win.p.MemoCode->Text()) == expected);
  }

  // Sizes that are no whole number, left by moving to a pane.
  void fontSizeThatIsNoNumber_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("too long a number") << QStringLiteral("99999999999");
    QTest::newRow("minus alone") << QStringLiteral("-");
    QTest::newRow("two signs") << QStringLiteral("+-1");
  }
  void fontSizeThatIsNoNumber() {
    QFETCH(QString, typed);
    Window win(this);
    QVERIFY(QTest::qWaitForWindowActive(&win.w));
    TLMDFontSizeComboBox* size = win.p.LMDFontSizeComboBox1;
    size->setFocus(Qt::TabFocusReason);
    size->lineEdit()->selectAll();
    QTest::keyClicks(size->lineEdit(), typed);
    QCOMPARE(size->currentText(), typed);
    win.p.MemoText->setFocus(Qt::TabFocusReason);
    QCOMPARE(boxes,
             QStringList{QStringLiteral("Quorlin|'%1' is not a valid integer value.").arg(typed)});
    const int points = win.p.MemoText->font().pointSize();
    QVERIFY2(points >= 1 && points <= 999, qPrintable(QString::number(points)));
    QCOMPARE(win.p.MemoCode->font().pointSize(), points);
    QCOMPARE(QByteArray::fromStdString(win.p.MemoText->Text()), QByteArray("mon texte \xc3\xa9"));
    StillConverts(win.p);
  }
};

// Gives up root before anything else runs, as permission bits do not stop
// root; nobody gets a home of its own for the caches Qt writes.
static void LeaveRoot(QTemporaryDir& home) {
  if (::geteuid() != 0) return;
  const uid_t nobody = 65534;
  if (!home.isValid() || ::chown(QFile::encodeName(home.path()).constData(), nobody, nobody) != 0)
    qFatal("cannot make a home for nobody");
  qputenv("HOME", QFile::encodeName(home.path()));
  if (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0 ||
      ::setresuid(nobody, nobody, nobody) != 0)
    qFatal("cannot give up root");
}

int main(int argc, char** argv) {
  QTemporaryDir home;
  LeaveRoot(home);
  TApplication app(argc, argv);
  WindowBadInputTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_bad_input_test.moc"
