#include "convert/staged_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "convert/interrupted_commit.h"
#include "convert/memory_file_operations.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using Tree = std::map<std::string, std::string>;
using Files = std::vector<std::pair<std::string, std::string>>;

const std::string kSite = "\\w\\site";
const std::string kMain = "\\w\\site\\doc.htm";
const std::string kToc = "\\w\\site\\toc.htm";

// A site converted before, and a folder beside it that nothing may touch.
void PlantSite(MemoryFileOperations& files) {
  files.AddFile(kMain, "old frames");
  files.AddFile(kToc, "old toc");
  files.AddFile(kSite + "\\Body_p1.htm", "old page 1", 0600);
  files.AddFile(kSite + "\\sub\\keep.gif", "a picture");
  files.AddFile("\\w\\outside\\sentinel", "stays");
}

// What the conversion writes, in plan order: it replaces three files and
// adds two.
Files Planned() {
  return {{kSite + "\\Body_p0.htm", "page 0"},
          {kSite + "\\Body_p1.htm", "page 1"},
          {kMain, "new frames"},
          {kSite + "\\sub\\Body.css", "rules"},
          {kToc, "new toc"}};
}

// Resolves every path, stages every file and commits; `staging` is called
// once every path is resolved.
void Convert(
    MemoryFileOperations& files, const std::function<void()>& staging = [] {}) {
  StagedSiteWriter writer(files, kSite, kMain, kToc);
  for (const auto& file : Planned()) {
    static_cast<void>(writer.KeyOf(file.first));
  }
  staging();
  std::size_t place = 0;
  for (const auto& [path, bytes] : Planned()) {
    writer.WriteFile(place++, path, bytes);
  }
  writer.Commit();
}

class StagedSiteWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PlantSite(files_);
    before_ = files_.Tree("\\w");
  }

  MemoryFileOperations files_;
  Tree before_;
};

TEST_F(StagedSiteWriterTest, PutsNewFilesFirstThenTheContentsThenTheMainFile) {
  std::vector<std::string> renamedInto;
  files_.SetHook([&renamedInto](const FileCall& call) {
    if (call.IsRename() &&
        call.to.compare(0, kSite.size() + 2, kSite + "\\.") != 0) {
      renamedInto.push_back(call.to);
    }
  });
  Convert(files_);
  EXPECT_EQ(renamedInto, (std::vector<std::string>{
                             kSite + "\\Body_p0.htm", kSite + "\\Body_p1.htm",
                             kSite + "\\sub\\Body.css", kToc, kMain}));
  Tree converted = before_;
  for (const auto& [path, bytes] : Planned()) converted[path] = bytes;
  converted[kSite + "\\sub\\"] = "";
  EXPECT_EQ(files_.Tree("\\w"), converted);
  // A replaced file keeps its permissions; a new one gets the usual ones.
  EXPECT_EQ(files_.LookAt(kSite + "\\Body_p1.htm").mode & 0777u, 0600u);
  EXPECT_EQ(files_.LookAt(kSite + "\\Body_p0.htm").mode & 0777u, 0644u);
}

// A new file is staged without a look at its name of its own: its folder,
// listed once, did not hold it. A file it replaces is looked at, so that it
// keeps its permissions and is put aside first.
TEST_F(StagedSiteWriterTest, LooksOnlyAtTheFilesItReplaces) {
  std::vector<std::string> lookedAt;
  std::mutex mutex;
  files_.SetHook([&](const FileCall& call) {
    std::lock_guard<std::mutex> lock(mutex);
    if (call.name == "LookAt") lookedAt.push_back(call.path);
  });
  Convert(files_);
  const auto looked = [&lookedAt](const std::string& path) {
    return std::count(lookedAt.begin(), lookedAt.end(), path) != 0;
  };
  EXPECT_FALSE(looked(kSite + "\\Body_p0.htm"));
  EXPECT_FALSE(looked(kSite + "\\sub\\Body.css"));
  EXPECT_TRUE(looked(kSite + "\\Body_p1.htm"));
  EXPECT_TRUE(looked(kMain));
  EXPECT_TRUE(looked(kToc));
}

