#include "dress/contents_builder.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(BuildContentsFrame, ListsHeadingsWithTheirBookmarksOrNewOnes) {
  const std::string document =
      "<html><head><meta http-equiv=Content-Type content=\"text/html; "
      "charset=windows-1252\"><title>Field notes</title></head><body>"
      "<p>See <a href=\"#_Toc7\">gulls</a> (_Toc12 is taken too)</p>"
      "<h1 align=center>Birds<br>\r\nof the <i>coast</i></h1>"
      "<h2><a name=\"_Toc7\"></a>Gulls</h2>"
      "<H3><a name=_Toc9>Terns</a></H3>"
      "<h4>Too deep</h4><hr><h2></h2></body></html>";
  const BuiltFrames built =
      BuildContentsFrame(document, "Field notes.htm", "Field notes_toc.htm",
                         /*levelsToBreak=*/2);
  EXPECT_EQ(built.headings, 4u);
  EXPECT_EQ(built.newBookmarks, 2u);
  EXPECT_EQ(built.contentsPage,
            "<html>\r\n<head>\r\n<meta http-equiv=Content-Type "
            "content=\"text/html; charset=windows-1252\">\r\n"
            "<title>Field notes</title>\r\n</head>\r\n<body>\r\n"
            "<p class=MsoToc1><a href=\"Field%20notes.htm#_Toc13\" "
            "target=Frame1>Birds of the coast</a></p>\r\n"
            "<p class=MsoToc2><a href=\"Field%20notes.htm#_Toc7\" "
            "target=Frame1>Gulls</a></p>\r\n"
            "<p class=MsoToc3><a href=\"Field%20notes.htm#_Toc9\" "
            "target=Frame1>Terns</a></p>\r\n"
            "<p class=MsoToc2><a href=\"Field%20notes.htm#_Toc14\" "
            "target=Frame1>Heading 4</a></p>\r\n"
            "</body>\r\n</html>\r\n");
  EXPECT_EQ(built.framesPage,
            "<html>\r\n<head>\r\n<title>Field notes</title>\r\n</head>\r\n"
            "<frameset cols=\"245,*\">\r\n"
            "<frame name=TOC src=\"Field%20notes_toc.htm\">\r\n"
            "<frame name=Frame1 src=\"Field%20notes.htm\">\r\n"
            "</frameset>\r\n</html>\r\n");
  // New bookmarks go just inside the headings; a bookmark written without
  // quotes gets them.
  EXPECT_EQ(built.document,
            "<html><head><meta http-equiv=Content-Type content=\"text/html; "
            "charset=windows-1252\"><title>Field notes</title></head><body>"
            "<p>See <a href=\"#_Toc7\">gulls</a> (_Toc12 is taken too)</p>"
            "<h1 align=center><a name=\"_Toc13\"></a>Birds<br>\r\nof the "
            "<i>coast</i></h1>"
            "<h2><a name=\"_Toc7\"></a>Gulls</h2>"
            "<H3><a name=\"_Toc9\">Terns</a></H3>"
            "<h4>Too deep</h4><hr><h2><a name=\"_Toc14\"></a></h2></body>"
            "</html>");
}

TEST(BuildContentsFrame, ADocumentWhoseBookmarksAllStandIsHandedOverWhole) {
  // Large enough that the text is on the heap: its bytes must move into the
  // result, never be copied, as a 100 MB document would be held twice.
  std::string document =
      "<html><body><h1><a name=\"_Toc1\"></a>One</h1>" +
      std::string(4096, 'x') + "<h2><a name=\"_Toc2\">Two</a></h2></body>";
  const std::string expected = document;
  const char* bytes = document.data();
  const BuiltFrames built = BuildContentsFrame(
      std::move(document), "d.htm", "d_toc.htm", /*levelsToBreak=*/2);
  EXPECT_EQ(built.headings, 2u);
  EXPECT_EQ(built.newBookmarks, 0u);
  EXPECT_EQ(built.document, expected);
  EXPECT_EQ(built.document.data(), bytes);
}

