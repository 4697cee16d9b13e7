// Commands of the main window: open, save, exit, select all, reset, copy, paste, font size.
#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include "convert/exceptions.h"
#include "convert/line_list.h"
#include "convert/text_file.h"
#include "ui/framework/application.h"
#include "ui/framework/file_dialogs.h"
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
  // Characters a paste or typing lost are told, not treated as a failure.
  connect(MemoText, &TMemo::LostCharacters, this,
          [this](const QString& message) { dialogs::Notice(this, message); });
  new TShortcutRouter(this, {SelectAll, Copier, Coller, Coder}, this);
}

void TFMain::FormCreateFontSize() { LMDFontSizeComboBox1->SetSelected(MemoText->font().pointSize()); }