// Wherever the commit fails, with hard links or without them (then the
// originals are copied aside), every file is as it was and nothing of the
// run is left. A failure while the staging folder is removed after the last
// rename is passed over: the site is converted, and the next run removes
// what stayed.
TEST_F(StagedSiteWriterTest, AFailureAtAnyCallLeavesEveryFileAsItWas) {
  std::size_t start = 0;
  Convert(files_, [&] { start = files_.calls(); });
  const std::size_t callsOfARun = files_.calls() - start;
  const Tree converted = files_.Tree("\\w");
  ASSERT_GT(callsOfARun, 20u);
  std::size_t failures = 0;
  for (const bool hardLinks : {true, false}) {
    for (std::size_t failAt = 1; failAt <= callsOfARun; ++failAt) {
      SCOPED_TRACE((hardLinks ? "with hard links, failing call "
                              : "without hard links, failing call ") +
                   std::to_string(failAt));
      MemoryFileOperations files;
      PlantSite(files);
      files.SetHardLinks(hardLinks);
      bool staging = false;
      std::string failed;
      files.SetHook([&](const FileCall& call) {
        if (!staging || files.calls() - start != failAt) return;
        failed = std::string(call.name) + " " + call.path;
        throw FileError("cannot write", call.path, "injected failure");
      });
      const std::string error = testing::FileErrorOf([&] {
        Convert(files, [&] {
          start = files.calls();
          staging = true;
        });
      });
      files.SetHook(nullptr);
      if (error == "no error") {
        std::string notice;
        // Whatever stayed of the staging folder, the next run's look
        // changes no file of the site.
        static_cast<void>(RecoverInterruptedCommit(files, kSite, &notice));
        EXPECT_EQ(files.Tree("\\w"), converted) << "failed at " << failed;
        continue;
      }
      ++failures;
      EXPECT_NE(error.find("injected failure"), std::string::npos);
      EXPECT_EQ(files.Tree("\\w"), before_) << "failed at " << failed;
    }
  }
  // Only the removal of the staging folder can fail unseen.
  EXPECT_GT(failures, 2 * callsOfARun - 20);
}

// The promise on a file system without hard links: a rename that fails in
// the middle of the commit finds every original back.
TEST_F(StagedSiteWriterTest, WithoutHardLinksARenameFailingMidwayLosesNothing) {
  files_.SetHardLinks(false);
  int renames = 0;
  files_.SetHook([&renames](const FileCall& call) {
    // The record's rename comes first; the third file renamed into the
    // site is the stylesheet, after two replaced pages.
    if (call.IsRename() && ++renames == 4) {
      throw FileError("cannot write", call.to, "No space left on device");
    }
  });
  EXPECT_THROW(Convert(files_), FileError);
  files_.SetHook(nullptr);
  EXPECT_EQ(files_.Tree("\\w"), before_);
}

// A file the user makes at the name of a new file while the run stages
// its files is never replaced: the commit fails on it and puts everything
// back, the user's file with it.
TEST_F(StagedSiteWriterTest, AFileMadeMeanwhileWhereANewFileGoesIsKept) {
  bool made = false;
  files_.SetHook([this, &made](const FileCall& call) {
    if (made || call.name != "SyncFileSystem") return;
    made = true;
    files_.AddFile(kSite + "\\sub\\Body.css", "the user's rules");
  });
  const std::string error = testing::FileErrorOf([this] { Convert(files_); });
  files_.SetHook(nullptr);
  EXPECT_NE(error.find("Body.css"), std::string::npos) << error;
  EXPECT_NE(error.find("File exists"), std::string::npos) << error;
  Tree expected = before_;
  expected[kSite + "\\sub\\"] = "";
  expected[kSite + "\\sub\\Body.css"] = "the user's rules";
  EXPECT_EQ(files_.Tree("\\w"), expected);
}

TEST_F(StagedSiteWriterTest, AnyExceptionUndoesWhatWasStaged) {
  // Not a file problem: the run stops for another reason (memory, a fault).
  bool thrown = false;
  files_.SetHook([&thrown](const FileCall& call) {
    if (!thrown && call.name == "WriteNewFile") {
      thrown = true;
      throw std::runtime_error("out of memory");
    }
  });
  EXPECT_THROW(Convert(files_), std::runtime_error);
  files_.SetHook(nullptr);
  EXPECT_EQ(files_.Tree("\\w"), before_);
}

TEST_F(StagedSiteWriterTest, EveryPathIsResolvedBeforeTheFirstWrite) {
  StagedSiteWriter writer(files_, kSite, kMain, kToc);
  static_cast<void>(writer.KeyOf(kSite + "\\a.htm"));
  EXPECT_THROW(writer.WriteFile(0, kSite + "\\b.htm", "never resolved"),
               std::logic_error);
  writer.WriteFile(0, kSite + "\\a.htm", "a");
  EXPECT_THROW(static_cast<void>(writer.KeyOf(kSite + "\\c.htm")),
               std::logic_error);
}

