#include "platform/file_io.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <vector>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadBytes;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::WriteBytes;

#ifdef _WIN32
TEST(InternalPath, KeepsTheVolumeAsTheFirstName) {
  EXPECT_EQ(InternalPath("C:\\Users\\Zo\xc3\xab/Bericht.htm"),
            "\\C:\\Users\\Zo\xc3\xab\\Bericht.htm");
  EXPECT_EQ(InternalPath("C:\\a\\..\\b\\.\\c"), "\\C:\\b\\c");
  EXPECT_EQ(InternalPath("\\\\server\\docs\\a.htm"),
            "\\UNC\\server\\docs\\a.htm");
  EXPECT_EQ(InternalPath("\\\\?\\C:\\long\\a.htm"), "\\C:\\long\\a.htm");
  // Applied twice it only turns the separators.
  EXPECT_EQ(InternalPath("\\C:\\x/y"), "\\C:\\x\\y");
  EXPECT_EQ(InternalPath("\\UNC\\server\\docs/a"), "\\UNC\\server\\docs\\a");
  const std::string relative = InternalPath("site/doc.htm");
  EXPECT_EQ(relative.substr(0, 1), "\\");
  EXPECT_EQ(relative.substr(2, 1), ":");
  EXPECT_EQ(relative.substr(relative.size() - 13), "\\site\\doc.htm");
  EXPECT_EQ(NativePath("\\C:\\tmp\\site\\doc_files/toc a.htm"),
            "C:\\tmp\\site\\doc_files\\toc a.htm");
  EXPECT_EQ(NativePath("\\UNC\\server\\docs"), "\\\\server\\docs");
}

TEST(ReadFile, ReadsPathsLongerThanTheOldLimitAndNonAsciiNames) {
  ScopedTempDir dir;
  std::string folder = "Zo\xc3\xab";
  while (folder.size() < 300)
    folder += "/a-folder-name-of-forty-characters-long";
  const std::string path = dir.File(folder + "/doc.htm");
  ASSERT_GT(path.size(), 260u);
  WriteBytes(path, "long");
  EXPECT_EQ(ReadFile(InternalPath(path)), "long");
  EXPECT_TRUE(FileExists(InternalPath(path)));
  EXPECT_EQ(RealPath(InternalPath(path)), InternalPath(path));
}
#else
TEST(InternalPath, MakesTypedPathsAbsoluteWithBackslashes) {
  EXPECT_EQ(InternalPath("/home/me/My Site/doc.htm"),
            "\\home\\me\\My Site\\doc.htm");
  EXPECT_EQ(InternalPath("\\opt\\q"), "\\opt\\q");
  const std::string relative = InternalPath("site/doc.htm");
  EXPECT_EQ(relative.front(), '\\');
  EXPECT_EQ(relative.substr(relative.size() - 13), "\\site\\doc.htm");
  EXPECT_EQ(NativePath("\\tmp\\site\\doc_files/toc a.htm"),
            "/tmp/site/doc_files/toc a.htm");
}
#endif

TEST(ReadFile, RefusesMissingFilesZeroBytesAndWhatIsNoRegularFile) {
  ScopedTempDir dir;
  WriteBytes(dir.File("utf16.htm"), std::string("<\0h\0", 4));
  // Opened for reading, a FIFO would wait for a writer for ever.
  auto read = [](const std::string& p) { static_cast<void>(ReadFile(p)); };
  struct Row {
    std::string path;
    std::string reason;
  };
  std::vector<Row> rows = {
      {dir.File("none.htm"), "No such file or directory"},
      {dir.File("utf16.htm"),
       "it holds a zero byte (a UTF-16 or binary file?)"},
      {dir.path(), "Is a directory"},
  };
  if (testing::HasFifos()) {
    ASSERT_EQ(testing::MakeFifo(dir.File("fifo.htm")), 0);
    rows.push_back({dir.File("fifo.htm"), "it is not a regular file"});
    rows.push_back({"/dev/zero", "it is not a regular file"});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(testing::FileErrorOf([&] { read(InternalPath(row.path)); }),
              "cannot read '" + row.path + "': " + row.reason);
  }
}

