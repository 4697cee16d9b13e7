// Help and About commands of the main window.
#include "ui/framework/desktop/platform.h"
#include "ui/framework/desktop/starter.h"
#include "ui/framework/dialogs/about_dialog.h"
#include "ui/tfmain.h"

void TFMain::FormCreateHelp() {
  // The help document lies beside the executable.
  LMDStarter1->SetText(2, platform::DirectoryWithSeparator(platform::ExecutablePath()));
}

void TFMain::AideExecute() { LMDStarter1->Execute(); }

void TFMain::ProposExecute() { AboutDlg->Execute(this); }
