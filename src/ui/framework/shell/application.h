#pragma once
// The application object: a failure escaping any event handler ends in an
// error box instead of ending the program.
#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the box for a failure; EAbort shows nothing.
  void HandleException(const std::exception& error);
  // The box text for a program failure: a full stop is added when the last
  // character comes after the full stop in the code table (a letter, a digit,
  // '/', ':', '?', anything accented); one ending in '.', '!', ')', a quote or
  // a space is shown as it is.
  static QString MessageText(const QString& message);
  static QString ForeignText(const std::exception& error);

  // Shows a box (caption, text, critical icon). Tests replace it.
  std::function<void(const QString& caption, const QString& text)> ShowBox;
  QString Title = QStringLiteral("Quorlin");
};

// Runs an event handler and hands its failure to the application's error box
// right here: Qt's signal and event code is not written for exceptions, and
// unwinding through it leaks the event and can leave a button held down.
// Under another application object the failure goes on to the caller.
void RunHandler(const std::function<void()>& handler);
