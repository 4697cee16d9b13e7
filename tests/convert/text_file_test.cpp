// Loading and saving text files: the encoding decided from the bytes, marks,
// break normalisation, the zero cut, refusals with their place, and a save that
// replaces the file only once it is complete.
#include "convert/text/text_file.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../common/line_list_contract.h"
#include "convert/exceptions.h"
#include "convert/line_list.h"
#include "convert/text/text_codec.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/quorlin-test-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }
  int EntryCount() const {
    return static_cast<int>(std::distance(fs::directory_iterator(path_), {}));
  }

 private:
  std::string path_;
};

void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// How the bytes reach the reader: a regular file, judged whole (checked ahead,
// or read once and started over, its UTF-8 checked by the reader or by its
// caller as quorlin-cli does), or a pipe, judged from its first non-ASCII bytes.
enum class Source { File, FileOnce, FileCallerChecks, Pipe };

struct Loaded {
  std::string text;  // as line lists hold it
  LoadReport report;
  std::string error;  // the message of an EEncodingError
  int restarts = 0;
};

// Everything the reader hands out, decoded as the window and the CLI decode it.
Loaded Load(Source source, const std::string& bytes, std::optional<TextEncoding> forced = {},
            std::size_t piece = TextFileReader::kPieceSize) {
  TempDir dir;
  int fd = -1;
  std::thread writer;
  if (source != Source::Pipe) {
    WriteRaw(dir / "in.txt", bytes);
  } else {
    int ends[2];
    if (::pipe(ends) != 0) throw std::runtime_error("pipe");
    fd = ends[0];
    writer = std::thread([bytes, out = ends[1]] {
      std::string_view rest = bytes;
      while (!rest.empty()) {
        const ssize_t n = ::write(out, rest.data(), rest.size());
        if (n <= 0) break;  // the reader stopped early
        rest.remove_prefix(static_cast<std::size_t>(n));
      }
      ::close(out);
    });
  }
  Loaded loaded;
  try {
    TextReadOptions options;
    options.forced = forced;
    options.restartable = source == Source::FileOnce || source == Source::FileCallerChecks;
    options.pieceSize = piece;
    std::unique_ptr<TextFileReader> reader =
        source == Source::Pipe ? std::make_unique<TextFileReader>(fd, "tube", options)
                               : std::make_unique<TextFileReader>(dir / "in.txt", options);
    TextDecoder<char> decoder(TextEncoding::Cp1252);
    reader->SetCallerChecksUtf8(source == Source::FileCallerChecks);
    TextCheck check(TextEncoding::Utf8);  // the caller's
    std::vector<char> out(TextDecoder<char>::MaxOutput(reader->MaxPiece()));
    for (;;) {
      const std::string_view p = reader->Next();
      if (reader->Restarted()) {
        EXPECT_NE(source, Source::File) << "started over without leave";
        EXPECT_NE(source, Source::Pipe) << "started over without leave";
        loaded.text.clear();
        decoder = TextDecoder<char>(TextEncoding::Cp1252);
        check = TextCheck(TextEncoding::Utf8);
        ++loaded.restarts;
      }
      const bool utf8 = reader->Encoding() == TextEncoding::Utf8;
      if (source == Source::FileCallerChecks && utf8 &&
          (p.empty() ? check.Finish() : check.Feed(p)) != TextCheck::kValid) {
        reader->Contradicted();
        continue;
      }
      if (p.empty()) break;
      EXPECT_LE(p.size(), reader->MaxPiece());
      decoder.SetEncoding(reader->Encoding());
      loaded.text.append(out.data(), decoder.Feed(p.data(), p.size(), out.data()));
    }
    loaded.text.append(out.data(), decoder.Finish(out.data()));
    loaded.report = reader->Report();
  } catch (const EEncodingError& e) {
    loaded.error = e.Message();
  }
  if (fd >= 0) {
    ::close(fd);
    writer.join();
  }
  return loaded;
}

const char* Name(Source source) {
  return source == Source::File               ? "file"
         : source == Source::FileOnce         ? "file read once"
         : source == Source::FileCallerChecks ? "file read once, checked by the caller"
                                              : "pipe";
}
constexpr Source kSources[] = {Source::File, Source::FileOnce, Source::FileCallerChecks,
                               Source::Pipe};

