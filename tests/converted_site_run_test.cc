// Whole-program re-runs in place: a site the program converted in place is
// refused with every file as it was, whatever the first run changed, and a
// site it did not make is converted even when its names and files look like
// ours.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;

// Headings of level 3 only: a run that splits at levels 1 or 2 cuts no page.
const std::string kStyledContent =
    "<html><head><title>Birds</title><style>\r\n<!--\r\n"
    " /* Font Definitions */\r\np {margin:0}\r\n-->\r\n</style></head>"
    "<body>\r\n<p>pre</p><h3><a name=\"_Toc1\">One</a></h3><p>a</p>"
    "<h3><a name=\"_Toc2\">Two</a></h3></body></html>";
const std::string kPlainContent =
    "<html><head><title>Birds</title></head><body>\r\n<p>pre</p>"
    "<h3><a name=\"_Toc1\">One</a></h3><p>a</p></body></html>";
// Contents without links: bullets asked for find nothing to go before.
const std::string kToc =
    "<html><body>\r\n\r\n<div class=Section1>\r\n\r\n</div>\r\n\r\n"
    "</body></html>";

std::string Frames(const std::string& content) {
  return "<html><frameset cols=\"245,*\">\r\n<frame name=TOC "
         "src=\"toc.htm\">\r\n<frame name=Frame1 src=\"" +
         content + "\">\r\n</frameset></html>\r\n";
}

class ConvertedSiteRunTest : public ::testing::Test {
 protected:
  void WriteSite(const std::string& content,
                 const std::string& contentName = "Body.htm") {
    WriteBytes(dir_.File("site/doc.htm"), Frames(contentName));
    WriteBytes(dir_.File("site/toc.htm"), kToc);
    WriteBytes(dir_.File("site/" + contentName), content);
  }
  testing::RunResult Run(std::vector<std::string> words) {
    words.insert(words.begin(), {"/MAINFILE=" + dir_.File("site/doc.htm"),
                                 "/OPTINCLUDETOC=1"});
    return RunQuillery(words, dir_.path());
  }
  std::string Refusal() const {
    return "quillery: refusing '" + dir_.File("site/doc.htm") +
           "': it was converted in place before, and converting it again "
           "would stack the changes; convert the original site, or keep a "
           "site unchanged with /OUTDIR=<folder>\n";
  }

  ScopedTempDir dir_;
};

TEST_F(ConvertedSiteRunTest, ASiteARunCutNoPageOfIsNotConvertedAgain) {
  struct Row {
    const char* name;
    std::string content;
    std::vector<std::string> words;
  };
  const Row rows[] = {
      {"bullets, the stylesheet written",
       kStyledContent,
       {"/LEVELSTOBREAK=2", "/TOCBULLETS=1"}},
      {"header and footer, no stylesheet",
       kPlainContent,
       {"/LEVELSTOBREAK=1", "/USEHEADER=1", "/USEFOOTER=1"}},
      {"two headers",
       kPlainContent,
       {"/LEVELSTOBREAK=2", "/USEHEADER=1", "/USEHEADER=1"}},
      {"footer, a template that keeps the frames page",
       kPlainContent,
       {"/LEVELSTOBREAK=1", "/USEFOOTER=1", "/USINGTEMPLATE=1",
        "/TEMPLATETOCFORMAT=1"}},
  };
  const std::string refusal = Refusal();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(dir_.File("site"));
    WriteSite(row.content);
    const auto fresh = ReadTree(dir_.path());
    const auto first = Run(row.words);
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    const auto converted = ReadTree(dir_.path());
    ASSERT_NE(converted, fresh);
    EXPECT_EQ(converted.count("site/Body_p0.htm"), 0u);
    for (int again = 0; again < 2; ++again) {
      const auto result = Run(row.words);
      EXPECT_EQ(result.exitStatus, 1);
      EXPECT_EQ(result.err, refusal);
      EXPECT_EQ(ReadTree(dir_.path()), converted);
    }
  }
}

// Pages are named after the content page's name cut at its first ".htm"
// and lie where that name says; the content page stays beside them.
TEST_F(ConvertedSiteRunTest, ASplitSiteIsNotConvertedAgainWhateverItsName) {
  struct Row {
    const char* contentName;
    const char* page1;
  };
  const Row rows[] = {
      {"Body.htm", "site/Body_p1.htm"},
      {"sub/Body.html", "site/sub/Body_p1.htm"},
      {"a.b.htm.htm", "site/a.b_p1.htm"},
      {"Body", "site/Body_p1.htm"},
  };
  const std::vector<std::string> words = {"/LEVELSTOBREAK=3", "/USEHEADER=1"};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.contentName);
    std::filesystem::remove_all(dir_.File("site"));
    WriteSite(kStyledContent, row.contentName);
    ASSERT_EQ(Run(words).exitStatus, 0);
    const auto converted = ReadTree(dir_.path());
    ASSERT_EQ(converted.count(row.page1), 1u);
    const auto result = Run(words);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, Refusal());
    EXPECT_EQ(ReadTree(dir_.path()), converted);
  }
}

TEST_F(ConvertedSiteRunTest, ASiteWithNamesAndFilesLikeOursIsConverted) {
  struct Row {
    const char* name;
    std::string contentName;
    std::vector<std::pair<std::string, std::string>> more;
  };
  const Row rows[] = {
      {"content named like page 0", "Intro_p0.htm", {}},
      {"page 0 and page 1 of another document",
       "Intro_p0.htm",
       {{"Intro_p1.htm", kPlainContent}}},
      {"a stylesheet of the user's own",
       "Body.htm",
       {{"Body.css", "<!--\r\n /* Font Definitions */\r\np {margin:0}\r\n"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(dir_.File("site"));
    WriteSite(kStyledContent, row.contentName);
    for (const auto& [name, bytes] : row.more) {
      WriteBytes(dir_.File("site/" + name), bytes);
    }
    const auto result =
        Run({"/LEVELSTOBREAK=2", "/USEHEADER=1", "/USEFOOTER=1"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
  }
}

TEST_F(ConvertedSiteRunTest, ASplitSiteWhosePagesArePutBackIsConvertedAgain) {
  WriteSite(kStyledContent);
  const std::vector<std::string> words = {"/LEVELSTOBREAK=3", "/USEHEADER=1"};
  ASSERT_EQ(Run(words).exitStatus, 0);
  const auto converted = ReadTree(dir_.path());
  ASSERT_EQ(converted.count("site/Body_p1.htm"), 1u);
  // The frames page and the contents from before the run; the pages and the
  // stylesheet stay.
  WriteSite(kStyledContent);
  const auto result = Run(words);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(ReadTree(dir_.path()), converted);
}

}  // namespace
}  // namespace quillery
