// Construction of the main window, step by step: actions, layout with its
// toolbars, menus, tab order, geometry, non-visual components, event
// bindings, then the start-up handler FormCreate.
#include "ui/tfmain.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/framework/controls/checkbox.h"
#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/controls/menu_accelerators.h"
#include "ui/framework/controls/shortcuts.h"
#include "ui/framework/controls/splitter.h"
#include "ui/framework/desktop/drops.h"
#include "ui/framework/desktop/placement.h"
#include "ui/framework/desktop/starter.h"
#include "ui/framework/dialogs/about_dialog.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/framework/shell/application.h"

TFMain* FMain = nullptr;

namespace {

QToolBar* MakeToolBar(QWidget* parent, const char* name, const QString& spoken) {
  auto* bar = new QToolBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setAccessibleName(spoken);
  // The button that shows what does not fit when the window is narrow.
  if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
    more->setAccessibleName(QStringLiteral("Autres boutons"));
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

void AddSeparator(QToolBar* bar, const char* name, int width) {
  auto* gap = new QWidget(bar);
  gap->setObjectName(QString::fromLatin1(name));
  gap->setFixedSize(width, 1);
  bar->addWidget(gap);
}

// `command`: what a screen reader calls the button, the command's French name
// (the action's own caption may be the stored "Exit" or "Vide"). The hint is
// the button's own; each action has one button at most, so the action carries it.
void AddButton(QToolBar* bar, const char* name, QAction* action, const QString& command,
               const QString& hint, int height) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  action->setToolTip(hint);
  button->setDefaultAction(action);
  button->setAccessibleName(command);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  button->setFixedSize(27, height);
  button->setFocusPolicy(Qt::NoFocus);  // toolbar buttons never take the keyboard
  button->setIconSize(QSize(20, 20));
  bar->addWidget(button);
}

QVBoxLayout* Column(QWidget* panel) {
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  return column;
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* menu = bar->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  return menu;
}

}  // namespace

TFMain::TFMain(QWidget* parent) : QMainWindow(parent) {
  FMain = this;
  SetUpWindow();
  CreateActions();
  CreateLayout();
  CreateMenus();
  SetTabOrder();
  PlaceWindow();
  CreateComponents();
  BindEvents();
  StartUp();
}

TFMain::~TFMain() {
  if (FMain == this) FMain = nullptr;
}

void TFMain::SetUpWindow() {
  setObjectName(QStringLiteral("FMain"));
  setWindowTitle(QStringLiteral("Quorlin"));
  setWindowIcon(QIcon(QStringLiteral(":/icons/quorlin.svg")));
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
}

// ActionList1, in stored order: the one place where the actions are made.
// Each action is the one object behind its menu item, its button and its key,
// so its enabled state shows on all of them at once. A menu shows an action's
// text: the item's own caption where the layout gives it one ("Quitter" for
// Exit), else the action's caption, which is also its icon text, what a
// button would show (the toolbars show images only).
void TFMain::CreateActions() {
  struct Row {
    QAction* TFMain::*slot;
    const char* name;
    const char* caption;
    const char* menuCaption;  // null: the item shows the action's caption
    const char* image;        // in :/icons/; null: none
    const char* key;          // empty: none
    void (TFMain::*handler)();
  };
  const Row rows[] = {
      {&TFMain::Open, "Open", "Ouvrir", nullptr, "open.svg", "", &TFMain::OpenExecute},
      {&TFMain::Exit, "Exit", "Exit", "Quitter", "exit.svg", "", &TFMain::ExitExecute},
      {&TFMain::Coder, "Coder", "Coder", nullptr, "coder.svg", "Ctrl+D", &TFMain::CoderExecute},
      {&TFMain::SelectAll, "SelectAll", "SelectAll", "Sélectionner tout", nullptr, "Ctrl+A",
       &TFMain::SelectAllExecute},
      {&TFMain::Reset, "Reset", "Vide", "Nouveau", "reset.svg", "", &TFMain::ResetExecute},
      {&TFMain::Coller, "Coller", "Coller", nullptr, "coller.svg", "Ctrl+V",
       &TFMain::CollerExecute},
      {&TFMain::Copier, "Copier", "Copier", nullptr, "copier.svg", "Ctrl+C",
       &TFMain::CopierExecute},
      {&TFMain::Save, "Save", "Enregistrer", nullptr, "save.svg", "", &TFMain::SaveExecute},
      {&TFMain::Aide, "Aide", "Rubriques d'aide", nullptr, nullptr, "", &TFMain::AideExecute},
      {&TFMain::Propos, "Propos", "A propos...", nullptr, nullptr, "", &TFMain::ProposExecute},
  };
  for (const Row& row : rows) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(row.name));
    action->setIconText(QString::fromUtf8(row.caption));
    action->setText(QString::fromUtf8(row.menuCaption ? row.menuCaption : row.caption));
    if (row.image)
      action->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(row.image)));
    if (*row.key) {
      action->setShortcut(QKeySequence(QString::fromLatin1(row.key), QKeySequence::PortableText));
      action->setShortcutContext(Qt::WindowShortcut);
    }
    connect(action, &QAction::triggered, this,
            [this, handler = row.handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    // On the window, so their keys work whatever has the focus.
    addAction(action);
    this->*row.slot = action;
  }
}