// The rules that decide the encoding, each with the bytes of an example.
TEST(TextFile, LoadDecidesTheEncodingFromTheBytes) {
  ::signal(SIGPIPE, SIG_IGN);
  using E = TextEncoding;
  struct Row {
    std::string file;
    E encoding;
    std::string text;  // UTF-8, CR LF
  };
  const Row rows[] = {
      // Windows-1252, breaks normalised, the text ending at the first zero byte.
      {"a\nb\rc\r\n", E::Cp1252, "a\r\nb\r\nc\r\n"},
      {"a\n\rb", E::Cp1252, "a\r\n\r\nb"},
      {"\r\r\n\n", E::Cp1252, "\r\n\r\n\r\n"},
      {std::string("abc\0def", 7), E::Cp1252, "abc"},
      {std::string("\0abc", 4), E::Cp1252, ""},
      {"", E::Cp1252, ""},
      {"caf\xe9 \x80\x85", E::Cp1252, "caf\xc3\xa9 \xe2\x82\xac\xe2\x80\xa6"},
      {"ab\xc3", E::Cp1252, "ab\xc3\x83"},                    // cut short by the end
      {std::string("\xc3\0\xa9", 3), E::Cp1252, "\xc3\x83"},  // ... or by the zero byte
      {"\xef\xbb", E::Cp1252, "\xc3\xaf\xc2\xbb"},            // half a mark
      // UTF-8: valid, with a multi-byte sequence; judged only before the zero byte.
      {"caf\xc3\xa9 \xe2\x82\xac\r\n", E::Utf8, "caf\xc3\xa9 \xe2\x82\xac\r\n"},
      {std::string("\xc3\xa9\0\xff", 4), E::Utf8, "\xc3\xa9"},
      {"x\xe2\x80\xa8y\xe2\x80\xa9z\xc2\x85", E::Utf8,
       "x\r\ny\r\nz\xc2\x85"},  // U+2028, U+2029 break; NEL not
      // The UTF-8 mark, left out; then UTF-8 whatever follows.
      {"\xef\xbb\xbf", E::Utf8, ""},
      {"\xef\xbb\xbf"
       "abc\n",
       E::Utf8, "abc\r\n"},
      {"\xef\xbb\xbf\xef\xbb\xbf", E::Utf8, "\xef\xbb\xbf"},  // a second one is a character
      // UTF-16 marks, left out; breaks and the zero character as in any text.
      {"\xff\xfe", E::Utf16LE, ""},
      {std::string("\xff\xfeP\0\xe9\0\r\0\n\0\x28\x20x\0", 14), E::Utf16LE, "P\xc3\xa9\r\n\r\nx"},
      {std::string("\xfe\xff\0P\xd8\x3d\xde\0\0\x0d", 10), E::Utf16BE, "P\xf0\x9f\x98\x80\r\n"},
      {std::string("\xff\xfe"
                   "a\0\0\0b",
                   7),
       E::Utf16LE, "a"},  // odd, but after the zero character
  };
  for (const Row& row : rows) {
    for (Source source : kSources) {
      for (std::size_t piece :
           {std::size_t{1}, std::size_t{2}, std::size_t{5}, TextFileReader::kPieceSize}) {
        const Loaded got = Load(source, row.file, {}, piece);
        const std::string where = std::string(Name(source)) + ", pieces of " +
                                  std::to_string(piece) + ": " + testing::Visible(row.file);
        EXPECT_EQ(got.error, "") << where;
        EXPECT_EQ(got.text, row.text) << where;
        EXPECT_EQ(got.report.encoding, row.encoding) << where;
      }
    }
    if (!row.file.empty() && row.file.find('\0') == std::string::npos) {
      TempDir dir;
      WriteRaw(dir / "in.txt", row.file);
      MemoryLineList list("before");
      LoadFromFile(list, dir / "in.txt");
      EXPECT_EQ(list.Text(), row.text);
    }
  }
}