// Around the old chunk size, and large documents whose memory is taken
// ahead on several threads, ending anywhere in a page.
TEST(ReadFile, ReadsSmallAndLargeFilesWhole) {
  ScopedTempDir dir;
  for (std::size_t size :
       {std::size_t{32768}, std::size_t{32769}, std::size_t{16} << 20,
        (std::size_t{24} << 20) + 4097}) {
    SCOPED_TRACE(size);
    std::string bytes;  // 1 to 255 over and over: no zero byte
    while (bytes.size() < size) {
      bytes += static_cast<char>(1 + bytes.size() % 255);
    }
    WriteBytes(dir.File("page.htm"), bytes);
    EXPECT_EQ(ReadFile(InternalPath(dir.File("page.htm"))), bytes);
  }
}

// A large document is read, and looked through for a zero byte, in two
// halves side by side: one zero byte anywhere is still found, at either end
// of either half among them; a binary file keeps it.
TEST(ReadFile, FindsOneZeroByteAnywhereInALargeDocument) {
  ScopedTempDir dir;
  const std::size_t size = (std::size_t{17} << 20) + 3;
  std::string bytes(size, 'x');
  for (const std::size_t at :
       {std::size_t{0}, size / 2 - 1, size / 2, size / 2 + 1, size - 1}) {
    SCOPED_TRACE(at);
    bytes[at] = '\0';
    WriteBytes(dir.File("page.htm"), bytes);
    EXPECT_NE(testing::FileErrorOf([&] {
                static_cast<void>(ReadFile(InternalPath(dir.File("page.htm"))));
              }).find("it holds a zero byte"),
              std::string::npos);
    EXPECT_EQ(ReadBinaryFile(InternalPath(dir.File("page.htm"))), bytes);
    bytes[at] = 'x';
  }
}

// The content page of a conversion: a large one may be mapped from its file
// (where the system can), a small one read; either way the bytes and the
// refusals are ReadFile's.
TEST(ReadDocumentFile, GivesWhatReadFileGives) {
  ScopedTempDir dir;
  const std::size_t large = (std::size_t{17} << 20) + 5;
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{4097}, std::size_t{1} << 20, large}) {
    SCOPED_TRACE(size);
    std::string bytes;  // 1 to 251 over and over: no zero byte
    while (bytes.size() < size) {
      bytes += static_cast<char>(1 + bytes.size() % 251);
    }
    WriteBytes(dir.File("page.htm"), bytes);
    const SharedText document =
        ReadDocumentFile(InternalPath(dir.File("page.htm")));
    EXPECT_TRUE(document.view() == bytes);
    EXPECT_TRUE(document.Unchanged());
  }
  // One zero byte anywhere in a large one, among them at either end of a
  // piece it is looked through in.
  std::string bytes(large, 'x');
  for (const std::size_t at : {std::size_t{0}, (std::size_t{4} << 20) - 1,
                               std::size_t{4} << 20, large / 2, large - 1}) {
    SCOPED_TRACE(at);
    bytes[at] = '\0';
    WriteBytes(dir.File("page.htm"), bytes);
    EXPECT_NE(testing::FileErrorOf([&] {
                static_cast<void>(
                    ReadDocumentFile(InternalPath(dir.File("page.htm"))));
              }).find("it holds a zero byte"),
              std::string::npos);
    bytes[at] = 'x';
  }
  EXPECT_NE(testing::FileErrorOf([&] {
              static_cast<void>(ReadDocumentFile(InternalPath(dir.path())));
            }).find("cannot read"),
            std::string::npos);
}

