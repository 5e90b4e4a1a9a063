#include "platform/file_system.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

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
#ifdef _WIN32
  EXPECT_EQ(facts.mode, 0666u);  // no permission bits there
#else
  EXPECT_EQ(facts.mode, 0640u);
#endif
  EXPECT_EQ(facts.size, 4u);
  EXPECT_EQ(testing::FileErrorOf(
                [&] { files.WriteNewFile(InternalPath(path), "b", 0644); }),
            "cannot write '" + path + "': File exists");
  EXPECT_EQ(ReadBytes(path), std::string("a\0\r\n", 4));
}

TEST(CopyNewFile, CopiesEveryByteWithTheModeAndRefusesAnExistingFile) {
  ScopedTempDir dir;
  FolderHandles files;
  // Larger than one piece of the read-and-write fallback, with zero bytes.
  std::string bytes(700 * 1024 + 3, '\0');
  for (std::size_t i = 0; i < bytes.size(); i += 7) bytes[i] = 'x';
  WriteBytes(dir.File("a.gif"), bytes);
  files.CopyNewFile(InternalPath(dir.File("a.gif")),
                    InternalPath(dir.File("copy.gif")), 0640);
  EXPECT_EQ(ReadBytes(dir.File("copy.gif")), bytes);
#ifdef _WIN32
  EXPECT_EQ(LookAt(InternalPath(dir.File("copy.gif"))).mode, 0666u);
#else
  EXPECT_EQ(LookAt(InternalPath(dir.File("copy.gif"))).mode, 0640u);
#endif
  files.CopyNewFile(InternalPath(dir.File("copy.gif")),
                    InternalPath(dir.File("empty-source")), 0644);
  WriteBytes(dir.File("empty.gif"), "");
  files.CopyNewFile(InternalPath(dir.File("empty.gif")),
                    InternalPath(dir.File("empty-copy.gif")), 0644);
  EXPECT_EQ(ReadBytes(dir.File("empty-copy.gif")), "");
  WriteBytes(dir.File("old.gif"), "old");
  EXPECT_EQ(testing::FileErrorOf([&] {
              files.CopyNewFile(InternalPath(dir.File("a.gif")),
                                InternalPath(dir.File("old.gif")), 0644);
            }),
            "cannot write '" + dir.File("old.gif") + "': File exists");
  EXPECT_EQ(ReadBytes(dir.File("old.gif")), "old");
}

TEST(CopyNewFile, RefusesALinkAFolderOrNothingAndMakesNoFile) {
  ScopedTempDir dir;
  FolderHandles files;
  WriteBytes(dir.File("a.gif"), "a");
  ASSERT_TRUE(testing::MakeSymbolicLink("a.gif", dir.File("link.gif")));
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder")));
  struct Row {
    const char* from;
    std::string message;
  };
  std::vector<Row> rows = {
      {"link.gif", "cannot read '" + dir.File("link.gif") +
                       "': it is a symbolic link, which quillery does not "
                       "follow"},
      {"folder",
       "cannot read '" + dir.File("folder") + "': it is not a regular file"},
      {"none.gif",
       "cannot read '" + dir.File("none.gif") + "': No such file or directory"},
  };
  // Under Wine a link to a file looks like the file itself.
  if (!testing::ShowsLinksToFiles()) rows.erase(rows.begin());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.from);
    EXPECT_EQ(testing::FileErrorOf([&] {
                files.CopyNewFile(InternalPath(dir.File(row.from)),
                                  InternalPath(dir.File("copy.gif")), 0644);
              }),
              row.message);
    EXPECT_FALSE(LookAt(InternalPath(dir.File("copy.gif"))).exists);
  }
}

