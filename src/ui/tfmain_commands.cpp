// Commands of the main window: open, save, exit, convert, select all, reset,
// copy, paste, font size.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>

#include "convert/conversion_pass.h"
#include "convert/exceptions.h"
#include "convert/line_list.h"
#include "convert/text/text_file.h"
#include "ui/framework/controls/checkbox.h"
#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

namespace {

// Restores the normal cursor however the pass ends.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The part from the last full stop on, if no directory separator follows it.
QString Extension(const QString& name) {
  const int dot = name.lastIndexOf(u'.');
  if (dot < 0 || name.indexOf(u'/', dot) >= 0) return {};
  return name.mid(dot);
}

}  // namespace

void TFMain::OpenExecute() {
  if (OpenDialog->Execute()) OpenFile(OpenDialog->FileName());
}

void TFMain::OpenFile(const QString& name) {
  if (name.isEmpty()) return;
  // The pane reads the file aside: a file that cannot be read, is not valid in
  // its encoding or is too large leaves the source pane as it was.
  const quorlin::LoadReport report = MemoText->LoadFile(QFile::encodeName(name).toStdString());
  dialogs::RememberFile(name);
  // Part of the file is not in the pane: say so rather than let it look whole.
  if (report.cutAtZero) dialogs::Notice(this, QString::fromStdString(quorlin::DescribeCut(report)));
}

void TFMain::SaveExecute() {
  if (!SaveDialog1->Execute()) return;
  QString name = SaveDialog1->FileName();
  if (name.isEmpty()) return;
  if (Extension(name).isEmpty()) {
    name += QStringLiteral(".txt");
    // The dialog asked about the name it returned, not this one.
    if (QFileInfo::exists(name) && !dialogs::ConfirmReplace(this, name)) return;
  }
  quorlin::SaveToFile(*MemoCode, QFile::encodeName(name).toStdString());
  dialogs::RememberFile(name);
}

void TFMain::ExitExecute() { close(); }

void TFMain::CoderExecute() {
  BusyCursor busy;
  if (CheckNum->isChecked())
    ConvertNumeric();
  else
    ConvertNamed();
}

void TFMain::ConvertNamed() {
  const bool enable = quorlin::ConvertLines(*MemoText, *MemoCode, quorlin::EntityMode::Named);
  Save->setEnabled(enable);
  SelectAll->setEnabled(enable);
}

void TFMain::ConvertNumeric() {
  const bool enable = quorlin::ConvertLines(*MemoText, *MemoCode, quorlin::EntityMode::Numeric);
  Save->setEnabled(enable);
  SelectAll->setEnabled(enable);
}

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

void TFMain::MemoCodeCopyAvailable(bool available) {
  if (MemoCode->InKeyPress()) Copier->setEnabled(available);
}

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

void TFMain::FormCreateFontSize() {
  LMDFontSizeComboBox1->SetSelected(MemoText->font().pointSize());
}
