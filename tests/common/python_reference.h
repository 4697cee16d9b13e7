#pragma once
// Independent references from Python's standard library, for tests: the
// Windows-1252 code page (codec cp1252; its five unassigned bytes are read as
// the C1 controls U+0081 ..., as the program reads them) and the HTML 4.01
// entity names that browsers still read as their HTML 4.01 character: the 252
// of html.entities.name2codepoint but "lang" and "rang", which html.entities.html5
// gives U+27E8 and U+27E9. Python runs once per process; Loaded() is false when
// it could not run.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace quorlin::testing {

struct PythonReference {
  std::array<char32_t, 256> cp1252{};     // byte -> code point
  std::map<char32_t, std::string> names;  // code point -> HTML 4.01 name
  bool Loaded() const { return names.size() == 250; }
  // The byte of a code point, or -1.
  int ByteOf(char32_t cp) const {
    for (int b = 0; b < 256; ++b)
      if (cp1252[b] == cp) return b;
    return -1;
  }
};

inline const PythonReference& Python() {
  static const PythonReference reference = [] {
    PythonReference r;
    const char* python = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    const std::string command = std::string(python) +
                                " -c \"import html.entities as h\n"
                                "for b in range(256):\n"
                                "    try: c = bytes([b]).decode('cp1252')\n"
                                "    except UnicodeDecodeError: c = chr(b)\n"
                                "    print('B', b, ord(c))\n"
                                "for n, c in h.name2codepoint.items():\n"
                                "    if h.html5[n + ';'] == chr(c): print('N', c, n)\"";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      out.append(buffer, n);
    ::pclose(pipe);
    std::istringstream lines(out);
    std::string kind;
    while (lines >> kind) {
      unsigned long a = 0;
      if (kind == "B") {
        unsigned long cp = 0;
        lines >> a >> cp;
        if (a < 256) r.cp1252[a] = static_cast<char32_t>(cp);
      } else {
        std::string name;
        lines >> a >> name;
        r.names[static_cast<char32_t>(a)] = name;
      }
    }
    return r;
  }();
  return reference;
}

// UTF-8 of a code point, written here rather than taken from the engine.
inline std::string Utf8(char32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

// Windows-1252 bytes as UTF-8, through Python's table.
inline std::string Cp1252ToUtf8(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += Utf8(Python().cp1252[static_cast<unsigned char>(c)]);
  return out;
}

}  // namespace quorlin::testing
