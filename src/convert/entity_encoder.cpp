#include "convert/entity_encoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/kernels/bulk_kernel.h"
#include "convert/text/cp1252.h"
#include "convert/text/utf8.h"

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
      "&nbsp;",   "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;",
      "&sect;",   "&uml;",    "&copy;",   "&ordf;",   "&laquo;",  "&not;",    "&shy;",
      "&reg;",    "&macr;",   "&deg;",    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",
      "&micro;",  "&para;",   "&middot;", "&cedil;",  "&sup1;",   "&ordm;",   "&raquo;",
      "&frac14;", "&frac12;", "&frac34;", "&iquest;", "&Agrave;", "&Aacute;", "&Acirc;",
      "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",  "&Ccedil;", "&Egrave;", "&Eacute;",
      "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;", "&Icirc;",  "&Iuml;",   "&ETH;",
      "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",  "&Otilde;", "&Ouml;",   "&times;",
      "&Oslash;", "&Ugrave;", "&Uacute;", "&Ucirc;",  "&Uuml;",   "&Yacute;", "&THORN;",
      "&szlig;",  "&agrave;", "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",
      "&aelig;",  "&ccedil;", "&egrave;", "&eacute;", "&ecirc;",  "&euml;",   "&igrave;",
      "&iacute;", "&icirc;",  "&iuml;",   "&eth;",    "&ntilde;", "&ograve;", "&oacute;",
      "&ocirc;",  "&otilde;", "&ouml;",   "&divide;", "&oslash;", "&ugrave;", "&uacute;",
      "&ucirc;",  "&uuml;",   "&yacute;", "&thorn;",  "&yuml;"};
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

// The HTML 4.01 names of the characters that Windows-1252 does not hold (the
// other 125 are the byte rows above), by code point. Not "lang" and "rang":
// browsers now read them as U+27E8 and U+27E9, so U+2329 and U+232A are
// written as numbers.
struct NamedCodePoint {
  char32_t codePoint;
  const char* name;
};
constexpr NamedCodePoint kHtml401Names[] = {
    {0x0391, "Alpha"},   {0x0392, "Beta"},     {0x0393, "Gamma"},   {0x0394, "Delta"},
    {0x0395, "Epsilon"}, {0x0396, "Zeta"},     {0x0397, "Eta"},     {0x0398, "Theta"},
    {0x0399, "Iota"},    {0x039A, "Kappa"},    {0x039B, "Lambda"},  {0x039C, "Mu"},
    {0x039D, "Nu"},      {0x039E, "Xi"},       {0x039F, "Omicron"}, {0x03A0, "Pi"},
    {0x03A1, "Rho"},     {0x03A3, "Sigma"},    {0x03A4, "Tau"},     {0x03A5, "Upsilon"},
    {0x03A6, "Phi"},     {0x03A7, "Chi"},      {0x03A8, "Psi"},     {0x03A9, "Omega"},
    {0x03B1, "alpha"},   {0x03B2, "beta"},     {0x03B3, "gamma"},   {0x03B4, "delta"},
    {0x03B5, "epsilon"}, {0x03B6, "zeta"},     {0x03B7, "eta"},     {0x03B8, "theta"},
    {0x03B9, "iota"},    {0x03BA, "kappa"},    {0x03BB, "lambda"},  {0x03BC, "mu"},
    {0x03BD, "nu"},      {0x03BE, "xi"},       {0x03BF, "omicron"}, {0x03C0, "pi"},
    {0x03C1, "rho"},     {0x03C2, "sigmaf"},   {0x03C3, "sigma"},   {0x03C4, "tau"},
    {0x03C5, "upsilon"}, {0x03C6, "phi"},      {0x03C7, "chi"},     {0x03C8, "psi"},
    {0x03C9, "omega"},   {0x03D1, "thetasym"}, {0x03D2, "upsih"},   {0x03D6, "piv"},
    {0x2002, "ensp"},    {0x2003, "emsp"},     {0x2009, "thinsp"},  {0x200C, "zwnj"},
    {0x200D, "zwj"},     {0x200E, "lrm"},      {0x200F, "rlm"},     {0x2032, "prime"},
    {0x2033, "Prime"},   {0x203E, "oline"},    {0x2044, "frasl"},   {0x2111, "image"},
    {0x2118, "weierp"},  {0x211C, "real"},     {0x2135, "alefsym"}, {0x2190, "larr"},
    {0x2191, "uarr"},    {0x2192, "rarr"},     {0x2193, "darr"},    {0x2194, "harr"},
    {0x21B5, "crarr"},   {0x21D0, "lArr"},     {0x21D1, "uArr"},    {0x21D2, "rArr"},
    {0x21D3, "dArr"},    {0x21D4, "hArr"},     {0x2200, "forall"},  {0x2202, "part"},
    {0x2203, "exist"},   {0x2205, "empty"},    {0x2207, "nabla"},   {0x2208, "isin"},
    {0x2209, "notin"},   {0x220B, "ni"},       {0x220F, "prod"},    {0x2211, "sum"},
    {0x2212, "minus"},   {0x2217, "lowast"},   {0x221A, "radic"},   {0x221D, "prop"},
    {0x221E, "infin"},   {0x2220, "ang"},      {0x2227, "and"},     {0x2228, "or"},
    {0x2229, "cap"},     {0x222A, "cup"},      {0x222B, "int"},     {0x2234, "there4"},
    {0x223C, "sim"},     {0x2245, "cong"},     {0x2248, "asymp"},   {0x2260, "ne"},
    {0x2261, "equiv"},   {0x2264, "le"},       {0x2265, "ge"},      {0x2282, "sub"},
    {0x2283, "sup"},     {0x2284, "nsub"},     {0x2286, "sube"},    {0x2287, "supe"},
    {0x2295, "oplus"},   {0x2297, "otimes"},   {0x22A5, "perp"},    {0x22C5, "sdot"},
    {0x2308, "lceil"},   {0x2309, "rceil"},    {0x230A, "lfloor"},  {0x230B, "rfloor"},
    {0x25CA, "loz"},     {0x2660, "spades"},   {0x2663, "clubs"},   {0x2665, "hearts"},
    {0x2666, "diams"},
};

