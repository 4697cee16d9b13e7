#pragma once
// Text files as the window and quorlin-cli read and write them.
//
// Reading goes through TextFileReader, the one routine both use. The encoding
// is decided from the file's bytes, unless the caller forces one:
//   EF BB BF at the very start             UTF-8, the mark left out
//   FF FE or FE FF at the very start       UTF-16 LE or BE, the mark left out
//   valid UTF-8 with a multi-byte sequence UTF-8
//   anything else                          Windows-1252 (ASCII reads the same)
// The text ends at its first zero byte (in UTF-16, zero character); validity
// is judged on the text before it.
//
// A regular file is judged whole, in one of two ways. When the caller can drop
// what it made of the pieces (`restartable`), the file is read once: a file
// taken for UTF-8 from its first non-ASCII sequence is read again from its
// start as Windows-1252 if a later sequence is not UTF-8 (Restarted() says
// so), and text that is not valid in the encoding a mark or the caller gives
// is refused where it is met. Otherwise the text is checked ahead, read once
// more without being held, so that nothing is handed out that would have to
// be taken back. A pipe or a device is judged from its first non-ASCII
// sequence; if later bytes are not valid in the encoding decided, the piece
// that holds them is refused.
//
//   "caf\xc3\xa9"        -> UTF-8         "caf\xe9"      -> Windows-1252
//   "\xff\xfeP\0"        -> UTF-16 LE "P" "\xef\xbb\xbf" -> UTF-8, empty
//   "ab\0\xc3\xa9"       -> Windows-1252 "ab" (cut at the zero byte)
//
// Saving: the whole text byte for byte, written beside the target and put in
// its place only once complete, so a failed save leaves the earlier file whole;
// a new file gets the mode 0666 less the umask, as any program creates it.
// Only a writable file in a folder that refuses new files is written in place.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/line_list.h"
#include "convert/text/text_codec.h"

namespace quorlin {

// What a load met besides the text.
struct LoadReport {
  TextEncoding encoding = TextEncoding::Cp1252;  // as decided (or forced)
  bool cutAtZero = false;                        // a zero byte or character ended the text
  std::uint64_t bytesBeforeZero = 0;             // bytes of the file before it, mark included
  bool utf16Mark = false;  // starts with a UTF-16 mark, yet read as Windows-1252 (forced)
};
// Tells the user, in French, that the text was cut; empty when it was not.
std::string DescribeCut(const LoadReport& report);

// How TextFileReader reads.
struct TextReadOptions {
  std::optional<TextEncoding> forced;  // no detection, no mark but this encoding's own
  bool restartable = false;            // see TextFileReader
  std::size_t pieceSize = 64 * 1024;   // TextFileReader::kPieceSize
};

class TextFileReader {
 public:
  // Small enough that a piece and its output stay in the processor's
  // second-level cache between the read and the write (measured: 64 KB beats
  // 256 KB and 1 MB by about a tenth on large files).
  static constexpr std::size_t kPieceSize = 64 * 1024;

  using Options = TextReadOptions;

  // Opens the file. Throws EFOpenError("Cannot open file " + path), also for a directory.
  explicit TextFileReader(const std::string& path, Options options = {});
  // Reads an open descriptor (standard input), left open; `name` is for messages.
  TextFileReader(int fd, std::string name, Options options = {});
  ~TextFileReader();
  TextFileReader(const TextFileReader&) = delete;
  TextFileReader& operator=(const TextFileReader&) = delete;

  // The next piece of the text (the mark left out, nothing from the zero on),
  // valid until the next call; empty once the text has ended. A piece never
  // ends inside a character, and holds at most MaxPiece() bytes.
  // Throws EReadError, and EEncodingError naming the file, the line and the
  // column for text that is not valid in the encoding it must be read in.
  std::string_view Next();
  // Says, before the first Next, whether the caller can start over (Options).
  void SetRestartable(bool restartable) { restartable_ = restartable; }
  // Says, before the first Next, that the caller checks UTF-8 pieces as it
  // reads them (StreamEncoder::InvalidUtf8) and calls Contradicted() on invalid
  // text. Only a regular file read once leaves the check to it: the text is
  // then read in one pass instead of two.
  void SetCallerChecksUtf8(bool checks) { callerChecks_ = checks; }
  // The caller met text that is not valid UTF-8 in the pieces handed out since
  // the text began, or at their end: a tentative UTF-8 starts over as
  // Windows-1252 (Restarted() after the next Next); otherwise throws
  // EEncodingError for the first invalid sequence.
  void Contradicted();
  // The piece Next returned last (maybe empty) begins the text again, to be
  // read as Windows-1252: drop what was made of the earlier pieces. Only
  // when restartable.
  bool Restarted() const { return restarted_; }
  // How to read the piece Next returned last. Pieces handed out before the
  // decision are ASCII only, and this says Windows-1252 for them.
  TextEncoding Encoding() const { return decided_ ? encoding_ : TextEncoding::Cp1252; }
  std::size_t MaxPiece() const { return pieceSize_ + 4; }

