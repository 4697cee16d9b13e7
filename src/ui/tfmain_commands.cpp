// Commands of the main window: open, save, exit, select all, reset, copy, paste, font size.
// Placeholder bodies until the commands land.
#include "ui/tfmain.h"

void TFMain::OpenExecute() {}
void TFMain::SaveExecute() {}
void TFMain::ExitExecute() { close(); }
void TFMain::SelectAllExecute() {}
void TFMain::ResetExecute() {}
void TFMain::CollerExecute() {}
void TFMain::CopierExecute() {}
void TFMain::MemoCodeMouseUp() {}
void TFMain::LMDFontSizeComboBox1Change() {}
void TFMain::EnableOutputActions(bool) {}
void TFMain::FormCreateFontSize() {}
