#include "ui/framework/desktop/starter.h"

#include <QUrl>

#include "ui/framework/desktop/platform.h"

TLMDStarter::TLMDStarter(QObject* owner) : QObject(owner) {
  setObjectName(QStringLiteral("LMDStarter1"));
}

void TLMDStarter::SetText(int index, const QString& value) {
  QString* field = index == 0   ? &Command
                   : index == 1 ? &Parameters
                   : index == 2 ? &DefaultDir
                                : nullptr;
  if (field && *field != value) *field = value;
}

QString TLMDStarter::Text(int index) const {
  return index == 0 ? Command : index == 1 ? Parameters : index == 2 ? DefaultDir : QString();
}

void TLMDStarter::Execute() {
  // The desktop gives no process to keep: the request number stands for it and
  // the previous one is simply dropped. The answer comes later; nothing waits.
  processHandle_ = 0;
  const int request = ++requests_;
  const QString path = Command.startsWith(QLatin1Char('/')) ? Command : DefaultDir + Command;
  platform::OpenDocument(QUrl::fromLocalFile(path), this, [this, request](int result) {
    if (result > 32)
      processHandle_ = request;
    else
      lastError_ = result;
  });
}