  bool IsRegularFile() const { return regular_; }
  std::uint64_t FileSize() const { return size_; }  // 0 when not a regular file
  // Complete once Next has returned an empty piece.
  const LoadReport& Report() const { return report_; }

 private:
  void Init(const Options& options);
  void Start();
  void Restart();
  std::size_t ReadSome(char* into, std::size_t room);
  void Decide(TextEncoding encoding);
  void DecideFrom(const char* data, std::size_t length, bool last);
  // The offset of the first invalid sequence of the text from `from` to its
  // end, or TextCheck::kValid; the file is read with pread.
  std::uint64_t CheckAhead(std::uint64_t from, TextEncoding encoding, bool* oddEnd);
  // Throws EEncodingError for the sequence at `offset` (a regular file), or
  // at position_ (a pipe).
  [[noreturn]] void Refuse(std::uint64_t offset, bool oddEnd);
  [[noreturn]] void ThrowInvalid(bool oddEnd) const;
  // Offset of the first zero in data (a zero unit at an even place in UTF-16), or length.
  std::size_t TextEnd(const char* data, std::size_t length, TextEncoding encoding) const;

  int fd_ = -1;
  bool owned_ = false;
  std::uint64_t base_ = 0;  // where reading began in the file (standard input need not be at 0)
  std::string name_;
  bool regular_ = false;
  std::uint64_t size_ = 0;
  std::optional<TextEncoding> forced_;
  bool restartable_ = false;
  std::size_t pieceSize_ = kPieceSize;
  std::vector<char> buffer_;
  std::size_t heldAt_ = 0;    // where the bytes kept for the next piece begin in buffer_
  std::size_t held_ = 0;      // how many there are
  std::uint64_t offset_ = 0;  // file offset of the next piece's first byte
  std::uint64_t textStart_ = 0;
  bool started_ = false;
  bool eof_ = false;
  bool ended_ = false;
  bool decided_ = false;
  TextEncoding encoding_ = TextEncoding::Cp1252;
  bool restarted_ = false;
  bool restartNext_ = false;  // Contradicted() started over: the next piece says so
  bool callerChecks_ = false;
  // Pieces checked as they go, from the file offset checkFrom_; a regular
  // file's tentative UTF-8 starts over as Windows-1252 on a contradiction.
  bool checking_ = false;
  bool tentative_ = false;
  std::uint64_t checkFrom_ = 0;
  TextCheck check_{TextEncoding::Utf8};
  TextPosition position_{TextEncoding::Utf8};  // pipes only: a regular file is read again for it
  LoadReport report_;
};

// The text of a file as line lists hold it (UTF-8, CR LF). Throws as TextFileReader.
std::string ReadTextFile(const std::string& path, LoadReport* report = nullptr);
// Replaces the list's text with the file's text; on failure the list is unchanged.
void LoadFromFile(LineList& lines, const std::string& path, LoadReport* report = nullptr);

// Writes a file beside its target and replaces the target only on Commit().
// A writer destroyed without Commit() removes its temporary file. A device, a
// pipe, and an existing writable file whose folder refuses new files (no
// temporary file can be made there) are written in place instead; such a file
// is emptied only by the first Write or by Commit, so a writer dropped before
// it wrote anything leaves it whole.
// Open failures throw EFCreateError(path); write failures throw EWriteError.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::string& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view data);
  // Drops what was written so far (the temporary file only; false when the
  // target is written in place: a device, a pipe, a file in a locked folder).
  bool Restart();
  void Commit();
  // Whether the target is a regular file written in place and the file `st`
  // describes: whoever reads that file would find it emptied.
  bool WritesInPlaceOver(const struct stat& st) const;

 private:
  void Discard() noexcept;
  std::string path_;    // as the caller gave it, for messages
  std::string target_;  // the file actually replaced (a symbolic link's target)
  std::string tempPath_;
  int fd_ = -1;
  bool truncateFirst_ = false;  // written in place: emptied only when writing starts
};

void WriteTextFile(const std::string& path, std::string_view text);
void SaveToFile(const LineList& lines, const std::string& path);

}  // namespace quorlin
