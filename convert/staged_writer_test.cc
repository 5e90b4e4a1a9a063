#include "convert/staged_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
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
  for (const auto& [path, bytes] : Planned()) writer.WriteFile(path, bytes);
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
    if (call.name == "RenameFile" &&
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
    if (call.name == "RenameFile" && ++renames == 4) {
      throw FileError("cannot write", call.to, "No space left on device");
    }
  });
  EXPECT_THROW(Convert(files_), FileError);
  files_.SetHook(nullptr);
  EXPECT_EQ(files_.Tree("\\w"), before_);
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
  EXPECT_THROW(writer.WriteFile(kSite + "\\b.htm", "never resolved"),
               std::logic_error);
  writer.WriteFile(kSite + "\\a.htm", "a");
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
                [&] { writer.WriteFile(kSite + "\\Body_p0.htm", "page"); }),
            "cannot write '/w/site/Body_p0.htm': a folder is in the way");
}

}  // namespace
}  // namespace quillery
