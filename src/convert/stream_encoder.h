#pragma once
// The whole open -> convert -> save path as one stream, for input of any size:
// the text of a file goes in piece by piece (TextFileReader hands it out: mark
// left out, checked, cut at its end) and the text that the window would save
// comes out, without the file ever being held whole.
//
//   "caf\xe9\n..."   named   -> "caf&eacute;\r\n&hellip;\r\n"
//   ""                       -> ""              (an empty source gives no line)
//   "a\n\rb"                 -> "a\r\n\r\nb\r\n" (LF CR is two breaks)
//   "ab\0cd"                 -> "ab\r\n"        (the text ends at the first zero byte)
//
// Every line, the last one included, ends with CR LF; an empty last piece (after
// a final break) gives no line. Each line's full-stop run starts afresh.
//
// With Input::Utf8 the bytes are read as UTF-8, each character as
// EncodeCodePoint writes it; U+2028 and U+2029 are line breaks, U+FDD0 and
// U+FDD1 are read as U+FFFD, as the panes hold them. A byte that is
// not part of a valid sequence is read as its Windows-1252 character. The
// characters that Windows-1252 holds are turned into its bytes and go the
// Windows-1252 way, so both inputs run at the same speed.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "convert/entity_encoder.h"
#include "convert/kernels/full_stop_run.h"

namespace quorlin {

class StreamEncoder {
 public:
  enum class Input { Cp1252, Utf8 };

  // `kernel` only chooses the speed: every kernel gives the same bytes.
  explicit StreamEncoder(EntityMode mode, Input input = Input::Cp1252,
                         Kernel kernel = ActiveKernel());

  // Changes how the bytes that follow are read. Only between pieces, with no
  // UTF-8 sequence cut (after ASCII, which reads the same either way).
  void SetInput(Input input) { utf8_ = input == Input::Utf8; }

  // Room the destination needs for a Feed of n bytes or for Finish.
  static constexpr std::size_t MaxOutput(std::size_t n) { return n * 8 + 64; }

  // Encodes the next n input bytes into dst (which has MaxOutput(n) bytes of
  // room) and returns the end of what it wrote. Input after a zero byte is ignored.
  char* Feed(const char* src, std::size_t n, char* dst);
  // Ends the input: closes the last line.
  char* Finish(char* dst);

  // Whether a zero byte ended the text.
  bool Ended() const { return ended_; }
  // Whether the UTF-8 input so far held a byte that is no part of a valid
  // sequence, before the end of the text (a sequence that Finish finds cut
  // counts): what TextCheck would say, found on the way.
  bool InvalidUtf8() const { return invalidUtf8_; }

 private:
  char* FeedBytes(const char* p, const char* end, char* d);
  char* FeedUtf8(const unsigned char* p, const unsigned char* end, char* d);
  // A decoded character of 128 and above (UTF-8 input).
  char* Character(char32_t cp, char* d);
  char* EndLine(char* d);

  EntityMode mode_;
  bool utf8_;
  Kernel kernel_;
  FullStopRun stops_;       // the current line's run of full stops
  bool pendingCR_ = false;  // the last byte was a CR: a LF now is its pair
  bool lineOpen_ = false;   // the current line has bytes
  bool ended_ = false;
  bool invalidUtf8_ = false;
  // UTF-8: a sequence cut by the end of the previous piece, and the Windows-1252
  // bytes of the characters read, on their way to the byte path.
  unsigned char partial_[4] = {};
  std::size_t partialLength_ = 0;
  std::unique_ptr<char[]> bytes_;
};

}  // namespace quorlin
