#pragma once
// Bytes <-> text, without Qt: the encodings a text file may be in, the text
// the panes hold (UTF-16, lines joined by one '\n' as QPlainTextEdit's blocks)
// and the text line lists hold (UTF-8, lines joined by CR LF).
//
// Line breaks, in every encoding: CR LF, a lone CR, a lone LF, U+2028 and
// U+2029 are each one break. The text ends at its first zero character.
// U+FDD0 and U+FDD1, which Qt's document keeps for itself, become U+FFFD, so
// that what the panes hold and what quorlin-cli reads are the same text.
//
//   TextDecoder<char16_t>(Cp1252):   "caf\xe9\r\n\x80"          -> u"café\n€"
//   TextDecoder<char>(Utf16LE):      "a\0\n\0\x28\x20" (a, LF, U+2028) -> "a\r\n\r\n"
//   NormalizePaneText(u"a\r\nb\u2029c\0d")                     -> u"a\nb\nc", cut
//   AppendUtf8(u"é😀")                                          -> "\xc3\xa9\xf0\x9f\x98\x80"
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/kernels/kernel.h"

namespace quorlin {

enum class TextEncoding { Cp1252, Utf8, Utf16LE, Utf16BE };

// The name the messages give an encoding: "Windows-1252", "UTF-8", "UTF-16".
const char* EncodingName(TextEncoding encoding);

// Decodes text that arrives in pieces into UTF-16 (Unit char16_t: the panes'
// text, breaks as '\n') or UTF-8 (Unit char: line-list text, breaks as CR LF).
// The input is meant to be valid (TextFileReader checks files); what is not is
// still read, leniently: a UTF-8 byte outside a valid sequence as its
// Windows-1252 character, a lone UTF-16 surrogate as U+FFFD, an odd last byte
// of UTF-16 dropped.
template <class Unit>
class TextDecoder {
 public:
  explicit TextDecoder(TextEncoding encoding) : encoding_(encoding) {}

  // Changes the encoding of what follows. Only between pieces, with no
  // sequence cut (after ASCII, which reads the same in Windows-1252 and UTF-8).
  void SetEncoding(TextEncoding encoding) { encoding_ = encoding; }

  // Room the destination needs for a Feed of n bytes or for Finish.
  static constexpr std::size_t MaxOutput(std::size_t n) {
    return (sizeof(Unit) == 1 ? 3 * n : n) + 16;
  }

  // Decodes the next n bytes into dst (MaxOutput(n) units of room); returns
  // the end of what it wrote. Input after a zero character is ignored.
  Unit* Feed(const char* src, std::size_t n, Unit* dst);
  // Ends the input: a sequence left unfinished is read as said above.
  Unit* Finish(Unit* dst);
  // Whether a zero character ended the text.
  bool Ended() const { return ended_; }

 private:
  Unit* FeedBytes(const unsigned char* p, const unsigned char* end, Unit* d);
  Unit* FeedUtf8(const unsigned char* p, const unsigned char* end, Unit* d);
  Unit* FeedUtf16(const unsigned char* p, const unsigned char* end, Unit* d);
  // One character that is no CR, LF or zero; breaks U+2028 and U+2029 included.
  Unit* Put(char32_t cp, Unit* d);
  Unit* Break(Unit* d);
  // A CR, LF or zero byte (or unit); false for the zero.
  bool Control(char32_t c, Unit*& d);

  TextEncoding encoding_;
  bool pendingCR_ = false;  // the last character was a CR: a LF now is its pair
  bool ended_ = false;
  unsigned char partial_[4] = {};  // a UTF-8 sequence or UTF-16 byte cut by the piece's end
  std::size_t partialLength_ = 0;
  char16_t pendingHigh_ = 0;  // UTF-16: a high surrogate waiting for its low one
};

extern template class TextDecoder<char>;
extern template class TextDecoder<char16_t>;

// The whole of `bytes` decoded into line-list text (UTF-8, CR LF).
std::string DecodeText(TextEncoding encoding, std::string_view bytes);

// Text that comes into a pane (typed, pasted, dropped, from an input method) as
// the pane holds it: it ends at the first zero character (`cut` says whether
// there was one); CR LF, lone CR, lone LF, U+2028 and U+2029 each become '\n';
// a lone surrogate, U+FDD0 and U+FDD1 become U+FFFD. Every other character is kept.
std::u16string NormalizePaneText(std::u16string_view text, bool* cut = nullptr);

// How many bytes at the end of `bytes` begin a UTF-8 character that is not
// complete (0 to 3).
std::size_t UnfinishedUtf8Length(std::string_view bytes);

// How many bytes `bytes` begins with that are below 128.
std::size_t AsciiPrefixLength(std::string_view bytes);

// Appends the UTF-8 form of UTF-16 text (a lone surrogate as U+FFFD).
void AppendUtf8(std::u16string_view text, std::string& out);

// Finds the first place where text arriving in pieces is not valid in its
// encoding (UTF-8: strict, as DecodeUtf8; UTF-16: a lone surrogate, an odd
// last byte). Offsets count from the first byte ever fed. Windows-1252 is
// always valid. The kernel only chooses the speed.
class TextCheck {
 public:
  static constexpr std::uint64_t kValid = ~std::uint64_t{0};

  explicit TextCheck(TextEncoding encoding, Kernel kernel = ActiveKernel())
      : encoding_(encoding), kernel_(kernel) {}
  // Checks the next bytes; the offset where the first invalid sequence starts,
  // or kValid. Once it has found one, it stays there.
  std::uint64_t Feed(std::string_view bytes);
  // No more bytes: the offset of a sequence left unfinished, or kValid.
  std::uint64_t Finish();
  // UTF-8 read so far holds at least one sequence of two bytes or more.
  bool SawMultiByte() const { return sawMultiByte_; }
  // UTF-16: what Finish found is an odd last byte.
  bool OddEnd() const { return oddEnd_; }

 private:
  std::uint64_t FeedUtf8(const unsigned char* p, const unsigned char* end);
  std::uint64_t FeedUtf16(const unsigned char* p, const unsigned char* end);

  TextEncoding encoding_;
  Kernel kernel_;
  std::uint64_t offset_ = 0;  // of the first byte of the next Feed
  std::uint64_t invalid_ = kValid;
  bool sawMultiByte_ = false;
  unsigned char partial_[4] = {};
  std::size_t partialLength_ = 0;
  bool pendingHigh_ = false;  // UTF-16: the last unit was a high surrogate
  bool oddEnd_ = false;
};

// Line and column (both from 1, the column in characters) of the next
// character of valid text arriving in pieces, with the breaks counted as the
// decoders count them.
class TextPosition {
 public:
  explicit TextPosition(TextEncoding encoding) : encoding_(encoding) {}
  void Advance(std::string_view bytes);
  std::uint64_t Line() const { return line_; }
  std::uint64_t Column() const { return column_ + 1; }

 private:
  void NewLine(bool cr) {
    ++line_;
    column_ = 0;
    pendingCR_ = cr;
  }
  TextEncoding encoding_;
  std::uint64_t line_ = 1;
  std::uint64_t column_ = 0;  // characters of the line before the next one
  bool pendingCR_ = false;
  unsigned char last_[2] = {};  // UTF-8: the two bytes before, for U+2028 and U+2029
  bool oddByte_ = false;        // UTF-16: a byte of a unit is still to come
  unsigned char firstByte_ = 0;
};

}  // namespace quorlin
