// Help launcher and About box: directory, open requests through the desktop, failure
// reports, the box's texts, layout, keyboard, accessibility and contrast.
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <cmath>
#include <memory>

#include "common/contrast.h"
#include "ui/framework/desktop/platform.h"
#include "ui/framework/desktop/starter.h"
#include "ui/framework/dialogs/about_dialog.h"
#include "ui/framework/dialogs/fixed_dialog.h"

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
    // clang-format off
    QTest::newRow("installed") << "/usr/lib/quorlin/quorlin" << "/usr/lib/quorlin/";
    QTest::newRow("root") << "/quorlin" << "/";
    QTest::newRow("doubled separator") << "/opt//quorlin" << "/opt/";
    // clang-format on
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

  // The picture at 1x and 2x: frame and shadow in the palette's colours, a
  // clear ground, and the icon drawn at the screen's resolution: an SVG icon
  // half black, half white keeps a sharp edge, as no bitmap scaled up would.
  void pictureIsDrawnAtTheScreensResolution_data() {
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("1.5x") << 1.5;
    QTest::newRow("2x") << 2.0;
  }
  void pictureIsDrawnAtTheScreensResolution() {
    QFETCH(qreal, dpr);
    QTemporaryDir dir;
    QFile svg(dir.filePath(QStringLiteral("halves.svg")));
    QVERIFY(svg.open(QIODevice::WriteOnly));
    svg.write(
        "<svg xmlns='http:/"
        "/www.w3.org/2000/svg' width='32' height='32'>"
        "<rect width='16' height='32' fill='#000'/>"
        "<rect x='16' width='16' height='32' fill='#fff'/></svg>");
    svg.close();
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(10, 20, 30));
    palette.setColor(QPalette::Shadow, QColor(90, 80, 70));
    const QPixmap pixmap = AboutPicture(QIcon(svg.fileName()), 105, dpr, palette);
    QVERIFY(qAbs(pixmap.deviceIndependentSize().width() - 105) < 1);
    const QImage picture = pixmap.toImage();
    QCOMPARE(picture.width(), qRound(105 * dpr));  // one image pixel to each screen pixel
    auto at = [&](double x, double y) { return QColor(picture.pixel(int(x * dpr), int(y * dpr))); };
    QCOMPARE(at(0, 0), QColor(10, 20, 30));                 // frame corner
    QCOMPARE(at(96, 96), QColor(10, 20, 30));               // frame's far corner
    QCOMPARE(at(100, 100), QColor(90, 80, 70));             // shadow
    QCOMPARE(qAlpha(picture.pixel(int(100 * dpr), 2)), 0);  // ground left clear
    // Across the icon's middle, black turns to white within two device pixels.
    const int y = int(50 * dpr);
    int first = -1, last = -1;
    for (int x = int(10 * dpr); x < int(90 * dpr); ++x) {
      const int grey = qGray(picture.pixel(x, y));
      if (grey > 20 && first < 0) first = x;
      if (grey < 235) last = x;
    }
    QVERIFY2(first >= 0 && last - first < 2,
             qPrintable(QStringLiteral("%1..%2").arg(first).arg(last)));
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
    QGuiApplication::setApplicationDisplayName(
        QStringLiteral("Quorlin"));  // as the program sets it
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    QCOMPARE(box->windowTitle(), QStringLiteral("Info Quorlin..."));
    QCOMPARE(box->width(), 440);
    auto text = [&](const char* name) {
      return box->findChild<QLabel*>(QLatin1String(name))->text();
    };
    QCOMPARE(text("Name"), QStringLiteral("Quorlin"));
    QCOMPARE(text("Version"), QStringLiteral("Version 1.2.0.0"));
    QCOMPARE(text("Description"), QStringLiteral("Transpose texte ascii en entité html"));
    QCOMPARE(text("Copyright"), QStringLiteral("\n"));
    QVERIFY(text("SystemLeft").startsWith(QStringLiteral("Available Memory:\nPlatform, CPU:")));
    QVERIFY(text("SystemRight").contains(QStringLiteral(" KB\n")));
    QVERIFY(text("SystemRight").endsWith(QStringLiteral(" or compatible")));

    const int top = HasOwnTitleBar(box.get()) ? 30 : 0;  // Wayland: the box's own title bar
    QCOMPARE(box->findChild<QLabel*>(QStringLiteral("Picture"))->geometry(),
             QRect(15, 7 + top, 105, 105));
    const QRect name = box->findChild<QLabel*>(QStringLiteral("Name"))->geometry();
    QCOMPARE(name.topLeft(), QPoint(128, 24 + top));
    const QRect version = box->findChild<QLabel*>(QStringLiteral("Version"))->geometry();
    QCOMPARE(version.top(), 112 + top);  // the name line is shorter than the picture
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
    QCOMPARE(box->findChild<QLabel*>(QStringLiteral("Version"))->text(),
             QStringLiteral("Version "));
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
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box.get(),
                    Qt::Key(key));
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

  // Tab goes from OK to each link; Enter or Space opens the one it is on.
  void linksAreReachedAndOpenedFromTheKeyboard_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Space") << int(Qt::Key_Space);
  }
  void linksAreReachedAndOpenedFromTheKeyboard() {
    QFETCH(int, key);
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    QApplication::setActiveWindow(box.get());  // Wayland gives no activation to wait for
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("OK"));
    QTRY_COMPARE(QApplication::focusWidget(), ok);
    desktop_->Answer(QStringLiteral("handler.desktop"));
    QStringList reached;
    for (int i = 0; i < 3; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      reached << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(reached,
             (QStringList{QStringLiteral("Jump"), QStringLiteral("EMail"), QStringLiteral("OK")}));
    QTest::keyClick(ok, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QTRY_COMPARE(desktop_->Opened(), QStringList{about.Jump});
    QVERIFY(box->isVisible());  // Enter on a link is not the box's OK
  }

  // What a screen reader is told, read through Qt's accessibility layer.
  void screenReadersGetNamesAndRoles() {
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    auto info = [&](const char* name) {
      QAccessibleInterface* a =
          QAccessible::queryAccessibleInterface(box->findChild<QWidget*>(QLatin1String(name)));
      return std::make_pair(a->role(), a->text(QAccessible::Name));
    };
    QCOMPARE(info("Picture").first, QAccessible::Graphic);
    QVERIFY(info("Picture").second.startsWith(QStringLiteral("Icône de ")));
    QCOMPARE(info("Name").second, QStringLiteral("Quorlin"));
    QCOMPARE(info("Version").second, QStringLiteral("Version 1.2.0.0"));
    QCOMPARE(info("Jump"),
             std::make_pair(QAccessible::Link, QStringLiteral("Site web : ") + about.Jump));
    QCOMPARE(info("EMail"),
             std::make_pair(QAccessible::Link, QStringLiteral("Courriel : ") + about.EMail));
    // A screen reader's "press" opens the link.
    desktop_->Answer(QStringLiteral("handler.desktop"));
    QAccessibleInterface* mail =
        QAccessible::queryAccessibleInterface(box->findChild<QWidget*>(QStringLiteral("EMail")));
    QVERIFY(
        mail->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    mail->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(desktop_->Opened(), QStringList{QStringLiteral("mailto:") + about.EMail});
  }

  // A box that cannot be resized offers neither minimise nor maximise (the
  // About box and the message boxes); under Wayland it has a title bar of its
  // own, whose close button closes it.
  void fixedBoxesHaveNoMinimiseOrMaximise_data() {
    QTest::addColumn<bool>("about");
    QTest::newRow("About box") << true;
    QTest::newRow("message box") << false;
  }
  void fixedBoxesHaveNoMinimiseOrMaximise() {
    QFETCH(bool, about);
    const bool wayland = QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
    QStringList problems;
    bool checked = false;
    auto check = [&](QDialog* box) {
      checked = true;
      if (!QTest::qWaitForWindowExposed(box)) problems << QStringLiteral("not shown");
      if (box->minimumSize() != box->maximumSize()) problems << QStringLiteral("resizable");
      const Qt::WindowFlags flags = box->windowHandle()->flags();
      if (flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
        problems << QStringLiteral("minimise or maximise");
      if (HasOwnTitleBar(box) != wayland || bool(flags & Qt::FramelessWindowHint) != wayland ||
          bool(flags & Qt::WindowCloseButtonHint) == wayland)
        problems << QStringLiteral("title bar");
      auto* close = box->findChild<QToolButton*>(QStringLiteral("CloseButton"));
      if (wayland && close)
        QTest::mouseClick(close, Qt::LeftButton);
      else
        box->reject();
    };
    if (about) {
      TLMDAboutDlg dialog;
      std::unique_ptr<QDialog> box(dialog.Build(nullptr));
      box->show();
      check(box.get());
      QTRY_VERIFY(!box->isVisible());
    } else {
      QTimer::singleShot(0,
                         [&] { check(qobject_cast<QDialog*>(QApplication::activeModalWidget())); });
      ShowMessageBox(nullptr, QMessageBox::Critical, QStringLiteral("Quorlin"),
                     QStringLiteral("Essai"));
    }
    QVERIFY(checked);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral(", "))));
  }

  // Every text line and link of the box, under a light and two dark palettes,
  // reads with at least 4.5:1 contrast, measured on the rendered pixels: the
  // ground is the commonest colour of the line's area, the text its most
  // contrasting pixel.
  void textsReadOnLightAndDarkPalettes_data() {
    QTest::addColumn<QPalette>("palette");
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QTest::newRow("light") << fusion->standardPalette();
    QPalette dark;  // as GTK's Adwaita dark gives it through Qt's gtk3 theme
    const std::pair<QPalette::ColorRole, const char*> roles[] = {
        {QPalette::Window, "#323232"},     {QPalette::WindowText, "#f0f0f0"},
        {QPalette::Button, "#323232"},     {QPalette::ButtonText, "#f0f0f0"},
        {QPalette::Base, "#242424"},       {QPalette::Text, "#f0f0f0"},
        {QPalette::Light, "#4b4b4b"},      {QPalette::Midlight, "#2a2a2a"},
        {QPalette::Dark, "#212121"},       {QPalette::Mid, "#262626"},
        {QPalette::Shadow, "#191919"},     {QPalette::Link, "#308cc6"},
        {QPalette::LinkVisited, "#ff00ff"}};
    for (const auto& [role, colour] : roles) dark.setColor(role, QColor(QLatin1String(colour)));
    QTest::newRow("dark") << dark;
    dark.setColor(QPalette::Link, QColor(0, 0, 255));  // a theme that leaves Qt's own links
    QTest::newRow("dark, plain blue links") << dark;
  }
  void textsReadOnLightAndDarkPalettes() {
    QFETCH(QPalette, palette);
    TLMDAboutDlg about;
    std::unique_ptr<QDialog> box(about.Build(nullptr));
    box->setPalette(palette);
    auto* web = box->findChild<TLMDAboutLink*>(QStringLiteral("Jump"));
    QTest::mousePress(web, Qt::LeftButton);  // visited colour on one, link colour on the other
    QVERIFY(web->Visited());
    const QImage image = box->grab().toImage();
    for (const char* name :
         {"Name", "Version", "Description", "Jump", "EMail", "SystemLeft", "SystemRight"}) {
      const QRect area = box->findChild<QWidget*>(QLatin1String(name))->geometry();
      QHash<QRgb, int> count;
      for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++count[image.pixel(x, y) | 0xff000000];
      const QRgb ground =
          std::max_element(count.keyValueBegin(), count.keyValueEnd(), [](auto a, auto b) {
            return a.second < b.second;
          })->first;
      double best = 0;
      QRgb ink = ground;
      for (auto it = count.keyBegin(); it != count.keyEnd(); ++it)
        if (ContrastRatio(*it, ground) > best) best = ContrastRatio(ink = *it, ground);
      QVERIFY2(best >= 4.5,
               qPrintable(QStringLiteral("%1: %2 on %3, %4:1")
                              .arg(QLatin1String(name), QColor(ink).name(), QColor(ground).name())
                              .arg(best, 0, 'f', 2)));
    }
  }

  // Any colour on any ground comes out readable, and one already readable is kept.
  void readableColoursKeepTheirHue() {
    const int levels[] = {0, 51, 102, 153, 204, 255};
    for (int g : {0x20, 0x32, 0x80, 0xc0, 0xef, 0xff}) {
      const QColor ground(g, g, g);
      for (int r : levels)
        for (int gg : levels)
          for (int b : levels) {
            const QColor text(r, gg, b);
            const QColor out = ReadableOn(text, ground);
            QVERIFY2(ContrastRatio(out.rgb(), ground.rgb()) >= 4.5,
                     qPrintable(text.name() + QStringLiteral(" on ") + ground.name()));
            if (ContrastRatio(text.rgb(), ground.rgb()) >= 4.5) QCOMPARE(out, text);
            if (text.hslSaturation() > 60 && out.hslSaturation() > 60)
              QVERIFY(std::abs(out.hslHue() - text.hslHue()) <= 2);
          }
    }
  }
};

QTEST_MAIN(HelpAboutTest)
#include "help_about_test.moc"
