#pragma once
// The About box: name, version and description from the version record, the
// maker's links, a summary of the machine, and OK. Built anew at each showing;
// every colour comes from the palette, so light and dark themes both read.
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QObject>
#include <QPixmap>
#include <QString>

#include "ui/framework/shell/version_info.h"

// A link line: pointing hand, underlined, in the palette's link colour, its
// visited colour once pressed (each made readable on the window's ground); a
// click, or Enter or Space once Tab has reached it, opens it through the desktop
// ("mailto:" before an address with "@"); a link the desktop cannot open is
// disabled. Screen readers see a link that can be pressed.
class TLMDAboutLink : public QLabel {
  Q_OBJECT

 public:
  TLMDAboutLink(const QString& target, QWidget* parent);
  QString Target() const { return target_; }
  // What a click asks the desktop to open.
  QString UrlText() const;
  bool Visited() const { return visited_; }
  // Opens the link, as a click does.
  void Activate();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString target_;
  bool visited_ = false;
};

// `text` itself when it reads on `ground` with at least `ratio` contrast (WCAG),
// else the same hue made lighter or darker until it does.
QColor ReadableOn(const QColor& text, const QColor& ground, double ratio = 4.5);

// The picture, `size` logical pixels square at the device pixel ratio `dpr`: the
// icon drawn at that resolution inside a frame (the palette's window text),
// with a drop shadow (the palette's shadow) at the right and below, on a clear
// ground. The proportions are those of a 32-pixel icon doubled with its frame
// and shadow (72 pixels) shown at 105.
QPixmap AboutPicture(const QIcon& icon, int size, qreal dpr, const QPalette& palette);

class TLMDAboutDlg : public QObject {
  Q_OBJECT

 public:
  explicit TLMDAboutDlg(QObject* owner = nullptr);

  QString Appname = QStringLiteral("Quorlin");
  int AppNameSize = 14;
  bool UseResInfo = true;
  QString EMail = QStringLiteral("contact@quorlin.example.org");
  QString Jump = QStringLiteral("https://quorlin.example.org/");
  // The version record read for the texts; null stands for an executable without one.
  const TVersionRecord* Record = ExecutableVersionRecord();

  // Builds the box (not shown); the caller owns it.
  QDialog* Build(QWidget* parent) const;
  // Shows the box modally, centred on the screen; it is destroyed when it closes.
  void Execute(QWidget* parent = nullptr) const;
};
