#include "convert/site_paths.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace quillery