TEST(LookAt, TellsMissingFoldersAndLinksWithoutFollowingThem) {
  ScopedTempDir dir;
  WriteBytes(dir.File("a.htm"), "x");
  ASSERT_TRUE(testing::MakeSymbolicLink("a.htm", dir.File("link")));
  EXPECT_FALSE(LookAt(InternalPath(dir.File("none"))).exists);
  EXPECT_FALSE(LookAt(InternalPath(dir.File("a.htm/below"))).exists);
  EXPECT_TRUE(LookAt(InternalPath(dir.path())).isFolder);
  const PathFacts link = LookAt(InternalPath(dir.File("link")));
  EXPECT_TRUE(link.exists);
  if (testing::ShowsLinksToFiles()) {
    EXPECT_FALSE(link.isRegular);
  }
  ASSERT_TRUE(testing::MakeSymbolicLink(dir.path(), dir.File("folderLink")));
  EXPECT_TRUE(LookAt(InternalPath(dir.File("folderLink"))).isLink);
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
      testing::FileErrorOf(
          [&] { files.RemoveFile(InternalPath(dir.File("none"))); }),
      "cannot remove '" + dir.File("none") + "': No such file or directory");
}

// A rename onto a free name never replaces what stands there: a file, a
// folder, or a link, even one that leads nowhere.
TEST(RenameNewFile, RenamesOntoAFreeNameAndNeverReplaces) {
  ScopedTempDir dir;
  FolderHandles files;
  const std::string staged = InternalPath(dir.File("staged"));
  WriteBytes(dir.File("staged"), "new");
  WriteBytes(dir.File("taken.htm"), "the user's");
  std::filesystem::create_directory(dir.File("folder"));
  std::vector<std::string> taken = {"taken.htm", "folder"};
  if (testing::MakeSymbolicLink("nowhere", dir.File("link"))) {
    taken.push_back("link");
  }
  for (const std::string& name : taken) {
    SCOPED_TRACE(name);
    const std::string error = testing::FileErrorOf(
        [&] { files.RenameNewFile(staged, InternalPath(dir.File(name))); });
    EXPECT_NE(error.find(dir.File(name)), std::string::npos) << error;
#ifndef _WIN32
    EXPECT_NE(error.find("File exists"), std::string::npos) << error;
#endif
  }
  EXPECT_EQ(ReadBytes(dir.File("taken.htm")), "the user's");
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
  EXPECT_EQ(ReadBytes(dir.File("staged")), "new");
  files.RenameNewFile(staged, InternalPath(dir.File("free.htm")));
  EXPECT_EQ(ReadBytes(dir.File("free.htm")), "new");
  EXPECT_FALSE(std::filesystem::exists(dir.File("staged")));
}

// Linux exchanges two folders in one step; the POSIX-only build has no such
// call, says so and changes nothing, and its caller swaps by renames.
TEST(ExchangeFolders, SwapsTwoFoldersOrSaysItCannot) {
  ScopedTempDir dir;
  FolderHandles files;
  WriteBytes(dir.File("one/a.htm"), "one");
  WriteBytes(dir.File("two/a.htm"), "two");
  const bool exchanged = files.ExchangeFolders(InternalPath(dir.File("one")),
                                               InternalPath(dir.File("two")));
#if (QUILLERY_POSIX_ONLY && !defined(__APPLE__)) || defined(_WIN32)
  EXPECT_FALSE(exchanged);
  EXPECT_EQ(ReadBytes(dir.File("one/a.htm")), "one");
#else
  EXPECT_TRUE(exchanged);
  EXPECT_EQ(ReadBytes(dir.File("one/a.htm")), "two");
  EXPECT_EQ(ReadBytes(dir.File("two/a.htm")), "one");
#endif
}

// What is written and then synced is there: the files, and the names of
// the folders made for them, whatever the system's way of syncing.
TEST(SyncFileSystem, FollowsFilesWrittenIntoNewFolders) {
  ScopedTempDir dir;
  FolderHandles files;
  files.MakeFolder(InternalPath(dir.File("new")));
  files.MakeFolder(InternalPath(dir.File("new/deeper")));
  files.WriteNewFile(InternalPath(dir.File("new/deeper/a.htm")), "a", 0644);
  files.RenameFile(InternalPath(dir.File("new")),
                   InternalPath(dir.File("renamed")));
  files.SyncFileSystem(InternalPath(dir.path()));
  files.SyncFileSystem(InternalPath(dir.path()));
  EXPECT_EQ(ReadBytes(dir.File("renamed/deeper/a.htm")), "a");
}

