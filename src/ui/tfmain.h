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

class QAction;
class TLMDCheckBox;
class QMenu;
class QToolBar;
class QWidget;

class TMemo;
class TSplitter;
class TLMDFontSizeComboBox;
class TLMDStarter;
class TLMDAboutDlg;
class TFileDialog;

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
  TFileDialog* OpenDialog = nullptr;
  TFileDialog* SaveDialog1 = nullptr;
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

  // Loads the file into the source pane, as Open does once its dialog has
  // returned the name. Throws as Open does; the pane keeps its text then.
  void OpenFile(const QString& name);

 private:
  void FormCreateHelp();      // tfmain_help.cpp: the help launcher's directory
  void FormCreateFontSize();  // tfmain_commands.cpp: the drop-down takes the panes' size
  void BindCommandEvents();   // tfmain_commands.cpp: size changes, mouse-up, notices, keys
};

// The one main window, reachable while it is being built; null before and after a failed build.
extern TFMain* FMain;