// A mark counts only at the very start of the file, not at the start of a
// read: every length of text before a second mark, every size of read.
TEST(TextFile, MarkOnlyAtTheVeryStart) {
  ::signal(SIGPIPE, SIG_IGN);
  for (std::size_t piece = 1; piece <= 6; ++piece) {
    for (std::size_t k = 1; k <= 8; ++k) {
      const std::string x(k, 'x');
      std::string units;  // k / 2 times "x" in UTF-16 LE
      for (std::size_t i = 0; i < k / 2; ++i) units += std::string("x\0", 2);
      struct Row {
        std::string file;
        TextEncoding encoding;
        std::string text;
      };
      const Row rows[] = {
          {x + "\xff\xfe"
               "ab",
           TextEncoding::Cp1252,
           x + "\xc3\xbf\xc3\xbe"
               "ab"},
          {x + "\xfe\xff"
               "ab",
           TextEncoding::Cp1252,
           x + "\xc3\xbe\xc3\xbf"
               "ab"},
          {x + "\xef\xbb\xbf\xc3\xa9", TextEncoding::Utf8, x + "\xef\xbb\xbf\xc3\xa9"},
          {"\xff\xfe" + units + "\xff\xfe", TextEncoding::Utf16LE,
           std::string(k / 2, 'x') + "\xef\xbb\xbf"},
      };
      for (const Row& row : rows) {
        for (Source source : kSources) {
          const Loaded got = Load(source, row.file, {}, piece);
          const std::string where = std::string(Name(source)) + ", reads of " +
                                    std::to_string(piece) + ": " + testing::Visible(row.file);
          EXPECT_EQ(got.error, "") << where;
          EXPECT_EQ(got.report.encoding, row.encoding) << where;
          EXPECT_EQ(got.text, row.text) << where;
        }
      }
    }
  }
}

// Text that must be read in an encoding and is not valid in it: refused with
// the file's name, the line and the column (in characters, breaks counted as
// the panes count them); a regular file before any piece is handed out.
TEST(TextFile, InvalidTextIsRefusedWithItsPlace) {
  ::signal(SIGPIPE, SIG_IGN);
  const std::optional<TextEncoding> detect;
  const std::optional<TextEncoding> utf8 = TextEncoding::Utf8;
  struct Row {
    std::string file;
    std::optional<TextEncoding> forced;
    std::string message;  // after "NAME : "
  };
  const std::string mark = "\xef\xbb\xbf";
  const Row rows[] = {
      {"ok\n\xc3\xa9\xff\n", utf8, "UTF-8 invalide à la ligne 2, colonne 2"},
      {mark + "ab\r\ncd\xc3", detect,
       "UTF-8 invalide à la ligne 2, colonne 3"},  // cut short at the end
      {mark + "\xc3\xa9\xc3\xa9\x80", detect, "UTF-8 invalide à la ligne 1, colonne 3"},
      {mark + "a\n\xc0\xaf", detect, "UTF-8 invalide à la ligne 2, colonne 1"},   // overlong
      {mark + "\xed\xa0\x80", detect, "UTF-8 invalide à la ligne 1, colonne 1"},  // surrogate
      {mark + "\xf4\x90\x80\x80", detect,
       "UTF-8 invalide à la ligne 1, colonne 1"},  // above U+10FFFF
      {mark + std::string("\xe2\x82\0", 3), detect, "UTF-8 invalide à la ligne 1, colonne 1"},
      {mark + "a\xe2\x80\xa8\xe2\x82\xac\xff", detect, "UTF-8 invalide à la ligne 2, colonne 2"},
      {"a\r\n\xff\xfe", utf8, "UTF-8 invalide à la ligne 2, colonne 1"},
      {std::string("\xff\xfe"
                   "a\0\r\0\n\0b\0\0\xd8x\0",
                   14),
       detect, "UTF-16 invalide à la ligne 2, colonne 2 : moitié de caractère isolée"},
      {std::string("\xff\xfe"
                   "a\0\0\xdc",
                   6),
       detect, "UTF-16 invalide à la ligne 1, colonne 2 : moitié de caractère isolée"},
      {std::string("\xfe\xff\0a\xd8\x3d", 6), detect,
       "UTF-16 invalide à la ligne 1, colonne 2 : moitié de caractère isolée"},
      {std::string("\xff\xfe"
                   "a\0b",
                   5),
       detect, "UTF-16 invalide à la ligne 1, colonne 2 : nombre impair d'octets"},
  };
  for (const Row& row : rows) {
    for (Source source : kSources) {
      for (std::size_t piece : {std::size_t{1}, std::size_t{3}, TextFileReader::kPieceSize}) {
        const Loaded got = Load(source, row.file, row.forced, piece);
        const std::string name = source == Source::Pipe ? "tube : " : "/in.txt : ";
        EXPECT_NE(got.error.find(name + row.message), std::string::npos)
            << Name(source) << " " << piece << ": '" << got.error << "' / " << row.message;
        if (source == Source::File) {
          EXPECT_EQ(got.text, "") << "a piece was handed out before the refusal";
        }
      }
    }
  }
  // The same text forced to Windows-1252 is read as it is.
  EXPECT_EQ(Load(Source::Pipe, "ok\n\xc3\xa9\xff", TextEncoding::Cp1252).text,
            "ok\r\n\xc3\x83\xc2\xa9\xc3\xbf");
}

