#pragma once
// The whole open -> convert -> save path as one stream, for input of any size:
// the bytes of a file go in piece by piece and the text that the window would
// save comes out, without the file ever being held whole.
//
//   "caf\xe9\n..."   named   -> "caf&eacute;\r\n&hellip;\r\n"
//   ""                       -> ""              (an empty source gives no line)
//   "a\n\rb"                 -> "a\r\n\r\nb\r\n" (LF CR is two breaks)
//   "ab\0cd"                 -> "ab\r\n"        (the text ends at the first zero byte)
//
// Every line, the last one included, ends with CR LF; an empty last piece (after
// a final break) gives no line. Each line's full-stop run starts afresh.
//
// With Input::Utf8 the bytes are read as UTF-8: a byte-order mark at the very
// start is dropped, characters that Windows-1252 has are encoded as its byte,
// any other becomes "&#<code point>;", and invalid UTF-8 throws EConvertError
// naming the line and column (both from 1, the column counted in characters).
#include <cstddef>
#include <cstdint>

#include "convert/entity_encoder.h"

namespace quorlin {

class StreamEncoder {
 public:
  enum class Input { Cp1252, Utf8 };

  explicit StreamEncoder(EntityMode mode, Input input = Input::Cp1252);

  // Room the destination needs for a Feed of n bytes or for Finish.
  static constexpr std::size_t MaxOutput(std::size_t n) { return n * 8 + 64; }

  // Encodes the next n input bytes into dst (which has MaxOutput(n) bytes of
  // room) and returns the end of what it wrote. Input after a zero byte is ignored.
  char* Feed(const char* src, std::size_t n, char* dst);
  // Ends the input: closes the last line. Throws on an unfinished UTF-8 sequence.
  char* Finish(char* dst);

  // Whether a zero byte ended the text.
  bool Ended() const { return ended_; }

 private:
  char* EndLine(char* d);
  // Handles one decoded character of 128 and above (UTF-8 input).
  char* WriteCodePoint(char32_t cp, char* d);
  // Decodes the sequence at s (avail bytes); 0 when more bytes are needed.
  std::size_t DecodeSequence(const unsigned char* s, std::size_t avail, char32_t& cp) const;
  [[noreturn]] void ThrowInvalid() const;

  EntityMode mode_;
  bool utf8_;
  int dots_ = 0;            // full stops of the current run not yet written
  bool pendingCR_ = false;  // the last byte was a CR: a LF now is its pair
  bool lineOpen_ = false;   // the current line has bytes
  bool ended_ = false;
  bool started_ = false;    // a byte has been read (the mark counts only at the start)
  // UTF-8 state.
  unsigned char partial_[4] = {};
  std::size_t partialLength_ = 0;
  std::uint64_t line_ = 1;
  std::uint64_t column_ = 0;  // characters of the current line read so far
};

}  // namespace quorlin
