#include "split/page_splitter.h"

#include <gtest/gtest.h>

#include <random>

#include "convert/toc_links.h"
#include "dress/toc_prelocate.h"
#include "platform/file_io.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadBytes;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::WriteBytes;

std::vector<std::string> Slices(const std::string& content,
                                std::int32_t levels) {
  std::vector<std::string> slices;
  std::size_t count =
      ForEachPageSlice(content, FindBodySeams(content), levels,
                       [&](std::size_t page, std::string_view slice) {
                         EXPECT_EQ(page, slices.size());
                         slices.emplace_back(slice);
                       });
  EXPECT_EQ(count, slices.size());
  return slices;
}

TEST(ForEachPageSlice, CutsAtEveryHeadingUpToTheLevel) {
  const std::string body =
      "<body>pre<h1>A</h1>a<h2>B</h2>b<h3>C</h3>c<h2>D</h2>d</body>";
  EXPECT_EQ(Slices(body, 2), (std::vector<std::string>{"pre", "<h1>A</h1>a",
                                                       "<h2>B</h2>b<h3>C</h3>c",
                                                       "<h2>D</h2>d"}));
  EXPECT_EQ(Slices(body, 3).size(), 5u);
  EXPECT_EQ(Slices(body, 1).size(), 2u);
}

TEST(ForEachPageSlice, EdgesOfTheBody) {
  struct Row {
    const char* name;
    std::string content;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"no split point", "<body><H1>A</H1></body>", {}},
      {"body begins with a heading",
       "<body><h1>A</h1></body>",
       {"", "<h1>A</h1>"}},
      {"no body tag: page 0 holds the head",
       "<html><head><title>t</title></head><h1>A</h1>",
       {"<html><head><title>t</title></head>", "<h1>A</h1>"}},
      {"heading in the head makes page 0 empty",
       "<head><h1>x</h1></head><body>b<h1>A</h1></body>",
       {"", "<h1>x</h1></head><body>b", "<h1>A</h1>"}},
      {"last page ends at the body end",
       "<body>p<h1>A</h1>x</body>",
       {"p", "<h1>A</h1>x"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Slices(row.content, 1), row.expected);
  }
}

TEST(PageFileName, NumbersThePages) {
  EXPECT_EQ(PageFileName("Report", 0), "Report_p0.htm");
  EXPECT_EQ(PageFileName("Report_files/Body", 12), "Report_files/Body_p12.htm");
}

class SplitIntoPagesTest : public ::testing::Test {
 protected:
  std::string Split(const std::string& frames, const std::string& contentName,
                    const std::string& content) {
    WriteBytes(dir_.File(contentName), content);
    WriteBytes(dir_.File("main.htm"), frames);
    settings_.LEVELSTOBREAK = 1;
    return SplitIntoPages(InternalPath(dir_.File("main.htm")), frames,
                          DressingTexts{}, nullptr, charsetTag_,
                          stylesheetName_, settings_);
  }

  ScopedTempDir dir_;
  ConversionSettings settings_;
  std::string charsetTag_ = "unset";
  std::string stylesheetName_ = "unset";
};

TEST_F(SplitIntoPagesTest, UnquotedSourceBecomesQuoted) {
  const std::string frames =
      "<frame name=Frame1 src=Report.htm scrolling=auto>";
  std::string first = Split(frames, "Report.htm", "<body>a<h1>B</h1></body>");
  EXPECT_EQ(first, InternalPath(dir_.File("Report_p0.htm")));
  EXPECT_EQ(ReadBytes(dir_.File("main.htm")),
            "<frame name=Frame1 src=\"Report_p0.htm\" scrolling=auto>");
  EXPECT_EQ(stylesheetName_, "Report.css");
  EXPECT_EQ(charsetTag_, "");
  EXPECT_EQ(settings_.pageFiles,
            (std::vector<std::string>{"Report_p0.htm", "Report_p1.htm"}));
}

TEST_F(SplitIntoPagesTest, EncodedBlankInTheSource) {
  const std::string frames = "<frame name=Frame1 src=\"My%20Report.htm\">";
  Split(frames, "My Report.htm",
        "<html><meta content=\"text/html; "
        "charset=utf-8\"><body>a<h1>B</h1></body>");
  EXPECT_EQ(ReadBytes(dir_.File("main.htm")),
            "<frame name=Frame1 src=\"My Report_p0.htm\">");
  EXPECT_TRUE(testing::Exists(dir_.File("My Report_p1.htm")));
  EXPECT_EQ(charsetTag_, "<meta content=\"text/html; charset=utf-8\">");
}