TEST(BuildContentsFrame, ADocumentWithoutHeadingsGivesEmptyContents) {
  const BuiltFrames built =
      BuildContentsFrame("<p>plain</p>", "a.htm", "a_toc.htm",
                         /*levelsToBreak=*/2);
  EXPECT_EQ(built.headings, 0u);
  EXPECT_EQ(built.document, "<p>plain</p>");
  EXPECT_EQ(built.contentsPage,
            "<html>\r\n<head>\r\n\r\n<title>a</title>\r\n</head>\r\n<body>\r\n"
            "</body>\r\n</html>\r\n");
}

// Headings made as paragraphs of the word processor's own styles, listed
// in its own contents; "Notes" is a heading of a level the contents of
// headings do not list.
const std::string kManual =
    "<html><head><title>Manual</title></head><body>\r\n"
    "<div class=WordSection1>\r\n"
    "<p class=MsoToc1><a href=\"#_Toc1\">Birds<span style='display:none'>"
    ". 2</span></a></p>\r\n"
    "<p class=MsoToc2><a href=\"Manual.htm#_Toc2\">Gulls</a></p>\r\n"
    "<p class=MsoToc1><a href=\"#_Toc3\">Terns</a></p>\r\n"
    "<p class=MsoToc1><a href=\"#_Toc9\">Lost</a></p>\r\n"
    "<p class=MsoToc1><a href=\"#_Toc4\">Notes</a></p>\r\n"
    "<p class=Heading1><a name=\"_Toc1\">Birds</a></p>\r\n"
    "<p>text</p>\r\n"
    "<p class=Heading2><A NAME=_Toc2>Gulls</A></p>\r\n"
    "<table><tr><td><p><a name='_Toc3'></a>Terns</p></td></tr></table>\r\n"
    "<h4><a name=\"_Toc4\"></a>Notes</h4>\r\n"
    "</div></body></html>";

TEST(BuildContentsFrame, WithoutHeadingsListsTheDocumentsOwnContents) {
  const BuiltFrames built = BuildContentsFrame(
      kManual, "Manual.htm", "Manual_toc.htm", /*levelsToBreak=*/1);
  EXPECT_EQ(built.headings, 0u);
  EXPECT_EQ(built.newBookmarks, 0u);
  EXPECT_EQ(built.ownEntries, 4u);
  EXPECT_EQ(built.contentsPage,
            "<html>\r\n<head>\r\n\r\n<title>Manual</title>\r\n</head>\r\n"
            "<body>\r\n"
            "<p class=MsoToc1><a href=\"Manual.htm#_Toc1\" target=Frame1>"
            "Birds</a></p>\r\n"
            "<p class=MsoToc2><a href=\"Manual.htm#_Toc2\" target=Frame1>"
            "Gulls</a></p>\r\n"
            "<p class=MsoToc1><a href=\"Manual.htm#_Toc3\" target=Frame1>"
            "Terns</a></p>\r\n"
            "<p class=MsoToc1><a href=\"Manual.htm#_Toc4\" target=Frame1>"
            "Notes</a></p>\r\n"
            "</body>\r\n</html>\r\n");
  // A cut before the block of each level-1 entry's bookmark, the table
  // whole; every listed bookmark written name="X".
  EXPECT_EQ(built.document,
            "<html><head><title>Manual</title></head><body>\r\n"
            "<div class=WordSection1>\r\n"
            "<p class=MsoToc1><a href=\"#_Toc1\">Birds<span "
            "style='display:none'>. 2</span></a></p>\r\n"
            "<p class=MsoToc2><a href=\"Manual.htm#_Toc2\">Gulls</a></p>\r\n"
            "<p class=MsoToc1><a href=\"#_Toc3\">Terns</a></p>\r\n"
            "<p class=MsoToc1><a href=\"#_Toc9\">Lost</a></p>\r\n"
            "<p class=MsoToc1><a href=\"#_Toc4\">Notes</a></p>\r\n"
            "<h0></h0><p class=Heading1><a name=\"_Toc1\">Birds</a></p>\r\n"
            "<p>text</p>\r\n"
            "<p class=Heading2><A name=\"_Toc2\">Gulls</A></p>\r\n"
            "<h0></h0><table><tr><td><p><a name=\"_Toc3\"></a>Terns</p></td>"
            "</tr></table>\r\n"
            "<h0></h0><h4><a name=\"_Toc4\"></a>Notes</h4>\r\n"
            "</div></body></html>");
  EXPECT_EQ(built.framesPage,
            "<html>\r\n<head>\r\n<title>Manual</title>\r\n</head>\r\n"
            "<frameset cols=\"245,*\">\r\n"
            "<frame name=TOC src=\"Manual_toc.htm\">\r\n"
            "<frame name=Frame1 src=\"Manual.htm\">\r\n"
            "</frameset>\r\n</html>\r\n");
}

