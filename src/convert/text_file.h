#pragma once
// Text files as the panes load and save them.
//
// Load: bytes as they are; the text ends at the first zero byte; CR, LF and
//   CR LF all become CR LF ("a\nb\rc\r\n" -> "a\r\nb\r\nc\r\n", "a\n\rb" -> "a\r\n\r\nb").
// Save: the whole text byte for byte, written beside the target and put in its
//   place only once complete, so a failed save leaves the earlier file whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/line_list.h"

namespace quorlin {

// Appends the normalised form of `raw` to `out`. Stops at the first zero byte.
// `pendingCR` carries a CR that ended the previous chunk; returns false once a
// zero byte was met (the rest of the input is to be ignored).
bool NormalizeLineBreaks(std::string_view raw, std::string& out, bool& pendingCR);
std::string NormalizeLineBreaks(std::string_view raw);

// What a load met besides the text: the text ends at a zero byte, and a file
// saved as UTF-16 has one after its first character.
struct LoadReport {
  bool cutAtZero = false;
  std::uint64_t bytesBeforeZero = 0;  // bytes of the file that were read as text
  bool utf16Mark = false;             // the file starts with FF FE or FE FF
};
// Tells the user, in French, that the text was cut; empty when it was not.
std::string DescribeCut(const LoadReport& report);

// The normalised content of a file. Throws EFOpenError("Cannot open file " + path).
std::string ReadTextFile(const std::string& path, LoadReport* report = nullptr);
// Replaces the list's text with the file's normalised content; on failure the list is unchanged.
void LoadFromFile(LineList& lines, const std::string& path, LoadReport* report = nullptr);

// Writes a file beside its target and replaces the target only on Commit().
// A writer destroyed without Commit() removes its temporary file.
// Open failures throw EFCreateError(path); write failures throw EWriteError.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::string& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view data);
  void Commit();

 private:
  void Discard() noexcept;
  std::string path_;      // as the caller gave it, for messages
  std::string target_;    // the file actually replaced (a symbolic link's target)
  std::string tempPath_;
  int fd_ = -1;
};

void WriteTextFile(const std::string& path, std::string_view text);
void SaveToFile(const LineList& lines, const std::string& path);

}  // namespace quorlin
