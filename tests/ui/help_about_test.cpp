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

class HelpAboutTest : public QObject {
  Q_OBJECT

  QList<QUrl> opened_;
  QStringList reports_;
  bool openerSucceeds_ = true;

 private slots:
  void init() {
    opened_.clear();
    reports_.clear();
    openerSucceeds_ = true;
    platform::SetOpener([this](const QUrl& url) {
      opened_ << url;
      return openerSucceeds_;
    });
    platform::SetReportBox([this](const QString& message) { reports_ << message; });
  }
  void cleanup() {
    platform::SetOpener(nullptr);
    platform::SetReportBox(nullptr);
  }

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

  void helpTwiceIssuesTwoRequests() {
    QTemporaryDir dir;
    QFile doc(dir.filePath(QStringLiteral("Quorlin.chm")));
    QVERIFY(doc.open(QIODevice::WriteOnly));
    doc.close();
    TLMDStarter starter;
    starter.SetText(2, dir.path() + QLatin1Char('/'));
    starter.Execute();
    QCOMPARE(starter.ProcessHandle(), 1);
    starter.Execute();
    QCOMPARE(starter.ProcessHandle(), 2);
    QCOMPARE(opened_.size(), 2);
    QCOMPARE(opened_[1].toLocalFile(), dir.filePath(QStringLiteral("Quorlin.chm")));
    QCOMPARE(starter.LastError(), 0);
    QVERIFY(reports_.isEmpty());
  }

  void missingHelpIsReportedAndRemembered() {
    QTemporaryDir dir;
    TLMDStarter starter;
    starter.SetText(2, dir.path() + QLatin1Char('/'));
    starter.Execute();
    QCOMPARE(starter.LastError(), platform::kFileNotFound);
    QCOMPARE(opened_.size(), 0);
    QCOMPARE(reports_.size(), 1);
    QVERIFY(reports_[0].contains(QStringLiteral("Quorlin.chm")));
  }

  void noViewerIsReported() {
    QTemporaryDir dir;
    QFile doc(dir.filePath(QStringLiteral("Quorlin.chm")));
    QVERIFY(doc.open(QIODevice::WriteOnly));
    doc.close();
    openerSucceeds_ = false;
    TLMDStarter starter;
    starter.SetText(2, dir.path() + QLatin1Char('/'));
    starter.Execute();
    QCOMPARE(starter.LastError(), platform::kNoAssociation);
    QCOMPARE(starter.ProcessHandle(), 0);
    QCOMPARE(reports_.size(), 1);
  }

  // The desktop is asked through xdg-mime for the document's type or the link's
  // scheme; an empty answer means no program. A stand-in xdg-mime on PATH
  // answers as the test wants and records what it was asked.
  void desktopIsAskedForAProgram_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("has");
    QTest::newRow("chm with viewer") << "Quorlin.chm" << "xchm.desktop" << "application/vnd.ms-htmlhelp" << true;
    QTest::newRow("chm without viewer") << "Quorlin.chm" << "" << "application/vnd.ms-htmlhelp" << false;
    QTest::newRow("mail link") << "mailto:a@b.fr" << "" << "x-scheme-handler/mailto" << false;
    QTest::newRow("web link") << "https://example.org" << "firefox.desktop" << "x-scheme-handler/https" << true;
  }
  void desktopIsAskedForAProgram() {
    QFETCH(QString, url);
    QFETCH(QString, answer);
    QFETCH(QString, asked);
    QFETCH(bool, has);
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("asked"));
    {
      QFile script(dir.filePath(QStringLiteral("xdg-mime")));
      QVERIFY(script.open(QIODevice::WriteOnly));
      script.write(QStringLiteral("#!/bin/sh\necho \"$3\" > '%1'\n[ -n '%2' ] && echo '%2'\nexit 0\n")
                       .arg(log, answer)
                       .toUtf8());
      script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QUrl target(url);
    if (url.endsWith(QStringLiteral(".chm"))) {
      QFile doc(dir.filePath(url));
      QVERIFY(doc.open(QIODevice::WriteOnly));
      target = QUrl::fromLocalFile(doc.fileName());
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
    const bool result = platform::DesktopHasProgramFor(target);
    qputenv("PATH", path);
    QCOMPARE(result, has);
    QFile asked_(log);
    QVERIFY(asked_.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(asked_.readAll().trimmed()), asked);
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
    QTest::mouseClick(web, Qt::LeftButton);
    QCOMPARE(opened_.value(0), QUrl(about.Jump));
    QVERIFY(web->Visited());
    QVERIFY(web->isEnabled());

    openerSucceeds_ = false;
    QTest::mouseClick(mail, Qt::LeftButton);
    QCOMPARE(opened_.value(1), QUrl(QStringLiteral("mailto:") + about.EMail));
    QVERIFY(!mail->isEnabled());  // the desktop could not open it
  }
};

QTEST_MAIN(HelpAboutTest)
#include "help_about_test.moc"
