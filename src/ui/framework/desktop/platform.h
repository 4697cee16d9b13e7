#pragma once
// What the program needs of the desktop beyond Qt's widgets: opening a document
// or link with the program the desktop has registered, the executable's place,
// and a summary of the machine for the About box.
#include <QCoreApplication>
#include <QString>
#include <QUrl>
#include <functional>

namespace platform {

// Results of an open request, after the shell's codes: above 32 is success.
constexpr int kOpenOk = 33;
constexpr int kFileNotFound = 2;
constexpr int kNoAssociation = 31;

// Asks the desktop to open `url` with its registered program, and returns at
// once: the desktop is asked on a thread of its own (the file's presence,
// xdg-mime, then xdg-open), so the window never waits for it. A failure is
// then reported in the report box, and `done` runs on this thread with the
// result (kOpenOk, kFileNotFound, kNoAssociation), unless `context` is gone.
// Requests are made one at a time, in order.
void OpenDocument(const QUrl& url, const QObject* context = nullptr,
                  std::function<void(int result)> done = {});

// Whether the desktop has a program registered for the document's type or the
// link's scheme (xdg-mime). xdg-open itself cannot tell: it starts at once and
// fails later in the background. True when xdg-mime is not there to ask.
// Runs xdg-mime and waits for it (up to 3 s): never on the window's thread.
bool DesktopHasProgramFor(const QUrl& url);

// Replace the desktop's opener (xdg-mime, then xdg-open) and the report box,
// for tests; null restores the real ones. The opener answers whether a program
// was started; it is taken when a request is made and runs on the desktop's
// thread.
using Opener = std::function<bool(const QUrl&)>;
using ReportBox = std::function<void(const QString& message)>;
void SetOpener(Opener opener);
void SetReportBox(ReportBox box);

// The end of the session (SIGTERM, SIGHUP) quits the application's event loop
// as a quit request would, so the program ends normally with exit code 0.
void QuitOnSessionEnd(QCoreApplication& app);

// The running executable's real path (/proc/self/exe).
QString ExecutablePath();
// The directory of `executablePath`, ending in exactly one "/": "/usr/lib/quorlin/".
QString DirectoryWithSeparator(const QString& executablePath);

qint64 PhysicalMemoryBytes();
// Memory the system can give without swapping (MemAvailable); the physical
// memory when the kernel does not say.
qint64 AvailableMemoryBytes();
int ProcessorCount();
// The processor's model name, e.g. "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz".
QString ProcessorName();

}  // namespace platform
