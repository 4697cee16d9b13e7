// Layout of the main window, its actions and menus, and the conversion command.
#include "ui/tfmain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QMenuBar>
#include <QResizeEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "convert/conversion_pass.h"
#include "ui/framework/about_dialog.h"
#include "ui/framework/application.h"
#include "ui/framework/checkbox.h"
#include "ui/framework/file_dialogs.h"
#include "ui/framework/fontsizecombobox.h"
#include "ui/framework/memo.h"
#include "ui/framework/menu_accelerators.h"
#include "ui/framework/splitter.h"
#include "ui/framework/starter.h"

TFMain* FMain = nullptr;

namespace {

// Restores the normal cursor however the pass ends.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

void AddSeparator(QToolBar* bar, const char* name, int width) {
  auto* gap = new QWidget(bar);
  gap->setObjectName(QString::fromLatin1(name));
  gap->setFixedSize(width, 1);
  bar->addWidget(gap);
}

QToolButton* AddButton(QToolBar* bar, const char* name, QAction* action, const QString& hint, int height) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setDefaultAction(action);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  button->setFixedSize(27, height);
  button->setFocusPolicy(Qt::NoFocus);  // toolbar buttons never take the keyboard
  button->setIconSize(QSize(20, 20));
  // The hint is the button's own: keep it when the action's text changes.
  button->setToolTip(hint);
  QObject::connect(action, &QAction::changed, button, [button, hint] { button->setToolTip(hint); });
  bar->addWidget(button);
  return button;
}

QToolBar* MakeToolBar(QWidget* parent, const char* name) {
  auto* bar = new QToolBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setFixedHeight(29);
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setContentsMargins(0, 0, 0, 0);
  if (bar->layout()) {
    bar->layout()->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
  }
  return bar;
}

}  // namespace

