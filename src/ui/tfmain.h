#pragma once
// The main window: two text panes side by side under their toolbars, the
// splitter between them, the menu bar and the ten actions of ActionList1.
//
// The handlers are spread over three files by concern:
//   tfmain.cpp           layout, actions, FormCreate, CoderExecute and the pass
//   tfmain_commands.cpp  open, save, exit, select all, reset, copy, paste, font size
//   tfmain_help.cpp      help launcher directory, help and About commands
#include <QMainWindow>
#include <QString>

#include <functional>

class QAction;
class TLMDCheckBox;
class QMenu;
class QToolBar;
class QWidget;
class QFileDialog;

class TMemo;
class TSplitter;
class TLMDFontSizeComboBox;
class TLMDStarter;
class TLMDAboutDlg;

class TFMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFMain(QWidget* parent = nullptr);
  ~TFMain() override;

  // Components, named as in the stored layout so tests and handlers reach them.
  QWidget* Panel1 = nullptr;
  QWidget* Panel2 = nullptr;
  QToolBar* ToolBar1 = nullptr;  // output toolbar
  QToolBar* ToolBar2 = nullptr;  // source toolbar
  TMemo* MemoText = nullptr;
  TMemo* MemoCode = nullptr;
  TSplitter* Splitter1 = nullptr;
  TLMDCheckBox* CheckNum = nullptr;
  TLMDFontSizeComboBox* LMDFontSizeComboBox1 = nullptr;
  QFileDialog* OpenDialog = nullptr;
  QFileDialog* SaveDialog1 = nullptr;
  TLMDAboutDlg* AboutDlg = nullptr;
  TLMDStarter* LMDStarter1 = nullptr;

  // The actions of ActionList1, in stored order.
  QAction* Open = nullptr;
  QAction* Exit = nullptr;
  QAction* Coder = nullptr;
  QAction* SelectAll = nullptr;
  QAction* Reset = nullptr;
  QAction* Coller = nullptr;
  QAction* Copier = nullptr;
  QAction* Save = nullptr;
  QAction* Aide = nullptr;
  QAction* Propos = nullptr;

  // Handlers, bound by name.
  void FormCreate();
  void OpenExecute();
  void SaveExecute();
  void ExitExecute();
  void CoderExecute();
  void SelectAllExecute();
  void ResetExecute();
  void CollerExecute();
  void CopierExecute();
  void AideExecute();
  void ProposExecute();
  void MemoCodeMouseUp();
  void LMDFontSizeComboBox1Change();
  void EnableOutputActions(bool enabled);

  void ConvertNamed();
  void ConvertNumeric();

  // The file choices of Open and Save and the replace question; tests set
  // these to drive the commands without a modal dialog. Empty: the dialogs.
  std::function<QString()> ChooseOpenFile;   // empty string: cancelled
  std::function<QString()> ChooseSaveFile;   // empty string: cancelled
  std::function<bool(const QString&)> ConfirmReplace;
  // Tells the user something that is not a failure (characters replaced in a
  // paste, a file read only up to a zero byte). Empty: an information box.
  std::function<void(const QString&)> ShowNotice;

 private:
  void FormCreateHelp();      // tfmain_help.cpp: the help launcher's directory
  void FormCreateFontSize();  // tfmain_commands.cpp: the drop-down takes the panes' size
  void BindCommandEvents();   // tfmain_commands.cpp: size changes, mouse-up, notices, keys
  bool AskReplace(const QString& name);  // the save dialog's replace question
  void Notify(const QString& message);   // ShowNotice, or an information box
  QString lastOpen_;  // the full names the dialogs returned last
  QString lastSave_;
};

// The one main window, reachable while it is being built; null before and after a failed build.
extern TFMain* FMain;