TEST_F(StagedSiteWriterTest, RefusesTargetsItCannotReplaceInOneRename) {
  files_.AddFolder(kSite + "\\Body_p0.htm");
  files_.AddFolder(kSite + "\\other");
  files_.SetDevice(kSite + "\\other", 2);
  files_.AddFolder(kSite + "\\other\\deeper");
  StagedSiteWriter writer(files_, kSite, kMain, kToc);
  EXPECT_EQ(testing::FileErrorOf([&] {
              static_cast<void>(writer.KeyOf(kSite + "\\other\\deeper\\x.htm"));
            }),
            "refusing to write '/w/site/other/deeper/x.htm': its folder is on "
            "another file system than '/w/site'");
  static_cast<void>(writer.KeyOf(kSite + "\\Body_p0.htm"));
  EXPECT_EQ(testing::FileErrorOf(
                [&] { writer.WriteFile(0, kSite + "\\Body_p0.htm", "page"); }),
            "cannot write '/w/site/Body_p0.htm': a folder is in the way");
}

// The site converted before, its names spelled in other cases than the
// plan spells them, on a file system that folds letter case or not.
void PlantSiteInOtherCases(MemoryFileOperations& files, bool folds) {
  files.SetFoldsLetterCase(folds);
  files.AddFile(kSite + "\\DOC.htm", "old frames");
  files.AddFile(kSite + "\\Toc.HTM", "old toc");
  files.AddFile(kSite + "\\body_P1.htm", "old page 1", 0600);
  files.AddFile(kSite + "\\Sub\\keep.gif", "a picture");
  files.AddFolder(kSite + "\\sub");
  files.AddFile("\\w\\outside\\sentinel", "stays");
}

