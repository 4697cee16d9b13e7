#include "ui/framework/desktop/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPointer>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTextStream>
#include <QThreadPool>
#include <thread>

#include "ui/framework/dialogs/fixed_dialog.h"

namespace platform {
namespace {

Opener& CurrentOpener() {
  static Opener opener;
  return opener;
}

ReportBox& CurrentReportBox() {
  static ReportBox box;
  return box;
}

void Report(const QString& message) {
  if (CurrentReportBox()) {
    CurrentReportBox()(message);
    return;
  }
  ShowMessageBox(QApplication::activeWindow(), QMessageBox::Critical,
                 QApplication::applicationDisplayName(), message);
}

QString FailureMessage(const QUrl& url, int result) {
  const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toString();
  QString message;
  if (result == kFileNotFound)
    message = QStringLiteral("Impossible d'ouvrir « %1 » : le fichier est introuvable.");
  else if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
    message = QStringLiteral(
        "Impossible d'ouvrir « %1 » : le programme xdg-open est introuvable. "
        "Installez le paquet xdg-utils.");
  else if (!url.isLocalFile())
    message = QStringLiteral(
        "Impossible d'ouvrir « %1 » : aucun programme n'est associé à ce type de lien.");
  else if (shown.endsWith(QStringLiteral(".chm"), Qt::CaseInsensitive))
    message = QStringLiteral(
        "Impossible d'ouvrir « %1 » : aucun programme n'est associé à ce type de document. "
        "Installez une visionneuse d'aide CHM, par exemple le paquet xchm.");
  else
    message = QStringLiteral(
        "Impossible d'ouvrir « %1 » : aucun programme n'est associé à ce type de document.");
  return message.arg(shown);
}

// The request itself, on the desktop thread: every step may wait (a slow
// disk, xdg-mime reading the desktop's databases).
int AskDesktop(const QUrl& url, const Opener& opener) {
  if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return kFileNotFound;
  if (opener) return opener(url) ? kOpenOk : kNoAssociation;
  if (!DesktopHasProgramFor(url)) return kNoAssociation;
  const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  const QString target = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
  if (xdgOpen.isEmpty() || !QProcess::startDetached(xdgOpen, {target})) return kNoAssociation;
  return kOpenOk;
}

// The thread that asks the desktop, and the object its answers come back to.
class DesktopRequests : public QObject {
 public:
  using QObject::QObject;
  ~DesktopRequests() override { pool_.waitForDone(); }  // before this object goes

  static DesktopRequests* Instance() {
    static QPointer<DesktopRequests> instance;
    if (!instance) {
      instance = new DesktopRequests(QCoreApplication::instance());
      instance->pool_.setMaxThreadCount(1);
    }
    return instance;
  }

  void Start(std::function<void()> task) { pool_.start(std::move(task)); }

 private:
  QThreadPool pool_;
};

}  // namespace

void SetOpener(Opener opener) { CurrentOpener() = std::move(opener); }
void SetReportBox(ReportBox box) { CurrentReportBox() = std::move(box); }

void OpenDocument(const QUrl& url, const QObject* context, std::function<void(int)> done) {
  DesktopRequests* requests = DesktopRequests::Instance();
  const bool watched = context != nullptr;
  QPointer<const QObject> guard(context);
  requests->Start(
      [requests, url, watched, guard, opener = CurrentOpener(), done = std::move(done)] {
        const int result = AskDesktop(url, opener);
        const QString failure = result <= 32 ? FailureMessage(url, result) : QString();
        QMetaObject::invokeMethod(
            requests,
            [result, failure, watched, guard, done] {
              if (!failure.isEmpty()) Report(failure);
              if (done && (!watched || guard)) done(result);
            },
            Qt::QueuedConnection);
      });
}

bool DesktopHasProgramFor(const QUrl& url) {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) return true;  // xdg-open will say whether it could start anything
  const QString type = url.isLocalFile() ? QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name()
                                         : QStringLiteral("x-scheme-handler/") + url.scheme();
  QProcess query;
  query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
  if (!query.waitForFinished(3000)) {  // a desktop too slow to answer: let the opener try
    query.kill();
    query.waitForFinished();
    return true;
  }
  return !query.readAllStandardOutput().trimmed().isEmpty();
}

namespace {
int sessionEndPipe[2] = {-1, -1};

void OnSessionEnd(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(sessionEndPipe[1], &byte, 1);  // all a handler may do
}
}  // namespace

void QuitOnSessionEnd(QCoreApplication& app) {
  if (sessionEndPipe[0] >= 0 || ::pipe2(sessionEndPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(sessionEndPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char byte;
    while (::read(sessionEndPipe[0], &byte, 1) > 0) {
    }
    QCoreApplication::quit();  // leaves every running loop, a modal box's too
  });
  struct sigaction action = {};
  action.sa_handler = OnSessionEnd;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
}

QString ExecutablePath() {
  const QString target = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
  return target.isEmpty() ? QApplication::applicationFilePath() : target;
}

QString DirectoryWithSeparator(const QString& executablePath) {
  const qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
  QString dir = slash < 0 ? QString() : executablePath.left(slash + 1);
  while (dir.endsWith(QLatin1String("//"))) dir.chop(1);
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir;
}

qint64 PhysicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<qint64>(pages) * pageSize : 0;
}

qint64 AvailableMemoryBytes() {
  QFile meminfo(QStringLiteral("/proc/meminfo"));
  if (meminfo.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : meminfo.readAll().split('\n')) {
      if (!line.startsWith("MemAvailable:")) continue;
      bool ok = false;
      const qint64 kb = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
      if (ok) return kb * 1024;
    }
  }
  return PhysicalMemoryBytes();
}

int ProcessorCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

QString ProcessorName() {
  QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
  if (cpuinfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
    QTextStream in(&cpuinfo);
    for (QString line = in.readLine(); !line.isNull(); line = in.readLine()) {
      if (line.startsWith(QLatin1String("model name")) || line.startsWith(QLatin1String("Model"))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon >= 0) return line.mid(colon + 1).trimmed();
      }
    }
  }
  return QSysInfo::currentCpuArchitecture();
}

}  // namespace platform
