#include "convert/site_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/memory_file_operations.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::FileErrorOf;

// A site at "\home\site" that is a link to "\data\site", holding a folder,
// a link to it, and a link out of the site.
class SitePathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFile("\\data\\site\\doc.htm", "doc");
    files_.AddFile("\\data\\site\\sub\\toc.htm", "toc");
    files_.AddLink("\\data\\site\\alias", "sub");
    files_.AddLink("\\data\\site\\out", "../outside");
    files_.AddFolder("\\data\\outside");
    files_.AddLink("\\home\\site", "/data/site");
  }
  MemoryFileOperations files_;
};

TEST_F(SitePathsTest, KeysNameTheRealFolder) {
  SitePaths paths(files_, "\\home\\site");
  EXPECT_EQ(paths.siteFolder(), "\\data\\site");
  struct Row {
    const char* path;
    const char* key;
  };
  const Row rows[] = {
      {"\\home\\site\\doc.htm", "\\data\\site\\doc.htm"},
      {"\\home\\site\\sub\\toc.htm", "\\data\\site\\sub\\toc.htm"},
      {"\\home\\site\\alias\\toc.htm", "\\data\\site\\sub\\toc.htm"},
      {"\\home\\site\\sub/toc.htm", "\\data\\site\\sub\\toc.htm"},
      {"\\home\\site\\sub\\..\\new.htm", "\\data\\site\\new.htm"},
      {"\\data\\site\\sub\\new.htm", "\\data\\site\\sub\\new.htm"},
      // The name itself is kept as it is, even a link.
      {"\\home\\site\\alias", "\\data\\site\\alias"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(paths.KeyOf(row.path), row.key);
  }
}

TEST_F(SitePathsTest, RefusesAFolderOutsideTheSiteOrMissing) {
  SitePaths paths(files_, "\\home\\site");
  EXPECT_EQ(FileErrorOf([&] { (void)paths.KeyOf("\\home\\site\\out\\a.htm"); }),
            "refusing to write '/home/site/out/a.htm': its folder leads out of "
            "the document's folder");
  EXPECT_EQ(FileErrorOf([&] { (void)paths.KeyOf("\\home\\site\\..\\a.htm"); }),
            "refusing to write '/home/site/../a.htm': its folder leads out of "
            "the document's folder");
  EXPECT_EQ(FileErrorOf([&] { (void)paths.KeyOf("\\data\\site2\\a.htm"); }),
            "cannot write '/data/site2/a.htm': its folder does not exist");
  EXPECT_EQ(FileErrorOf([&] { (void)paths.KeyOf("\\home\\site\\none\\a"); }),
            "cannot write '/home/site/none/a': its folder does not exist");
  EXPECT_EQ(FileErrorOf([&] { SitePaths none(files_, "\\home\\none"); }),
            "cannot write '/home/none': no such folder");
}

TEST_F(SitePathsTest, ResolvesEachFolderOnce) {
  SitePaths paths(files_, "\\home\\site");
  const std::size_t before = files_.calls();
  (void)paths.KeyOf("\\home\\site\\a.htm");
  (void)paths.KeyOf("\\home\\site\\b.htm");
  (void)paths.RealFolderOf("\\home\\site\\c.htm");
  EXPECT_EQ(files_.calls(), before + 1);
}

TEST_F(SitePathsTest, RelativeOfAKeyIsItsPathInTheSite) {
  SitePaths paths(files_, "\\home\\site");
  EXPECT_EQ(paths.RelativeOf(paths.KeyOf("\\home\\site\\alias\\toc.htm")),
            "sub\\toc.htm");
  EXPECT_EQ(paths.RelativeOf(paths.KeyOf("\\home\\site\\doc.htm")), "doc.htm");
  EXPECT_EQ(paths.RelativeOf("\\data\\site"), "");

  // A site at the root.
  SitePaths atRoot(files_, "\\");
  EXPECT_EQ(atRoot.siteFolder(), "\\");
  EXPECT_EQ(atRoot.KeyOf("\\home\\site\\doc.htm"), "\\data\\site\\doc.htm");
  EXPECT_EQ(atRoot.RelativeOf("\\data\\site\\doc.htm"), "data\\site\\doc.htm");
}

// A site whose names are spelled in other cases than the paths ask for,
// on a file system that folds letter case and on one that does not.
TEST(SitePaths, WhereCaseFoldsKeysSpellNamesAsTheirFolderHoldsThem) {
  struct Row {
    const char* path;
    const char* folding;
    const char* keeping;
  };
  const Row rows[] = {
      {"\\site\\report.HTM", "\\site\\Report.htm", "\\site\\report.HTM"},
      {"\\site\\Report.htm", "\\site\\Report.htm", "\\site\\Report.htm"},
      {"\\site\\new.htm", "\\site\\new.htm", "\\site\\new.htm"},
      {"\\site\\SUB\\pic.gif", "\\site\\Sub\\Pic.GIF",
       "cannot write '/site/SUB/pic.gif': its folder does not exist"},
      {"\\SITE\\Sub\\New.htm", "\\site\\Sub\\New.htm",
       "cannot write '/SITE/Sub/New.htm': its folder does not exist"},
      {"\\site\\alias\\PIC.gif", "\\site\\Sub\\Pic.GIF",
       "\\site\\Sub\\PIC.gif"},
      {"\\site\\OUT\\a.htm",
       "refusing to write '/site/OUT/a.htm': its folder leads out of the "
       "document's folder",
       "cannot write '/site/OUT/a.htm': its folder does not exist"},
  };
  for (const bool folds : {true, false}) {
    MemoryFileOperations files;
    files.SetFoldsLetterCase(folds);
    files.AddFile("\\site\\Report.htm", "report");
    files.AddFile("\\site\\Sub\\Pic.GIF", "picture");
    files.AddLink("\\site\\alias", "Sub");
    files.AddLink("\\site\\out", "/elsewhere");
    files.AddFolder("\\elsewhere");
    SitePaths paths(files, "\\site");
    EXPECT_EQ(paths.foldsLetterCase(), folds);
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.path) + (folds ? ", folding" : ""));
      std::string key;
      const std::string error =
          FileErrorOf([&] { key = paths.KeyOf(row.path); });
      EXPECT_EQ(key.empty() ? error : key, folds ? row.folding : row.keeping);
    }
  }
}

