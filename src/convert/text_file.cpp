#include "convert/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "convert/exceptions.h"

namespace quorlin {

bool NormalizeLineBreaks(std::string_view raw, std::string& out, bool& pendingCR) {
  const char* p = raw.data();
  const char* const end = p + raw.size();
  while (p < end) {
    // Copy the run up to the next CR, LF or NUL in one piece.
    const char* q = p;
    while (q < end && *q != '\r' && *q != '\n' && *q != '\0') ++q;
    if (q != p) {
      out.append(p, q);
      pendingCR = false;
    }
    if (q == end) break;
    const char c = *q;
    p = q + 1;
    if (c == '\0') {
      pendingCR = false;
      return false;
    }
    if (c == '\n' && pendingCR) {  // the LF of a CR LF: its break is written already
      pendingCR = false;
      continue;
    }
    out.append("\r\n");
    pendingCR = (c == '\r');
  }
  return true;
}

std::string NormalizeLineBreaks(std::string_view raw) {
  std::string out;
  out.reserve(raw.size() + raw.size() / 16);
  bool pendingCR = false;
  NormalizeLineBreaks(raw, out, pendingCR);
  return out;
}

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

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
  if (report.utf16Mark)
    return "Ce fichier semble enregistré en UTF-16 : son texte s'arrête au premier octet nul, après " + bytes +
           ". Enregistrez-le en Windows-1252 pour le transposer en entier.";
  return "Le fichier contient un octet nul après " + bytes + " : seul le texte qui le précède a été lu.";
}

std::string ReadTextFile(const std::string& path, LoadReport* report) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) throw EFOpenError(path);
  struct stat st;
  if (::fstat(file.get(), &st) != 0 || S_ISDIR(st.st_mode)) throw EFOpenError(path);

  std::string text;
  if (S_ISREG(st.st_mode)) text.reserve(static_cast<std::size_t>(st.st_size) + static_cast<std::size_t>(st.st_size) / 16);
  std::vector<char> chunk(1 << 20);
  bool pendingCR = false;
  LoadReport found;
  for (;;) {
    const ssize_t n = ::read(file.get(), chunk.data(), chunk.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError();
    }
    if (n == 0) break;
    const auto size = static_cast<std::size_t>(n);
    if (found.bytesBeforeZero == 0 && size >= 2) {
      const auto first = static_cast<unsigned char>(chunk[0]);
      const auto second = static_cast<unsigned char>(chunk[1]);
      found.utf16Mark = (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF);
    }
    if (!NormalizeLineBreaks(std::string_view(chunk.data(), size), text, pendingCR)) {
      found.cutAtZero = true;
      found.bytesBeforeZero += static_cast<std::size_t>(
          static_cast<const char*>(std::memchr(chunk.data(), '\0', size)) - chunk.data());
      break;
    }
    found.bytesBeforeZero += size;
  }
  if (report) *report = found;
  return text;
}

void LoadFromFile(LineList& lines, const std::string& path, LoadReport* report) {
  const std::string text = ReadTextFile(path, report);  // throws before the list is touched
  lines.SetText(text);
}

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path), target_(ResolveLinks(path)) {
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
  if (fd_ < 0) throw EFCreateError(path_);
  tempPath_.assign(buffer.data());

  // The new file keeps the permissions (and, where allowed, the owner) of the one it replaces.
  if (exists) {
    ::fchmod(fd_, st.st_mode & 07777);
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0) { /* not ours to give: keep our own */ }
  } else {
    ::fchmod(fd_, 0666 & ~CurrentUmask());
  }
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Write(std::string_view data) {
  if (fd_ < 0 || !WriteAll(fd_, data)) throw EWriteError();
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) throw EWriteError();
  if (tempPath_.empty()) {  // written in place (device or pipe)
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0) throw EWriteError();
    return;
  }
  // Flush to the disk before the rename, so a full disk shows here and not later.
  if (::fsync(fd_) != 0 && errno != EINVAL) throw EWriteError();
  const int result = ::close(fd_);
  fd_ = -1;
  if (result != 0) throw EWriteError();
  if (::rename(tempPath_.c_str(), target_.c_str()) != 0) throw EFCreateError(path_);
  tempPath_.clear();
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

void SaveToFile(const LineList& lines, const std::string& path) { WriteTextFile(path, lines.Text()); }

}  // namespace quorlin
