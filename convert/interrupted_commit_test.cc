#include "convert/interrupted_commit.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "convert/memory_file_operations.h"
#include "convert/staged_writer.h"
#include "convert/staging_folder.h"
#include "tests/test_support.h"
#include "text/site_path.h"

namespace quillery {
namespace {

using Tree = std::map<std::string, std::string>;

const std::string kSite = "\\w\\site";
const std::string kMain = "\\w\\site\\doc.htm";
const std::string kToc = "\\w\\site\\toc.htm";
const std::string kStaging = "\\w\\site\\.quillery\\staging";

// The process killed at a call: it and every call after it never happen.
struct Killed {};

void PlantSite(MemoryFileOperations& files) {
  files.AddFile(kMain, "old frames");
  files.AddFile(kToc, "old toc");
  files.AddFile(kSite + "\\Body_p1.htm", "old page 1");
  files.AddFile("\\w\\outside\\sentinel", "stays");
}

void Convert(MemoryFileOperations& files) {
  const std::vector<std::pair<std::string, std::string>> planned = {
      {kSite + "\\Body_p0.htm", "page 0"},
      {kSite + "\\Body_p1.htm", "page 1"},
      {kMain, "new frames"},
      {kSite + "\\sub\\Body.css", "rules"},
      {kToc, "new toc"}};
  files.AddFolder(kSite + "\\sub");
  StagedSiteWriter writer(files, kSite, kMain, kToc);
  for (const auto& file : planned) static_cast<void>(writer.KeyOf(file.first));
  std::size_t place = 0;
  for (const auto& [path, bytes] : planned) {
    writer.WriteFile(place++, path, bytes);
  }
  writer.Commit();
}

// Everything but our own bookkeeping.
Tree SiteOf(const Tree& tree) {
  Tree site;
  for (const auto& [path, bytes] : tree) {
    if (path.find("\\.quillery\\") == std::string::npos) site[path] = bytes;
  }
  return site;
}

// Wherever a kill stops the commit, the next run leaves every file either
// as it was or as the conversion made it, and no bookkeeping behind.
TEST(RecoverInterruptedCommit, AfterAKillAtAnyCallTheSiteIsOldOrNewWhole) {
  Tree before;
  Tree after;
  std::size_t calls = 0;
  {
    MemoryFileOperations files;
    PlantSite(files);
    files.AddFolder(kSite + "\\sub");
    before = files.Tree("\\w");
    const std::size_t start = files.calls();
    Convert(files);
    calls = files.calls() - start;
    after = files.Tree("\\w");
  }
  std::size_t finished = 0;
  std::size_t undone = 0;
  for (const bool hardLinks : {true, false}) {
    for (std::size_t killAt = 1; killAt <= calls; ++killAt) {
      SCOPED_TRACE("kill at call " + std::to_string(killAt) +
                   (hardLinks ? "" : " without hard links"));
      MemoryFileOperations files;
      PlantSite(files);
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
      EXPECT_EQ(SiteOf(now), now) << "bookkeeping left";
      if (now == after) {
        ++finished;
      } else {
        ++undone;
        EXPECT_EQ(now, before);
      }
    }
  }
  // Kills before the record is in place are undone, later ones finished.
  EXPECT_GT(finished, 4u);
  EXPECT_GT(undone, 10u);
}

TEST(RecoverInterruptedCommit, TellsWhatItDidWithWhatItFound) {
  struct Case {
    const char* name;
    std::function<void(MemoryFileOperations&)> plant;
    Recovery expected;
    bool siteConverted;
  };
  // A commit killed right after the record is in place, its renames undone.
  auto recorded = [](MemoryFileOperations& files) {
    int renames = 0;
    files.SetHook([&renames](const FileCall& call) {
      if (renames >= 2 || (call.IsRename() && ++renames == 2)) {
        throw Killed{};
      }
    });
    EXPECT_THROW(Convert(files), Killed);
    files.SetHook(nullptr);
  };
  const std::vector<Case> cases = {
      {"nothing left", [](MemoryFileOperations&) {}, Recovery::kNothingLeft,
       false},
      {"an empty bookkeeping folder",
       [](MemoryFileOperations& files) {
         files.AddFolder(kSite + "\\.quillery");
       },
       Recovery::kNothingLeft, false},
      {"staged files without a record",
       [](MemoryFileOperations& files) {
         files.AddFile(kStaging + "\\2", "a staged page");
       },
       Recovery::kDiscarded, false},
      {"a record complete", recorded, Recovery::kCompleted, true},
      {"a record complete, but the user edited a file since",
       [&recorded](MemoryFileOperations& files) {
         recorded(files);
         files.AddFile(kToc, "edited by hand");
       },
       Recovery::kDiscarded, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileOperations files;
    PlantSite(files);
    c.plant(files);
    const Tree planted = SiteOf(files.Tree("\\w"));
    EXPECT_EQ(RecoverInterruptedCommit(files, kSite), c.expected);
    const Tree now = files.Tree("\\w");
    EXPECT_EQ(SiteOf(now), now) << "bookkeeping left";
    if (c.siteConverted) {
      EXPECT_EQ(files.Contents(kMain), "new frames");
      EXPECT_EQ(files.Contents(kToc), "new toc");
    } else {
      EXPECT_EQ(now, planted);
    }
  }
}

// What someone else put into the staging folder is never removed: the run
// is refused with the way out.
TEST(RecoverInterruptedCommit, RefusesAStagingFolderHoldingNamesNotOurs) {
  for (const std::string name : {"notes.txt", "_originals\\x.txt", "2\\"}) {
    SCOPED_TRACE(name);
    MemoryFileOperations files;
    PlantSite(files);
    if (name.back() == '\\') {
      files.AddFolder(kStaging + "\\" + name.substr(0, name.size() - 1));
    } else {
      files.AddFile(kStaging + "\\" + name, "theirs");
    }
    const Tree planted = files.Tree("\\w");
    const std::string shown =
        "/w/site/.quillery/staging/" +
        SitePath(name.back() == '\\' ? name.substr(0, name.size() - 1) : name)
            .SlashForm();
    EXPECT_EQ(testing::FileErrorOf([&] {
                static_cast<void>(RecoverInterruptedCommit(files, kSite));
              }),
              "refusing to work in '/w/site': '" + shown +
                  "' was not put there by quillery; remove "
                  "'/w/site/.quillery' and run again");
    EXPECT_EQ(files.Tree("\\w"), planted);
  }
}

}  // namespace
}  // namespace quillery
