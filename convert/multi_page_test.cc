#include "convert/multi_page.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dress/header_footer.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::FramesPage;
using testing::kTwoEntryToc;
using testing::kTwoHeadingContent;

// Keeps the paths written, in order, and their bytes.
class RecordingWriter : public SiteWriter {
 public:
  void WriteFile(std::size_t /*place*/, const std::string& path,
                 std::string_view bytes) override {
    paths.push_back(path);
    written.emplace_back(path, std::string(bytes));
  }
  std::string BytesOf(const std::string& path) const {
    for (const auto& file : written) {
      if (file.first == path) return file.second;
    }
    return "(not written)";
  }
  std::vector<std::string> paths;
  std::vector<std::pair<std::string, std::string>> written;
};

SiteInputs TwoHeadingSite(const std::string& content = kTwoHeadingContent) {
  SiteInputs site;
  site.mainFilePath = "\\s\\doc.htm";
  site.framesText = FramesPage("toc.htm", "Body.htm");
  site.tocSource = "toc.htm";
  site.tocFramePath = "\\s\\toc.htm";
  site.tocFrameText = kTwoEntryToc;
  site.contentSource = "Body.htm";
  site.contentText = SharedText(content);
  site.pageBulletImages = {{"\\s\\bullet10001.gif", "gif"}};
  return site;
}

struct Shape {
  const char* name;
  std::string templateText;  // "" : no template in use
  int tocFormat;
  std::vector<std::string> paths;  // written, in order
  bool mainFileShowsTocFrame;
};

