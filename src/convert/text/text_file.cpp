#include "convert/text/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "convert/exceptions.h"
#include "convert/text/utf8.h"

namespace quorlin {

static_assert(TextReadOptions{}.pieceSize == TextFileReader::kPieceSize);

namespace {

// Writes all of `data`, retrying short writes; false on failure.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a save really replaces: a symbolic link is followed to its target
// (which need not exist yet), so the link itself stays a link.
std::string ResolveLinks(const std::string& path) {
  std::string current = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink(current.c_str(), buffer.data(), PATH_MAX);
    if (n < 0) return current;
    std::string target(buffer.data(), static_cast<std::size_t>(n));
    current = (!target.empty() && target[0] == '/') ? target : DirectoryOf(current) + "/" + target;
  }
  return current;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

std::string DescribeCut(const LoadReport& report) {
  if (!report.cutAtZero) return {};
  const std::string bytes =
      std::to_string(report.bytesBeforeZero) + (report.bytesBeforeZero == 1 ? " octet" : " octets");
  if (report.utf16Mark) {
    return "Ce fichier semble enregistré en UTF-16 : lu en Windows-1252, son texte s'arrête au "
           "premier octet nul, après " +
           bytes + ".";
  }
  const bool utf16 =
      report.encoding == TextEncoding::Utf16LE || report.encoding == TextEncoding::Utf16BE;
  return std::string("Le fichier contient un ") + (utf16 ? "caractère" : "octet") + " nul après " +
         bytes + " : seul le texte qui le précède a été lu.";
}

namespace {

bool IsUtf16(TextEncoding encoding) {
  return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

// UTF-16: an odd last byte, and a high surrogate before it whose pair is still to come.
std::size_t UnfinishedUtf16(const char* data, std::size_t n, bool little) {
  std::size_t keep = n % 2;
  if (n - keep >= 2) {
    const auto* u = reinterpret_cast<const unsigned char*>(data) + n - keep - 2;
    const unsigned unit = little ? (u[0] | u[1] << 8) : (u[0] << 8 | u[1]);
    if (unit >= 0xD800 && unit <= 0xDBFF) keep += 2;
  }
  return keep;
}

}  // namespace

TextFileReader::TextFileReader(const std::string& path, Options options)
    : owned_(true), name_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw EFOpenError(path);
  try {
    Init(options);
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

TextFileReader::TextFileReader(int fd, std::string name, Options options)
    : fd_(fd), name_(std::move(name)) {
  Init(options);
}

TextFileReader::~TextFileReader() {
  if (owned_) ::close(fd_);
}

void TextFileReader::Init(const Options& options) {
  struct stat st;
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) throw EFOpenError(name_);
  regular_ = S_ISREG(st.st_mode);
  size_ = regular_ ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (regular_) {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    base_ = at > 0 ? static_cast<std::uint64_t>(at) : 0;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  forced_ = options.forced;
  restartable_ = options.restartable;
  pieceSize_ = std::max<std::size_t>(options.pieceSize, 1);
  buffer_.resize(pieceSize_ + 8);
}

std::size_t TextFileReader::ReadSome(char* into, std::size_t room) {
  for (;;) {
    const ssize_t n = ::read(fd_, into, room);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw EReadError();
  }
}

void TextFileReader::Decide(TextEncoding encoding) {
  decided_ = true;
  encoding_ = encoding;
  if (encoding == TextEncoding::Cp1252) checking_ = false;  // any byte is Windows-1252
}

void TextFileReader::Start() {
  started_ = true;
  // The first bytes, as many as a mark has unless the input is shorter. Only
  // here, at the very start of the file, can a mark be.
  char* const data = buffer_.data();
  std::size_t n = 0;
  while (n < 3) {
    const std::size_t r = ReadSome(data + n, std::max<std::size_t>(pieceSize_, 3) - n);
    if (r == 0) {
      eof_ = true;
      break;
    }
    n += r;
  }
  const auto* b = reinterpret_cast<const unsigned char*>(data);
  const bool utf8Mark = n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF;
  const bool leMark = n >= 2 && b[0] == 0xFF && b[1] == 0xFE;
  const bool beMark = n >= 2 && b[0] == 0xFE && b[1] == 0xFF;
  std::size_t mark = 0;
  if (forced_) {
    Decide(*forced_);
    if ((*forced_ == TextEncoding::Utf8 && utf8Mark) ||
        (*forced_ == TextEncoding::Utf16LE && leMark) ||
        (*forced_ == TextEncoding::Utf16BE && beMark))
      mark = utf8Mark ? 3 : 2;
    report_.utf16Mark = *forced_ == TextEncoding::Cp1252 && (leMark || beMark);
  } else if (utf8Mark || leMark || beMark) {
    Decide(utf8Mark ? TextEncoding::Utf8 : leMark ? TextEncoding::Utf16LE : TextEncoding::Utf16BE);
    mark = utf8Mark ? 3 : 2;
  }
  textStart_ = offset_ = mark;
  heldAt_ = mark;
  held_ = n - mark;

  const TextEncoding checked = decided_ ? encoding_ : TextEncoding::Utf8;
  if (decided_ && encoding_ == TextEncoding::Cp1252) return;
  if (regular_ && !decided_) return;  // decided at the first non-ASCII sequence
  if (regular_ && !restartable_) {
    // In an encoding known already: the whole text checked now.
    bool oddEnd = false;
    const std::uint64_t bad = CheckAhead(textStart_, encoding_, &oddEnd);
    if (bad != TextCheck::kValid) Refuse(bad, oddEnd);
    return;
  }
  // Each piece as it comes; on a pipe its place counted too.
  checking_ = !(regular_ && callerChecks_ && checked == TextEncoding::Utf8);
  checkFrom_ = textStart_;
  check_ = TextCheck(checked);
  position_ = TextPosition(checked);
}

void TextFileReader::Restart() {
  if (::lseek(fd_, static_cast<off_t>(base_), SEEK_SET) < 0) throw EReadError();
  offset_ = textStart_ = 0;  // no mark: the decision was tentative
  heldAt_ = held_ = 0;
  eof_ = ended_ = false;
  report_ = LoadReport{};
  checking_ = tentative_ = false;
  Decide(TextEncoding::Cp1252);
  restarted_ = true;
}

std::size_t TextFileReader::TextEnd(const char* data, std::size_t length,
                                    TextEncoding encoding) const {
  if (!IsUtf16(encoding)) {
    const void* zero = std::memchr(data, '\0', length);
    return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : length;
  }
  // Pieces of UTF-16 text begin at an even place of the text.
  for (std::size_t i = 0; i + 1 < length; i += 2)
    if (data[i] == 0 && data[i + 1] == 0) return i;
  return length;
}

std::uint64_t TextFileReader::CheckAhead(std::uint64_t from, TextEncoding encoding, bool* oddEnd) {
  TextCheck check(encoding);
  std::vector<char> chunk(std::max<std::size_t>(pieceSize_ & ~std::size_t{1}, 2));
  std::uint64_t at = from;
  for (;;) {
    const ssize_t r = ::pread(fd_, chunk.data(), chunk.size(), static_cast<off_t>(base_ + at));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw EReadError();
    }
    if (r == 0) break;
    const auto n = static_cast<std::size_t>(r);
    const std::size_t end = TextEnd(chunk.data(), n, encoding);  // `at - textStart_` is even
    const std::uint64_t bad = check.Feed(std::string_view(chunk.data(), end));
    if (bad != TextCheck::kValid) return from + bad;
    if (end < n) break;
    at += n;
  }
  const std::uint64_t bad = check.Finish();
  *oddEnd = check.OddEnd();
  return bad == TextCheck::kValid ? bad : from + bad;
}

void TextFileReader::Refuse(std::uint64_t offset, bool oddEnd) {
  // The place, from the text read again up to it.
  TextPosition position(encoding_);
  std::vector<char> chunk(64 * 1024);
  for (std::uint64_t at = textStart_; at < offset;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), offset - at));
    const ssize_t r = ::pread(fd_, chunk.data(), want, static_cast<off_t>(base_ + at));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    position.Advance(std::string_view(chunk.data(), static_cast<std::size_t>(r)));
    at += static_cast<std::uint64_t>(r);
  }
  position_ = position;
  ThrowInvalid(oddEnd);
}

