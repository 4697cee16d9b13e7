// Help launcher and About box: directory, open requests, failure reports, the box's texts and layout.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "ui/framework/about_dialog.h"
#include "ui/framework/platform.h"
#include "ui/framework/starter.h"

// Stand-ins for the desktop's xdg-mime and xdg-open, first on PATH: xdg-mime
// records the type it is asked about, waits while the file "hold" exists (at
// most 20 s), and answers with the file "answer". xdg-open records what it is
// asked to open.
class FakeDesktop {
 public:
  FakeDesktop() {
    Script(QStringLiteral("xdg-mime"),
           QStringLiteral("echo \"$3\" >> '%1/asked'\n"
                          "i=0; while [ -e '%1/hold' ] && [ $i -lt 400 ]; do sleep 0.05; "
                          "i=$((i+1)); done\ncat '%1/answer' 2>/dev/null\n"));
    Script(QStringLiteral("xdg-open"), QStringLiteral("echo \"$1\" >> '%1/opened'\n"));
    path_ = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir_.path()) + ':' + path_);
  }
  ~FakeDesktop() { qputenv("PATH", path_); }
  void Answer(const QString& program) { Write(QStringLiteral("answer"), program); }
  void Hold(bool on) {
    if (on)
      Write(QStringLiteral("hold"), {});
    else
      QFile::remove(dir_.filePath(QStringLiteral("hold")));
  }
  QStringList Asked() const { return Lines(QStringLiteral("asked")); }
  QStringList Opened() const { return Lines(QStringLiteral("opened")); }
  void Clear() {
    for (const char* name : {"asked", "opened", "answer", "hold"})
      QFile::remove(dir_.filePath(QLatin1String(name)));
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private:
  void Script(const QString& name, const QString& body) {
    Write(name, QStringLiteral("#!/bin/sh\n") + body.arg(dir_.path()));
    QFile(dir_.filePath(name))
        .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  void Write(const QString& name, const QString& text) {
    QFile file(dir_.filePath(name));
    if (file.open(QIODevice::WriteOnly)) file.write(text.toUtf8());
  }
  QStringList Lines(const QString& name) const {
    QFile file(dir_.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }
  QTemporaryDir dir_;
  QByteArray path_;
};

class HelpAboutTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDesktop> desktop_;
  QStringList reports_;

  // A help document in the stand-in desktop's folder.
  QString MakeHelp() {
    const QString name = desktop_->Path(QStringLiteral("Quorlin.chm"));
    QFile doc(name);
    doc.open(QIODevice::WriteOnly);
    return name;
  }

 private slots:
  void initTestCase() { desktop_ = std::make_unique<FakeDesktop>(); }
  void cleanupTestCase() { desktop_.reset(); }
  void init() {
    desktop_->Clear();
    QFile::remove(desktop_->Path(QStringLiteral("Quorlin.chm")));
    reports_.clear();
    platform::SetReportBox([this](const QString& message) { reports_ << message; });
  }
  void cleanup() { platform::SetReportBox(nullptr); }

  void helpDirectoryEndsInOneSeparator_data() {
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("dir");
    QTest::newRow("installed") << "/usr/lib/quorlin/quorlin" << "/usr/lib/quorlin/";
    QTest::newRow("root") << "/quorlin" << "/";
    QTest::newRow("doubled separator") << "/opt//quorlin" << "/opt/";
  }
  void helpDirectoryEndsInOneSeparator() {
    QFETCH(QString, exe);
    QFETCH(QString, dir);
    QCOMPARE(platform::DirectoryWithSeparator(exe), dir);
  }

  void executablePathIsThisTest() {
    QCOMPARE(platform::ExecutablePath(), QCoreApplication::applicationFilePath());
  }

  void starterTextsByIndex() {
    TLMDStarter starter;
    QCOMPARE(starter.Text(0), QStringLiteral("Quorlin.chm"));
    starter.SetText(2, QStringLiteral("/tmp/"));
    starter.SetText(1, QStringLiteral("-x"));
    QCOMPARE(starter.DefaultDir, QStringLiteral("/tmp/"));
    QCOMPARE(starter.Text(1), QStringLiteral("-x"));
    starter.SetText(7, QStringLiteral("ignored"));
    QCOMPARE(starter.Text(0), QStringLiteral("Quorlin.chm"));
  }

  // The desktop is asked through xdg-mime for the document's type or the
  // link's scheme; an empty answer means no program, and xdg-open is then
  // not started. Every failure is reported in French.
  void requestsGoThroughTheDesktop_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("asked");  // empty: xdg-mime not asked
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("report");  // a part of it; empty: none
    QTest::newRow("chm with viewer") << "Quorlin.chm"
                                     << "xchm.desktop"
                                     << "application/vnd.ms-htmlhelp" << platform::kOpenOk << "";
    QTest::newRow("chm without viewer")
        << "Quorlin.chm"
        << ""
        << "application/vnd.ms-htmlhelp" << platform::kNoAssociation << "paquet xchm";
    QTest::newRow("missing chm") << "Absent.chm"
                                 << "xchm.desktop"
                                 << "" << platform::kFileNotFound << "introuvable";
    QTest::newRow("mail link") << "mailto:a@b.fr"
                               << ""
                               << "x-scheme-handler/mailto" << platform::kNoAssociation
                               << "type de lien";
    QTest::newRow("web link") << "https://example.org/a b"
                              << "firefox.desktop"
                              << "x-scheme-handler/https" << platform::kOpenOk << "";
  }
  void requestsGoThroughTheDesktop() {
    QFETCH(QString, url);
    QFETCH(QString, answer);
    QFETCH(QString, asked);
    QFETCH(int, result);
    QFETCH(QString, report);
    desktop_->Answer(answer);
    QUrl target(url);
    if (url.endsWith(QStringLiteral(".chm"))) {
      MakeHelp();
      target = QUrl::fromLocalFile(desktop_->Path(url));
    }
    int got = 0;
    platform::OpenDocument(target, nullptr, [&got](int r) { got = r; });
    QTRY_VERIFY(got != 0);
    QCOMPARE(got, result);
    QCOMPARE(desktop_->Asked(), asked.isEmpty() ? QStringList() : QStringList{asked});
    const QString opened =
        target.isLocalFile() ? target.toLocalFile() : target.toString(QUrl::FullyEncoded);
    if (result == platform::kOpenOk)
      QTRY_COMPARE(desktop_->Opened(), QStringList{opened});  // xdg-open runs on its own
    else
      QCOMPARE(desktop_->Opened(), QStringList());
    QCOMPARE(reports_.size(), report.isEmpty() ? 0 : 1);
    if (!report.isEmpty()) QVERIFY2(reports_[0].contains(report), qPrintable(reports_[0]));
  }

  // The window goes on while the desktop takes its time to answer.
  void helpNeverWaitsForTheDesktop() {
    const QString help = MakeHelp();
    desktop_->Answer(QStringLiteral("xchm.desktop"));
    desktop_->Hold(true);
    TLMDStarter starter;
    starter.SetText(2, QFileInfo(help).path() + QLatin1Char('/'));
    starter.Execute();
    // xdg-mime is asked and has not answered, and this thread's events still run.
    QTRY_COMPARE(desktop_->Asked().size(), 1);
    QVERIFY(desktop_->Opened().isEmpty());
    QCOMPARE(starter.ProcessHandle(), 0);
    desktop_->Hold(false);
    QTRY_COMPARE(desktop_->Opened(), QStringList{help});
    QTRY_COMPARE(starter.ProcessHandle(), 1);
    starter.Execute();
    QTRY_COMPARE(starter.ProcessHandle(), 2);
    QTRY_COMPARE(desktop_->Opened().size(), 2);
    QCOMPARE(starter.LastError(), 0);
    QVERIFY(reports_.isEmpty());
  }

  void helpFailureIsRemembered() {
    TLMDStarter starter;
    starter.SetText(2, QFileInfo(desktop_->Path(QStringLiteral("Quorlin.chm"))).path() + u'/');
    starter.Execute();
    QTRY_COMPARE(starter.LastError(), platform::kFileNotFound);
    QCOMPARE(starter.ProcessHandle(), 0);
    MakeHelp();  // present now, but no viewer
    starter.Execute();
    QTRY_COMPARE(starter.LastError(), platform::kNoAssociation);
    QCOMPARE(reports_.size(), 2);
  }

  void pictureHasShadowAndFrame() {
    QPixmap icon(32, 32);
    icon.fill(Qt::white);
    const QImage picture = AboutPicture(icon).toImage();
    QCOMPARE(picture.size(), QSize(72, 72));
    QCOMPARE(QColor(picture.pixel(0, 0)), QColor(Qt::black));     // frame corner
    QCOMPARE(QColor(picture.pixel(66, 66)), QColor(Qt::black));   // frame's far corner
    QCOMPARE(QColor(picture.pixel(70, 70)), QColor(128, 128, 128));  // shadow
    QCOMPARE(qAlpha(picture.pixel(70, 2)), 0);                     // ground left transparent
    QCOMPARE(QColor(picture.pixel(30, 30)), QColor(Qt::white));   // the icon itself
  }

  void captionFollowsTheApplicationTitle() {
    const QString saved = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Essai & co"));
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    QCOMPARE(box->windowTitle(), QStringLiteral("Info Essai & co..."));
    QGuiApplication::setApplicationDisplayName(saved);
  }

  void aboutBoxTextsAndLayout() {
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quorlin"));  // as the program sets it
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    QCOMPARE(box->windowTitle(), QStringLiteral("Info Quorlin..."));
    QCOMPARE(box->width(), 440);
    auto text = [&](const char* name) { return box->findChild<QLabel*>(QLatin1String(name))->text(); };
    QCOMPARE(text("Name"), QStringLiteral("Quorlin"));
    QCOMPARE(text("Version"), QStringLiteral("Version 1.2.0.0"));
    QCOMPARE(text("Description"), QStringLiteral("Transpose texte ascii en entité html"));
    QCOMPARE(text("Copyright"), QStringLiteral("\n"));
    QVERIFY(text("SystemLeft").startsWith(QStringLiteral("Available Memory:\nPlatform, CPU:")));
    QVERIFY(text("SystemRight").contains(QStringLiteral(" KB\n")));
    QVERIFY(text("SystemRight").endsWith(QStringLiteral(" or compatible")));

    QCOMPARE(box->findChild<QLabel*>(QStringLiteral("Picture"))->geometry(), QRect(15, 7, 105, 105));
    const QRect name = box->findChild<QLabel*>(QStringLiteral("Name"))->geometry();
    QCOMPARE(name.topLeft(), QPoint(128, 24));
    const QRect version = box->findChild<QLabel*>(QStringLiteral("Version"))->geometry();
    QCOMPARE(version.top(), 112);  // the name line is shorter than the picture
    const QRect description = box->findChild<QLabel*>(QStringLiteral("Description"))->geometry();
    QCOMPARE(description.top(), version.bottom() + 1 + 4);
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("OK"));
    QCOMPARE(ok->geometry().right() + 1, 440 - 6);
    QCOMPARE(box->height(), ok->geometry().bottom() + 1 + 6);
    QVERIFY(ok->isDefault());
  }

  void missingRecordLeavesVersionAlone() {
    TLMDAboutDlg about;
    about.Record = nullptr;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    QCOMPARE(box->findChild<QLabel*>(QStringLiteral("Version"))->text(), QStringLiteral("Version "));
    QVERIFY(box->findChild<QLabel*>(QStringLiteral("Description"))->isHidden());
  }

  void enterAndEscapeClose_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
  }
  void enterAndEscapeClose() {
    QFETCH(int, key);
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    box->findChild<QPushButton*>(QStringLiteral("OK"))->setFocus();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box.get(), Qt::Key(key));
    QTRY_VERIFY(!box->isVisible());
  }

  void linksOpenThroughTheDesktop() {
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    box->show();
    auto* mail = box->findChild<TLMDAboutLink*>(QStringLiteral("EMail"));
    auto* web = box->findChild<TLMDAboutLink*>(QStringLiteral("Jump"));
    QCOMPARE(mail->cursor().shape(), Qt::PointingHandCursor);
    desktop_->Answer(QStringLiteral("firefox.desktop"));
    QTest::mouseClick(web, Qt::LeftButton);
    QTRY_COMPARE(desktop_->Opened(), QStringList{about.Jump});
    QVERIFY(web->Visited());
    QVERIFY(web->isEnabled());

    desktop_->Answer(QString());  // no mail program
    QTest::mouseClick(mail, Qt::LeftButton);
    QTRY_VERIFY(!mail->isEnabled());  // the desktop could not open it
    QCOMPARE(desktop_->Asked().last(), QStringLiteral("x-scheme-handler/mailto"));
    QCOMPARE(reports_.size(), 1);
  }
};

QTEST_MAIN(HelpAboutTest)
#include "help_about_test.moc"
