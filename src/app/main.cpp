// Start-up of the window program.
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTimer>
#include <QTranslator>
#include <cstdlib>
#include <exception>
#include <memory>

#include "ui/framework/desktop/command_line.h"
#include "ui/framework/desktop/platform.h"
#include "ui/framework/shell/application.h"
#include "ui/tfmain.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
  // Qt sees only the program's name, not its own options (-geometry, -reverse,
  // -platform...): they change nothing.
  int qtArgc = 1;
  TApplication app(qtArgc, argv);
  app.setApplicationName(QStringLiteral("Quorlin"));
  app.setDesktopFileName(QStringLiteral("org.quorlin.Quorlin"));
  app.setWindowIcon(
      QIcon(QStringLiteral(":/icons/quorlin.svg")));  // the boxes' and the About box's
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
  // "Open with": the file named on the command line opens as Ouvrir opens it,
  // once the window is up, so that a failure shows its box over the window.
  const QString file = FileToOpen(arguments);
  if (!file.isEmpty()) {
    QTimer::singleShot(0, window.get(),
                       [w = window.get(), file] { RunHandler([w, file] { w->OpenFile(file); }); });
  }
  app.exec();
  return 0;
}
