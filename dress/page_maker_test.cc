#include "dress/page_maker.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "dress/compress.h"
#include "dress/head_body_tail.h"
#include "dress/header_footer.h"
#include "dress/stylesheet.h"
#include "split/charset.h"
#include "text/bytes.h"

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
                  SiteNavigation{"Doc", "Report.htm", "Report_toc.htm"});
  const PageMarkers first = maker.MarkersFor(0);
  EXPECT_EQ(first.pageTitle, "Page 0 &ndash; Doc");
  EXPECT_EQ(first.previousPage, "");
  EXPECT_EQ(
      first.nextPage,
      "<a class=\"q-next\" href=\"R_p1.htm\" rel=\"next\">One &rarr;</a>");
  const PageMarkers middle = maker.MarkersFor(1);
  EXPECT_EQ(middle.pageTitle, "One &ndash; Doc");
  EXPECT_EQ(middle.previousPage,
            "<a class=\"q-prev\" href=\"R_p0.htm\" rel=\"prev\">&larr; "
            "Page 0</a>");
  EXPECT_EQ(middle.startPage,
            "<a class=\"q-start\" href=\"Report.htm\" rel=\"start\" "
            "target=\"_top\">Start</a>");
  EXPECT_EQ(maker.MarkersFor(2).nextPage, "");
  // Without markers in the dressing texts the headings are not kept ahead;
  // asking for the markers still tells the same.
  PageMaker plain(SplitIntoPages(content, "R", 1), DressingTexts(), options,
                  contents, SiteNavigation{"Doc", "Report.htm", "Report_toc.htm"});
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

// A document of `headings` level-1 headings, each with a paragraph, and its
// contents, as a split into pages sees them.
struct GeneratedDocument {
  std::string content;
  std::string contents;
};
// Each section also holds `filler`, so that its page is as long as a page of
// a manual (the 50 MB manual with 18,031 headings has 2.8 kB per heading).
GeneratedDocument Generate(std::size_t headings,
                           const std::string& filler = std::string()) {
  GeneratedDocument document;
  document.content =
      "<html><head><meta content=\"text/html; charset=windows-1252\">" +
      kStyleBlock + "<title>Doc</title></head><body lang=EN-GB>\r\n";
  for (std::size_t h = 0; h < headings; ++h) {
    const std::string n = std::to_string(h);
    document.content += "<h1><a name=\"_Toc" + n + "\"></a>" + n +
                        ".&nbsp;&nbsp;&nbsp; Heading " + n +
                        "</h1>\r\n<p class=MsoNormal>Words of section " + n +
                        " and a few more of them.</p>\r\n" + filler;
    document.contents += "<p class=MsoToc1><a href=\"R_p" +
                         std::to_string(h + 1) + ".htm#_Toc" + n + "\">" + n +
                         ".&nbsp;&nbsp;&nbsp; Heading " + n + "</a></p>\r\n";
  }
  document.content += "</body></html>";
  return document;
}

DressingTexts SiteTexts() {
  DressingTexts texts;
  texts.templateText = PutWordNamespaces(
      "<!DOCTYPE html>\n<html lang=\"[LANG]\">\n<head>\n"
      "<title>[PAGETITLE]</title>\n[SITEHEAD]\n</head>\n<body>\n<nav>"
      "[SITECONTENTS]</nav>\n<main>[QUILLERY]</main>\n</body>\n</html>\n");
  texts.headerText = "[PAGENAV]";
  texts.siteStyles = "styles";
  texts.siteScript = "script";
  return texts;
}

TEST(PageMaker, SiteMarkerPutsTheContentsAndTheTextIntoSharedFiles) {
  const GeneratedDocument document = Generate(2);
  DressingOptions options;
  options.headerPlacements = {kHeaderTextCode};
  PageMaker maker(SplitIntoPages(document.content, "R", 1), SiteTexts(),
                  options, document.contents,
                  SiteNavigation{"Doc", "R.htm", "R_toc.htm"});
  const std::string page = maker.MakePage(1);
  EXPECT_NE(page.find("<html lang=\"en-GB\" xmlns:v="), std::string::npos);
  EXPECT_NE(page.find("<title>0. Heading 0 &ndash; Doc</title>"),
            std::string::npos);
  EXPECT_NE(page.find("<link rel=\"prev\" href=\"R_p0.htm\">\n"
                      "<link rel=\"next\" href=\"R_p2.htm\">"),
            std::string::npos);
  EXPECT_NE(page.find("rel=\"next\">1. Heading 1 &rarr;</a>"),
            std::string::npos);
  EXPECT_NE(page.find("<nav><div id=\"q-toc\"><a href=\"R_toc.htm\">"
                      "Contents</a></div></nav>"),
            std::string::npos);
  EXPECT_EQ(page.find("Heading 1</a></p>"), std::string::npos);

  const std::vector<SiteFile> files = maker.SiteFiles();
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[1].bytes,
            "window.quillerySite={index:\"R_search.js\",contents:\""
            "<ul class=\\\"q-toc-list\\\"> "
            "<li class=\\\"q-l1\\\"><a href=\\\"R_p1.htm#_Toc0\\\">0. "
            "Heading 0</a></li> "
            "<li class=\\\"q-l1\\\"><a href=\\\"R_p2.htm#_Toc1\\\">1. "
            "Heading 1</a></li> </ul> \"};\nscript");
  const std::string records =
      "R_p0.htm\x1FPage 0\x1F\x1F\x1E"
      "R_p1.htm\x1F"
      "0. Heading 0\x1F"
      "0. Heading 0 Words of section 0 "
      "and a few more of them.\x1F\x1E"
      "R_p2.htm\x1F"
      "1. Heading 1\x1F"
      "1. Heading 1 Words of section 1 "
      "and a few more of them.\x1F\x1E";
  EXPECT_EQ(files[2].bytes, "quillerySearchIndex(" +
                                std::to_string(records.size()) + ",\"" +
                                Base64(Deflate(records)) + "\");\n");

  // Without the marker nothing is shared.
  DressingTexts plain = SiteTexts();
  plain.templateText = "<nav>[CONTENTS]</nav>[QUILLERY]";
  EXPECT_TRUE(PageMaker(SplitIntoPages(document.content, "R", 1), plain,
                        options, document.contents)
                  .SiteFiles()
                  .empty());
}