const char* Html401Name(char32_t codePoint) {
  const auto* end = std::end(kHtml401Names);
  const auto* at =
      std::lower_bound(std::begin(kHtml401Names), end, codePoint,
                       [](const NamedCodePoint& n, char32_t c) { return n.codePoint < c; });
  return at != end && at->codePoint == codePoint ? at->name : nullptr;
}

// Writes "&#<value>;" at d.
char* WriteDecimal(std::uint32_t value, char* d) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  *d++ = '&';
  *d++ = '#';
  while (n > 0) *d++ = digits[--n];
  *d++ = ';';
  return d;
}

constexpr bool HasRow(unsigned char c) { return kNamedRows[c] != nullptr; }

constexpr std::string_view kEllipsisNamed = "&hellip;";
constexpr std::string_view kEllipsisNumeric = "&#133;";

// Steps shared by both encoders; `row` and `ellipsis` are the mode's.
inline void Encode(unsigned char c, OutputLine& line, std::string_view row,
                   std::string_view ellipsis) {
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

void EncodeCodePoint(EntityMode mode, char32_t codePoint, OutputLine& line) {
  const int byte = UnicodeToCp1252(codePoint);
  if (byte >= 0) {
    EncodeChar(mode, static_cast<unsigned char>(byte), line);
    return;
  }
  line.dotRun = 0;
  const char* name = mode == EntityMode::Named ? Html401Name(codePoint) : nullptr;
  if (name) {
    line.text.append("&").append(name).append(";");
  } else {
    char text[16];
    line.text.append(text, WriteDecimal(codePoint, text));
  }
}

namespace detail {
namespace {

// The text of every character from 128 up to kTableEnd that is not
// "&#<code point>;": an entry holds its place in the pool (high 12 bits) and
// its length (low 4), 0 for the decimal form. Beyond kTableEnd no character
// has a name or a byte.
constexpr char32_t kTableEnd = 0x2700;
struct CodePointTable {
  std::array<std::uint16_t, kTableEnd> entry{};
  std::string pool;
};

CodePointTable BuildCodePointTable(EntityMode mode) {
  CodePointTable table;
  for (char32_t cp = 0x80; cp < kTableEnd; ++cp) {
    OutputLine line;
    EncodeCodePoint(mode, cp, line);
    char decimal[16];
    if (line.text == std::string_view(decimal, WriteDecimal(cp, decimal))) continue;
    table.entry[cp] = static_cast<std::uint16_t>(table.pool.size() << 4 | line.text.size());
    table.pool += line.text;
  }
  if (table.pool.size() >= (1u << 12)) std::abort();  // an entry holds 12 bits of place
  table.pool.append(16, '\0');                        // every entry can be copied as 16 bytes
  return table;
}

const CodePointTable& CodePointTableFor(EntityMode mode) {
  static const CodePointTable named = BuildCodePointTable(EntityMode::Named);
  static const CodePointTable numeric = BuildCodePointTable(EntityMode::Numeric);
  return mode == EntityMode::Named ? named : numeric;
}

const EntityTables& LineTablesFor(EntityMode mode) {
  static const EntityTables named = RunTables(TablesFor(EntityMode::Named), RunMode::kLineUtf8);
  static const EntityTables numeric = RunTables(TablesFor(EntityMode::Numeric), RunMode::kLineUtf8);
  return mode == EntityMode::Named ? named : numeric;
}

}  // namespace

void WriteCodePoint(EntityMode mode, char32_t codePoint, char*& d) {
  if (codePoint < kTableEnd) {
    const CodePointTable& table = CodePointTableFor(mode);
    if (const std::uint16_t e = table.entry[codePoint]) {
      std::memcpy(d, table.pool.data() + (e >> 4), 16);
      d += e & 15;
      return;
    }
  }
  d = WriteDecimal(codePoint, d);
}

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

void EncodeLine(EntityMode mode, std::string_view source, std::string& out, Kernel kernel) {
  const detail::EntityTables& bytes = detail::TablesFor(mode);
  const detail::EntityTables& run = detail::LineTablesFor(mode);
  const std::size_t start = out.size();
  // At most 8 bytes of output per source byte (a name of 10 takes 2 bytes or more).
  out.resize(start + source.size() * 8 + 32);
  char* d = out.data() + start;
  const char* p = source.data();
  const char* const end = p + source.size();
  FullStopRun stops;  // the run belongs to this line
  for (;;) {
    // Plain text up to the next byte of 128 or above, then that character.
    p = detail::EncodeRun<detail::RunMode::kLineUtf8>(kernel, run, p, end, d, stops);
    if (p == end) break;
    stops.Release(d);  // a character ends the run
    char32_t cp = 0;
    const int length = DecodeUtf8(reinterpret_cast<const unsigned char*>(p),
                                  static_cast<std::size_t>(end - p), cp);
    if (length > 0) {
      detail::WriteCodePoint(mode, cp, d);
      p += length;
    } else {
      detail::WriteSlot(bytes, static_cast<unsigned char>(*p), d);
      ++p;
    }
  }
  stops.Release(d);
  out.resize(static_cast<std::size_t>(d - out.data()));
}

}  // namespace quorlin
