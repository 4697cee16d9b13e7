#pragma once
// The About box: name, version and description from the version record, the
// maker's links, a summary of the machine, and OK. Built anew at each showing.
#include <QDialog>
#include <QLabel>
#include <QObject>
#include <QPixmap>
#include <QString>

#include "ui/framework/version_info.h"

// A link line: pointing hand, blue and underlined, purple once pressed; a click
// opens it through the desktop ("mailto:" before an address with "@"); a link the
// desktop cannot open is disabled.
class TLMDAboutLink : public QLabel {
  Q_OBJECT

 public:
  TLMDAboutLink(const QString& target, QWidget* parent);
  QString Target() const { return target_; }
  // What a click asks the desktop to open.
  QString UrlText() const;
  bool Visited() const { return visited_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Restyle();
  QString target_;
  bool visited_ = false;
};

// The picture: the icon doubled with a drop shadow and a black frame.
//   w x h icon -> (2w + 8) x (2h + 8) picture
QPixmap AboutPicture(const QPixmap& icon);

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
