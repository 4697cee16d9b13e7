#pragma once
// Key routing for the main window: the shortcuts of the given actions reach
// their action before the focused control sees the key, from every control of
// the window. While an action is disabled its key is consumed and does nothing
// (an editor must not act on it: on X11 Ctrl+D deletes the selection). Other
// keys, and every key in another top-level window (dialogs, menus, the list of
// a drop-down), go their usual way.
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QKeyEvent;
class QWidget;

class TShortcutRouter : public QObject {
  Q_OBJECT

 public:
  // Installs itself as an application event filter; removed when destroyed.
  TShortcutRouter(QWidget* window, QList<QAction*> actions, QObject* parent = nullptr);
  ~TShortcutRouter() override;

  // The action whose shortcut the key event is, or null.
  QAction* ActionFor(const QKeyEvent* e) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool InWindow(QObject* watched) const;

  QPointer<QWidget> window_;
  QList<QPointer<QAction>> actions_;
};