void TextFileReader::ThrowInvalid(bool oddEnd) const {
  std::string message = name_ + " : " + EncodingName(encoding_) + " invalide à la ligne " +
                        std::to_string(position_.Line()) + ", colonne " +
                        std::to_string(position_.Column());
  if (IsUtf16(encoding_))
    message += oddEnd ? " : nombre impair d'octets" : " : moitié de caractère isolée";
  throw EEncodingError(message);
}

void TextFileReader::DecideFrom(const char* data, std::size_t length, bool last) {
  const std::size_t ascii = AsciiPrefixLength(std::string_view(data, length));
  if (ascii == length) {
    if (last) Decide(TextEncoding::Cp1252);  // ASCII only
    return;
  }
  const auto* at = reinterpret_cast<const unsigned char*>(data) + ascii;
  char32_t cp = 0;
  // A piece never ends inside a character, so a sequence cut short is cut by the end of the text.
  if (DecodeUtf8(at, length - ascii, cp) <= 0) {
    Decide(TextEncoding::Cp1252);
  } else if (!regular_) {
    Decide(TextEncoding::Utf8);  // the rest is checked as it comes
  } else if (restartable_) {
    Decide(TextEncoding::Utf8);  // for now: the rest is checked as it comes
    tentative_ = true;
    checking_ = !callerChecks_;
    checkFrom_ = offset_;
    check_ = TextCheck(TextEncoding::Utf8);
  } else {
    bool oddEnd = false;
    const bool valid =
        CheckAhead(offset_ + ascii, TextEncoding::Utf8, &oddEnd) == TextCheck::kValid;
    Decide(valid ? TextEncoding::Utf8 : TextEncoding::Cp1252);
  }
}

