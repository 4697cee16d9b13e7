#pragma once
// The command line of the window program.
#include <QString>
#include <QStringList>

// The file named on the command line, as a desktop's "Open with" passes it
// (quorlin %f): the first argument that is not an option; empty when there is
// none. Qt's own options are passed over with their values, as they change
// nothing; any other option is passed over alone; "--" ends the options.
//   FileToOpen({"quorlin", "lettre.txt"})                  -> "lettre.txt"
//   FileToOpen({"quorlin", "-style", "fusion", "a.txt"})   -> "a.txt"
//   FileToOpen({"quorlin", "--", "-a.txt"})                -> "-a.txt"
//   FileToOpen({"quorlin", "-reverse"})                    -> ""
QString FileToOpen(const QStringList& arguments);
