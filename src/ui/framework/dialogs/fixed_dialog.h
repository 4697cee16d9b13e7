#pragma once
// Dialogs that cannot be resized carry no minimise or maximise button.
//
// On X11 the window flags tell the window manager so. Under Wayland, when the
// compositor leaves the title bar to the program, Qt 6.4 draws one that always
// has both buttons, whatever the flags; there such a dialog goes without Qt's
// title bar and gets one of its own: the caption, a close button and dragging.
//
//   QMessageBox box(...);
//   MakeFixedDialog(&box);   // before it is shown, once its contents are set
//   box.exec();
#include <QMessageBox>

class QDialog;

void MakeFixedDialog(QDialog* dialog);

// A message box (the program's boxes all go through it), made fixed as above;
// returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(
    QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Whether the dialog carries its own title bar (Wayland).
bool HasOwnTitleBar(const QDialog* dialog);