TEST(BuildContentsFrame, OwnContentsCutOnlyWhereTheSplitterDoesNot) {
  // At level 4 the splitter cuts before <h4> itself; the level-2 entry
  // now gets its cut too.
  const BuiltFrames built = BuildContentsFrame(
      kManual, "Manual.htm", "Manual_toc.htm", /*levelsToBreak=*/4);
  const std::string body = built.document.substr(
      built.document.find("<p class=Heading1>") - 9);
  EXPECT_EQ(body,
            "<h0></h0><p class=Heading1><a name=\"_Toc1\">Birds</a></p>\r\n"
            "<p>text</p>\r\n"
            "<h0></h0><p class=Heading2><A name=\"_Toc2\">Gulls</A></p>\r\n"
            "<h0></h0><table><tr><td><p><a name=\"_Toc3\"></a>Terns</p></td>"
            "</tr></table>\r\n"
            "<h4><a name=\"_Toc4\"></a>Notes</h4>\r\n"
            "</div></body></html>");
}

TEST(BuildContentsFrame, HeadingsWinOverOwnContents) {
  const BuiltFrames built =
      BuildContentsFrame(kManual + "<h3>Late</h3>", "Manual.htm",
                         "Manual_toc.htm", /*levelsToBreak=*/1);
  EXPECT_EQ(built.headings, 1u);
  EXPECT_EQ(built.ownEntries, 0u);
  EXPECT_EQ(built.document.find("<h0>"), std::string::npos);
}

// New bookmarks live only in the pages cut from the document; the splitter
// cuts before lower-case heading tags of the split level only.
TEST(BuildContentsFrame, TellsWhenNoPageWouldHoldTheNewBookmarks) {
  struct Case {
    const char* document;
    std::int32_t levelsToBreak;
    bool inNoPage;
    char highestDeeperLevel;
    bool upperCase;
  };
  const Case cases[] = {
      {"<h3>a</h3><h3>b</h3>", 2, true, '3', false},
      {"<p>x</p><h3>a</h3><h2 class=x>b</h2>", 1, true, '2', false},
      {"<H1>a</H1><H2>b</H2>", 3, true, '\0', true},
      {"<H1>a</H1><h3>b</h3>", 2, true, '3', true},
      // A heading in an annotation block is not cut at.
      {"<![if !supportAnnotations]><h1>a</h1><![endif]><h3>b</h3>", 2, true,
       '3', false},
      {"<![if !supportAnnotations]><h1>a</h1><![endif]>", 2, true, '\0',
       false},
      // Cut somewhere, every heading is in a page.
      {"<h3>a</h3><h2>b</h2><H1>c</H1>", 2, false, '\0', false},
      {"<h3>a</h3><h0></h0>", 2, false, '\0', false},
      {"<h3>a</h3>", 3, false, '\0', false},
      // Without new bookmarks the document shown holds every one.
      {"<h3><a name=\"_Toc5\"></a>a</h3><H1><a name=_Toc6>b</a></H1>", 2,
       false, '\0', false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.document);
    const BuiltFrames built = BuildContentsFrame(test.document, "a.htm",
                                                 "a_toc.htm", test.levelsToBreak);
    EXPECT_EQ(built.newBookmarksInNoPage, test.inNoPage);
    EXPECT_EQ(built.highestDeeperLevel, test.highestDeeperLevel);
    EXPECT_EQ(built.upperCaseHeadings, test.upperCase);
  }
}

}  // namespace
}  // namespace quillery
