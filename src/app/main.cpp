// Start-up of the window program.
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <exception>
#include <memory>

#include "ui/framework/application.h"
#include "ui/framework/platform.h"
#include "ui/tfmain.h"

int main(int, char** argv) {
  // The command line changes nothing: Qt sees only the program's name, not
  // its own options (-geometry, -reverse, -platform...).
  int qtArgc = 1;
  TApplication app(qtArgc, argv);
  app.setApplicationName(QStringLiteral("Quorlin"));
  app.setDesktopFileName(QStringLiteral("org.quorlin.Quorlin"));
  app.setWindowIcon(QIcon(QStringLiteral(":/icons/quorlin.svg")));  // the boxes' and the About box's
  platform::QuitOnSessionEnd(app);

  QTranslator qtbase;
  if (qtbase.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtbase);

  std::unique_ptr<TFMain> window;
  try {
    window = std::make_unique<TFMain>();
  } catch (const std::exception& error) {
    FMain = nullptr;
    app.HandleException(error);
    return 0;
  }

  const QByteArray state = qgetenv("QUORLIN_START_STATE");
  if (state == "maximized")
    window->showMaximized();
  else if (state == "minimized")
    window->showMinimized();
  else
    window->show();
  app.exec();
  return 0;
}
