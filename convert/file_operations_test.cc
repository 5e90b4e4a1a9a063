#include "convert/file_operations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "convert/memory_file_operations.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

namespace fs = std::filesystem;
using testing::FileErrorOf;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::WriteBytes;

TEST(RemoveFolderTree, RemovesLinksWithoutFollowingThem) {
  ScopedTempDir dir;
  WriteBytes(dir.File("stage/a.htm"), "a");
  WriteBytes(dir.File("stage/sub/b.htm"), "b");
  WriteBytes(dir.File("outside/keep.htm"), "keep");
  if (!testing::RemovesLinksToFolders()) {
    GTEST_SKIP() << "this system cannot remove a link to a folder";
  }
  ASSERT_TRUE(
      testing::MakeSymbolicLink("../outside", dir.File("stage/folder-link")));
  ASSERT_TRUE(testing::MakeSymbolicLink("../../outside/keep.htm",
                                        dir.File("stage/sub/file-link")));
  // A link that leads nowhere; Windows tells a file link from a folder
  // link by its target, so there it leads to a file.
  ASSERT_TRUE(testing::MakeSymbolicLink(
      testing::HasFifos() ? "nothing" : "../outside/keep.htm",
      dir.File("stage/dangling")));
  SystemFileOperations files;
  RemoveFolderTree(files, InternalPath(dir.File("stage")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("stage"))));
  EXPECT_EQ(ReadTree(dir.path()),
            (std::map<std::string, std::string>{{"outside/keep.htm", "keep"}}));
}

TEST(RemoveFolderTree, StopsAtTheFirstFailureAndSaysWhere) {
  MemoryFileOperations files;
  files.AddFile("\\stage\\a.htm", "a");
  files.AddFile("\\stage\\b.htm", "b");
  files.AddFile("\\stage\\c.htm", "c");
  files.SetHook([](const FileCall& call) {
    if (call.name == "RemoveFile" && call.path == "\\stage\\b.htm") {
      throw FileError("cannot remove '/stage/b.htm': Permission denied");
    }
  });
  EXPECT_EQ(FileErrorOf([&] { RemoveFolderTree(files, "\\stage"); }),
            "cannot remove '/stage/b.htm': Permission denied");
  EXPECT_EQ(files.Tree(),
            (std::map<std::string, std::string>{{"\\stage\\", ""},
                                                {"\\stage\\b.htm", "b"},
                                                {"\\stage\\c.htm", "c"}}));
}

TEST(SystemFileOperations, TheLockIsExclusiveUntilDropped) {
  ScopedTempDir dir;
  SystemFileOperations files;
  SystemFileOperations other;  // a second run in the same process
  const std::string folder = InternalPath(dir.path());
  std::unique_ptr<HeldLock> lock = files.LockFolder(folder);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(other.LockFolder(folder), nullptr);
  EXPECT_EQ(files.LockFolder(folder + "\\.\\"), nullptr);
  lock.reset();
  EXPECT_NE(other.LockFolder(folder), nullptr);
  EXPECT_EQ(
      FileErrorOf([&] { (void)files.LockFolder(folder + "\\none"); }),
      "cannot read '" + dir.File("none") + "': No such file or directory");
}

TEST(SystemFileOperations, ReadTextRefusesAZeroByteReadBytesTakesIt) {
  ScopedTempDir dir;
  WriteBytes(dir.File("utf16.htm"), std::string("<\0h\0", 4));
  SystemFileOperations files;
  const std::string path = InternalPath(dir.File("utf16.htm"));
  EXPECT_EQ(FileErrorOf([&] { (void)files.ReadText(path); }),
            "cannot read '" + dir.File("utf16.htm") +
                "': it holds a zero byte (a UTF-16 or binary file?)");
  EXPECT_EQ(files.ReadBytes(path), std::string("<\0h\0", 4));
}

TEST(SystemFileOperations, RealPathResolvesLinksAndDots) {
  ScopedTempDir dir;
  WriteBytes(dir.File("real/doc.htm"), "doc");
  ASSERT_TRUE(testing::MakeSymbolicLink("real", dir.File("alias")));
  SystemFileOperations files;
  const std::string root = *files.RealPath(InternalPath(dir.path()));
  EXPECT_EQ(files.RealPath(InternalPath(dir.File("alias/./doc.htm"))),
            root + "\\real\\doc.htm");
  EXPECT_EQ(files.RealPath(InternalPath(dir.File("alias/../real"))),
            root + "\\real");
  EXPECT_EQ(files.RealPath(InternalPath(dir.File("alias/none.htm"))),
            std::nullopt);
}

TEST(SystemFileOperations, NewFilesGetTheModeAskedFor) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps no permission bits";
#endif
  ScopedTempDir dir;
  SystemFileOperations files;
  // Whatever the process's file mask: the mode asked for is the mode made.
  files.WriteNewFile(InternalPath(dir.File("private.htm")), "p", 0600);
  files.WriteNewFile(InternalPath(dir.File("open.htm")), "o", 0666);
  EXPECT_EQ(files.LookAt(InternalPath(dir.File("private.htm"))).mode, 0600u);
  EXPECT_EQ(files.LookAt(InternalPath(dir.File("open.htm"))).mode, 0666u);
}

// The probe tells what the file system of the test's folder does, whether
// it folds letter case or not: a name is found in another case or not.
TEST(SystemFileOperations, FoldsLetterCaseAsTheFolderFindsNames) {
  ScopedTempDir dir;
  WriteBytes(dir.File("named/Doc.htm"), "doc");
  fs::create_directory(dir.File("Empty"));
  const bool folds = fs::exists(dir.File("named/DOC.HTM"));
  SystemFileOperations files;
  EXPECT_EQ(files.FoldsLetterCase(InternalPath(dir.File("named"))), folds);
  EXPECT_EQ(files.FoldsLetterCase(InternalPath(dir.File("Empty"))), folds);
  if (!folds) {
    // Two names in two cases: a folder that keeps case apart, even where
    // one is a second name of the other.
    fs::create_hard_link(dir.File("named/Doc.htm"), dir.File("named/dOC.HTM"));
    EXPECT_FALSE(files.FoldsLetterCase(InternalPath(dir.File("named"))));
  }
  EXPECT_NE(FileErrorOf([&] {
              static_cast<void>(
                  files.FoldsLetterCase(InternalPath(dir.File("none"))));
            }),
            "");
}

}  // namespace
}  // namespace quillery