// Where case folds, a planned file that lands on a file named in another
// case replaces it as it would one of its own name, and the file keeps the
// name it had: the rename goes onto the very name the folder holds, so no
// system's choice of case decides it, and the name other pages and links
// already use stays. Where case does not fold, both stand side by side.
TEST(StagedSiteWriter, AFileNamedInAnotherCaseIsReplacedWhereCaseFolds) {
  struct Row {
    bool folds;
    Tree converted;
  };
  const Row rows[] = {
      {true,
       {{"\\w\\outside\\", ""},
        {"\\w\\outside\\sentinel", "stays"},
        {"\\w\\site\\", ""},
        {"\\w\\site\\Body_p0.htm", "page 0"},
        {"\\w\\site\\DOC.htm", "new frames"},
        {"\\w\\site\\Sub\\", ""},
        {"\\w\\site\\Sub\\Body.css", "rules"},
        {"\\w\\site\\Sub\\keep.gif", "a picture"},
        {"\\w\\site\\Toc.HTM", "new toc"},
        {"\\w\\site\\body_P1.htm", "page 1"}}},
      {false,
       {{"\\w\\outside\\", ""},
        {"\\w\\outside\\sentinel", "stays"},
        {"\\w\\site\\", ""},
        {"\\w\\site\\Body_p0.htm", "page 0"},
        {"\\w\\site\\Body_p1.htm", "page 1"},
        {"\\w\\site\\DOC.htm", "old frames"},
        {"\\w\\site\\Sub\\", ""},
        {"\\w\\site\\Sub\\keep.gif", "a picture"},
        {"\\w\\site\\Toc.HTM", "old toc"},
        {"\\w\\site\\body_P1.htm", "old page 1"},
        {"\\w\\site\\doc.htm", "new frames"},
        {"\\w\\site\\sub\\", ""},
        {"\\w\\site\\sub\\Body.css", "rules"},
        {"\\w\\site\\toc.htm", "new toc"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folds);
    MemoryFileOperations files;
    PlantSiteInOtherCases(files, row.folds);
    Convert(files);
    EXPECT_EQ(files.Tree("\\w"), row.converted);
    // Replaced or left alone, the file keeps its permissions.
    EXPECT_EQ(files.LookAt(kSite + "\\body_P1.htm").mode & 0777u, 0600u);
  }
}

// A kill at every call of that commit, with and without hard links: after
// the next run every file is as it was or as the conversion made it, and
// nothing of the run is left.
TEST(StagedSiteWriter, WhereCaseFoldsAKillAtAnyCallLeavesTheSiteOldOrNew) {
  Tree before;
  Tree after;
  std::size_t calls = 0;
  {
    MemoryFileOperations files;
    PlantSiteInOtherCases(files, /*folds=*/true);
    before = files.Tree("\\w");
    const std::size_t start = files.calls();
    Convert(files);
    calls = files.calls() - start;
    after = files.Tree("\\w");
  }
  struct Killed {};
  std::size_t finished = 0;
  std::size_t undone = 0;
  for (const bool hardLinks : {true, false}) {
    for (std::size_t killAt = 1; killAt <= calls; ++killAt) {
      SCOPED_TRACE("kill at call " + std::to_string(killAt) +
                   (hardLinks ? "" : " without hard links"));
      MemoryFileOperations files;
      PlantSiteInOtherCases(files, /*folds=*/true);
      files.SetHardLinks(hardLinks);
      const std::size_t start = files.calls();
      files.SetHook([&files, start, killAt](const FileCall&) {
        if (files.calls() - start >= killAt) throw Killed{};
      });
      EXPECT_THROW(Convert(files), Killed);
      files.SetHook(nullptr);
      std::string notice;
      static_cast<void>(RecoverInterruptedCommit(files, kSite, &notice));
      EXPECT_EQ(notice, "");
      const Tree now = files.Tree("\\w");
      if (now == after) {
        ++finished;
      } else {
        ++undone;
        EXPECT_EQ(now, before);
      }
    }
  }
  EXPECT_GT(finished, 4u);
  EXPECT_GT(undone, 10u);
}

// The new files are renamed into the site on several threads. Whichever
// rename fails, every file is put back; whichever rename a kill stops at,
// the next run leaves the site as it was or as the conversion made it.
TEST(StagedSiteWriter, RenamingOnSeveralThreadsStillCommitsAllOrNothing) {
  constexpr std::size_t kNewPages = 40;
  const auto convert = [](MemoryFileOperations& files) {
    StagedSiteWriter writer(files, kSite, kMain, kToc);
    Files planned;
    for (std::size_t page = 0; page < kNewPages; ++page) {
      planned.emplace_back(
          kSite + "\\Body_p" + std::to_string(page + 2) + ".htm",
          "page " + std::to_string(page));
    }
    planned.emplace_back(kSite + "\\Body_p1.htm", "page 1");
    planned.emplace_back(kToc, "new toc");
    planned.emplace_back(kMain, "new frames");
    for (const auto& file : planned)
      static_cast<void>(writer.KeyOf(file.first));
    std::size_t place = 0;
    for (const auto& [path, bytes] : planned) {
      writer.WriteFile(place++, path, bytes);
    }
    writer.Commit();
  };
  const auto intoSite = [](const FileCall& call) {
    return call.IsRename() &&
           call.to.compare(0, kSite.size() + 2, kSite + "\\.") != 0;
  };
  Tree before;
  Tree after;
  {
    MemoryFileOperations files;
    files.SetWritesAtOnce(4);
    PlantSite(files);
    before = files.Tree("\\w");
    convert(files);
    after = files.Tree("\\w");
  }
  ASSERT_NE(before, after);
  struct Killed {};
  std::size_t finished = 0;
  for (const bool kill : {false, true}) {
    for (std::size_t stopAt = 1; stopAt <= kNewPages + 3; ++stopAt) {
      SCOPED_TRACE((kill ? "kill at rename " : "failure at rename ") +
                   std::to_string(stopAt));
      MemoryFileOperations files;
      files.SetWritesAtOnce(4);
      PlantSite(files);
      // A kill stops every call from there on, the putting back too.
      std::atomic<std::size_t> renames{0};
      std::atomic<bool> killed{false};
      files.SetHook([&](const FileCall& call) {
        if (killed) throw Killed{};
        if (!intoSite(call) || ++renames != stopAt) return;
        if (!kill) throw FileError("cannot write", call.to, "injected failure");
        killed = true;
        throw Killed{};
      });
      if (kill) {
        EXPECT_THROW(convert(files), Killed);
        files.SetHook(nullptr);
        std::string notice;
        static_cast<void>(RecoverInterruptedCommit(files, kSite, &notice));
        const Tree now = files.Tree("\\w");
        EXPECT_TRUE(now == after || now == before);
        if (now == after) ++finished;
      } else {
        EXPECT_THROW(convert(files), FileError);
        files.SetHook(nullptr);
        EXPECT_EQ(files.Tree("\\w"), before);
      }
    }
  }
  // A kill after the record stands is finished by the next run.
  EXPECT_EQ(finished, kNewPages + 3);
}

// More files than digits and letters of one case: every staged name stays
// one file of its own where "a" and "A" are one name.
TEST(StagedSiteWriter, WhereCaseFoldsStagesManyFilesUnderNamesOfTheirOwn) {
  MemoryFileOperations files;
  PlantSiteInOtherCases(files, /*folds=*/true);
  Tree converted = files.Tree("\\w");
  {
    StagedSiteWriter writer(files, kSite, kMain, kToc);
    std::vector<std::string> paths;
    for (int page = 0; page < 80; ++page) {
      paths.push_back(kSite + "\\Many_p" + std::to_string(page) + ".htm");
    }
    for (const std::string& path : paths) static_cast<void>(writer.KeyOf(path));
    for (std::size_t place = 0; place < paths.size(); ++place) {
      const std::string& path = paths[place];
      writer.WriteFile(place, path, "page " + path);
      converted[path] = "page " + path;
    }
    writer.Commit();
  }
  EXPECT_EQ(files.Tree("\\w"), converted);
}

}  // namespace
}  // namespace quillery
