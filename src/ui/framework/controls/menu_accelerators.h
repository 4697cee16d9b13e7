#pragma once
// Accelerator marks for a menu's items: each caption gets one character of its
// own (a digit or A-Z), distinct within the menu, earlier characters first.
#include <QString>
#include <QStringList>

class QMenu;
class QMenuBar;

namespace accelerators {
// The captions with '&' inserted; a caption with no free character gets none.
QStringList Assign(const QStringList& captions);
// Applies Assign to the bar and to every one of its menus.
void Apply(QMenuBar* bar);
}  // namespace accelerators
