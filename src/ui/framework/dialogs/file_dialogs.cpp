#include "ui/framework/dialogs/file_dialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>

#include "ui/framework/dialogs/fixed_dialog.h"

namespace dialogs {
namespace {

Answers& CurrentAnswers() {
  static Answers answers;
  return answers;
}

QString& LastFile() {
  static QString path;
  return path;
}

}  // namespace

void RememberFile(const QString& path) {
  LastFile() = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

QString StartFolder() {
  const QString folder = LastFile().isEmpty() ? QString() : QFileInfo(LastFile()).absolutePath();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void SetAnswers(Answers answers) { CurrentAnswers() = std::move(answers); }

bool ConfirmReplace(QWidget* parent, const QString& name) {
  if (CurrentAnswers().replace) return CurrentAnswers().replace(name);
  const QString question =
      QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?");
  return ShowMessageBox(parent, QMessageBox::Warning, parent ? parent->windowTitle() : QString(),
                        question.arg(QFileInfo(name).fileName()),
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void Notice(QWidget* parent, const QString& message) {
  if (CurrentAnswers().notice)
    CurrentAnswers().notice(message);
  else
    ShowMessageBox(parent, QMessageBox::Information, parent ? parent->windowTitle() : QString(),
                   message);
}

}  // namespace dialogs

namespace {

// The name field's completion list is filled once the folder has been read
// in the background; with a name entered before that, the list stays open, or
// opens, after the dialog has closed, over the window, holding the keyboard.
class StrayListCloser : public QObject {
 public:
  StrayListCloser(QFileDialog* dialog, QWidget* list)
      : QObject(dialog), dialog_(dialog), list_(list) {
    dialog->installEventFilter(this);
    list->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (!list_) return false;
    if (watched == dialog_ && e->type() == QEvent::Hide)
      list_->hide();
    else if (watched == list_ && e->type() == QEvent::Show && !dialog_->isVisible())
      QMetaObject::invokeMethod(list_, &QWidget::hide, Qt::QueuedConnection);
    return false;
  }

 private:
  QFileDialog* dialog_;
  QPointer<QWidget> list_;  // the completer may go first when the dialog is destroyed
};

QFileDialog* MakeDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QStringList& filters) {
  auto* d = new QFileDialog(parent);
  d->setOption(QFileDialog::DontUseNativeDialog, true);
  d->setOption(QFileDialog::ReadOnly, false);
  d->setAcceptMode(mode);
  // Any name is returned as typed: a missing file is Open's own error to report.
  d->setFileMode(QFileDialog::AnyFile);
  d->setNameFilters(filters);
  // "fichier *.txt", not "fichier *.txt (*.txt)": the captions say it already.
  d->setOption(QFileDialog::HideNameFilterDetails, true);
  if (mode == QFileDialog::AcceptSave) d->setOption(QFileDialog::DontConfirmOverwrite, false);
  for (auto* edit : d->findChildren<QLineEdit*>())
    if (QCompleter* completer = edit->completer()) new StrayListCloser(d, completer->popup());
  return d;
}

}  // namespace

TFileDialog::TFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const QStringList& filters)
    : QObject(owner), owner_(owner), mode_(mode), filters_(filters) {}

bool TFileDialog::Execute() {
  const dialogs::Answers& answers = dialogs::CurrentAnswers();
  const auto& answer = mode_ == QFileDialog::AcceptOpen ? answers.openFile : answers.saveFile;
  if (answer) {
    const QString name = answer();
    if (name.isEmpty()) return false;
    fileName_ = name;
    return true;
  }
  if (!dialog_) dialog_ = MakeDialog(owner_, mode_, filters_);
  // The folder of the last file opened or saved; the name this dialog returned
  // last is proposed again when it lies there.
  const QString folder = dialogs::StartFolder();
  dialog_->setDirectory(folder);
  if (!fileName_.isEmpty() && QFileInfo(fileName_).absolutePath() == folder)
    dialog_->selectFile(fileName_);
  else if (auto* name = dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
    name->clear();  // a name typed last time, in another folder
  if (dialog_->exec() != QDialog::Accepted || dialog_->selectedFiles().isEmpty()) return false;
  fileName_ = dialog_->selectedFiles().first();
  return true;
}
