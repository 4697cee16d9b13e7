// Loading and saving text files: break normalisation, the zero-byte cut, and a
// save that replaces the file only once it is complete.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "convert/exceptions.h"
#include "convert/line_list.h"
#include "convert/text_file.h"

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
  int EntryCount() const { return static_cast<int>(std::distance(fs::directory_iterator(path_), {})); }

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

TEST(TextFile, LoadNormalisesBreaksAndStopsAtZero) {
  struct Row {
    std::string file;
    std::string text;
    int count;
  };
  const Row rows[] = {
      {"a\nb\rc\r\n", "a\r\nb\r\nc\r\n", 3},
      {"a\n\rb", "a\r\n\r\nb", 3},
      {std::string("abc\0def", 7), "abc", 1},
      {std::string("\0abc", 4), "", 0},
      {"", "", 0},
      {"\r\r\n\n", "\r\n\r\n\r\n", 3},
      {"x\r", "x\r\n", 1},
      {"\xff\xfe\xe9", "\xff\xfe\xe9", 1},
  };
  TempDir dir;
  for (const Row& row : rows) {
    WriteRaw(dir / "in.txt", row.file);
    MemoryLineList list("before");
    LoadFromFile(list, dir / "in.txt");
    EXPECT_EQ(list.Text(), row.text);
    EXPECT_EQ(list.Count(), row.count);
  }
}

// A load reports where a zero byte cut the text, also past the first read,
// and whether the file starts like UTF-16.
TEST(TextFile, LoadReportsAZeroByteCut) {
  struct Row {
    std::string file;
    bool cut;
    std::uint64_t before;
    bool utf16;
  };
  const std::string big(1500000, 'a');
  const Row rows[] = {
      {"plain text\r\n", false, 0, false},
      {std::string("abc\0def", 7), true, 3, false},
      {std::string("\0", 1), true, 0, false},
      {big + std::string("\0z", 2), true, big.size(), false},
      {std::string("\xff\xfeP\0a\0", 6), true, 3, true},
      {std::string("\xfe\xff\0P", 4), true, 2, true},
      {"\xff\xfe\xe9", false, 0, true},
  };
  TempDir dir;
  for (const Row& row : rows) {
    WriteRaw(dir / "in.txt", row.file);
    LoadReport report;
    ReadTextFile(dir / "in.txt", &report);
    EXPECT_EQ(report.cutAtZero, row.cut) << row.file.substr(0, 12);
    EXPECT_EQ(report.bytesBeforeZero, row.cut ? row.before : row.file.size()) << row.file.substr(0, 12);
    EXPECT_EQ(report.utf16Mark, row.utf16) << row.file.substr(0, 12);
    EXPECT_EQ(DescribeCut(report).empty(), !row.cut);
  }
}

TEST(TextFile, NormalisingInPiecesEqualsNormalisingWhole) {
  const std::string raw = "a\r\nb\r\rc\n\rd\r\n\r\ne\r";
  for (std::size_t cut = 0; cut <= raw.size(); ++cut) {
    std::string out;
    bool pendingCR = false;
    NormalizeLineBreaks(std::string_view(raw).substr(0, cut), out, pendingCR);
    NormalizeLineBreaks(std::string_view(raw).substr(cut), out, pendingCR);
    EXPECT_EQ(out, NormalizeLineBreaks(raw)) << "cut at " << cut;
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
  if (::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount tmpfs";
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