TEST_F(SplitIntoPagesTest, SourceInASubfolderKeepsThePagesThere) {
  const std::string frames =
      "<frame name=Frame1 src=\"Report_files/Body.htm\">";
  Split(frames, "Report_files/Body.htm",
        "<style>\r\n<!--\r\n /* Font Definitions */\r\n-->\r\n</style>"
        "<body>a<h1>B</h1></body>");
  EXPECT_EQ(stylesheetName_, "Report_files/Body.css");
  auto files = ReadTree(dir_.path());
  EXPECT_EQ(files.count("Report_files/Body_p0.htm"), 1u);
  EXPECT_EQ(files.count("Report_files/Body_p1.htm"), 1u);
  EXPECT_EQ(files.count("Report_files/Body.css"), 1u);
  EXPECT_EQ(files["main.htm"],
            "<frame name=Frame1 src=\"Report_files/Body_p0.htm\">");
}

TEST_F(SplitIntoPagesTest, NoFrame1FrameReadsAndWritesNothing) {
  std::string first = Split("<frame name=TOC src=\"toc.htm\">", "Report.htm",
                            "<body>a<h1>B</h1></body>");
  EXPECT_EQ(first, "");
  EXPECT_EQ(charsetTag_, "unset");
  EXPECT_EQ(stylesheetName_, "unset");
  EXPECT_EQ(ReadTree(dir_.path()).size(), 2u);
}

TEST_F(SplitIntoPagesTest, WithoutBodyTagEveryPageStartsBare) {
  Split("<frame name=Frame1 src=\"R.htm\">", "R.htm", "x<h1>B</h1>y");
  EXPECT_EQ(ReadBytes(dir_.File("R_p0.htm")),
            "<html><body>\r\n\r\nx\r\n\r\n</body></html>");
  EXPECT_EQ(ReadBytes(dir_.File("R_p1.htm")),
            "<html><body>\r\n\r\n<h1>B</h1>y\r\n\r\n</body></html>");
}

// The advance location must give every contents link the target that the
// splitter itself gives it, for any document.
TEST(LocateTocLinks, AgreesWithTheSplitterOnGeneratedDocuments) {
  const std::vector<std::string> pieces = {"<h1>",
                                           "<h2>",
                                           "<h3>",
                                           "text ",
                                           "<a name=\"_Toc1\">",
                                           "<a name=\"_Toc2\">",
                                           "_Toc3 ",
                                           "<a href=\"#_Toc2\">",
                                           "_Toc12",
                                           "<![if !supportAnnotations]>",
                                           "<![endif]>",
                                           "</body>",
                                           "<body>"};
  std::mt19937 random(42);
  for (int round = 0; round < 60; ++round) {
    std::string content;
    int count = 1 + static_cast<int>(random() % 25);
    for (int i = 0; i < count; ++i) content += pieces[random() % pieces.size()];
    const std::string contents =
        "<a href=\"B.htm#_Toc1\"><a href=\"B.htm#_Toc2\">"
        "<a href=\"B.htm#_Toc3\"><a href=\"B.htm#_Toc12\">";
    const std::string frames = "<frame name=Frame1 src=\"B.htm\">";
    ScopedTempDir dir;
    WriteBytes(dir.File("B.htm"), content);
    const std::string mainFile = InternalPath(dir.File("main.htm"));

    ConversionSettings located;
    located.LEVELSTOBREAK = 2;
    CollectTocLinks(contents, located.tocLinks);
    LocateTocLinks(mainFile, frames, located);

    ConversionSettings split;
    split.LEVELSTOBREAK = 2;
    CollectTocLinks(contents, split.tocLinks);
    std::string charset, stylesheet;
    static_cast<void>(SplitIntoPages(mainFile, frames, DressingTexts{}, nullptr,
                                     charset, stylesheet, split));
    SCOPED_TRACE(content);
    for (std::size_t i = 0; i < split.tocLinks.size(); ++i) {
      EXPECT_EQ(located.tocLinks[i].newTarget, split.tocLinks[i].newTarget);
    }
  }
}

}  // namespace
}  // namespace quillery