// A pipe is judged from its first non-ASCII bytes; the same bytes in a regular
// file are judged whole.
TEST(TextFile, PipeDecidesFromTheFirstNonAsciiBytes) {
  ::signal(SIGPIPE, SIG_IGN);
  const std::string bytes = std::string(100000, 'a') + "\r\nd\xc3\xa9j\xc3\xa0\r\n" +
                            std::string(100000, 'b') + "\r\nz\xe9";
  for (Source source : {Source::File, Source::FileOnce, Source::FileCallerChecks}) {
    const Loaded file = Load(source, bytes);
    EXPECT_EQ(file.error, "");
    EXPECT_EQ(file.report.encoding, TextEncoding::Cp1252);
    EXPECT_EQ(file.text, DecodeText(TextEncoding::Cp1252, bytes));
    EXPECT_EQ(file.restarts, source == Source::File ? 0 : 1) << Name(source);
  }
  const Loaded pipe = Load(Source::Pipe, bytes);
  EXPECT_EQ(pipe.error, "tube : UTF-8 invalide à la ligne 4, colonne 2");
  // Without the contradiction, both say UTF-8.
  const std::string valid = bytes.substr(0, bytes.size() - 1);
  EXPECT_EQ(Load(Source::Pipe, valid).report.encoding, TextEncoding::Utf8);
  EXPECT_EQ(Load(Source::File, valid).report.encoding, TextEncoding::Utf8);
  EXPECT_EQ(Load(Source::FileOnce, valid).restarts, 0);
  EXPECT_EQ(Load(Source::FileCallerChecks, valid).restarts, 0);
  EXPECT_EQ(Load(Source::Pipe, valid).text, Load(Source::File, valid).text);
}

// A load reports where a zero cut the text, also past the first read.
TEST(TextFile, LoadReportsAZeroCut) {
  ::signal(SIGPIPE, SIG_IGN);
  struct Row {
    std::string file;
    std::optional<TextEncoding> forced;
    bool cut;
    std::uint64_t before;
    std::string notice;
  };
  const std::string big(1500000, 'a');
  const Row rows[] = {
      {"plain text\r\n", {}, false, 12, ""},
      {std::string("abc\0def", 7),
       {},
       true,
       3,
       "Le fichier contient un octet nul après 3 octets : seul le texte qui le précède a été lu."},
      {std::string("\0", 1), {}, true, 0, "Le fichier contient un octet nul après 0 octets"},
      {big + std::string("\0z", 2), {}, true, big.size(), "un octet nul après 1500000 octets"},
      {std::string("\xff\xfeP\0a\0", 6), {}, false, 6, ""},
      {std::string("\xff\xfeP\0\0\0z\0", 8),
       {},
       true,
       4,
       "Le fichier contient un caractère nul après 4 octets : seul le texte qui le précède a été "
       "lu."},
      {std::string("\xff\xfeP\0a\0", 6), TextEncoding::Cp1252, true, 3,
       "Ce fichier semble enregistré en UTF-16 : lu en Windows-1252, son texte s'arrête au premier "
       "octet nul, "
       "après 3 octets."},
  };
  for (const Row& row : rows) {
    for (Source source : kSources) {
      const Loaded got = Load(source, row.file, row.forced);
      EXPECT_EQ(got.report.cutAtZero, row.cut) << testing::Visible(row.file.substr(0, 12));
      EXPECT_EQ(got.report.bytesBeforeZero, row.before) << testing::Visible(row.file.substr(0, 12));
      const std::string notice = DescribeCut(got.report);
      EXPECT_EQ(notice.empty(), row.notice.empty());
      EXPECT_NE(notice.find(row.notice), std::string::npos) << notice;
    }
  }
}