TFMain::TFMain(QWidget* parent) : QMainWindow(parent) {
  FMain = this;
  setObjectName(QStringLiteral("FMain"));
  setWindowTitle(QStringLiteral("Quorlin"));
  setWindowIcon(QIcon(QStringLiteral(":/icons/quorlin.svg")));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

  // ActionList1, in stored order.
  auto make = [this](QAction*& slot, const char* name, const QString& caption, const char* image,
                     QKeySequence key, void (TFMain::*handler)()) {
    slot = new QAction(caption, this);
    slot->setObjectName(QString::fromLatin1(name));
    slot->setProperty("caption", caption);
    if (image) slot->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(image)));
    if (!key.isEmpty()) {
      slot->setShortcut(key);
      slot->setShortcutContext(Qt::WindowShortcut);
    }
    slot->setIconVisibleInMenu(false);
    connect(slot, &QAction::triggered, this, [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
  };
  make(Open, "Open", QStringLiteral("Ouvrir"), "open.svg", {}, &TFMain::OpenExecute);
  make(Exit, "Exit", QStringLiteral("Exit"), "exit.svg", {}, &TFMain::ExitExecute);
  make(Coder, "Coder", QStringLiteral("Coder"), "coder.svg", QKeySequence(Qt::CTRL | Qt::Key_D),
       &TFMain::CoderExecute);
  make(SelectAll, "SelectAll", QStringLiteral("SelectAll"), nullptr, QKeySequence(Qt::CTRL | Qt::Key_A),
       &TFMain::SelectAllExecute);
  make(Reset, "Reset", QStringLiteral("Vide"), "reset.svg", {}, &TFMain::ResetExecute);
  make(Coller, "Coller", QStringLiteral("Coller"), "coller.svg", QKeySequence(Qt::CTRL | Qt::Key_V),
       &TFMain::CollerExecute);
  make(Copier, "Copier", QStringLiteral("Copier"), "copier.svg", QKeySequence(Qt::CTRL | Qt::Key_C),
       &TFMain::CopierExecute);
  make(Save, "Save", QStringLiteral("Enregistrer"), "save.svg", {}, &TFMain::SaveExecute);
  make(Aide, "Aide", QStringLiteral("Rubriques d'aide"), nullptr, {}, &TFMain::AideExecute);
  make(Propos, "Propos", QStringLiteral("A propos..."), nullptr, {}, &TFMain::ProposExecute);

  // Client area: Panel1 | Splitter1 | Panel2.
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  auto* row = new QHBoxLayout(client);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  Panel1 = new QWidget(client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedWidth(313);
  auto* col1 = new QVBoxLayout(Panel1);
  col1->setContentsMargins(0, 0, 0, 0);
  col1->setSpacing(0);
  ToolBar2 = MakeToolBar(Panel1, "ToolBar2");
  AddSeparator(ToolBar2, "ToolButton4", 8);
  AddButton(ToolBar2, "ToolButton5", Open, QStringLiteral("Ouvrir un fichier"), 28);
  AddButton(ToolBar2, "ToolButton6", Reset, QStringLiteral("Nouveau projet"), 28);
  AddSeparator(ToolBar2, "ToolButton7", 8);
  AddButton(ToolBar2, "ToolButton8", Coller, QStringLiteral("Coller depuis presse papier"), 28);
  AddSeparator(ToolBar2, "ToolButton10", 8);
  AddButton(ToolBar2, "ToolButton11", Exit, QStringLiteral("Fermer Quorlin"), 28);
  AddSeparator(ToolBar2, "ToolButton14", 21);
  CheckNum = new TLMDCheckBox(QStringLiteral("Codage numérique"), ToolBar2);
  CheckNum->setObjectName(QStringLiteral("CheckNum"));
  CheckNum->setFixedSize(128, 28);
  ToolBar2->addWidget(CheckNum);
  MemoText = new TMemo(Panel1);
  MemoText->setObjectName(QStringLiteral("MemoText"));
  col1->addWidget(ToolBar2);
  col1->addWidget(MemoText);

  Splitter1 = new TSplitter(Panel1, client);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));

  Panel2 = new QWidget(client);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  auto* col2 = new QVBoxLayout(Panel2);
  col2->setContentsMargins(0, 0, 0, 0);
  col2->setSpacing(0);
  ToolBar1 = MakeToolBar(Panel2, "ToolBar1");
  AddSeparator(ToolBar1, "ToolButton2", 8);
  AddButton(ToolBar1, "ToolButton1", Coder, QStringLiteral("Tranposer le texte"), 26);
  AddButton(ToolBar1, "ToolButton3", Copier, QStringLiteral("Copier le texte transposé"), 26);
  AddSeparator(ToolBar1, "ToolButton9", 8);
  AddButton(ToolBar1, "ToolButton13", Save, QStringLiteral("Enregistrer le texte transposé"), 26);
  AddSeparator(ToolBar1, "ToolButton12", 8);
  // The toolbar centres what it holds; the drop-down sits 2 pixels from the top.
  auto* sizeCell = new QWidget(ToolBar1);
  sizeCell->setFixedSize(51, 29);
  auto* sizeSlot = new TLMDFontSizeComboBox(sizeCell);
  LMDFontSizeComboBox1 = sizeSlot;
  sizeSlot->setObjectName(QStringLiteral("LMDFontSizeComboBox1"));
  sizeSlot->setGeometry(0, 2, 51, 21);
  sizeSlot->setToolTip(QStringLiteral("Taille de la police"));
  ToolBar1->addWidget(sizeCell);
  MemoCode = new TMemo(Panel2);
  MemoCode->setObjectName(QStringLiteral("MemoCode"));
  MemoCode->setReadOnly(true);
  // Read-only, but the caret moves and Shift with the arrows selects.
  MemoCode->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  col2->addWidget(ToolBar1);
  col2->addWidget(MemoCode);

  row->addWidget(Panel1);
  row->addWidget(Splitter1);
  row->addWidget(Panel2, 1);
  setCentralWidget(client);

  // MainMenu1: four menus, items share the actions above.
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  auto item = [this](QMenu* menu, const char* name, QAction* action, const QString& ownCaption) {
    if (ownCaption.isEmpty()) {
      menu->addAction(action);
      return;
    }
    // An item with its own caption: a proxy that follows the action's state.
    auto* proxy = new QAction(ownCaption, menu);
    proxy->setObjectName(QString::fromLatin1(name));
    proxy->setShortcut(action->shortcut());
    proxy->setShortcutContext(Qt::WidgetShortcut);  // the action itself owns the key
    proxy->setEnabled(action->isEnabled());
    connect(action, &QAction::enabledChanged, proxy, &QAction::setEnabled);
    connect(proxy, &QAction::triggered, action, &QAction::trigger);
    menu->addAction(proxy);
  };
  QMenu* fichier = bar->addMenu(QStringLiteral("Fichier"));
  fichier->setObjectName(QStringLiteral("Fichier1"));
  item(fichier, "Ouvrir1", Open, {});
  item(fichier, "Enregistrer1", Save, {});
  item(fichier, "Exit1", Exit, QStringLiteral("Quitter"));
  QMenu* edition = bar->addMenu(QStringLiteral("Edition"));
  edition->setObjectName(QStringLiteral("Edition1"));
  item(edition, "SelectAll1", SelectAll, QStringLiteral("Sélectionner tout"));
  item(edition, "Vide1", Reset, QStringLiteral("Nouveau"));
  item(edition, "Copier1", Copier, {});
  item(edition, "Coller1", Coller, {});
  QMenu* action = bar->addMenu(QStringLiteral("Action"));
  action->setObjectName(QStringLiteral("Action1"));
  item(action, "Test", Coder, {});
  QMenu* aide = bar->addMenu(QStringLiteral("Aide"));
  aide->setObjectName(QStringLiteral("Aide1"));
  item(aide, "Rubriquesdaide1", Aide, {});
  item(aide, "Apropos1", Propos, {});
  // The actions live on the window so their keys work whatever has the focus.
  addActions({Open, Exit, Coder, SelectAll, Reset, Coller, Copier, Save, Aide, Propos});
  accelerators::Apply(bar);

  setTabOrder(MemoText, CheckNum);
  setTabOrder(CheckNum, MemoCode);
  setTabOrder(MemoCode, LMDFontSizeComboBox1);
  MemoText->setFocus();

  move(237, 154);
  resize(688, 422 + bar->sizeHint().height());

  // The dialogs, the help launcher, the About box and the handlers' bindings
  // belong to the layout: they exist even when the start-up step below fails.
  const QString textFiles = QStringLiteral("fichier *.txt (*.txt)");
  OpenDialog = new TFileDialog(this, QFileDialog::AcceptOpen,
                               {textFiles, QStringLiteral("tous les fichiers (*)")});
  OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
  SaveDialog1 = new TFileDialog(this, QFileDialog::AcceptSave,
                                {textFiles, QStringLiteral("tous les fichiers *.* (*)")});
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  LMDStarter1 = new TLMDStarter(this);
  AboutDlg = new TLMDAboutDlg(this);
  BindCommandEvents();

  // A failure while setting up still leaves a usable window.
  try {
    FormCreate();
  } catch (const std::exception& error) {
    if (auto* app = qobject_cast<TApplication*>(QCoreApplication::instance()))
      app->HandleException(error);
    else
      throw;
  }
}

TFMain::~TFMain() {
  if (FMain == this) FMain = nullptr;
}

void TFMain::FormCreate() {
  FormCreateHelp();
  FormCreateFontSize();
}

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
