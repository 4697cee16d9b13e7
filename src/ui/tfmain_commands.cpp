// Commands of the main window: open, save, exit, select all, reset, copy, paste, font size.
#include <QAction>
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QMimeData>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "convert/exceptions.h"
#include "convert/line_list.h"
#include "convert/text_file.h"
#include "ui/framework/application.h"
#include "ui/framework/fontsizecombobox.h"
#include "ui/framework/memo.h"
#include "ui/framework/shortcuts.h"
#include "ui/tfmain.h"

namespace {

// A mouse button released in the output pane runs MemoCodeMouseUp.
class MouseUpWatcher : public QObject {
 public:
  MouseUpWatcher(TFMain* window) : QObject(window), window_(window) {}
  bool eventFilter(QObject*, QEvent* e) override {
    // After the pane has handled the release: a click inside a selection
    // clears it only then.
    if (e->type() == QEvent::MouseButtonRelease)
      QMetaObject::invokeMethod(window_, [w = window_] { w->MemoCodeMouseUp(); }, Qt::QueuedConnection);
    return false;
  }

 private:
  TFMain* window_;
};

// The name field's completion list is filled once the folder has been read
// in the background; with a name entered before that, the list stays open, or
// opens, after the dialog has closed, over the window, holding the keyboard.
class StrayListCloser : public QObject {
 public:
  StrayListCloser(QFileDialog* dialog, QWidget* list) : QObject(dialog), dialog_(dialog), list_(list) {
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
  for (auto* edit : d->findChildren<QLineEdit*>())
    if (QCompleter* completer = edit->completer()) new StrayListCloser(d, completer->popup());
  return d;
}

// The dialog, proposing the full name it returned last; empty when cancelled.
QString Run(QFileDialog* d, QString& last) {
  if (!last.isEmpty()) d->selectFile(last);
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return {};
  last = d->selectedFiles().first();
  return last;
}

// The part from the last full stop on, if no directory separator follows it.
QString Extension(const QString& name) {
  const int dot = name.lastIndexOf(u'.');
  if (dot < 0 || name.indexOf(u'/', dot) >= 0) return {};
  return name.mid(dot);
}

}  // namespace

void TFMain::OpenExecute() {
  QString name;
  if (ChooseOpenFile) {
    name = ChooseOpenFile();
  } else {
    if (!OpenDialog)
      OpenDialog = MakeDialog(this, QFileDialog::AcceptOpen,
                              {QStringLiteral("fichier *.txt (*.txt)"), QStringLiteral("tous les fichiers (*)")});
    name = Run(OpenDialog, lastOpen_);
  }
  if (name.isEmpty()) return;
  // A file the pane cannot hold is refused before it is read: past the free
  // memory the system would end the program, and the typed text with it.
  const auto tooLarge = [this](qint64 size) {
    if (size > MemoText->Capacity()) throw quorlin::EInvalidOperation("Text exceeds memo capacity");
  };
  tooLarge(QFileInfo(name).size());
  // Load aside first: a file that cannot be read leaves the source pane as it was.
  quorlin::LoadReport report;
  std::string text;
  {
    quorlin::MemoryLineList loaded;
    quorlin::LoadFromFile(loaded, QFile::encodeName(name).toStdString(), &report);
    text = loaded.Text();
  }
  tooLarge(static_cast<qint64>(text.size()));  // a pipe or device has no size beforehand
  MemoText->SetText(text);
  // Part of the file is not in the pane: say so rather than let it look whole.
  if (report.cutAtZero) Notify(QString::fromStdString(quorlin::DescribeCut(report)));
}

void TFMain::SaveExecute() {
  QString name;
  if (ChooseSaveFile) {
    name = ChooseSaveFile();
  } else {
    if (!SaveDialog1) {
      SaveDialog1 = MakeDialog(this, QFileDialog::AcceptSave,
                               {QStringLiteral("fichier *.txt (*.txt)"), QStringLiteral("tous les fichiers *.* (*)")});
      SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite, false);
    }
    name = Run(SaveDialog1, lastSave_);
  }
  if (name.isEmpty()) return;
  if (Extension(name).isEmpty()) {
    name += QStringLiteral(".txt");
    // The dialog asked about the name it returned, not this one.
    if (QFileInfo::exists(name)) {
      const bool replace = ConfirmReplace ? ConfirmReplace(name) : AskReplace(name);
      if (!replace) return;
    }
  }
  quorlin::SaveToFile(*MemoCode, QFile::encodeName(name).toStdString());
}

void TFMain::Notify(const QString& message) {
  if (ShowNotice)
    ShowNotice(message);
  else
    QMessageBox::information(this, windowTitle(), message);
}

bool TFMain::AskReplace(const QString& name) {
  // The save dialog's own question, from Qt's catalogue, with its buttons.
  const QString question =
      QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?");
  return QMessageBox::warning(this, windowTitle(), question.arg(QFileInfo(name).fileName()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TFMain::ExitExecute() { close(); }

void TFMain::SelectAllExecute() {
  MemoCode->setFocus();
  MemoCode->selectAll();
  Copier->setEnabled(true);
}

void TFMain::ResetExecute() {
  MemoText->Clear();
  MemoCode->Clear();
  Save->setEnabled(false);
}

void TFMain::CopierExecute() {
  if (MemoCode->SelLength() == 0) return;
  QGuiApplication::clipboard()->setMimeData(MemoCode->SelectionAsPlainText());
}

void TFMain::CollerExecute() { MemoText->paste(); }

void TFMain::MemoCodeMouseUp() { Copier->setEnabled(MemoCode->SelLength() != 0); }

void TFMain::LMDFontSizeComboBox1Change() {
  // While a size is being typed the value may be -1, 0 or huge; the panes
  // show the default size until it is back in range.
  int size = LMDFontSizeComboBox1->GetSelected();
  if (size < 1 || size > 999) size = LMDFontSizeComboBox1->DefaultSize;
  MemoCode->SetFontSize(size);
  MemoText->SetFontSize(size);
  EnableOutputActions(false);
}

void TFMain::EnableOutputActions(bool enabled) {
  Save->setEnabled(enabled);
  Copier->setEnabled(enabled);
  SelectAll->setEnabled(enabled);
}

void TFMain::BindCommandEvents() {
  connect(LMDFontSizeComboBox1, &TLMDFontSizeComboBox::Changed, this,
          [this] { RunHandler([this] { LMDFontSizeComboBox1Change(); }); });
  MemoCode->viewport()->installEventFilter(new MouseUpWatcher(this));
  connect(MemoText, &TMemo::LostCharacters, this,
          [this](const QString& message) { Notify(message); });
  new TShortcutRouter(this, {SelectAll, Copier, Coller, Coder}, this);
}

void TFMain::FormCreateFontSize() { LMDFontSizeComboBox1->SetSelected(MemoText->font().pointSize()); }
