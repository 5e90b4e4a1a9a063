#include "dress/page_maker.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "dress/head_body_tail.h"
#include "dress/header_footer.h"
#include "dress/stylesheet.h"
#include "split/charset.h"

namespace quillery {
namespace {

const std::string kStyleBlock =
    "<style>\r\n<!--\r\n /* Font Definitions */\r\np {margin:0}\r\n-->\r\n"
    "</style>";
const std::string kContent =
    "<html><head><meta content=\"text/html; charset=utf-8\">" + kStyleBlock +
    "<a href=\"#b\">head link</a></head><body>\r\npre <a href=\"#b\">b</a>"
    "<h1><a name=\"a\">A</a></h1><a href=\"#a\">a</a>"
    "<h1><a name=\"b\">B</a></h1>\r\n</body></html>";

TEST(PageMaker, WithoutTemplatePagesShareTheContentsHeadAndTail) {
  PageMaker maker(SplitIntoPages(kContent, "R", 1), DressingTexts{},
                  DressingOptions{}, "");
  EXPECT_EQ(maker.stylesheetFile(), "R.css");
  EXPECT_EQ(maker.stylesheet(),
            "<!--\r\n\r\n/* Font Definitions */\r\np {margin:0}\r\n-->\r\n");
  // Links in the head part are re-pointed too; a link to an anchor on its
  // own page stays.
  auto head = [](const std::string& linkToB) {
    return "<html><head><meta content=\"text/html; charset=utf-8\">"
           "\r\n<link rel=\"StyleSheet\" href=\"R.css\">\r\n"
           "<a href=\"" +
           linkToB + "\">head link</a></head><body>\r\n\r\n";
  };
  const std::string tail = "\r\n\r\n</body></html>";
  ASSERT_EQ(maker.split().PageCount(), 3u);
  EXPECT_EQ(maker.MakePage(0),
            head("R_p2.htm#b") + "\r\npre <a href=\"R_p2.htm#b\">b</a>" + tail);
  EXPECT_EQ(maker.MakePage(1),
            head("R_p2.htm#b") +
                "<h1><a name=\"a\">A</a></h1><a href=\"#a\">a</a>" + tail);
  EXPECT_EQ(maker.MakePage(2),
            head("#b") + "<h1><a name=\"b\">B</a></h1>\r\n" + tail);
}

TEST(PageMaker, TemplatedPagesTakeTheCharsetTagStylesheetLinkAndContents) {
  DressingTexts texts;
  texts.headerText = "H";
  texts.templateText =
      "<html><head><title>T</title></head><body>[WORDTOC]|[QUILLERY]</body>"
      "</html>";
  DressingOptions options;
  options.headerPlacements = {kHeaderTextCode};
  PageMaker maker(SplitIntoPages(kContent, "R", 1), texts, options,
                  "<a href=\"R_p1.htm#a\">A</a>");
  EXPECT_EQ(maker.MakePage(1),
            "<html><head><title>T</title>"
            "<meta content=\"text/html; charset=utf-8\">" +
                StylesheetLinkBlock("R.css") +
                "</head><body><a href=\"R_p1.htm#a\">A</a>|"
                "\r\nH\r\n<BR>\r\n<h1><a name=\"a\">A</a></h1>"
                "<a href=\"#a\">a</a></body></html>");
}

TEST(PageMaker, TemplatedPagesLinkOnlyAWrittenStylesheet) {
  struct Row {
    const char* name;
    std::string content;
    std::string styleBlock;
  };
  const std::string body =
      "<body><h1><a name=\"a\">A</a></h1><a href=\"#a\">a</a></body>";
  const Row rows[] = {
      {"Word style block moved out", "<head>" + kStyleBlock + "</head>" + body,
       StylesheetLinkBlock("R.css")},
      {"no Word style block", "<head><style>p {}</style></head>" + body,
       std::string(kVmlBehaviourStyle)},
      {"no head at all", body, std::string(kVmlBehaviourStyle)},
  };
  DressingTexts texts;
  texts.templateText = "<head></head>[QUILLERY]";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PageMaker maker(SplitIntoPages(row.content, "R", 1), texts,
                    DressingOptions{}, "");
    ASSERT_EQ(maker.split().PageCount(), 2u);
    EXPECT_EQ(maker.MakePage(1), "<head>" + row.styleBlock +
                                     "</head><h1><a name=\"a\">A</a></h1>"
                                     "<a href=\"#a\">a</a>");
  }
}

TEST(PageMaker, OnlyTemplatedPagesLoseTheirFrameTargets) {
  DressingTexts texts;
  texts.footerText = "<a href=\"start.htm\" target=\"Frame1\">S</a>";
  DressingOptions options;
  options.footerPlacements = {kFooterTextCode};
  const std::string content =
      "<html><head></head><body><h1>A</h1><a href=x.htm target=Frame1>x</a>"
      "</body></html>";
  const std::string frames =
      PageMaker(SplitIntoPages(content, "R", 1), texts, options, "")
          .MakePage(1);
  EXPECT_EQ(frames,
            "<html><head></head><body>\r\n\r\n<h1>A</h1>"
            "<a href=x.htm target=Frame1>x</a>\r\n<BR>\r\n\r\n"
            "<a href=\"start.htm\" target=\"Frame1\">S</a>\r\n\r\n"
            "</body></html>");
  texts.templateText = "<head></head>[QUILLERY]";
  const std::string templated =
      PageMaker(SplitIntoPages(content, "R", 1), texts, options, "")
          .MakePage(1);
  EXPECT_EQ(templated, "<head>" + std::string(kVmlBehaviourStyle) +
                           "</head><h1>A</h1><a href=x.htm>x</a>"
                           "\r\n<BR>\r\n\r\n<a href=\"start.htm\">S</a>");
}

// The pages as the plain reading makes them: every page written first with
// its links as they are, the anchor pages noted page by page meanwhile, and
// only then each page re-linked.
std::vector<std::string> ModelPages(const std::string& content,
                                    const DressingTexts& texts) {
  const PageSplit split = SplitIntoPages(content, "M", 2);
  const std::string templateText =
      InsertCharsetTag(texts.templateText, split.charsetTag());
  const StylesheetCut head =
      ExtractStylesheet(HeadPart(split.content(), split.seams()), "M.css");
  const std::string tail = TailPart(split.content(), split.seams());
  AnchorPageTable anchors;
  anchors.CollectLinkTargets(split.content());
  std::vector<std::string> pages;
  for (std::size_t page = 0; page < split.PageCount(); ++page) {
    anchors.RecordAnchorPage(split.Slice(page), split.PageFile(page));
    std::string text = FillTemplate(
        std::string(split.Slice(page)),
        DressingTexts{texts.headerText, texts.footerText, templateText}, "",
        DressingOptions{});
    pages.push_back(templateText.empty()
                        ? head.page + text + tail
                        : InsertStylesheetLink(
                              text, head.stylesheet.empty() ? "" : "M.css"));
  }
  for (std::size_t page = 0; page < pages.size(); ++page) {
    pages[page] = RewritePageLinks(pages[page], split.PageFile(page), anchors);
  }
  return pages;
}

TEST(PageMaker, MatchesWritingAllPagesBeforeRelinkingThem) {
  const std::vector<std::string> pieces = {"<h1>",
                                           "<h2>",
                                           "<h3>",
                                           "text ",
                                           "<a name=\"x\">",
                                           "<a name=\"y\">",
                                           "<p><a href=\"#x\">",
                                           "<p><a href=\"#y\">",
                                           "<body>",
                                           "</body>",
                                           "</head>",
                                           "<![if !supportAnnotations]>",
                                           "<![endif]>",
                                           "<meta charset=utf-8>",
                                           kStyleBlock};
  const std::string templates[] = {"",
                                   "<head></head>[QUILLERY]<a href=\"#x\">"};
  std::mt19937 random(17);
  for (int round = 0; round < 400; ++round) {
    std::string content;
    for (std::size_t i = random() % 30; i > 0; --i) {
      content += pieces[random() % pieces.size()];
    }
    const DressingTexts texts{"", "", templates[random() % 2]};
    SCOPED_TRACE(content + "\ntemplate: " + texts.templateText);
    const std::vector<std::string> expected = ModelPages(content, texts);
    PageMaker maker(SplitIntoPages(content, "M", 2), texts, DressingOptions{},
                    "");
    ASSERT_EQ(maker.split().PageCount(), expected.size());
    for (std::size_t page = 0; page < expected.size(); ++page) {
      EXPECT_EQ(maker.MakePage(page), expected[page]) << "page " << page;
    }
  }
}

}  // namespace
}  // namespace quillery

