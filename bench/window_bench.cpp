// The real main window on large French text, offscreen: open, convert named
// and numeric, save, each timed with the event-loop pass that follows it (the
// user waits for that too), next to what the same editor needs for one
// setPlainText of the opened text (in a process of its own) and of the
// finished output. Peak memory is read from the kernel.
//
//   window_bench CORPUS_DIR [FILE...]     default files: fr.txt fr-50m.txt
//   window_bench --repeat N FILE          converts FILE N times: peak memory growth
//   window_bench --big N FILE             the steps above on FILE repeated N times
//                                         (written to a temporary directory, removed after)
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert/conversion_pass.h"
#include "convert/line_list.h"
#include "convert/text/text_file.h"
#include "ui/framework/controls/checkbox.h"
#include "ui/framework/dialogs/file_dialogs.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

namespace {

// The window's parts the benchmark drives, found by their object names.
struct Parts {
  explicit Parts(const TFMain& w)
      : Open(w.findChild<QAction*>(QStringLiteral("Open"))),
        Coder(w.findChild<QAction*>(QStringLiteral("Coder"))),
        Save(w.findChild<QAction*>(QStringLiteral("Save"))),
        CheckNum(w.findChild<TLMDCheckBox*>(QStringLiteral("CheckNum"))),
        MemoText(w.findChild<TMemo*>(QStringLiteral("MemoText"))),
        MemoCode(w.findChild<TMemo*>(QStringLiteral("MemoCode"))) {}
  QAction* Open;
  QAction* Coder;
  QAction* Save;
  TLMDCheckBox* CheckNum;
  TMemo* MemoText;
  TMemo* MemoCode;
};

// Peak resident memory since the last ResetPeak, in MB.
double PeakMb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      double kb = 0;
      status >> kb;
      return kb / 1024.0;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

double CurrentMb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kb = 0;
      status >> kb;
      return kb / 1024.0;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Runs `step` and the event pass after it; returns seconds.
template <class F>
double Timed(F&& step) {
  QElapsedTimer timer;
  timer.start();
  step();
  QCoreApplication::processEvents();
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

std::string EngineOutput(const std::string& path, quorlin::EntityMode mode) {
  quorlin::MemoryLineList source;
  quorlin::LoadFromFile(source, path);
  quorlin::MemoryLineList output;
  quorlin::ConvertLines(source, output, mode);
  return output.Text();
}

void Row(const char* what, double seconds, double peak) {
  std::printf("  %-34s %8.2f s   peak %8.0f MB\n", what, seconds, peak);
}

int RunFile(const QString& path) {
  const std::string file = path.toStdString();
  std::ifstream probe(file, std::ios::binary | std::ios::ate);
  if (!probe) {
    std::fprintf(stderr, "window_bench: cannot open %s\n", file.c_str());
    return 1;
  }
  const double sizeMb = static_cast<double>(probe.tellg()) / 1e6;
  std::printf("%s (%.1f MB)\n", file.c_str(), sizeMb);

  QTemporaryDir dir;
  const QString saved = dir.filePath(QStringLiteral("sortie.txt"));
  double worstPeak = 0;
  double convertNamed = 0;
  double open = 0;
  std::string namedText;
  {
    TFMain w;
    const Parts p(w);
    dialogs::SetAnswers({.openFile = [&] { return path; },
                         .saveFile = [&] { return saved; },
                         .replace = [](const QString&) { return true; }});
    w.show();
    QCoreApplication::processEvents();

    ResetPeak();
    open = Timed([&] { p.Open->trigger(); });
    Row("open", open, PeakMb());
    for (bool numeric : {false, true}) {
      p.CheckNum->setChecked(numeric);
      ResetPeak();
      const double s = Timed([&] { p.Coder->trigger(); });
      const double peak = PeakMb();
      worstPeak = std::max(worstPeak, peak);
      Row(numeric ? "convert numeric" : "convert named", s, peak);
      const std::string got = p.MemoCode->Text();
      const bool same = got == EngineOutput(file, numeric ? quorlin::EntityMode::Numeric
                                                          : quorlin::EntityMode::Named);
      const QTextCursor caret = p.MemoCode->textCursor();
      const QScrollBar* bar = p.MemoCode->verticalScrollBar();
      const bool caretShown = p.MemoCode->viewport()->rect().contains(p.MemoCode->cursorRect());
      std::printf(
          "    output %s the engine's (%zu bytes); caret at %d of %d, %s; scroll %d of %d\n",
          same ? "equals" : "DIFFERS FROM", got.size(), caret.position(),
          p.MemoCode->document()->characterCount() - 1, caretShown ? "in view" : "NOT IN VIEW",
          bar->value(), bar->maximum());
      if (!same) return 1;
      if (!numeric) {
        convertNamed = s;
        namedText = got;
      }
    }
    p.CheckNum->setChecked(false);
    p.Coder->trigger();
    ResetPeak();
    const double save = Timed([&] { p.Save->trigger(); });
    Row("save (named)", save, PeakMb());
    // What every caret blink, scroll or uncovering costs once the text is in.
    const double repaint = Timed([&] {
      p.MemoText->viewport()->repaint();
      p.MemoCode->viewport()->repaint();
    });
    Row("repaint of both panes", repaint, PeakMb());
  }

  // The same editor taking the opened text in one call, in a process of its
  // own: here it would find the heap the window left, already in memory.
  double plainSource = 0;
  {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--set-text"), path});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
      std::fprintf(stderr, "window_bench: --set-text %s failed\n", file.c_str());
      return 1;
    }
    const QStringList figures = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
    plainSource = figures.value(0).toDouble();
    Row("setPlainText of the opened text", plainSource, figures.value(1).toDouble());
  }
  // And the finished output.
  double plain = 0;
  {
    TMemo memo;
    memo.setReadOnly(true);
    memo.show();
    const QString text = QString::fromUtf8(namedText);
    namedText.clear();
    namedText.shrink_to_fit();
    ResetPeak();
    plain = Timed([&] { memo.setPlainText(text); });
    Row("setPlainText of the named output", plain, PeakMb());
  }
  std::printf("  open / setPlainText                 %8.2f   (goal <= 1.2)\n", open / plainSource);
  std::printf("  convert named / setPlainText        %8.2f   (goal <= 1.5)\n",
              convertNamed / plain);
  std::printf("  worst convert peak / input size     %8.1f   (goal < 20)\n", worstPeak / sizeMb);
  return 0;
}

// Prints the seconds and peak MB of one setPlainText of the file's text (the
// text the window opens) in a fresh pane, with the event pass after it.
int SetTextOnly(const QString& path) {
  const QString text = QString::fromUtf8(quorlin::ReadTextFile(path.toStdString()));
  TMemo memo;
  memo.show();
  QCoreApplication::processEvents();
  ResetPeak();
  const double seconds = Timed([&] { memo.setPlainText(text); });
  std::printf("%.3f %.0f", seconds, PeakMb());
  return 0;
}

int Repeat(const QString& path, int times) {
  TFMain w;
  const Parts p(w);
  dialogs::SetAnswers({.openFile = [&] { return path; }});
  w.show();
  p.Open->trigger();
  QCoreApplication::processEvents();
  std::printf("%s converted %d times\n", path.toStdString().c_str(), times);
  ResetPeak();
  double first = 0;
  double last = 0;
  for (int i = 1; i <= times; ++i) {
    p.Coder->trigger();
    QCoreApplication::processEvents();
    const double peak = PeakMb();
    if (i == 1) first = peak;
    last = peak;
    std::printf("  after conversion %2d: peak %8.0f MB, resident %8.0f MB\n", i, peak, CurrentMb());
  }
  std::printf("  peak growth after the first: %.1f %%   (goal <= 10 %%)\n",
              100.0 * (last - first) / first);
  return 0;
}

int Big(const QString& path, int times) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  if (!in || times < 1) {
    std::fprintf(stderr, "window_bench: cannot open %s\n", path.toStdString().c_str());
    return 1;
  }
  QTemporaryDir dir;
  const QString big = dir.filePath(QStringLiteral("grand.txt"));
  {
    const std::string piece((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream out(big.toStdString(), std::ios::binary);
    for (int i = 0; i < times; ++i)
      out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "window_bench: cannot write %s\n", big.toStdString().c_str());
      return 1;
    }
  }
  return RunFile(big);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() == 3 && args[0] == QStringLiteral("--repeat"))
    return Repeat(args[2], args[1].toInt());
  if (args.size() == 3 && args[0] == QStringLiteral("--big")) return Big(args[2], args[1].toInt());
  if (args.size() == 2 && args[0] == QStringLiteral("--set-text")) return SetTextOnly(args[1]);
  if (args.isEmpty()) {
    std::fprintf(stderr,
                 "usage: window_bench CORPUS_DIR [FILE...] | --repeat N FILE | --big N FILE\n");
    return 2;
  }
  QStringList files = args.mid(1);
  if (files.isEmpty()) files = {QStringLiteral("fr.txt"), QStringLiteral("fr-50m.txt")};
  for (const QString& f : files)
    if (int rc = RunFile(args[0] + u'/' + f)) return rc;
  return 0;
}
