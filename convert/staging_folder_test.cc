#include "convert/staging_folder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "convert/memory_file_operations.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using Tree = std::map<std::string, std::string>;

const std::string kSite = "\\work\\site";
const std::string kBookkeeping = "\\work\\site\\.quillery";
const std::string kStaging = "\\work\\site\\.quillery\\staging";

// Each shape the bookkeeping folder can have: what the check answers, what
// it leaves, and the message of a refusal.
TEST(CheckBookkeepingFolder, TakesAFolderAndRefusesAnythingElseUntouched) {
  struct Row {
    const char* name;
    std::function<void(MemoryFileOperations&)> setUp;
    bool exists;
    const char* refusal;  // nullptr: no refusal
    bool leftAsItWas;
  };
  const Row rows[] = {
      {"absent", [](MemoryFileOperations&) {}, false, nullptr, true},
      {"an empty folder, removed",
       [](MemoryFileOperations& files) { files.AddFolder(kBookkeeping); },
       false, nullptr, false},
      {"a folder with entries",
       [](MemoryFileOperations& files) {
         files.AddFile(kBookkeeping + "\\notes", "ours?");
       },
       true, nullptr, true},
      {"a link to a folder elsewhere",
       [](MemoryFileOperations& files) {
         files.AddFolder("\\work\\elsewhere");
         files.AddLink(kBookkeeping, "\\work\\elsewhere");
       },
       false,
       "refusing to work in '/work/site': '/work/site/.quillery' is a "
       "symbolic link, not quillery's own folder; remove it and run again",
       true},
      {"a dangling link",
       [](MemoryFileOperations& files) {
         files.AddLink(kBookkeeping, "nowhere");
       },
       false,
       "refusing to work in '/work/site': '/work/site/.quillery' is a "
       "symbolic link, not quillery's own folder; remove it and run again",
       true},
      {"a file",
       [](MemoryFileOperations& files) { files.AddFile(kBookkeeping, "x"); },
       false,
       "refusing to work in '/work/site': '/work/site/.quillery' is a "
       "file, not quillery's own folder; remove it and run again",
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    files.AddFile(kSite + "\\doc.htm", "<frameset>");
    row.setUp(files);
    const Tree before = files.Tree();
    if (row.refusal != nullptr) {
      try {
        static_cast<void>(CheckBookkeepingFolder(files, kSite));
        ADD_FAILURE() << "no refusal";
      } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), row.refusal);
      }
    } else {
      EXPECT_EQ(CheckBookkeepingFolder(files, kSite), row.exists);
    }
    if (row.leftAsItWas) {
      EXPECT_EQ(files.Tree(), before);
    } else {
      EXPECT_FALSE(files.LookAt(kBookkeeping).exists);
      Tree expected = before;
      expected.erase(kBookkeeping + "\\");
      EXPECT_EQ(files.Tree(), expected);
    }
  }
}

// A staging folder as a stopped run leaves it: staged files, the record and
// its part, and second names of originals.
void AddStaging(MemoryFileOperations& files) {
  files.AddFile(kStaging + "\\0", "main");
  files.AddFile(kStaging + "\\1", "toc");
  files.AddFile(kStaging + "\\2", "page");
  files.AddFile(kStaging + "\\record", "quillery staging record 2");
  files.AddFile(kStaging + "\\record.part", "quillery");
  files.AddFile(kStaging + "\\_originals\\0", "old main");
}

TEST(RemoveStaging, RemovesEverythingOurWriterMakesAndThenTheFolders) {
  MemoryFileOperations files;
  files.AddFile(kSite + "\\doc.htm", "<frameset>");
  AddStaging(files);
  RemoveStaging(files, kBookkeeping, kStaging);
  EXPECT_EQ(files.Tree(kSite), (Tree{{kSite + "\\doc.htm", "<frameset>"}}));
}