// Panel1: the source toolbar over the source pane.
QWidget* TFMain::CreateSourcePanel(QWidget* client) {
  Panel1 = new QWidget(client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedWidth(313);
  QVBoxLayout* column = Column(Panel1);
  ToolBar2 = MakeToolBar(Panel1, "ToolBar2", QStringLiteral("Barre d'outils du texte source"));
  AddSeparator(ToolBar2, "ToolButton4", 8);
  AddButton(ToolBar2, "ToolButton5", Open, QStringLiteral("Ouvrir"),
            QStringLiteral("Ouvrir un fichier"), 28);
  AddButton(ToolBar2, "ToolButton6", Reset, QStringLiteral("Nouveau"),
            QStringLiteral("Nouveau projet"), 28);
  AddSeparator(ToolBar2, "ToolButton7", 8);
  AddButton(ToolBar2, "ToolButton8", Coller, QStringLiteral("Coller"),
            QStringLiteral("Coller depuis presse papier"), 28);
  AddSeparator(ToolBar2, "ToolButton10", 8);
  AddButton(ToolBar2, "ToolButton11", Exit, QStringLiteral("Quitter"),
            QStringLiteral("Fermer Quorlin"), 28);
  AddSeparator(ToolBar2, "ToolButton14", 21);
  CheckNum = new TLMDCheckBox(QStringLiteral("Codage numérique"), ToolBar2);
  CheckNum->setObjectName(QStringLiteral("CheckNum"));
  CheckNum->setFixedSize(128, 28);
  CheckNum->setAccessibleDescription(
      QStringLiteral("Coché : références décimales (&#233;) au lieu des noms (&eacute;)"));
  ToolBar2->addWidget(CheckNum);
  MemoText = new TMemo(Panel1);
  MemoText->setObjectName(QStringLiteral("MemoText"));
  MemoText->setAccessibleName(QStringLiteral("Texte source"));
  MemoText->setAccessibleDescription(QStringLiteral("Le texte à transposer en entités HTML"));
  column->addWidget(ToolBar2);
  column->addWidget(MemoText);
  return Panel1;
}

// Panel2: the output toolbar over the output pane.
QWidget* TFMain::CreateOutputPanel(QWidget* client) {
  Panel2 = new QWidget(client);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  QVBoxLayout* column = Column(Panel2);
  ToolBar1 = MakeToolBar(Panel2, "ToolBar1", QStringLiteral("Barre d'outils du code HTML"));
  AddSeparator(ToolBar1, "ToolButton2", 8);
  AddButton(ToolBar1, "ToolButton1", Coder, QStringLiteral("Coder"),
            QStringLiteral("Tranposer le texte"), 26);
  AddButton(ToolBar1, "ToolButton3", Copier, QStringLiteral("Copier"),
            QStringLiteral("Copier le texte transposé"), 26);
  AddSeparator(ToolBar1, "ToolButton9", 8);
  AddButton(ToolBar1, "ToolButton13", Save, QStringLiteral("Enregistrer"),
            QStringLiteral("Enregistrer le texte transposé"), 26);
  AddSeparator(ToolBar1, "ToolButton12", 8);
  // The toolbar centres what it holds; the drop-down sits 2 pixels from the top.
  auto* sizeCell = new QWidget(ToolBar1);
  sizeCell->setFixedSize(51, 29);
  LMDFontSizeComboBox1 = new TLMDFontSizeComboBox(sizeCell);
  LMDFontSizeComboBox1->setObjectName(QStringLiteral("LMDFontSizeComboBox1"));
  LMDFontSizeComboBox1->setGeometry(0, 2, 51, 21);
  LMDFontSizeComboBox1->setToolTip(QStringLiteral("Taille de la police"));
  // Named for what it sets: a screen reader reads the size as its value.
  LMDFontSizeComboBox1->setAccessibleName(QStringLiteral("Taille de la police"));
  LMDFontSizeComboBox1->setAccessibleDescription(
      QStringLiteral("Taille du texte des deux volets, en points"));
  if (QLineEdit* edit = LMDFontSizeComboBox1->lineEdit())
    edit->setAccessibleName(QStringLiteral("Taille de la police"));
  ToolBar1->addWidget(sizeCell);
  MemoCode = new TMemo(Panel2);
  MemoCode->setObjectName(QStringLiteral("MemoCode"));
  MemoCode->setAccessibleName(QStringLiteral("Code HTML"));
  MemoCode->setAccessibleDescription(QStringLiteral("Le texte transposé, en lecture seule"));
  MemoCode->setReadOnly(true);
  // Read-only, but the caret moves and Shift with the arrows selects.
  MemoCode->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  column->addWidget(ToolBar1);
  column->addWidget(MemoCode);
  return Panel2;
}

// The client area: Panel1 | Splitter1 | Panel2; the right half takes what the
// window gains or loses in width.
void TFMain::CreateLayout() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  auto* row = new QHBoxLayout(client);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(CreateSourcePanel(client));
  Splitter1 = new TSplitter(Panel1, client);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  row->addWidget(Splitter1);
  row->addWidget(CreateOutputPanel(client), 1);
  setCentralWidget(client);
}

