#include "convert/entity_encoder.h"

#include "convert/bulk_kernel.h"

#include <array>
#include <cstring>
#include <string>

namespace quorlin {
namespace {

// Named references: the four markup characters, the Windows-1252 characters of
// 128-159 that have an HTML 4.01 name, and all of 160-255.
constexpr std::array<const char*, 256> kNamedRows = [] {
  std::array<const char*, 256> rows{};
  rows[34] = "&quot;";
  rows[38] = "&amp;";
  rows[60] = "&lt;";
  rows[62] = "&gt;";
  rows[128] = "&euro;";
  rows[130] = "&sbquo;";
  rows[131] = "&fnof;";
  rows[132] = "&bdquo;";
  rows[133] = "&hellip;";
  rows[134] = "&dagger;";
  rows[135] = "&Dagger;";
  rows[136] = "&circ;";
  rows[137] = "&permil;";
  rows[138] = "&Scaron;";
  rows[139] = "&lsaquo;";
  rows[140] = "&OElig;";
  rows[145] = "&lsquo;";
  rows[146] = "&rsquo;";
  rows[147] = "&ldquo;";
  rows[148] = "&rdquo;";
  rows[149] = "&bull;";
  rows[150] = "&ndash;";
  rows[151] = "&mdash;";
  rows[152] = "&tilde;";
  rows[153] = "&trade;";
  rows[154] = "&scaron;";
  rows[155] = "&rsaquo;";
  rows[156] = "&oelig;";
  rows[159] = "&Yuml;";
  constexpr const char* kLatin1[96] = {
      "&nbsp;",   "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;", "&sect;",
      "&uml;",    "&copy;",   "&ordf;",   "&laquo;",  "&not;",    "&shy;",    "&reg;",    "&macr;",
      "&deg;",    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",  "&micro;",  "&para;",   "&middot;",
      "&cedil;",  "&sup1;",   "&ordm;",   "&raquo;",  "&frac14;", "&frac12;", "&frac34;", "&iquest;",
      "&Agrave;", "&Aacute;", "&Acirc;",  "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",  "&Ccedil;",
      "&Egrave;", "&Eacute;", "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;", "&Icirc;",  "&Iuml;",
      "&ETH;",    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",  "&Otilde;", "&Ouml;",   "&times;",
      "&Oslash;", "&Ugrave;", "&Uacute;", "&Ucirc;",  "&Uuml;",   "&Yacute;", "&THORN;",  "&szlig;",
      "&agrave;", "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",  "&aelig;",  "&ccedil;",
      "&egrave;", "&eacute;", "&ecirc;",  "&euml;",   "&igrave;", "&iacute;", "&icirc;",  "&iuml;",
      "&eth;",    "&ntilde;", "&ograve;", "&oacute;", "&ocirc;",  "&otilde;", "&ouml;",   "&divide;",
      "&oslash;", "&ugrave;", "&uacute;", "&ucirc;",  "&uuml;",   "&yacute;", "&thorn;",  "&yuml;"};
  for (int i = 0; i < 96; ++i) rows[160 + i] = kLatin1[i];
  return rows;
}();

// "&#<byte>;" for every byte, used by the numeric rows and by the fallback.
struct DecimalRefs {
  std::array<std::array<char, 8>, 256> text{};
  std::array<unsigned char, 256> size{};
  constexpr DecimalRefs() {
    for (int b = 0; b < 256; ++b) {
      char digits[3];
      int n = 0;
      int v = b;
      do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
      } while (v != 0);
      int k = 0;
      text[b][k++] = '&';
      text[b][k++] = '#';
      while (n > 0) text[b][k++] = digits[--n];
      text[b][k++] = ';';
      size[b] = static_cast<unsigned char>(k);
    }
  }
  std::string_view operator[](unsigned char b) const { return {text[b].data(), size[b]}; }
};
constexpr DecimalRefs kDecimal;

constexpr bool HasRow(unsigned char c) { return kNamedRows[c] != nullptr; }

constexpr std::string_view kEllipsisNamed = "&hellip;";
constexpr std::string_view kEllipsisNumeric = "&#133;";

// Steps shared by both encoders; `row` and `ellipsis` are the mode's.
inline void Encode(unsigned char c, OutputLine& line, std::string_view row, std::string_view ellipsis) {
  if (c == '.') {
    if (line.dotRun == 2) {
      if (line.text.size() >= 2) line.text.resize(line.text.size() - 2);
      line.text.append(ellipsis);
      line.dotRun = 0;
      return;
    }
    ++line.dotRun;
  } else {
    line.dotRun = 0;
  }
  if (!row.empty()) {
    line.text.append(row);
  } else if (c < 128) {
    line.text.push_back(static_cast<char>(c));
  } else {
    line.text.append(kDecimal[c]);
  }
}

}  // namespace

std::string_view EntityRow(EntityMode mode, unsigned char c) {
  if (!HasRow(c)) return {};
  return mode == EntityMode::Named ? std::string_view(kNamedRows[c]) : kDecimal[c];
}

void EncodeCharNamed(unsigned char c, OutputLine& line) {
  Encode(c, line, EntityRow(EntityMode::Named, c), kEllipsisNamed);
}

void EncodeCharNumeric(unsigned char c, OutputLine& line) {
  Encode(c, line, EntityRow(EntityMode::Numeric, c), kEllipsisNumeric);
}

void EncodeChar(EntityMode mode, unsigned char c, OutputLine& line) {
  if (mode == EntityMode::Named)
    EncodeCharNamed(c, line);
  else
    EncodeCharNumeric(c, line);
}

namespace detail {

const EntityTables& TablesFor(EntityMode mode) {
  static const auto build = [](EntityMode m) {
    EntityTables t{};
    for (int b = 0; b < 256; ++b) {
      const auto c = static_cast<unsigned char>(b);
      std::string_view text = EntityRow(m, c);
      const char single = static_cast<char>(c);
      if (text.empty()) text = c < 128 ? std::string_view(&single, 1) : kDecimal[c];
      std::memcpy(t.text[b], text.data(), text.size());
      t.length[b] = static_cast<std::uint8_t>(text.size());
    }
    const std::string_view ellipsis = m == EntityMode::Named ? kEllipsisNamed : kEllipsisNumeric;
    std::memcpy(t.ellipsis, ellipsis.data(), ellipsis.size());
    t.ellipsisLength = static_cast<std::uint8_t>(ellipsis.size());
    return t;
  };
  static const EntityTables named = build(EntityMode::Named);
  static const EntityTables numeric = build(EntityMode::Numeric);
  return mode == EntityMode::Named ? named : numeric;
}

}  // namespace detail

void EncodeLine(EntityMode mode, std::string_view source, std::string& out) {
  const detail::EntityTables& tables = detail::TablesFor(mode);
  const std::size_t start = out.size();
  out.resize(start + source.size() * 8 + 32);
  char* d = out.data() + start;
  int dots = 0;  // the run belongs to this line
  detail::EncodeRun<detail::RunMode::kLine>(tables, source.data(), source.data() + source.size(), d, dots);
  if (dots != 0) detail::WriteHeldDots(d, dots);
  out.resize(static_cast<std::size_t>(d - out.data()));
}

}  // namespace quorlin