#ifndef _WIN32
// Someone else writes the document, or cuts it short, while a conversion
// holds it: it tells so, and reading the part cut off gives zero bytes
// instead of stopping the program.
TEST(ReadDocumentFile, TellsAFileWrittenOrCutShortMeanwhile) {
  ScopedTempDir dir;
  const std::string path = dir.File("page.htm");
  const std::string bytes((std::size_t{17} << 20) + 3, 'x');
  {
    WriteBytes(path, bytes);
    const SharedText document = ReadDocumentFile(InternalPath(path));
    ASSERT_TRUE(document.Unchanged());
    ASSERT_EQ(truncate(path.c_str(), 4096), 0);
    std::size_t zeros = 0;
    for (const char byte : document.view()) zeros += byte == '\0' ? 1 : 0;
    EXPECT_EQ(zeros, bytes.size() - 4096);
    EXPECT_FALSE(document.Unchanged());
  }
  {
    WriteBytes(path, bytes);
    const SharedText document = ReadDocumentFile(InternalPath(path));
    // Let go of and read again, its bytes stay.
    document.LetGoBefore(document.size());
    EXPECT_TRUE(document.view() == bytes);
    EXPECT_TRUE(document.Unchanged());
    // The same size, other bytes.
    std::string other = bytes;
    other[12345] = 'y';
    WriteBytes(path, other);
    EXPECT_FALSE(document.Unchanged());
  }
  // A read outside every document still stops the program as before.
  EXPECT_DEATH(
      {
        WriteBytes(path, bytes);
        const int fd = open(path.c_str(), O_RDONLY);
        auto* mapped = static_cast<volatile char*>(
            mmap(nullptr, bytes.size(), PROT_READ, MAP_PRIVATE, fd, 0));
        const SharedText guarded = ReadDocumentFile(InternalPath(path));
        ASSERT_EQ(truncate(path.c_str(), 0), 0);
        static_cast<void>(mapped[bytes.size() - 1]);
      },
      "");
}
#endif

TEST(ReadBinaryFile, KeepsZeroBytes) {
  ScopedTempDir dir;
  const std::string image("GIF89a\0\x01\xff", 9);
  WriteBytes(dir.File("a.gif"), image);
  EXPECT_EQ(ReadBinaryFile(InternalPath(dir.File("a.gif"))), image);
}

TEST(RealPath, ResolvesLinksAndDotsAndGivesNothingForMissingPaths) {
  ScopedTempDir dir;
  WriteBytes(dir.File("site/doc.htm"), "x");
  ASSERT_TRUE(testing::MakeSymbolicLink("site", dir.File("link")));
  const std::optional<std::string> real = RealPath(InternalPath(dir.path()));
  ASSERT_TRUE(real.has_value());
  EXPECT_EQ(RealPath(InternalPath(dir.File("link/./doc.htm"))),
            *real + "\\site\\doc.htm");
  EXPECT_EQ(RealPath(InternalPath(dir.File("link/../site"))), *real + "\\site");
  EXPECT_EQ(RealPath(InternalPath(dir.File("none/doc.htm"))), std::nullopt);
}

#if QUILLERY_POSIX_ONLY && !defined(__APPLE__)
// Without /proc the program is found from the word that started it, as a
// shell found it.
TEST(ProgramFolder, FollowsTheWordTheProgramWasStartedBy) {
  ScopedTempDir dir;
  const std::string real = dir.path() + "/opt/q/bin";
  ASSERT_EQ(system(("mkdir -p '" + real + "' '" + dir.path() + "/other' '" +
                    dir.path() + "/links'")
                       .c_str()),
            0);
  WriteBytes(real + "/quillery", "#!/bin/sh\n");
  ASSERT_EQ(chmod((real + "/quillery").c_str(), 0755), 0);
  // Not executable: a shell passes over it.
  WriteBytes(dir.path() + "/other/quillery", "#!/bin/sh\n");
  ASSERT_EQ(
      symlink((real + "/quillery").c_str(), (dir.path() + "/links/q").c_str()),
      0);
  const std::string realFolder = *RealPath(InternalPath(real));
  char* searchPath = getenv("PATH");
  const std::string savedPath = searchPath != nullptr ? searchPath : "";
  struct Row {
    const char* name;
    std::string word;
    std::string path;
    std::string expected;
  };
  const Row rows[] = {
      {"an absolute path", real + "/quillery", "", realFolder},
      {"a path from the working folder", "./opt/q/bin/quillery", "/bin",
       realFolder},
      {"through a link", dir.path() + "/links/q", "", realFolder},
      {"a bare name in PATH", "quillery",
       dir.path() + "/none:" + dir.path() + "/other::" + real, realFolder},
      {"a bare name found nowhere", "quillery", dir.path() + "/other", ""},
      {"nothing", "", "", ""},
  };
  std::vector<char> workingFolder(4096);
  ASSERT_NE(getcwd(workingFolder.data(), workingFolder.size()), nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    setenv("PATH", row.path.c_str(), 1);
    RememberProgramPath(row.word);
    EXPECT_EQ(ProgramFolder(), row.expected);
  }
  setenv("PATH", savedPath.c_str(), 1);
  ASSERT_EQ(chdir(workingFolder.data()), 0);
}
#endif

}  // namespace
}  // namespace quillery