// A folder that may be passed through but not read: Linux holds it without
// reading it; the POSIX-only build must open it for reading, and says so.
TEST(WriteNewFile, ThroughAFolderThatCannotBeRead) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps no permission bits";
#else
  if (geteuid() == 0) GTEST_SKIP() << "the superuser reads every folder";
  ScopedTempDir dir;
  FolderHandles files;
  WriteBytes(dir.File("locked/keep"), "");
  ASSERT_EQ(chmod(dir.File("locked").c_str(), 0300), 0);
  const std::string path = dir.File("locked/a.htm");
  const std::string error = testing::FileErrorOf(
      [&] { files.WriteNewFile(InternalPath(path), "a", 0644); });
  ASSERT_EQ(chmod(dir.File("locked").c_str(), 0700), 0);
#if QUILLERY_POSIX_ONLY
  EXPECT_EQ(error, "cannot write '" + path + "': the folder '" +
                       dir.File("locked") +
                       "' cannot be read, and quillery opens every folder on "
                       "the way for reading here");
#else
  EXPECT_EQ(error, "no error");
  EXPECT_EQ(ReadBytes(path), "a");
#endif
#endif
}

// A site folder with a subfolder, and a folder beside it that a link may
// lead to; `Outside()` must never change.
class FolderHandlesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_.File("site/sub/page.htm"), "page");
    WriteBytes(dir_.File("outside/victim.txt"), "victim");
  }
  std::string In(const std::string& name) const {
    return InternalPath(dir_.File(name));
  }
  std::map<std::string, std::string> Outside() const {
    return testing::ReadTree(dir_.File("outside"));
  }
  // The subfolder moved aside and a link to the outside in its place.
  void SwapSubfolderForLink() {
    std::filesystem::rename(std::filesystem::u8path(dir_.File("site/sub")),
                            std::filesystem::u8path(dir_.File("site/moved")));
    ASSERT_TRUE(
        testing::MakeSymbolicLink(dir_.File("outside"), dir_.File("site/sub")));
  }

  ScopedTempDir dir_;
  FolderHandles files_;
};

TEST_F(FolderHandlesTest, ALinkOnTheWayIsNeverFollowed) {
  const auto outside = Outside();
  SwapSubfolderForLink();
  const std::string refusal = "': '" + dir_.File("site/sub") +
                              "' is a symbolic link, which quillery does not "
                              "follow";
  EXPECT_EQ(testing::FileErrorOf([&] {
              files_.WriteNewFile(In("site/sub/new.htm"), "x", 0644);
            }),
            "cannot write '" + dir_.File("site/sub/new.htm") + refusal);
  EXPECT_EQ(testing::FileErrorOf([&] {
              files_.RenameFile(In("site/moved/page.htm"),
                                In("site/sub/victim.txt"));
            }),
            "cannot write '" + dir_.File("site/sub/victim.txt") + refusal);
  EXPECT_EQ(testing::FileErrorOf(
                [&] { files_.RemoveFile(In("site/sub/victim.txt")); }),
            "cannot remove '" + dir_.File("site/sub/victim.txt") + refusal);
  EXPECT_EQ(testing::FileErrorOf(
                [&] { static_cast<void>(files_.LookAt(In("site/sub/x"))); }),
            "cannot read '" + dir_.File("site/sub/x") + refusal);
  EXPECT_EQ(testing::FileErrorOf([&] {
              static_cast<void>(files_.FolderEntries(In("site/sub")));
            }),
            "cannot read '" + dir_.File("site/sub") + refusal);
  // The link itself is looked at and removed, never what it leads to.
  EXPECT_TRUE(files_.LookAt(In("site/sub")).isLink);
  if (!testing::RemovesLinksToFolders()) {
    GTEST_SKIP() << "this system cannot remove a link to a folder";
  }
  files_.RemoveFile(In("site/sub"));
  EXPECT_FALSE(testing::Exists(dir_.File("site/sub")));
  EXPECT_EQ(Outside(), outside);
}

