#pragma once
// The window's file dialogs and the questions around them: Qt's own dialog
// rather than the desktop's, remembering the full name it returned last and
// proposing it next time, opening in the folder of the last file opened or
// saved, filter captions without their patterns; the replace question of
// Save; notices.
//
//   TFileDialog open(window, QFileDialog::AcceptOpen, {"fichier *.txt (*.txt)"});
//   if (open.Execute()) Load(open.FileName());
#include <QFileDialog>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class TFileDialog : public QObject {
  Q_OBJECT

 public:
  TFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const QStringList& filters);

  // Shows the dialog, made on first use, proposing FileName(); false when cancelled.
  bool Execute();
  // The full name the dialog returned last, as typed: a missing file is the
  // caller's to report.
  QString FileName() const { return fileName_; }

 private:
  QWidget* owner_;
  QFileDialog::AcceptMode mode_;
  QStringList filters_;
  QFileDialog* dialog_ = nullptr;
  QString fileName_;
};

namespace dialogs {

// The save dialog's own question, from Qt's catalogue, for a name it did not
// ask about itself: true to replace the file.
bool ConfirmReplace(QWidget* parent, const QString& name);

// Tells the user something that is not a failure, in an information box.
void Notice(QWidget* parent, const QString& message);

// A file was opened or saved, by a dialog or otherwise (dropped, named on the
// command line): the dialogs open next in its folder. Before any, they open in
// the user's home folder; an empty path forgets the last one.
void RememberFile(const QString& path);
// Where the dialogs open now.
QString StartFolder();

// Stand-ins for the user, for tests: each member that is set answers in place
// of its dialog or box.
struct Answers {
  std::function<QString()> openFile{};  // the full name chosen in Open's dialog; empty: cancelled
  std::function<QString()> saveFile{};  // the same for Save's
  std::function<bool(const QString& name)> replace{};
  std::function<void(const QString& message)> notice{};
};
// Answers{} brings the real dialogs back.
void SetAnswers(Answers answers);

}  // namespace dialogs
