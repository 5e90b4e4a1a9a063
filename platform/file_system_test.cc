#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_io.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadBytes;
using testing::ScopedTempDir;
using testing::WriteBytes;

TEST(WriteNewFile, WritesBytesWithTheModeAndRefusesAnExistingFile) {
  ScopedTempDir dir;
  FolderHandles files;
  const std::string path = dir.File("new.htm");
  files.WriteNewFile(InternalPath(path), std::string("a\0\r\n", 4), 0640);
  EXPECT_EQ(ReadBytes(path), std::string("a\0\r\n", 4));
  const PathFacts facts = LookAt(InternalPath(path));
  EXPECT_TRUE(facts.exists && facts.isRegular && !facts.isFolder);
  EXPECT_EQ(facts.mode, 0640u);
  EXPECT_EQ(facts.size, 4u);
  EXPECT_EQ(testing::FileErrorOf(
                [&] { files.WriteNewFile(InternalPath(path), "b", 0644); }),
            "cannot write '" + path + "': File exists");
  EXPECT_EQ(ReadBytes(path), std::string("a\0\r\n", 4));
}

TEST(LookAt, TellsMissingFoldersAndLinksWithoutFollowingThem) {
  ScopedTempDir dir;
  WriteBytes(dir.File("a.htm"), "x");
  ASSERT_EQ(symlink("a.htm", dir.File("link").c_str()), 0);
  EXPECT_FALSE(LookAt(InternalPath(dir.File("none"))).exists);
  EXPECT_FALSE(LookAt(InternalPath(dir.File("a.htm/below"))).exists);
  EXPECT_TRUE(LookAt(InternalPath(dir.path())).isFolder);
  const PathFacts link = LookAt(InternalPath(dir.File("link")));
  EXPECT_TRUE(link.exists);
  EXPECT_FALSE(link.isRegular);
}

TEST(RenameAndLink, ReplaceAtomicallyAndKeepASecondName) {
  ScopedTempDir dir;
  FolderHandles files;
  WriteBytes(dir.File("old.htm"), "old");
  WriteBytes(dir.File("new.htm"), "new");
  ASSERT_TRUE(files.LinkFile(InternalPath(dir.File("old.htm")),
                       InternalPath(dir.File("kept"))));
  files.RenameFile(InternalPath(dir.File("new.htm")),
             InternalPath(dir.File("old.htm")));
  EXPECT_EQ(ReadBytes(dir.File("old.htm")), "new");
  EXPECT_EQ(ReadBytes(dir.File("kept")), "old");
  EXPECT_EQ(files.FolderEntries(InternalPath(dir.path())).size(), 2u);
  files.SyncFolder(InternalPath(dir.path()));
  files.SyncFileSystem(InternalPath(dir.path()));
  EXPECT_EQ(
      testing::FileErrorOf([&] { files.RemoveFile(InternalPath(dir.File("none"))); }),
      "cannot remove '" + dir.File("none") + "': No such file or directory");
}

TEST(FolderLock, OnlyOneHolderAtATime) {
  ScopedTempDir dir;
  {
    FolderLock first(InternalPath(dir.path()));
    EXPECT_TRUE(first.acquired());
    FolderLock second(InternalPath(dir.path()));
    EXPECT_FALSE(second.acquired());
  }
  FolderLock again(InternalPath(dir.path()));
  EXPECT_TRUE(again.acquired());
  EXPECT_EQ(
      testing::FileErrorOf(
          [&] { FolderLock none(InternalPath(dir.File("none"))); }),
      "cannot read '" + dir.File("none") + "': No such file or directory");
}

}  // namespace
}  // namespace quillery