#ifdef _WIN32
// Windows has no calls relative to an open folder: a folder swapped after
// it was opened is found replaced before the next operation in it, which
// then takes place nowhere.
TEST_F(FolderHandlesTest, AFolderSwappedAfterOpeningStopsTheWrites) {
  const auto outside = Outside();
  EXPECT_TRUE(files_.LookAt(In("site/sub/page.htm")).isRegular);
  SwapSubfolderForLink();
  const std::string refusal = "': '" + dir_.File("site/sub") +
                              "' is a symbolic link, which quillery does not "
                              "follow";
  EXPECT_EQ(testing::FileErrorOf([&] {
              files_.WriteNewFile(In("site/sub/new.htm"), "x", 0644);
            }),
            "cannot write '" + dir_.File("site/sub/new.htm") + refusal);
  EXPECT_EQ(testing::FileErrorOf([&] {
              files_.RenameFile(In("site/moved/page.htm"),
                                In("site/sub/victim.txt"));
            }),
            "cannot write '" + dir_.File("site/sub/victim.txt") + refusal);
  EXPECT_EQ(Outside(), outside);
  // Another folder in its place is no link, and is refused too.
  testing::RemoveAll(dir_.File("site/sub"));
  std::filesystem::create_directory(
      std::filesystem::u8path(dir_.File("site/sub")));
  EXPECT_EQ(testing::FileErrorOf([&] {
              files_.WriteNewFile(In("site/sub/new.htm"), "x", 0644);
            }),
            "cannot write '" + dir_.File("site/sub/new.htm") + "': '" +
                dir_.File("site/sub") +
                "' was replaced while quillery worked in it");
}
#else
TEST_F(FolderHandlesTest, AFolderSwappedAfterOpeningKeepsTakingTheWrites) {
  const auto outside = Outside();
  EXPECT_TRUE(files_.LookAt(In("site/sub/page.htm")).isRegular);
  SwapSubfolderForLink();
  files_.WriteNewFile(In("site/sub/new.htm"), "new", 0644);
  ASSERT_TRUE(files_.LinkFile(In("site/sub/page.htm"), In("site/sub/kept")));
  files_.RenameFile(In("site/sub/new.htm"), In("site/sub/page.htm"));
  files_.SyncFolder(In("site/sub"));
  EXPECT_EQ(testing::ReadTree(dir_.File("site/moved")),
            (std::map<std::string, std::string>{{"kept", "page"},
                                                {"page.htm", "new"}}));
  EXPECT_EQ(Outside(), outside);
}
#endif

TEST_F(FolderHandlesTest, ARenamedFolderIsLookedUpAgain) {
  EXPECT_TRUE(files_.LookAt(In("site/sub/page.htm")).exists);
  files_.RenameFile(In("site/sub"), In("site/other"));
  EXPECT_FALSE(files_.LookAt(In("site/sub/page.htm")).exists);
  EXPECT_TRUE(files_.LookAt(In("site/other/page.htm")).exists);
  files_.MakeFolder(In("site/sub"));
  files_.WriteNewFile(In("site/sub/new.htm"), "new", 0644);
  EXPECT_EQ(ReadBytes(dir_.File("site/sub/new.htm")), "new");
  EXPECT_FALSE(testing::Exists(dir_.File("site/other/new.htm")));
}

