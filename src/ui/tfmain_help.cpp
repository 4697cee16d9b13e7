// Help and About commands of the main window.
// Placeholder bodies until the help launcher and the About box land.
#include "ui/tfmain.h"

void TFMain::FormCreateHelp() {}
void TFMain::AideExecute() {}
void TFMain::ProposExecute() {}
