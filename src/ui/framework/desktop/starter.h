#pragma once
// The help launcher: opens a document from a directory with the program the
// desktop has registered for it, and never waits for that program.
//
//   starter.SetText(2, "/usr/lib/quorlin/");   // DefaultDir
//   starter.Execute();   // opens /usr/lib/quorlin/Quorlin.chm; soon LastError() 2 if it is missing
#include <QObject>
#include <QString>

class TLMDStarter : public QObject {
  Q_OBJECT

 public:
  enum StartOperation { smOpen };
  enum StartOption { soSW_SHOW = 5 };

  explicit TLMDStarter(QObject* owner = nullptr);

  QString Command = QStringLiteral("Quorlin.chm");
  QString Parameters;
  QString DefaultDir;
  StartOperation Operation = smOpen;
  StartOption Option = soSW_SHOW;
  bool Wait = false;

  // 0 sets Command, 1 Parameters, 2 DefaultDir; an equal value changes nothing.
  void SetText(int index, const QString& value);
  QString Text(int index) const;

  // One open request for DefaultDir + Command; returns at once. LastError and
  // ProcessHandle follow once the desktop has answered.
  void Execute();

  int LastError() const { return lastError_; }
  // Number of the request whose result is kept (0 before the first start and
  // while a request is under way).
  int ProcessHandle() const { return processHandle_; }

 private:
  int lastError_ = 0;
  int processHandle_ = 0;
  int requests_ = 0;
};
