#pragma once
// The main window: two text panes side by side under their toolbars, the
// splitter between them, the menu bar and the ten actions of ActionList1.
//
// The window is spread over three files by concern:
//   tfmain.cpp           construction, step by step, and FormCreate
//   tfmain_commands.cpp  the commands: open, save, exit, convert, select all,
//                        reset, copy, paste, font size
//   tfmain_help.cpp      help launcher directory, help and About commands
//
// Tests reach the components and actions by their object names, which are
// the names below ("MemoText", "Save", "Open"...), and answer the file
// dialogs through dialogs::SetAnswers (ui/framework/dialogs/file_dialogs.h).
#include <QMainWindow>
#include <QString>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

class TFileDialog;
class TLMDAboutDlg;
class TLMDCheckBox;
class TLMDFontSizeComboBox;
class TLMDStarter;
class TMemo;
class TSplitter;

class TFMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFMain(QWidget* parent = nullptr);
  ~TFMain() override;

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
  // The output pane's selection became empty or not. Made or dropped with the
  // keyboard, Copier follows it, so that keyboard users can copy a part of it;
  // a mouse selection is judged when the button is released (MemoCodeMouseUp),
  // and the program's own changes to the pane (clear, convert) leave Copier be.
  void MemoCodeCopyAvailable(bool available);
  void LMDFontSizeComboBox1Change();
  void EnableOutputActions(bool enabled);

  void ConvertNamed();
  void ConvertNumeric();

  // Loads the file into the source pane, as Open does once its dialog has
  // returned the name. Throws as Open does; the pane keeps its text then.
  void OpenFile(const QString& name);

 private:
  // Construction, in this order.
  void SetUpWindow();
  void CreateActions();
  QWidget* CreateSourcePanel(QWidget* client);
  QWidget* CreateOutputPanel(QWidget* client);
  void CreateLayout();
  void CreateMenus();
  void SetTabOrder();
  void PlaceWindow();
  void CreateComponents();
  void BindEvents();
  void StartUp();

  void FormCreateHelp();      // tfmain_help.cpp: the help launcher's directory
  void FormCreateFontSize();  // tfmain_commands.cpp: the drop-down takes the panes' size

  // Components, named as in the stored layout.
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
};

// The one main window, reachable while it is being built; null before and after a failed build.
extern TFMain* FMain;