TEST(PageMaker, PagesWithoutHeadingTextTakeTheirContentsEntrysLabel) {
  DressingTexts texts = SiteTexts();
  const std::string content =
      "<body><h1><a name=\"_Toc1\"></a></h1>x<h1>&nbsp;</h1>y<h1></h1>z"
      "</body>";
  const std::string contents =
      "<p class=MsoToc1><a href=\"R_p1.htm#_Toc1\">Intro&nbsp;&nbsp;</a></p>"
      "<p class=MsoToc1><a href=\"R_p2.htm#_Toc2\"> </a></p>";
  PageMaker maker(SplitIntoPages(content, "R", 1), texts, DressingOptions{},
                  contents, SiteNavigation{"", "R.htm", "R_toc.htm"});
  EXPECT_EQ(maker.MarkersFor(1).pageTitle, "Intro");
  EXPECT_EQ(maker.MarkersFor(2).pageTitle, "Page 2");
  EXPECT_EQ(maker.MarkersFor(3).pageTitle, "Page 3");
  EXPECT_EQ(maker.MarkersFor(2).previousPage,
            "<a class=\"q-prev\" href=\"R_p1.htm\" rel=\"prev\">&larr; "
            "Intro</a>");
}

// The bytes of every page and shared file of a site of `headings` pages.
struct SiteSize {
  std::size_t total = 0;  // without the search index
  std::size_t largestPage = 0;
  std::size_t searchIndex = 0;
};
SiteSize SizeOf(std::size_t headings, bool templated) {
  std::string filler;
  for (int i = 0; i < 12; ++i) {
    filler +=
        "<p class=MsoNormal><span lang=EN-GB style='font-size:11.0pt'>"
        "The tide came in over the flats.</span></p>\r\n";
  }
  const GeneratedDocument document = Generate(headings, filler);
  DressingOptions options;
  options.headerPlacements = {kHeaderTextCode};
  DressingTexts texts = SiteTexts();
  if (!templated) texts.templateText.clear();
  PageMaker maker(SplitIntoPages(document.content, "R", 1), texts, options,
                  templated ? document.contents : std::string(),
                  SiteNavigation{"Doc", "R.htm", "R_toc.htm"});
  SiteSize size;
  for (std::size_t page = 0; page < maker.split().PageCount(); ++page) {
    const std::size_t bytes = maker.MakePage(page).size();
    size.total += bytes;
    if (bytes > size.largestPage) size.largestPage = bytes;
  }
  for (const SiteFile& file : maker.SiteFiles()) {
    if (EndsWith(file.name, "_search.js")) {
      size.searchIndex = file.bytes.size();
    } else {
      size.total += file.bytes.size();
    }
  }
  return size;
}

TEST(PageMaker, SiteMarkerKeepsTheSiteLinearInTheHeadings) {
  // A page carries the same bytes whatever the number of headings; the
  // contents are written once, so the site grows with the document alone.
  const SiteSize small = SizeOf(10, /*templated=*/true);
  const SiteSize large = SizeOf(2000, /*templated=*/true);
  EXPECT_LE(large.largestPage, small.largestPage + 64);
  EXPECT_LE(large.total, 210 * small.total);
  EXPECT_LE(large.searchIndex, 205 * small.searchIndex);
  // Against the same document in frames, with the same header: the pages
  // and what they share stay within one and a half times; the index adds
  // the document's text once.
  EXPECT_LE(large.total * 2, SizeOf(2000, /*templated=*/false).total * 3);
}

TEST(PageMaker, SiteMarkerIndexesEveryPageInPageOrder) {
  // The pages' texts are made a block of pages at a time, each block in
  // two halves side by side; the index holds them as a page-by-page
  // reading does, across the blocks too.
  for (const std::size_t headings : {0u, 1u, 2u, 9u, 1023u, 1024u, 2100u}) {
    SCOPED_TRACE(headings);
    const GeneratedDocument document = Generate(headings);
    PageMaker maker(SplitIntoPages(document.content, "R", 1), SiteTexts(),
                    DressingOptions{}, document.contents,
                    SiteNavigation{"Doc", "R.htm", "R_toc.htm"});
    const PageSplit& split = maker.split();
    const ByteLayout layout = ByteLayoutOf(split.charsetTag());
    SearchIndexScript model;
    for (std::size_t page = 0; page < split.PageCount(); ++page) {
      std::string label = FirstHeadingLabel(split.Slice(page), layout);
      if (label.empty()) label = "Page " + std::to_string(page);
      model.Add(IndexedPage{split.PageFile(page), label,
                            SearchText(split.Slice(page), layout)});
    }
    const std::vector<SiteFile> files = maker.SiteFiles();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[2].bytes, model.Finish());
  }
}

}  // namespace
}  // namespace quillery
