// Start-up of the window program.
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <exception>
#include <memory>

#include "ui/framework/application.h"
#include "ui/tfmain.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Quorlin"));

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