// Decoding in pieces gives what decoding the whole gives, in each encoding and
// for both kinds of text, wherever the pieces are cut.
TEST(TextFile, DecodingInPiecesEqualsDecodingWhole) {
  const std::string samples[] = {
      "a\r\nb\r\rc\n\rd\r\n\r\ne\r\xe9\x80",
      "a\r\n\xc3\xa9\xe2\x80\xa8\r\xe2\x80\xa9\n\xf0\x9f\x98\x80\xe9\xe2\x82\r\xc3",
      std::string("a\0\r\0\n\0\x3d\xd8\x00\xde\x28\x20\r\0\0\xdc\x3d\xd8z\0", 20),
  };
  const TextEncoding encodings[] = {TextEncoding::Cp1252, TextEncoding::Utf8, TextEncoding::Utf16LE,
                                    TextEncoding::Utf16BE};
  for (const std::string& raw : samples) {
    for (TextEncoding encoding : encodings) {
      const std::string whole = DecodeText(encoding, raw);
      std::u16string pane(TextDecoder<char16_t>::MaxOutput(raw.size()), u'\0');
      TextDecoder<char16_t> paneDecoder(encoding);
      char16_t* paneEnd = paneDecoder.Feed(raw.data(), raw.size(), pane.data());
      pane.resize(static_cast<std::size_t>(paneDecoder.Finish(paneEnd) - pane.data()));
      std::string paneAsLines;
      AppendUtf8(pane, paneAsLines);
      std::string paneCrlf;
      for (char c : paneAsLines) paneCrlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
      EXPECT_EQ(paneCrlf, whole) << "pane text and line text differ";
      for (std::size_t cut1 = 0; cut1 <= raw.size(); ++cut1) {
        for (std::size_t cut2 = cut1; cut2 <= raw.size(); cut2 += 3) {
          TextDecoder<char> decoder(encoding);
          std::string out(TextDecoder<char>::MaxOutput(raw.size()) + 48, '\0');
          char* d = decoder.Feed(raw.data(), cut1, out.data());
          d = decoder.Feed(raw.data() + cut1, cut2 - cut1, d);
          d = decoder.Feed(raw.data() + cut2, raw.size() - cut2, d);
          out.resize(static_cast<std::size_t>(decoder.Finish(d) - out.data()));
          ASSERT_EQ(out, whole) << "cuts at " << cut1 << ", " << cut2;
        }
      }
    }
  }
}

TEST(TextFile, LoadOfMissingFileLeavesListUnchanged) {
  TempDir dir;
  MemoryLineList list("kept");
  try {
    LoadFromFile(list, dir / "missing.txt");
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + (dir / "missing.txt"));
  }
  EXPECT_THROW(LoadFromFile(list, dir.path()), EFOpenError);  // a directory
  EXPECT_EQ(list.Text(), "kept");
}

TEST(TextFile, SaveWritesExactBytesAndReplacesLongerFile) {
  TempDir dir;
  WriteRaw(dir / "out.htm", std::string(1000, 'z'));
  SaveToFile(MemoryLineList("a\r\nb"), dir / "out.htm");
  EXPECT_EQ(ReadRaw(dir / "out.htm"), "a\r\nb");
  SaveToFile(MemoryLineList(), dir / "empty.htm");
  EXPECT_TRUE(fs::exists(dir / "empty.htm"));
  EXPECT_EQ(fs::file_size(dir / "empty.htm"), 0u);
  EXPECT_EQ(dir.EntryCount(), 2);  // no temporary file left
}

TEST(TextFile, SaveKeepsPermissionsAndFollowsLinks) {
  TempDir dir;
  WriteRaw(dir / "target.htm", "old");
  ::chmod((dir / "target.htm").c_str(), 0640);
  fs::create_symlink("target.htm", dir / "link.htm");
  WriteTextFile(dir / "link.htm", "new");
  EXPECT_TRUE(fs::is_symlink(dir / "link.htm"));
  EXPECT_EQ(ReadRaw(dir / "target.htm"), "new");
  struct stat st;
  ASSERT_EQ(::stat((dir / "target.htm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.EntryCount(), 2);
}

// A new output file gets the mode any program gives it: what touch gives
// under the same umask.
TEST(TextFile, NewFileGetsTheModeTouchGives) {
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}, mode_t{027}, mode_t{0}}) {
    TempDir dir;
    const mode_t before = ::umask(mask);
    WriteTextFile(dir / "new.htm", "x");
    const int touched = std::system(("touch '" + (dir / "touched") + "'").c_str());
    ::umask(before);
    ASSERT_EQ(touched, 0);
    struct stat written, reference;
    ASSERT_EQ(::stat((dir / "new.htm").c_str(), &written), 0);
    ASSERT_EQ(::stat((dir / "touched").c_str(), &reference), 0);
    EXPECT_EQ(written.st_mode & 07777, reference.st_mode & 07777) << "umask " << std::oct << mask;
  }
}