// What becomes of the main file, which files are planned and in which
// order, for each way a template can take the contents.
TEST(ConvertToPages, PlansTheFilesOfEachTemplateShapeInOrder) {
  const std::vector<std::string> split = {"\\s\\Body.css", "\\s\\Body_p0.htm",
                                          "\\s\\Body_p1.htm",
                                          "\\s\\Body_p2.htm", "\\s\\doc.htm"};
  auto plus = [&split](std::vector<std::string> more) {
    std::vector<std::string> all = split;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const std::vector<Shape> shapes = {
      {"no template", "", 0, split, true},
      {"contents main page", "<html><body>[QUILLERY]</body></html>", 0,
       plus({"\\s\\bullet10001.gif"}), false},
      {"template without a place for the contents",
       "<html><body>none</body></html>", 0, split, true},
      {"main file is page 0", "<html><body>[QUILLERY]</body></html>", 1, split,
       false},
      {"pages carry the contents",
       "<html><body>[WORDTOC][QUILLERY]</body></html>", 0,
       plus({"\\s\\bullet10001.gif"}), false},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    ConversionRequest request;
    request.LEVELSTOBREAK = 1;
    request.USINGTEMPLATE = shape.templateText.empty() ? 0 : 1;
    request.TEMPLATETOCFORMAT = shape.tocFormat;
    SiteInputs site = TwoHeadingSite();
    site.dressing.templateText = shape.templateText;
    PagedContents paged =
        ConvertToPages(std::move(site), kTwoEntryToc, request);
    RecordingWriter writer;
    paged.plan.WriteTo(writer);
    EXPECT_EQ(writer.paths, shape.paths);
    EXPECT_EQ(paged.mainFileShowsTocFrame, shape.mainFileShowsTocFrame);
  }
}

TEST(ConvertToPages, TheContentsFramePageLinksIntoThePagesUnlessPagesCarryIt) {
  ConversionRequest request;
  request.LEVELSTOBREAK = 1;
  PagedContents framed =
      ConvertToPages(TwoHeadingSite(), kTwoEntryToc, request);
  EXPECT_NE(framed.tocFrameText.get().find("Body_p1.htm#_Toc1"),
            std::string::npos);
  EXPECT_NE(framed.tocFrameText.get().find("Body_p2.htm#_Toc2"),
            std::string::npos);

  request.USINGTEMPLATE = 1;
  SiteInputs site = TwoHeadingSite();
  site.dressing.templateText = "<html><body>[WORDTOC][QUILLERY]</body></html>";
  PagedContents carried =
      ConvertToPages(std::move(site), kTwoEntryToc, request);
  // The frame page keeps its old targets; the pages carry re-pointed ones.
  EXPECT_NE(carried.tocFrameText.get().find("Body.htm#_Toc1"),
            std::string::npos);
  RecordingWriter writer;
  carried.plan.WriteTo(writer);
  EXPECT_NE(writer.BytesOf("\\s\\Body_p2.htm").find("Body_p1.htm#_Toc1"),
            std::string::npos);
  EXPECT_EQ(writer.BytesOf("\\s\\doc.htm"), writer.BytesOf("\\s\\Body_p0.htm"));

  // Pages that load the contents from a file of the site leave the frame
  // page nothing to keep the old targets for: it points into the pages too,
  // so that nothing leads to the whole document.
  SiteInputs loading = TwoHeadingSite();
  loading.dressing.templateText =
      "<html><head>[SITEHEAD]</head><body>[QUILLERY]</body></html>";
  PagedContents loaded =
      ConvertToPages(std::move(loading), kTwoEntryToc, request);
  EXPECT_NE(loaded.tocFrameText.get().find("Body_p1.htm#_Toc1"),
            std::string::npos);
  EXPECT_EQ(loaded.tocFrameText.get().find("Body.htm#"), std::string::npos);
}

// Pages that load the contents with a script link the contents frame page
// for readers without scripts, from the pages' folder wherever it lies; with
// pages it no longer stands in a frameset, so its links name no frame.
TEST(ConvertToPages, LoadedContentsLeadReadersWithoutScriptsToTheFramePage) {
  struct Row {
    const char* name;
    std::string tocFramePath;
    int levels;
    std::string link;  // "" : no page
    bool framesNamed;  // the frame page's links still name Frame1
  };
  const std::vector<Row> rows = {
      {"beside the pages", "\\s\\toc.htm", 1, "toc.htm", false},
      {"in a folder with a blank and a hash", "\\s\\my toc\\a#1%.htm", 1,
       "my%20toc/a%231%25.htm", false},
      {"in the folder above", "\\toc.htm", 1, "../toc.htm", false},
      {"no pages: the frameset stays", "\\s\\toc.htm", 0, "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConversionRequest request;
    request.LEVELSTOBREAK = row.levels;
    request.USINGTEMPLATE = 1;
    SiteInputs site = TwoHeadingSite();
    site.tocFramePath = row.tocFramePath;
    site.dressing.templateText =
        "<html><head>[SITEHEAD]</head><body>[SITECONTENTS][QUILLERY]</body>"
        "</html>";
    PagedContents paged =
        ConvertToPages(std::move(site), testing::kFramedTwoEntryToc, request);
    EXPECT_EQ(paged.tocFrameText.get().find("Frame1") != std::string::npos,
              row.framesNamed);
    RecordingWriter writer;
    paged.plan.WriteTo(writer);
    if (row.link.empty()) {
      EXPECT_EQ(writer.BytesOf("\\s\\Body_p1.htm"), "(not written)");
      continue;
    }
    const std::string page = writer.BytesOf("\\s\\Body_p1.htm");
    EXPECT_NE(page.find("<div id=\"q-toc\"><a href=\"" + row.link + "\">"),
              std::string::npos);
    // Nothing that only an old browser read is repeated in every page.
    EXPECT_EQ(page.find("xmlns:"), std::string::npos);
    EXPECT_EQ(page.find("#default#VML"), std::string::npos);
    // The contents are written once more only in the site's script.
    for (const std::string& path : writer.paths) {
      EXPECT_EQ(path.find("_contents"), std::string::npos) << path;
    }
  }
}

TEST(ConvertToPages, TheContentsMainPageLinksTheStylesheetOnlyWhenWritten) {
  const std::string noStyles =
      "<html><body><p>pre</p><h1><a name=\"_Toc1\">One</a></h1>"
      "<h1><a name=\"_Toc2\">Two</a></h1></body></html>";
  for (const bool withStyles : {true, false}) {
    SCOPED_TRACE(withStyles ? "with a style block" : "without one");
    ConversionRequest request;
    request.LEVELSTOBREAK = 1;
    request.USINGTEMPLATE = 1;
    SiteInputs site =
        TwoHeadingSite(withStyles ? kTwoHeadingContent : noStyles);
    site.dressing.templateText =
        "<html><head></head><body>[QUILLERY]</body></html>";
    PagedContents paged =
        ConvertToPages(std::move(site), kTwoEntryToc, request);
    RecordingWriter writer;
    paged.plan.WriteTo(writer);
    const std::string mainPage = writer.BytesOf("\\s\\doc.htm");
    EXPECT_EQ(mainPage.find("Body.css") != std::string::npos, withStyles);
    EXPECT_EQ(writer.BytesOf("\\s\\Body.css") != "(not written)", withStyles);
    // Outside the frameset the contents name no frame.
    EXPECT_EQ(mainPage.find("target="), std::string::npos);
  }
}

TEST(ConvertToPages, WithoutAFrame1FrameOnlyTheContentsAreDressed) {
  ConversionRequest request;
  request.LEVELSTOBREAK = 1;
  SiteInputs site = TwoHeadingSite();
  site.contentSource.reset();
  site.contentText = SharedText();
  site.dressing.headerText = "HEAD";
  request.headerPlacements = {kHeaderTextCode};
  PagedContents paged = ConvertToPages(std::move(site), kTwoEntryToc, request);
  RecordingWriter writer;
  paged.plan.WriteTo(writer);
  EXPECT_TRUE(writer.paths.empty());
  EXPECT_NE(paged.tocFrameText.get().find("HEAD"), std::string::npos);
  EXPECT_TRUE(paged.mainFileShowsTocFrame);
}

}  // namespace
}  // namespace quillery