TEST(RemoveStaging, LeavesForeignNamesAndTheFoldersHoldingThem) {
  struct Row {
    const char* name;
    std::string foreign;  // a file the writer never makes
  };
  const Row rows[] = {
      {"in the staging folder", kStaging + "\\notes.txt"},
      {"a name like a staged one but longer", kStaging + "\\abcdef"},
      {"a staged name with a leading zero", kStaging + "\\01"},
      {"among the originals", kStaging + "\\_originals\\keep.htm"},
      {"in the bookkeeping folder", kBookkeeping + "\\build.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    AddStaging(files);
    files.AddFile(row.foreign, "theirs");
    RemoveStaging(files, kBookkeeping, kStaging);
    EXPECT_EQ(files.Contents(row.foreign), "theirs");
    // The record goes last: while it stays, the next run finds the staging
    // whole; once it is gone, nothing else of ours is left.
    if (!files.LookAt(kStaging + "\\record").exists) {
      for (const char* ours :
           {"\\0", "\\1", "\\2", "\\record.part", "\\_originals\\0"}) {
        EXPECT_FALSE(files.LookAt(kStaging + ours).exists) << ours;
      }
    }
  }
}

TEST(RemoveStaging, RemovesALinkItselfAndNeverWhatItPointsTo) {
  MemoryFileOperations files;
  files.AddFile("\\work\\kept\\page.htm", "sentinel");
  files.AddFile("\\work\\kept\\0", "sentinel too");
  files.AddLink(kStaging + "\\2", "\\work\\kept\\page.htm");
  files.AddLink(kStaging + "\\_originals", "\\work\\kept");
  const Tree kept = files.Tree("\\work\\kept");
  RemoveStaging(files, kBookkeeping, kStaging);
  EXPECT_EQ(files.Tree("\\work\\kept"), kept);
  EXPECT_FALSE(files.LookAt(kBookkeeping).exists);
}

// The record goes last: while anything else of the staging stays, a next
// run still finds what the commit was.
TEST(RemoveStaging, AFailureKeepsTheRecordUntilTheStagedFilesAreGone) {
  MemoryFileOperations files;
  AddStaging(files);
  files.SetHook([](const FileCall& call) {
    if (call.name == "RemoveFile" && call.path == kStaging + "\\2") {
      throw FileError("remove", call.path, "busy");
    }
  });
  RemoveStaging(files, kBookkeeping, kStaging);
  EXPECT_EQ(files.Contents(kStaging + "\\record"), "quillery staging record 2");
  EXPECT_EQ(files.Contents(kStaging + "\\2"), "page");
}

TEST(RenameInOrder, MakesEachGroupDurableOnceBeforeTheNext) {
  MemoryFileOperations files;
  files.AddFile(kStaging + "\\0", "main");
  files.AddFile(kStaging + "\\1", "toc");
  files.AddFile(kStaging + "\\2", "page 1");
  files.AddFile(kStaging + "\\3", "page 2");
  files.AddFile(kStaging + "\\4", "picture");
  files.AddFolder(kSite + "\\sub");
  const std::vector<StagedRename> renames = {
      {kStaging + "\\2", kSite + "\\sub\\p1.htm", RenameRole::kNewFile, true},
      {kStaging + "\\3", kSite + "\\p2.htm", RenameRole::kNewFile, true},
      {kStaging + "\\4", kSite + "\\sub\\b.gif", RenameRole::kNewFile, true},
      {kStaging + "\\1", kSite + "\\sub\\toc.htm", RenameRole::kTocFramePage,
       true},
      {kStaging + "\\0", kSite + "\\doc.htm", RenameRole::kMainFile, true},
  };
  std::vector<char> done(renames.size(), 0);
  RenameInOrder(files, renames, done);
  EXPECT_EQ(done, std::vector<char>(5, 1));
  EXPECT_EQ(files.syncs(), (std::vector<std::string>{
                               "SyncFolder " + kSite,
                               "SyncFolder " + kSite + "\\sub",
                               "SyncFolder " + kSite + "\\sub",
                               "SyncFolder " + kSite,
                           }));
  EXPECT_EQ(files.Contents(kSite + "\\sub\\p1.htm"), "page 1");
  EXPECT_EQ(files.Contents(kSite + "\\doc.htm"), "main");
}

// Staged renames named after their place, onto "f0", "f1", ... in the site.
std::vector<StagedRename> PlantRenames(MemoryFileOperations& files,
                                       const std::vector<RenameRole>& roles) {
  std::vector<StagedRename> renames;
  for (std::size_t i = 0; i < roles.size(); ++i) {
    const std::string staged = kStaging + "\\" + StagedName(i);
    files.AddFile(staged, "x");
    renames.push_back(
        {staged, kSite + "\\f" + std::to_string(i), roles[i], true});
  }
  return renames;
}

// Makes the rename of the file staged at `staged` fail, as a full disk
// would.
void FailTheRenameOf(MemoryFileOperations& files, std::string staged) {
  files.SetHook([staged = std::move(staged)](const FileCall& call) {
    if (call.IsRename() && call.path == staged) {
      throw FileError("rename", call.path, "disk full");
    }
  });
}

TEST(RenameInOrder, FlagsTheRenamesDoneWhenOneFails) {
  for (std::size_t failing = 0; failing < 3; ++failing) {
    SCOPED_TRACE(failing);
    MemoryFileOperations files;
    const std::vector<StagedRename> renames =
        PlantRenames(files, {RenameRole::kNewFile, RenameRole::kTocFramePage,
                             RenameRole::kMainFile});
    FailTheRenameOf(files, renames[failing].staged);
    std::vector<char> done(renames.size(), 0);
    EXPECT_THROW(RenameInOrder(files, renames, done), FileError);
    std::vector<char> expected(renames.size(), 0);
    for (std::size_t i = 0; i < failing; ++i) expected[i] = 1;
    EXPECT_EQ(done, expected);
    // Only the groups wholly renamed were made durable.
    EXPECT_EQ(files.syncs().size(), failing);
  }
}

// A name that was free when its file was staged and is taken by then: the
// file there stays, and the rename fails; a name that held a file is
// replaced.
TEST(RenameInOrder, NeverReplacesWhatCameOntoAFreeName) {
  MemoryFileOperations files;
  std::vector<StagedRename> renames =
      PlantRenames(files, {RenameRole::kNewFile, RenameRole::kNewFile});
  renames[0].ontoFreeName = false;
  files.AddFile(kSite + "\\f0", "replaced");
  files.AddFile(kSite + "\\f1", "the user's");
  std::vector<char> done(renames.size(), 0);
  EXPECT_NE(testing::FileErrorOf([&] {
              RenameInOrder(files, renames, done);
            }).find("File exists"),
            std::string::npos);
  EXPECT_EQ(done, (std::vector<char>{1, 0}));
  EXPECT_EQ(files.Contents(kSite + "\\f0"), "x");
  EXPECT_EQ(files.Contents(kSite + "\\f1"), "the user's");
  EXPECT_EQ(files.Contents(renames[1].staged), "x");
}

// The new files are renamed on several threads, in no fixed order: the
// flags must say exactly which are in place when one fails, and nothing of
// a later group may be begun.
TEST(RenameInOrder, OnSeveralThreadsFlagsExactlyTheRenamesMade) {
  constexpr std::size_t kNewFiles = 60;
  std::vector<RenameRole> roles(kNewFiles, RenameRole::kNewFile);
  roles.push_back(RenameRole::kTocFramePage);
  roles.push_back(RenameRole::kMainFile);
  for (const std::size_t failing :
       {std::size_t{0}, std::size_t{1}, std::size_t{31}, kNewFiles - 1}) {
    SCOPED_TRACE(failing);
    MemoryFileOperations files;
    files.SetWritesAtOnce(4);
    const std::vector<StagedRename> renames = PlantRenames(files, roles);
    FailTheRenameOf(files, renames[failing].staged);
    std::vector<char> done(renames.size(), 0);
    EXPECT_THROW(RenameInOrder(files, renames, done), FileError);
    for (std::size_t i = 0; i < renames.size(); ++i) {
      EXPECT_EQ(done[i] != 0, files.Contents(renames[i].target).has_value())
          << i;
      EXPECT_EQ(done[i] == 0, files.Contents(renames[i].staged).has_value())
          << i;
    }
    EXPECT_EQ(done[failing], 0);
    EXPECT_EQ(done[kNewFiles], 0);
    EXPECT_EQ(done[kNewFiles + 1], 0);
    EXPECT_TRUE(files.syncs().empty());
  }
  // Without a failure every rename is made and each group synced once.
  MemoryFileOperations files;
  files.SetWritesAtOnce(4);
  const std::vector<StagedRename> renames = PlantRenames(
      files, std::vector<RenameRole>(kNewFiles, RenameRole::kNewFile));
  std::vector<char> done(renames.size(), 0);
  RenameInOrder(files, renames, done);
  EXPECT_EQ(done, std::vector<char>(kNewFiles, 1));
  EXPECT_EQ(files.syncs(), std::vector<std::string>{"SyncFolder " + kSite});
}

TEST(BindingOf, NamesTheSiteFolderAndTheStagingFolderGiven) {
  MemoryFileOperations files;
  files.SetDevice("\\work", 7);
  files.AddFolder(kSite);
  const PathFacts site = files.LookAt(kSite);
  const RecordBinding binding = BindingOf(files, kSite, 99);
  EXPECT_EQ(binding.siteDevice, 7u);
  EXPECT_EQ(binding.siteInode, site.inode);
  EXPECT_EQ(binding.stagingInode, 99u);
  // Another site folder, even with the same name, is another binding.
  MemoryFileOperations other;
  other.SetDevice("\\work", 7);
  other.AddFolder("\\work\\x");
  other.AddFolder(kSite);
  EXPECT_FALSE(BindingOf(other, kSite, 99) == binding);
}

}  // namespace
}  // namespace quillery
