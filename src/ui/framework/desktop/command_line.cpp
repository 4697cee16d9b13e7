#include "ui/framework/desktop/command_line.h"

namespace {

// Qt's options that take a value (QGuiApplication, QApplication, xcb).
bool TakesValue(QString option) {
  if (option.startsWith(QLatin1String("--"))) option.remove(0, 1);
  static const char* const kWithValue[] = {"-platform",      "-platformpluginpath",
                                           "-platformtheme", "-plugin",
                                           "-qmljsdebugger", "-qwindowgeometry",
                                           "-geometry",      "-qwindowicon",
                                           "-icon",          "-qwindowtitle",
                                           "-title",         "-display",
                                           "-name",          "-session",
                                           "-style",         "-stylesheet",
                                           "-visual",        "-cmap"};
  for (const char* known : kWithValue)
    if (option == QLatin1String(known)) return true;
  return false;
}

}  // namespace

QString FileToOpen(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--")) return arguments.value(i + 1);
    if (argument.startsWith(u'-') && argument.size() > 1) {
      if (TakesValue(argument)) ++i;  // "-style=fusion" carries its own
      continue;
    }
    return argument;
  }
  return {};
}