namespace quillery {
namespace {

TEST(PageMaker, NavigationMarkersAreExpandedPageByPage) {
  DressingTexts texts;
  texts.templateText =
      "<head><title>[PAGETITLE]</title></head>"
      "<nav>[CONTENTS]</nav>[QUILLERY]";
  texts.headerText = "<p>[DOCTITLE]</p>[PAGENAV]";
  DressingOptions options;
  options.headerPlacements = {kHeaderTextCode};
  const std::string content =
      "<title>Doc</title><body>pre<h1>One</h1>a<h1><b>Two</b></h1>b</body>";
  const std::string contents =
      "<a href=\"R_p1.htm#_Toc1\">One</a><a href=\"R_p2.htm#_Toc2\">Two</a>";
  PageMaker maker(SplitIntoPages(content, "R", 1), texts, options, contents,
                  SiteNavigation{"Doc", "Report.htm"});
  const PageMarkers first = maker.MarkersFor(0);
  EXPECT_EQ(first.pageTitle, "Doc");
  EXPECT_EQ(first.previousPage, "");
  EXPECT_EQ(
      first.nextPage,
      "<a class=\"q-next\" href=\"R_p1.htm\" rel=\"next\">One &rarr;</a>");
  const PageMarkers middle = maker.MarkersFor(1);
  EXPECT_EQ(middle.pageTitle, "One &ndash; Doc");
  EXPECT_EQ(middle.previousPage,
            "<a class=\"q-prev\" href=\"R_p0.htm\" rel=\"prev\">&larr; "
            "Previous</a>");
  EXPECT_EQ(middle.startPage,
            "<a class=\"q-start\" href=\"Report.htm\" rel=\"start\" "
            "target=\"_top\">Start</a>");
  EXPECT_EQ(maker.MarkersFor(2).nextPage, "");
  // Without markers in the dressing texts the headings are not kept ahead;
  // asking for the markers still tells the same.
  PageMaker plain(SplitIntoPages(content, "R", 1), DressingTexts(), options,
                  contents, SiteNavigation{"Doc", "Report.htm"});
  EXPECT_EQ(plain.MarkersFor(1).pageTitle, "One &ndash; Doc");
  EXPECT_EQ(plain.MarkersFor(1).nextPage, middle.nextPage);
  // A page the split does not have is refused, with markers or without.
  for (const PageMaker* each : {&maker, &plain}) {
    EXPECT_THROW(static_cast<void>(each->MarkersFor(3)), std::out_of_range);
    EXPECT_THROW(static_cast<void>(each->MakePage(3)), std::out_of_range);
  }
  const std::string page = maker.MakePage(2);
  EXPECT_NE(page.find("<title>Two &ndash; Doc</title>"), std::string::npos);
  EXPECT_NE(page.find("<a aria-current=\"page\" href=\"R_p2.htm#_Toc2\">"),
            std::string::npos);
  EXPECT_EQ(page.find("<a aria-current=\"page\" href=\"R_p1.htm"),
            std::string::npos);
  EXPECT_NE(page.find("<p>Doc</p><nav class=\"q-pages\" aria-label=\"Pages\">"
                      "<a class=\"q-prev\" href=\"R_p1.htm\" rel=\"prev\">"
                      "&larr; One</a> <a class=\"q-start\""),
            std::string::npos);
  EXPECT_EQ(page.find('['), std::string::npos);
}

}  // namespace
}  // namespace quillery