void TextFileReader::Contradicted() {
  if (tentative_) {
    Restart();
    restartNext_ = true;
    return;
  }
  if (!regular_) ThrowInvalid(false);  // not left to the caller: never met
  bool oddEnd = false;
  const std::uint64_t bad = CheckAhead(textStart_, encoding_, &oddEnd);
  Refuse(bad == TextCheck::kValid ? textStart_ : bad, oddEnd);
}

std::string_view TextFileReader::Next() {
  restarted_ = restartNext_;
  restartNext_ = false;
  if (ended_) return {};
  if (!started_) Start();
  char* const data = buffer_.data();
  for (;;) {
    // The bytes kept from the last piece go to the front; one read after them
    // unless a whole piece is waiting already.
    if (heldAt_ != 0) {
      std::memmove(data, data + heldAt_, held_);
      heldAt_ = 0;
    }
    if (!eof_ && held_ < 4) {
      const std::size_t r = ReadSome(data + held_, pieceSize_);
      if (r == 0) eof_ = true;
      held_ += r;
    }
    std::size_t n = held_;
    bool last = eof_;
    const std::size_t end = TextEnd(data, n, Encoding());
    if (end < n) {
      n = end;
      last = true;
      report_.cutAtZero = true;
      report_.bytesBeforeZero = offset_ + end;
    }
    // A character cut by the end of what was read waits for the rest.
    std::size_t keep = 0;
    if (!last && !(decided_ && encoding_ == TextEncoding::Cp1252))
      keep = IsUtf16(Encoding()) ? UnfinishedUtf16(data, n, encoding_ == TextEncoding::Utf16LE)
                                 : UnfinishedUtf8Length(std::string_view(data, n));
    const std::size_t length = n - keep;
    if (length == 0 && !last) continue;  // only part of a character so far

    if (!decided_) DecideFrom(data, length, last);
    if (checking_) {
      const std::string_view piece(data, length);
      const std::uint64_t pieceStart = offset_ - checkFrom_;  // the check counts from checkFrom_
      std::uint64_t bad = check_.Feed(piece);
      if (bad == TextCheck::kValid && last) bad = check_.Finish();
      if (bad != TextCheck::kValid) {
        if (tentative_) {
          Restart();
          continue;
        }
        if (regular_) Refuse(checkFrom_ + bad, check_.OddEnd());
        position_.Advance(piece.substr(0, static_cast<std::size_t>(bad - pieceStart)));
        ThrowInvalid(check_.OddEnd());
      }
      if (!last && !regular_) position_.Advance(piece);
    }
    if (last) {
      ended_ = true;
      if (!decided_) Decide(TextEncoding::Cp1252);
      report_.encoding = encoding_;
      if (!report_.cutAtZero) report_.bytesBeforeZero = offset_ + length;
    }
    heldAt_ = length;
    held_ = keep;
    offset_ += length;
    if (length == 0) return {};
    return std::string_view(data, length);
  }
}