TEST(TextFile, FailedCreateRaisesWithTheName) {
  TempDir dir;
  const std::string path = dir / "no-such-dir/out.htm";
  try {
    WriteTextFile(path, "x");
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + path);
  }
  EXPECT_THROW(WriteTextFile(dir.path(), "x"), EFCreateError);  // a directory
}

// Saves `text` to `path` in a child process, as user nobody when this runs as
// root (root may write anywhere); a null `text` opens a writer and drops it
// unwritten, as a run that fails before its output does. Returns 0 on
// success, 1 for EFCreateError.
int SaveAsAnotherUser(const std::string& path, const char* text) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
         ::setresuid(65534, 65534, 65534) != 0))
      ::_exit(9);
    int code = 0;
    try {
      if (text)
        WriteTextFile(path, text);
      else
        AtomicFileWriter dropped(path);
    } catch (const EFCreateError&) {
      code = 1;
    } catch (...) {
      code = 2;
    }
    ::_exit(code);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A folder that refuses new files: a writable file in it is written in place
// (same inode), and only such a file; everywhere else the save replaces the file.
// Written in place, the earlier text goes only once the new one is written.
TEST(TextFile, FolderRefusingNewFilesWritesAWritableFileInPlace) {
  struct Row {
    const char* name;
    bool lockedFolder;
    int mode;          // of the earlier file; 0: none
    const char* text;  // saved; null: a writer dropped unwritten
    int result;
    const char* content;  // afterwards; null: no file
    bool sameInode;
  };
  const Row rows[] = {
      {"writable", true, 0666, "new", 0, "new", true},
      {"writable, empty text", true, 0666, "", 0, "", true},
      {"writable, nothing written", true, 0666, nullptr, 0, "old", true},
      {"read-only", true, 0444, "new", 1, "old", true},
      {"missing", true, 0, "new", 1, nullptr, false},
      {"writable, open folder", false, 0666, "new", 0, "new", false},
  };
  TempDir top;
  ::chmod(top.path().c_str(), 0755);  // reachable by the other user
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string dir = top / row.name;
    fs::create_directory(dir);
    const std::string path = dir + "/out.htm";
    ino_t before = 0;
    if (row.mode != 0) {
      WriteRaw(path, "old");
      ::chmod(path.c_str(), static_cast<mode_t>(row.mode));
      struct stat st;
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      before = st.st_ino;
    }
    ::chmod(dir.c_str(), row.lockedFolder ? 0555 : 0777);
    EXPECT_EQ(SaveAsAnotherUser(path, row.text), row.result);
    ::chmod(dir.c_str(), 0755);
    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    ASSERT_EQ(exists, row.content != nullptr);
    if (!exists) continue;
    EXPECT_EQ(ReadRaw(path), row.content);
    EXPECT_EQ(st.st_ino == before, row.sameInode);
    EXPECT_EQ(static_cast<int>(std::distance(fs::directory_iterator(dir), {})), 1);
  }
}

TEST(TextFile, WriterDroppedWithoutCommitLeavesEarlierFile) {
  TempDir dir;
  WriteRaw(dir / "out.htm", "earlier");
  {
    AtomicFileWriter writer(dir / "out.htm");
    writer.Write("half of the new");
  }
  EXPECT_EQ(ReadRaw(dir / "out.htm"), "earlier");
  EXPECT_EQ(dir.EntryCount(), 1);
}

TEST(TextFile, WriteToFullDeviceRaisesWriteError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  try {
    WriteTextFile("/dev/full", std::string(1 << 16, 'x'));
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
}

// A full disk: the earlier file stays whole and no temporary file is left.
TEST(TextFile, FullDiskLeavesEarlierFileWhole) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  TempDir dir;
  if (::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount tmpfs";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount(path.c_str()); }
  } unmount{dir.path()};
  WriteRaw(dir / "out.htm", "earlier content");
  try {
    WriteTextFile(dir / "out.htm", std::string(1 << 20, 'x'));
    ADD_FAILURE() << "no error";
  } catch (const EWriteError&) {
  }
  EXPECT_EQ(ReadRaw(dir / "out.htm"), "earlier content");
  EXPECT_EQ(dir.EntryCount(), 1);
}

}  // namespace
}  // namespace quorlin
