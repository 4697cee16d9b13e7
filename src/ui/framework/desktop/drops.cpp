#include "ui/framework/desktop/drops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {
const char kTakesText[] = "quorlinDropsText";
}

TDropHandler::TDropHandler(QObject* owner, OpenFile openFile, PasteText pasteText)
    : QObject(owner), openFile_(std::move(openFile)), pasteText_(std::move(pasteText)) {}

void TDropHandler::Watch(QWidget* target, bool text) {
  target->setAcceptDrops(true);
  target->setProperty(kTakesText, text);
  target->installEventFilter(this);
}

QStringList TDropHandler::LocalFiles(const QMimeData& data) {
  QStringList files;
  if (!data.hasUrls()) return files;
  for (const QUrl& url : data.urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files << url.toLocalFile();
  return files;
}

bool TDropHandler::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QMimeData* data = drop->mimeData();
  if (!data) return false;
  const QStringList files = LocalFiles(*data);
  const bool text = files.isEmpty() && data->hasText() && watched->property(kTakesText).toBool();
  if (files.isEmpty() && !text) return false;  // not ours: the target decides
  // Copy: a file manager must not take the file away.
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    if (!files.isEmpty()) {
      QMetaObject::invokeMethod(
          this, [this, path = files.first(), n = files.size()] { openFile_(path, int(n)); },
          Qt::QueuedConnection);
    } else {
      QMetaObject::invokeMethod(
          this, [this, dropped = data->text()] { pasteText_(dropped); }, Qt::QueuedConnection);
    }
  }
  return true;
}
