#include "ui/framework/shell/application.h"

#include <cxxabi.h>

#include <QWidget>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "convert/exceptions.h"
#include "ui/framework/controls/hints.h"
#include "ui/framework/dialogs/fixed_dialog.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  hints::Install(*this);
  ShowBox = [](const QString& caption, const QString& text) {
    ShowMessageBox(nullptr, QMessageBox::Critical, caption, text);
  };
}

QString TApplication::MessageText(const QString& message) {
  if (message.isEmpty() || message.back().unicode() <= u'.') return message;
  return message + u'.';
}

QString TApplication::ForeignText(const std::exception& error) {
  // The class as its source names it ("std::bad_alloc", not "St9bad_alloc").
  int status = -1;
  std::unique_ptr<char, void (*)(void*)> readable(
      abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status), std::free);
  const QString className =
      QString::fromLatin1(status == 0 ? readable.get() : typeid(error).name());
  return QStringLiteral("Exception %1 in module %2 at %3.\n%4%5")
      .arg(className, QStringLiteral("quorlin"), QStringLiteral("0x0"),
           QString::fromLocal8Bit(error.what()), QString());
}

void TApplication::HandleException(const std::exception& error) {
  // A drag or a held button ends here, as the box takes the mouse away.
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  if (QWidget* grabber = QWidget::keyboardGrabber()) grabber->releaseKeyboard();
  if (dynamic_cast<const quorlin::EAbort*>(&error)) return;
  if (auto* e = dynamic_cast<const quorlin::Exception*>(&error)) {
    ShowBox(Title, MessageText(QString::fromLocal8Bit(e->Message())));
  } else {
    ShowBox(QStringLiteral("Application Error"), ForeignText(error));
  }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    HandleException(error);
  }
  return false;
}

void RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    if (!app) throw;
    app->HandleException(error);
  }
}
