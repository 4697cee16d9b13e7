#pragma once
// Files and text dropped on a window. A local file is opened (the first of
// them when there are several); text is inserted as a paste would insert it.
//
//   auto* drops = new TDropHandler(window, openFile, pasteText);
//   drops->Watch(window, true);                // anywhere no control takes the drop
//   drops->Watch(sourcePane->viewport(), false); // the pane drops text itself
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

class TDropHandler : public QObject {
  Q_OBJECT

 public:
  // `openFile` gets the first local file and how many were dropped; `pasteText`
  // the dropped text. Both run once the drop is over (the program that dragged
  // is not kept waiting by a box they show).
  using OpenFile = std::function<void(const QString& path, int count)>;
  using PasteText = std::function<void(const QString& text)>;
  TDropHandler(QObject* owner, OpenFile openFile, PasteText pasteText);

  // Takes the drops that reach `target`: files always, text when `text` is set
  // (else the target's own handling of text stays).
  void Watch(QWidget* target, bool text);

  // The local files among the dropped data's addresses, in order.
  static QStringList LocalFiles(const QMimeData& data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  OpenFile openFile_;
  PasteText pasteText_;
};