// Folders whose names begin with "a" lie beside it in the handles' order,
// before and after "a" and what is below it: a rename of "a" drops the
// handles of "a" and below, and only those.
TEST_F(FolderHandlesTest, ARenameDropsTheHandlesOfItsFolderAndNoOthers) {
  const std::vector<std::string> besides = {"a.x", "a-x", "ab", "a0"};
  WriteBytes(dir_.File("site/a/x/f"), "f");
  for (const std::string& beside : besides) {
    WriteBytes(dir_.File("site/" + beside + "/f"), beside);
  }
  EXPECT_TRUE(files_.LookAt(In("site/a/x/f")).exists);
  for (const std::string& beside : besides) {
    EXPECT_TRUE(files_.LookAt(In("site/" + beside + "/f")).exists);
  }
#ifndef _WIN32
  // A handle kept takes the writes into the folder it opened even after
  // the folder moved (AFolderSwappedAfterOpeningKeepsTakingTheWrites); one
  // dropped would be opened afresh and refuse the link.
  for (const std::string& beside : besides) {
    std::filesystem::rename(
        std::filesystem::u8path(dir_.File("site/" + beside)),
        std::filesystem::u8path(dir_.File("moved-" + beside)));
    ASSERT_TRUE(testing::MakeSymbolicLink(dir_.File("outside"),
                                          dir_.File("site/" + beside)));
  }
#endif
  const auto outside = Outside();
  files_.RenameFile(In("site/a"), In("site/old"));
  files_.MakeFolder(In("site/a"));
  files_.MakeFolder(In("site/a/x"));
  files_.WriteNewFile(In("site/a/x/new"), "new", 0644);
  EXPECT_EQ(testing::ReadTree(dir_.File("site/a")),
            (std::map<std::string, std::string>{{"x/new", "new"}}));
  EXPECT_EQ(testing::ReadTree(dir_.File("site/old")),
            (std::map<std::string, std::string>{{"x/f", "f"}}));
  for (const std::string& beside : besides) {
    SCOPED_TRACE(beside);
    files_.WriteNewFile(In("site/" + beside + "/new"), "new", 0644);
#ifdef _WIN32
    const std::string folder = "site/" + beside;
#else
    const std::string folder = "moved-" + beside;
#endif
    EXPECT_EQ(
        testing::ReadTree(dir_.File(folder)),
        (std::map<std::string, std::string>{{"f", beside}, {"new", "new"}}));
  }
  EXPECT_EQ(Outside(), outside);
}

// A file's rename drops no handle, not even of folders whose names begin
// with the file's name.
TEST_F(FolderHandlesTest, ARenamedFileLeavesTheFoldersOpen) {
  WriteBytes(dir_.File("site/page"), "page");
  WriteBytes(dir_.File("site/page.d/f"), "f");
  EXPECT_TRUE(files_.LookAt(In("site/page.d/f")).exists);
  EXPECT_TRUE(files_.LookAt(In("site/sub/page.htm")).exists);
#ifndef _WIN32
  std::filesystem::rename(std::filesystem::u8path(dir_.File("site/page.d")),
                          std::filesystem::u8path(dir_.File("moved")));
  ASSERT_TRUE(testing::MakeSymbolicLink(dir_.File("outside"),
                                        dir_.File("site/page.d")));
  const std::string folder = "moved";
#else
  const std::string folder = "site/page.d";
#endif
  files_.RenameFile(In("site/page"), In("site/sub/page.htm"));
  files_.WriteNewFile(In("site/page.d/new"), "new", 0644);
  EXPECT_EQ(testing::ReadTree(dir_.File(folder)),
            (std::map<std::string, std::string>{{"f", "f"}, {"new", "new"}}));
  EXPECT_EQ(ReadBytes(dir_.File("site/sub/page.htm")), "page");
  EXPECT_EQ(Outside(),
            (std::map<std::string, std::string>{{"victim.txt", "victim"}}));
}

// A folder opened afresh below one that is open already, or after a
// rename dropped its handle, is opened name by name as the first time was:
// a link there is refused.
TEST_F(FolderHandlesTest, ALinkBelowAnOpenFolderIsNeverFollowed) {
  const auto outside = Outside();
  EXPECT_FALSE(files_.LookAt(In("site/none")).exists);  // opens "site"
  SwapSubfolderForLink();
  const std::string refusal = "': '" + dir_.File("site/sub") +
                              "' is a symbolic link, which quillery does not "
                              "follow";
  EXPECT_EQ(testing::FileErrorOf([&] {
              files_.WriteNewFile(In("site/sub/deeper/new.htm"), "x", 0644);
            }),
            "cannot write '" + dir_.File("site/sub/deeper/new.htm") + refusal);
  // "moved" opened, renamed away through this object, and a link put in
  // its place.
  EXPECT_TRUE(files_.LookAt(In("site/moved/page.htm")).exists);
  files_.RenameFile(In("site/moved"), In("site/gone"));
  ASSERT_TRUE(
      testing::MakeSymbolicLink(dir_.File("outside"), dir_.File("site/moved")));
  EXPECT_EQ(testing::FileErrorOf([&] {
              files_.WriteNewFile(In("site/moved/new.htm"), "x", 0644);
            }),
            "cannot write '" + dir_.File("site/moved/new.htm") + "': '" +
                dir_.File("site/moved") +
                "' is a symbolic link, which quillery does not follow");
  EXPECT_EQ(Outside(), outside);
}