// MainMenu1: four menus whose items are the actions themselves.
void TFMain::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  bar->setAccessibleName(QStringLiteral("Barre de menus"));
  AddMenu(bar, "Fichier1", QStringLiteral("Fichier"))->addActions({Open, Save, Exit});
  AddMenu(bar, "Edition1", QStringLiteral("Edition"))
      ->addActions({SelectAll, Reset, Copier, Coller});
  AddMenu(bar, "Action1", QStringLiteral("Action"))->addAction(Coder);
  AddMenu(bar, "Aide1", QStringLiteral("Aide"))->addActions({Aide, Propos});
  accelerators::Apply(bar);
}

// The focus starts in the source pane; Tab goes round the four controls.
void TFMain::SetTabOrder() {
  setTabOrder(MemoText, CheckNum);
  setTabOrder(CheckNum, MemoCode);
  setTabOrder(MemoCode, LMDFontSizeComboBox1);
  MemoText->setFocus();
}

// The stored position and size, the client area 688 x 422 under the menu bar,
// where they fit in the screen's available area; else moved into it (a small
// screen, a large scale factor), and made smaller only down to the content.
void TFMain::PlaceWindow() {
  PlaceInAvailableArea(this, QRect(237, 154, 688, 422 + menuBar()->sizeHint().height()));
}

// The dialogs, the help launcher and the About box.
void TFMain::CreateComponents() {
  const QString textFiles = QStringLiteral("fichier *.txt (*.txt)");
  OpenDialog = new TFileDialog(this, QFileDialog::AcceptOpen,
                               {textFiles, QStringLiteral("tous les fichiers (*)")});
  OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
  SaveDialog1 = new TFileDialog(this, QFileDialog::AcceptSave,
                                {textFiles, QStringLiteral("tous les fichiers *.* (*)")});
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  LMDStarter1 = new TLMDStarter(this);
  AboutDlg = new TLMDAboutDlg(this);
}

// The handlers of events other than the actions'.
void TFMain::BindEvents() {
  connect(LMDFontSizeComboBox1, &TLMDFontSizeComboBox::Changed, this,
          [this] { RunHandler([this] { LMDFontSizeComboBox1Change(); }); });
  connect(MemoCode, &TMemo::MouseUp, this, [this] { RunHandler([this] { MemoCodeMouseUp(); }); });
  connect(MemoCode, &TMemo::copyAvailable, this, &TFMain::MemoCodeCopyAvailable);
  // Characters a paste or typing lost are told, not treated as a failure.
  connect(MemoText, &TMemo::LostCharacters, this,
          [this](const QString& message) { dialogs::Notice(this, message); });
  new TShortcutRouter(this, {SelectAll, Copier, Coller, Coder}, this);
  // Files dropped anywhere on the window open as Ouvrir opens them; text
  // dropped outside the source pane goes into it as a paste. The source pane
  // takes dropped text itself, where it is dropped; the size box keeps its own.
  auto* drops = new TDropHandler(
      this,
      [this](const QString& path, int count) {
        RunHandler([this, path, count] {
          OpenFile(path);
          if (count > 1)
            dialogs::Notice(this, QStringLiteral("Un seul fichier s'ouvre à la fois : "
                                                 "seul « %1 » a été ouvert.")
                                      .arg(QFileInfo(path).fileName()));
        });
      },
      [this](const QString& text) {
        QMimeData data;
        data.setText(text);
        MemoText->PasteFrom(data);
      });
  drops->Watch(this, true);
  drops->Watch(MemoText->viewport(), false);
  if (QLineEdit* edit = LMDFontSizeComboBox1->lineEdit()) drops->Watch(edit, false);
}

// The window exists whole before FormCreate runs (the components and bindings
// above too); a failure there leaves it usable.
void TFMain::StartUp() {
  try {
    FormCreate();
  } catch (const std::exception& error) {
    if (auto* app = qobject_cast<TApplication*>(QCoreApplication::instance()))
      app->HandleException(error);
    else
      throw;
  }
}

void TFMain::FormCreate() {
  FormCreateHelp();
  FormCreateFontSize();
}