TEST(SitePaths, WhereCaseFoldsPathsFromTheSiteTakeTheSpellingOfTheSite) {
  struct Row {
    const char* relative;
    const char* folding;
  };
  const Row rows[] = {
      {"PIC.gif", "Pic.gif"},
      {"img\\A.GIF", "IMG\\a.gif"},
      // A link keeps its own name; the names behind it are those of the
      // folder it leads to.
      {"ALIAS\\a.gif", "Alias\\a.gif"},
      {"none\\Pic.gif", "none\\Pic.gif"},
      {"Out\\X.htm", "out\\X.htm"},  // the folder lies outside
      {"", ""},
  };
  for (const bool folds : {true, false}) {
    MemoryFileOperations files;
    files.SetFoldsLetterCase(folds);
    files.AddFile("\\site\\Pic.gif", "picture");
    files.AddFile("\\site\\IMG\\a.gif", "a");
    files.AddLink("\\site\\Alias", "IMG");
    files.AddLink("\\site\\out", "/elsewhere");
    files.AddFile("\\elsewhere\\x.htm", "x");
    SitePaths paths(files, "\\site");
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.relative) + (folds ? ", folding" : ""));
      EXPECT_EQ(paths.SpelledAsInTheSite(row.relative),
                folds ? row.folding : row.relative);
    }
    EXPECT_EQ(paths.IsInsideSite("\\SITE\\x"), folds);
    EXPECT_TRUE(paths.IsInsideSite("\\site\\x"));
    EXPECT_FALSE(paths.IsInsideSite("\\site2"));
  }
}

TEST(SitePaths, WhereCaseFoldsEachFolderIsListedOnce) {
  MemoryFileOperations files;
  files.SetFoldsLetterCase(true);
  files.AddFile("\\site\\Sub\\a.htm", "a");
  SitePaths paths(files, "\\site");
  std::vector<std::string> listed;
  files.SetHook([&listed](const FileCall& call) {
    if (call.name == "FolderEntries") listed.push_back(call.path);
  });
  for (const char* path : {"\\site\\sub\\A.htm", "\\site\\SUB\\b.htm",
                           "\\site\\c.htm", "\\site\\Sub\\a.HTM"}) {
    static_cast<void>(paths.KeyOf(path));
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"\\site", "\\site\\Sub"}));
}

TEST(SitePaths, WhereCaseFoldsAFolderThatCannotBeListedKeepsNamesAsGiven) {
  MemoryFileOperations files;
  files.SetFoldsLetterCase(true);
  files.AddFile("\\site\\Sub\\a.htm", "a");
  SitePaths paths(files, "\\site");
  files.SetHook([](const FileCall& call) {
    if (call.name == "FolderEntries") {
      throw FileError("cannot read", call.path, "Permission denied");
    }
  });
  EXPECT_EQ(paths.KeyOf("\\site\\SUB\\A.htm"), "\\site\\Sub\\A.htm");
}

}  // namespace
}  // namespace quillery