// However a path is spelled (separators doubled or mixed, ".", a separator
// at the end), it names the same file; ".." anywhere is refused.
TEST_F(FolderHandlesTest, EverySpellingOfAPathNamesOneFile) {
  const std::string site = In("site");
  const std::vector<std::string> spellings = {
      site + "\\sub\\page.htm",    site + "\\\\sub\\\\page.htm",
      site + "\\.\\sub\\page.htm", site + "/sub/./page.htm",
      site + "\\sub\\page.htm\\",  site + "\\sub/.\\/page.htm\\.",
  };
  const PathFacts page = files_.LookAt(spellings[0]);
  ASSERT_TRUE(page.isRegular);
  for (const std::string& spelling : spellings) {
    SCOPED_TRACE(spelling);
    const PathFacts facts = files_.LookAt(spelling);
    EXPECT_TRUE(facts.isRegular);
    EXPECT_EQ(facts.inode, page.inode);
    EXPECT_EQ(files_.ReadFile(spelling, 100), "page");
  }
  for (const std::string& refused :
       {site + "\\..\\site\\sub\\page.htm", site + "\\sub\\..",
        site + "/sub/../sub/page.htm", site + "\\sub\\..\\"}) {
    SCOPED_TRACE(refused);
    EXPECT_EQ(testing::FileErrorOf(
                  [&] { static_cast<void>(files_.LookAt(refused)); }),
              "cannot read '" + NativePath(refused) + "': it names \"..\"");
  }
}

// Two threads that write into the same new folders at once, each opening
// them when it first needs them, both find them.
TEST_F(FolderHandlesTest, TwoThreadsShareTheHandles) {
  constexpr int kFolders = 8;
  constexpr int kFilesEach = 40;
  for (int folder = 0; folder < kFolders; ++folder) {
    files_.MakeFolder(In("site/d" + std::to_string(folder)));
  }
  auto write = [&](const std::string& who) {
    for (int file = 0; file < kFilesEach; ++file) {
      files_.WriteNewFile(In("site/d" + std::to_string(file % kFolders) + "/" +
                             who + std::to_string(file)),
                          who, 0644);
    }
  };
  std::thread other(write, "b");
  write("a");
  other.join();
  for (int folder = 0; folder < kFolders; ++folder) {
    EXPECT_EQ(
        testing::ReadTree(dir_.File("site/d" + std::to_string(folder))).size(),
        static_cast<std::size_t>(2 * kFilesEach / kFolders));
  }
}

TEST_F(FolderHandlesTest, ReadsOnlyRegularFilesUpToTheLimit) {
  WriteBytes(dir_.File("site/zero"), std::string("a\0b", 3));
  EXPECT_EQ(files_.ReadFile(In("site/zero"), 3), std::string("a\0b", 3));
  EXPECT_EQ(testing::FileErrorOf([&] {
              static_cast<void>(files_.ReadFile(In("site/zero"), 2));
            }),
            "cannot read '" + dir_.File("site/zero") +
                "': it is larger than 2 bytes");
  if (testing::HasFifos()) {
    ASSERT_EQ(testing::MakeFifo(dir_.File("site/fifo")), 0);
    EXPECT_EQ(testing::FileErrorOf([&] {
                static_cast<void>(files_.ReadFile(In("site/fifo"), 100));
              }),
              "cannot read '" + dir_.File("site/fifo") +
                  "': it is not a regular file");
  }
  const std::string linked =
      testing::ShowsLinksToFiles() ? "outside/victim.txt" : "outside";
  ASSERT_TRUE(
      testing::MakeSymbolicLink(dir_.File(linked), dir_.File("site/link")));
  EXPECT_EQ(testing::FileErrorOf([&] {
              static_cast<void>(files_.ReadFile(In("site/link"), 100));
            }),
            "cannot read '" + dir_.File("site/link") +
                "': it is a symbolic link, which quillery does not follow");
  EXPECT_EQ(
      testing::FileErrorOf([&] {
        static_cast<void>(files_.LookAt(In("site") + "\\..\\outside"));
      }),
      "cannot read '" + dir_.File("site/../outside") + "': it names \"..\"");
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
