#include "ui/framework/controls/shortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

TShortcutRouter::TShortcutRouter(QWidget* window, QList<QAction*> actions, QObject* parent)
    : QObject(parent), window_(window) {
  for (QAction* a : actions) actions_ << a;
  qApp->installEventFilter(this);
}

TShortcutRouter::~TShortcutRouter() {
  if (qApp) qApp->removeEventFilter(this);
}

QAction* TShortcutRouter::ActionFor(const QKeyEvent* e) const {
  if (e->key() == 0 || e->key() == Qt::Key_unknown) return nullptr;
  const QKeySequence pressed(e->keyCombination());
  for (const QPointer<QAction>& a : actions_) {
    if (!a) continue;
    for (const QKeySequence& s : a->shortcuts())
      if (!s.isEmpty() && s.matches(pressed) == QKeySequence::ExactMatch) return a;
  }
  return nullptr;
}

bool TShortcutRouter::InWindow(QObject* watched) const {
  if (!window_ || !watched->isWidgetType()) return false;
  auto* w = static_cast<QWidget*>(watched);
  // A modal dialog or a popup is a window of its own and keeps its keys.
  return w->window() == window_;
}

bool TShortcutRouter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
  if (!InWindow(watched)) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  QAction* action = ActionFor(key);
  if (!action) return false;
  if (type == QEvent::ShortcutOverride) {
    // Claim the key so the shortcut map does not fire the action a second
    // time; the key press that follows comes back here.
    key->accept();
    return true;
  }
  key->accept();
  if (action->isEnabled()) action->trigger();
  return true;  // the control never sees it, enabled or not
}
