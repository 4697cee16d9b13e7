#pragma once
// Per-character HTML entity encoders.
//
// Bytes (Windows-1252), the reference of the byte path:
//   named:   'é' (233) -> "&eacute;"   '€' (128) -> "&euro;"   '<' -> "&lt;"
//   numeric: 'é' (233) -> "&#233;"     '€' (128) -> "&#128;"   '<' -> "&#60;"
//   both:    129, 141, 142, 143, 144, 157, 158 -> "&#129;" ...; other bytes < 128 copied
//   a run of three full stops on one line -> "&hellip;" / "&#133;"
//
// Characters (Unicode code points), the reference of the text path: a character
// that Windows-1252 holds goes through its byte, so its output is the byte's;
// any other is, in named mode, its HTML 4.01 name where it has one and
// browsers still read that name as it (not U+2329 "&lang;" nor U+232A "&rang;",
// now U+27E8 and U+27E9), else "&#<code point>;", and in numeric mode always
// "&#<code point>;". It ends a run of full stops like any other character.
//   U+20AC -> "&euro;" / "&#128;"   U+017D -> "&#142;" / "&#142;"
//   U+2192 -> "&rarr;" / "&#8594;"  U+202F -> "&#8239;" / "&#8239;"
//   U+1F600 -> "&#128512;" in both (one reference, never two surrogates)
//
// The full-stop run belongs to the line being built: a fresh OutputLine starts
// with no run, so "..." always gives one ellipsis and a run never spans lines.
#include <string>
#include <string_view>

#include "convert/kernels/kernel.h"

namespace quorlin {

enum class EntityMode { Named, Numeric };

// One output line under construction, with its own full-stop run counter (0, 1 or 2).
struct OutputLine {
  std::string text;
  int dotRun = 0;
};

void EncodeCharNamed(unsigned char c, OutputLine& line);
void EncodeCharNumeric(unsigned char c, OutputLine& line);
void EncodeChar(EntityMode mode, unsigned char c, OutputLine& line);
void EncodeCodePoint(EntityMode mode, char32_t codePoint, OutputLine& line);

// The table row for a byte in the given mode, or an empty view when the byte has
// no row (plain bytes below 128, the full stop, and the fallback bytes).
std::string_view EntityRow(EntityMode mode, unsigned char c);

// Bulk path: appends the encoding of one whole source line (UTF-8, no line
// break in it) to out. Byte for byte what EncodeCodePoint gives over its
// characters from a fresh OutputLine, whichever kernel runs it. A byte that is
// not part of a valid UTF-8 sequence is read as its Windows-1252 character
// (EncodeChar), so nothing is lost.
void EncodeLine(EntityMode mode, std::string_view line, std::string& out,
                Kernel kernel = ActiveKernel());

}  // namespace quorlin
