#pragma once
// The window's output for a text of Windows-1252 bytes, built one character at
// a time from the per-character encoder: the reference the bulk kernels and the
// stream encoder are held to.
#include <string>

#include "convert/entity_encoder.h"

namespace quorlin::testing {

// The text ends at the first zero byte; CR LF, CR and LF each end a line; every
// line ends with CR LF.
inline std::string PerCharacter(std::string raw, EntityMode mode) {
  raw = raw.substr(0, raw.find('\0'));
  std::string out;
  OutputLine line;
  bool open = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
      out.append(line.text).append("\r\n");
      line = OutputLine();
      open = false;
    } else {
      EncodeChar(mode, static_cast<unsigned char>(c), line);
      open = true;
    }
  }
  if (open) out.append(line.text).append("\r\n");
  return out;
}

}  // namespace quorlin::testing
