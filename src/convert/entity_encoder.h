#pragma once
// Per-character HTML entity encoders for Windows-1252 text.
//
//   named:   'é' (233) -> "&eacute;"   '€' (128) -> "&euro;"   '<' -> "&lt;"
//   numeric: 'é' (233) -> "&#233;"     '€' (128) -> "&#128;"   '<' -> "&#60;"
//   both:    129, 141, 142, 143, 144, 157, 158 -> "&#129;" ...; other bytes < 128 copied
//   a run of three full stops on one line -> "&hellip;" / "&#133;"
//
// The full-stop run belongs to the line being built: a fresh OutputLine starts
// with no run, so "..." always gives one ellipsis and a run never spans lines.
#include <string>
#include <string_view>

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

// The table row for a byte in the given mode, or an empty view when the byte has
// no row (plain bytes below 128, the full stop, and the fallback bytes).
std::string_view EntityRow(EntityMode mode, unsigned char c);

// Bulk path: appends the encoding of one whole source line (no line break in it)
// to out. Byte for byte what EncodeChar gives over the line from a fresh OutputLine.
void EncodeLine(EntityMode mode, std::string_view line, std::string& out);

}  // namespace quorlin
