// quorlin-cli: the window's open -> convert -> save as one streaming command.
//
//   quorlin-cli lettre.txt > lettre.htm
//   quorlin-cli --numeric -o lettre.htm lettre.txt
//   iconv -f latin1 -t utf-8 ... | quorlin-cli -
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "convert/exceptions.h"
#include "convert/stream_encoder.h"
#include "convert/text/text_codec.h"
#include "convert/text/text_file.h"

namespace {

using quorlin::StreamEncoder;
using quorlin::TextEncoding;

// The output buffer. The encoder gets the input in parts whose largest output
// (8 bytes a byte) fits the room left, and what waits is written out from
// kWriteAt on, so that few of its pages are ever touched: the first touch of a
// page costs about 10 us on these virtual machines (high.txt: 98 page faults
// instead of 152 with room for a whole chunk, 9.4 ms of processor time instead
// of 10.3 ms).
constexpr std::size_t kOutput = 256 * 1024;
constexpr std::size_t kWriteAt = 64 * 1024;
// Below this much input room the buffer is written out first.
constexpr std::size_t kMinPart = 4 * 1024;
static_assert(StreamEncoder::MaxOutput(kMinPart) <= kOutput);

constexpr std::string_view kUsage =
    "Usage : quorlin-cli [--numeric] [--cp1252 | --utf8] [-o SORTIE] [FICHIER | -]\n";

constexpr std::string_view kHelp =
    "Usage : quorlin-cli [--numeric] [--cp1252 | --utf8] [-o SORTIE] [FICHIER | -]\n"
    "\n"
    "Transpose un texte en entités HTML, comme le fait la fenêtre de Quorlin après\n"
    "Ouvrir, Coder et Enregistrer : les quatre caractères de balisage et chaque\n"
    "caractère au-delà de l'ASCII deviennent des références de caractères, trois\n"
    "points de suite une seule référence de points de suspension. Un caractère que\n"
    "Windows-1252 possède s'écrit comme son octet (« &eacute; », « &euro; » ou, en\n"
    "codage numérique, « &#233; », « &#128; ») ; tout autre prend son nom HTML 4.01\n"
    "s'il en a un (« &rarr; »), sinon « &#<point de code>; ». Chaque ligne se\n"
    "termine par CR LF ; le texte s'arrête au premier caractère nul.\n"
    "\n"
    "Le codage du texte est reconnu comme dans la fenêtre : une marque d'ordre des\n"
    "octets UTF-8 ou UTF-16 en tête, sinon de l'UTF-8 valide qui contient au moins\n"
    "un caractère de plusieurs octets, sinon du Windows-1252. Un fichier ordinaire\n"
    "est examiné en entier avant d'être transposé. Sur un tube, les premiers octets\n"
    "au-delà de l'ASCII décident ; si la suite contredit l'UTF-8 ainsi choisi, la\n"
    "commande s'arrête sur une erreur qui nomme la ligne et la colonne, et le\n"
    "fichier SORTIE reste tel qu'il était.\n"
    "\n"
    "Sans FICHIER, ou avec -, le texte est lu sur l'entrée standard.\n"
    "\n"
    "Options :\n"
    "  --numeric     codage numérique (« &#233; ») au lieu des noms (« &eacute; »)\n"
    "  --cp1252      lit le texte en Windows-1252, octet par octet, sans marque\n"
    "  --utf8        lit le texte en UTF-8 (une marque en tête est ignorée) ; de\n"
    "                l'UTF-8 invalide est une erreur qui nomme la ligne et la colonne\n"
    "  -o SORTIE     écrit dans le fichier SORTIE, remplacé seulement une fois\n"
    "                l'écriture achevée (sinon, sur la sortie standard)\n"
    "  -h, --help    affiche cette aide\n"
    "\n"
    "Code de sortie : 0 en cas de succès, 1 pour une erreur de fichier ou de\n"
    "texte, 2 pour une erreur d'usage.\n";

void Print(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// How messages name the input.
std::string InputName(const std::string& path) { return path == "-" ? "entrée standard" : path; }

int UsageError(const std::string& message) {
  Print(2, "quorlin-cli : " + message + "\n");
  Print(2, kUsage);
  return 2;
}

// Where the output goes: the atomic writer for -o, standard output otherwise.
// It can start over when what it holds can still be dropped: the writer's
// temporary file, standard output on /dev/null or on a regular file.
class Sink {
 public:
  explicit Sink(const std::optional<std::string>& path) {
    if (path) {
      writer_ = std::make_unique<quorlin::AtomicFileWriter>(*path);
      restartable_ = writer_->Restart();
      return;
    }
    struct stat out, null;
    if (::fstat(1, &out) != 0) return;
    if (S_ISCHR(out.st_mode) && ::stat("/dev/null", &null) == 0 && out.st_rdev == null.st_rdev) {
      restartable_ = true;  // nothing to take back
    } else if (S_ISREG(out.st_mode) && (::fcntl(1, F_GETFL) & O_APPEND) == 0) {
      const off_t at = ::lseek(1, 0, SEEK_CUR);
      if (at >= 0) {
        start_ = at;
        truncate_ = restartable_ = true;
      }
    }
  }
  bool Restartable() const { return restartable_; }
  bool WritesInPlaceOver(const struct stat& st) const {
    return writer_ && writer_->WritesInPlaceOver(st);
  }
  void Restart() {
    if (writer_) {
      writer_->Restart();
    } else if (truncate_ &&
               (::ftruncate(1, start_) != 0 || ::lseek(1, start_, SEEK_SET) != start_)) {
      throw quorlin::EWriteError();
    }
  }
  void Write(std::string_view data) {
    if (writer_) {
      writer_->Write(data);
      return;
    }
    while (!data.empty()) {
      const ssize_t n = ::write(1, data.data(), data.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        throw quorlin::EWriteError();
      }
      data.remove_prefix(static_cast<std::size_t>(n));
    }
  }
  void Commit() {
    if (writer_) writer_->Commit();
  }
  // After a failure: standard output on a regular file is left as it was
  // found (the writer's temporary file goes with the writer).
  void Abandon() noexcept {
    if (truncate_ && ::ftruncate(1, start_) == 0) ::lseek(1, start_, SEEK_SET);
  }

 private:
  std::unique_ptr<quorlin::AtomicFileWriter> writer_;
  bool restartable_ = false;
  bool truncate_ = false;
  off_t start_ = 0;
};

// The encoder's output on its way to the sink, through one buffer of kOutput.
class Output {
 public:
  Output(StreamEncoder& encoder, Sink& sink)
      : encoder_(encoder), sink_(sink), buffer_(new char[kOutput]) {}

  // Encodes n bytes of input (nothing once the encoder has met the end of the text).
  void Encode(const char* p, std::size_t n) {
    while (n != 0 && !encoder_.Ended()) {
      std::size_t part = InputRoom();
      if (part < std::min(n, kMinPart)) {
        Flush();
        continue;
      }
      part = std::min(part, n);
      used_ =
          static_cast<std::size_t>(encoder_.Feed(p, part, buffer_.get() + used_) - buffer_.get());
      p += part;
      n -= part;
      if (used_ >= kWriteAt) Flush();
    }
  }
  void Finish() {
    if (kOutput - used_ < StreamEncoder::MaxOutput(0)) Flush();
    used_ = static_cast<std::size_t>(encoder_.Finish(buffer_.get() + used_) - buffer_.get());
    Flush();
  }
  // Drops what waits to be written (the sink starts over).
  void Discard() { used_ = 0; }

 private:
  // The most input whose output surely fits: MaxOutput(n) is 8 n + MaxOutput(0).
  std::size_t InputRoom() const {
    const std::size_t free = kOutput - used_;
    return free < StreamEncoder::MaxOutput(0) ? 0 : (free - StreamEncoder::MaxOutput(0)) / 8;
  }
  void Flush() {
    sink_.Write(std::string_view(buffer_.get(), used_));
    used_ = 0;
  }
  static_assert(StreamEncoder::MaxOutput(1000) == 8 * 1000 + StreamEncoder::MaxOutput(0));

  StreamEncoder& encoder_;
  Sink& sink_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

// Reads the text from the reader and writes what the window would save.
void Convert(quorlin::EntityMode mode, quorlin::TextFileReader& reader, Sink& sink) {
  StreamEncoder encoder(mode);
  Output output(encoder, sink);
  // UTF-16 goes to the encoder as UTF-8.
  quorlin::TextDecoder<char> utf16(TextEncoding::Utf16LE);
  std::unique_ptr<char[]> text(new char[quorlin::TextDecoder<char>::MaxOutput(reader.MaxPiece())]);
  for (;;) {
    std::string_view piece = reader.Next();
    if (reader.Restarted()) {  // the text was not UTF-8 after all
      output.Discard();
      sink.Restart();
      encoder = StreamEncoder(mode);
    }
    if (piece.empty()) {
      const char* rest = utf16.Finish(text.get());
      output.Encode(text.get(), static_cast<std::size_t>(rest - text.get()));
      output.Finish();
      if (!encoder.InvalidUtf8()) break;
      reader.Contradicted();  // a sequence cut by the end: starts over, or throws
      continue;
    }
    const TextEncoding encoding = reader.Encoding();
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE) {
      utf16.SetEncoding(encoding);
      const char* end = utf16.Feed(piece.data(), piece.size(), text.get());
      piece = std::string_view(text.get(), static_cast<std::size_t>(end - text.get()));
    }
    encoder.SetInput(encoding == TextEncoding::Cp1252 ? StreamEncoder::Input::Cp1252
                                                      : StreamEncoder::Input::Utf8);
    output.Encode(piece.data(), piece.size());
    // The reader of a regular file leaves the UTF-8 check to the encoder.
    if (encoder.InvalidUtf8()) reader.Contradicted();
  }
  sink.Commit();
}

int Run(quorlin::EntityMode mode, std::optional<TextEncoding> forced, const std::string& inputPath,
        const std::optional<std::string>& outputPath) {
  quorlin::TextReadOptions options;
  options.forced = forced;
  std::unique_ptr<quorlin::TextFileReader> reader =
      inputPath == "-" ? std::make_unique<quorlin::TextFileReader>(0, InputName(inputPath), options)
                       : std::make_unique<quorlin::TextFileReader>(inputPath, options);
  // The output file is created only once the input is open. A regular file is
  // read once when the output can start over, else its text is checked ahead.
  Sink sink(outputPath);
  // Written in place (its folder takes no new file), the input would be
  // emptied before it is read.
  struct stat input;
  if ((inputPath == "-" ? ::fstat(0, &input) : ::stat(inputPath.c_str(), &input)) == 0 &&
      sink.WritesInPlaceOver(input))
    throw quorlin::Exception(*outputPath +
                             " : c'est aussi le fichier lu, et son dossier n'accepte pas de "
                             "nouveau fichier : il serait vidé avant d'être lu");
  reader->SetRestartable(sink.Restartable());
  reader->SetCallerChecksUtf8(true);
  try {
    Convert(mode, *reader, sink);
  } catch (...) {
    sink.Abandon();
    throw;
  }
  // The output is what the window would give; the warning is for the user.
  const quorlin::LoadReport& report = reader->Report();
  if (report.cutAtZero)
    Print(2, InputName(inputPath) + " : " + quorlin::DescribeCut(report) + "\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  auto mode = quorlin::EntityMode::Named;
  std::optional<TextEncoding> forced;
  std::optional<std::string> outputPath;
  std::optional<std::string> inputPath;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsDone && (arg == "-h" || arg == "--help")) {
      Print(1, kHelp);
      return 0;
    }
    if (!optionsDone && arg == "--numeric") {
      mode = quorlin::EntityMode::Numeric;
    } else if (!optionsDone && (arg == "--utf8" || arg == "--cp1252")) {
      const TextEncoding chosen = arg == "--utf8" ? TextEncoding::Utf8 : TextEncoding::Cp1252;
      if (forced && *forced != chosen) return UsageError("--cp1252 et --utf8 s'excluent");
      forced = chosen;
    } else if (!optionsDone && (arg == "-o" || arg == "--output")) {
      if (i + 1 >= argc)
        return UsageError("l'option " + std::string(arg) + " attend un nom de fichier");
      if (outputPath) return UsageError("un seul fichier de sortie est permis");
      outputPath = argv[++i];
      if (outputPath->empty()) return UsageError("le nom du fichier de sortie est vide");
    } else if (!optionsDone && arg == "--") {
      optionsDone = true;
    } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
      return UsageError("option inconnue : " + std::string(arg));
    } else {
      if (inputPath) return UsageError("un seul fichier d'entrée est permis");
      inputPath = std::string(arg);
    }
  }
  try {
    return Run(mode, forced, inputPath.value_or("-"), outputPath);
  } catch (const quorlin::Exception& e) {
    Print(2, e.Message() + "\n");
    return 1;
  } catch (const std::bad_alloc&) {
    Print(2, "Mémoire insuffisante\n");
    return 1;
  }
}