std::string ReadTextFile(const std::string& path, LoadReport* report) {
  TextReadOptions options;
  options.restartable = true;
  TextFileReader reader(path, options);
  TextDecoder<char> decoder(TextEncoding::Cp1252);
  std::string text;
  if (reader.IsRegularFile())
    text.reserve(static_cast<std::size_t>(reader.FileSize() + reader.FileSize() / 16));
  const auto decode = [&](std::string_view piece) {
    const std::size_t at = text.size();
    text.resize(at + TextDecoder<char>::MaxOutput(piece.size()));
    char* end = piece.empty() ? decoder.Finish(text.data() + at)
                              : decoder.Feed(piece.data(), piece.size(), text.data() + at);
    text.resize(static_cast<std::size_t>(end - text.data()));
  };
  for (;;) {
    const std::string_view piece = reader.Next();
    if (reader.Restarted()) {
      text.clear();
      decoder = TextDecoder<char>(TextEncoding::Cp1252);
    }
    if (piece.empty()) break;
    decoder.SetEncoding(reader.Encoding());
    decode(piece);
  }
  decode({});
  if (report) *report = reader.Report();
  return text;
}

void LoadFromFile(LineList& lines, const std::string& path, LoadReport* report) {
  const std::string text = ReadTextFile(path, report);  // throws before the list is touched
  lines.SetText(text);
}

AtomicFileWriter::AtomicFileWriter(const std::string& path)
    : path_(path), target_(ResolveLinks(path)) {
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw EFCreateError(path_);
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or a pipe cannot be replaced: write to it directly.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) throw EFCreateError(path_);
    return;
  }
  if (exists && ::access(target_.c_str(), W_OK) != 0) throw EFCreateError(path_);

  const std::string dir = DirectoryOf(target_);
  const std::size_t slash = target_.rfind('/');
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string pattern = dir + "/." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  fd_ = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd_ < 0) {
    // A folder that refuses new files can still hold a file the user may write:
    // that file is then written in place (QSaveFile's direct-write fallback).
    // Nothing else gives up the atomic replacement.
    if (exists && (errno == EACCES || errno == EPERM)) {
      fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
      truncateFirst_ = fd_ >= 0;
      if (fd_ >= 0) return;
    }
    throw EFCreateError(path_);
  }
  tempPath_.assign(buffer.data());

  // The new file keeps the permissions (and, where allowed, the owner) of the one it replaces.
  if (exists) {
    ::fchmod(fd_, st.st_mode & 07777);
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0) { /* not ours to give: keep our own */
    }
  } else {
    ::fchmod(fd_, 0666 & ~CurrentUmask());
  }
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Write(std::string_view data) {
  if (fd_ < 0) throw EWriteError();
  // The earlier content goes only now: a failure before any output (an input
  // that cannot be read) leaves it whole.
  if (truncateFirst_) {
    if (::ftruncate(fd_, 0) != 0) throw EWriteError();
    truncateFirst_ = false;
  }
  if (!WriteAll(fd_, data)) throw EWriteError();
}

bool AtomicFileWriter::Restart() {
  if (fd_ < 0 || tempPath_.empty()) return false;
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) throw EWriteError();
  return true;
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) throw EWriteError();
  if (truncateFirst_) Write({});  // an empty text
  // Flush to the disk first, so a full disk shows here and not later.
  const bool synced = ::fsync(fd_) == 0 || errno == EINVAL;  // EINVAL: a pipe or device
  const int result = ::close(fd_);
  fd_ = -1;
  if (!synced || result != 0) throw EWriteError();
  if (tempPath_.empty()) return;  // written in place
  if (::rename(tempPath_.c_str(), target_.c_str()) != 0) throw EFCreateError(path_);
  tempPath_.clear();
}

bool AtomicFileWriter::WritesInPlaceOver(const struct stat& st) const {
  struct stat own;
  return fd_ >= 0 && tempPath_.empty() && ::fstat(fd_, &own) == 0 && S_ISREG(own.st_mode) &&
         own.st_dev == st.st_dev && own.st_ino == st.st_ino;
}

void AtomicFileWriter::Discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

void WriteTextFile(const std::string& path, std::string_view text) {
  AtomicFileWriter writer(path);
  writer.Write(text);
  writer.Commit();
}

void SaveToFile(const LineList& lines, const std::string& path) {
  WriteTextFile(path, lines.Text());
}

}  // namespace quorlin
