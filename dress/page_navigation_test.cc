#include "dress/page_navigation.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(ExpandPageMarkers, ReplacesEveryMarkerInOnePass) {
  PageMarkers markers;
  markers.pageTitle = "B &ndash; Doc";
  markers.documentTitle = "Doc";
  markers.previousPage = "[NEXTPAGE]";  // put in, never searched again
  markers.contents = "<p>toc</p>";
  EXPECT_EQ(ExpandPageMarkers("<title>[PAGETITLE]</title>[DOCTITLE]|"
                              "[PREVPAGE]|[NEXTPAGE]|[STARTPAGE]|[PAGENAV]|"
                              "[CONTENTS]|[WORDTOC]|[QUILLERY]|[[DOCTITLE]]",
                              markers),
            "<title>B &ndash; Doc</title>Doc|[NEXTPAGE]||||<p>toc</p>|"
            "[WORDTOC]|[QUILLERY]|[Doc]");
  EXPECT_FALSE(HoldsPageMarkers("[WORDTOC][QUILLERY] [TITLE]"));
  EXPECT_TRUE(HoldsPageMarkers("x[PAGENAV]"));
}

TEST(PlainText, DropsTagsAndFoldsWhiteSpace) {
  EXPECT_EQ(PlainText("<a name=\"_Toc1\"></a><span>2.\r\n\tMethods</span> "
                      "&amp; <b>tools</b>  "),
            "2. Methods &amp; tools");
  EXPECT_EQ(PlainText(""), "");
}

TEST(DocumentTitle, TakesTheTitleElementOrTheFallback) {
  EXPECT_EQ(DocumentTitle("<HEAD><TITLE>Field\r\nnotes</TITLE>", "x"),
            "Field notes");
  EXPECT_EQ(DocumentTitle("<head><title> </title>", "Report"), "Report");
  EXPECT_EQ(DocumentTitle("<head>", "Report"), "Report");
}

TEST(FirstHeadingText, TakesTheFirstHeadingOfASlice) {
  EXPECT_EQ(FirstHeadingText("<p>x</p><H2 class=a><a name=\"_Toc2\"></a>"
                             "Results</H2><h1>Later</h1>"),
            "Results");
  EXPECT_EQ(FirstHeadingText("<hr><head>no heading"), "");
  EXPECT_EQ(FirstHeadingText("<h1>cut off"), "");
}

TEST(CleanLabel, FoldsBlanksAndNonBreakingSpaces) {
  struct Row {
    const char* name;
    std::string html;
    ByteLayout layout;
    std::string expected;
  };
  const Row rows[] = {
      {"word's numbered heading",
       "6.<span style='font:7.0pt'>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; "
       "</span>CERTIFICATES &#8211; By Laws",
       ByteLayout::kSingleByte, "6. CERTIFICATES &#8211; By Laws"},
      {"references in any case, trimmed", "&NBSP;&#160;A&#xA0;&#Xa0;B&nbsp;",
       ByteLayout::kSingleByte, "A B"},
      {"raw byte in a single-byte set", "1.\xA0\xA0\xA0Terms",
       ByteLayout::kSingleByte, "1. Terms"},
      {"raw bytes in UTF-8", "1.\xC2\xA0\xC2\xA0Terms", ByteLayout::kUtf8,
       "1. Terms"},
      {"a UTF-8 letter ending in 0xA0 stays", "voil\xC3\xA0", ByteLayout::kUtf8,
       "voil\xC3\xA0"},
      {"a second byte 0xA0 in a double-byte set stays", "\x83\xA0\x81\x40X",
       ByteLayout::kDoubleByte, "\x83\xA0\x81\x40X"},
      {"word's contents entry: hidden page number and field codes",
       "Related documentation<span\r\n style='color:windowtext;\r\n"
       "display:none;mso-hide:screen'><span style='mso-tab-count:1 dotted'>. "
       "</span></span><!--[if supportFields]><span style='display:none'>"
       "<span style='mso-element:field-begin'></span> PAGEREF _Toc1 \\h "
       "</span><![endif]--><span style='display:none'>2<!--[if gte mso 9]>"
       "<xml><w:data>08D0C9EA</w:data></xml><![endif]--></span>",
       ByteLayout::kSingleByte, "Related documentation"},
      {"hidden span cut off by the end", "A<span style='display: none'>B",
       ByteLayout::kSingleByte, "A"},
      {"a shown span stays", "A<span style='display:inline'>B</span>",
       ByteLayout::kSingleByte, "AB"},
      {"only blanks", " &nbsp; <br> ", ByteLayout::kSingleByte, ""},
      {"empty", "", ByteLayout::kSingleByte, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CleanLabel(row.html, row.layout), row.expected);
  }
}

TEST(ByteLayoutOf, NamesTheCharsetsLayout) {
  EXPECT_EQ(ByteLayoutOf("<meta content=\"text/html; charset=UTF-8\">"),
            ByteLayout::kUtf8);
  EXPECT_EQ(ByteLayoutOf("<meta charset=shift_jis>"), ByteLayout::kDoubleByte);
  EXPECT_EQ(ByteLayoutOf("<meta charset=windows-1252>"),
            ByteLayout::kSingleByte);
  EXPECT_EQ(ByteLayoutOf(""), ByteLayout::kSingleByte);
}

TEST(ContentsMarker, MarksTheLinksIntoOnePage) {
  const ContentsMarker contents(
      "<p><a href=\"R_p1.htm#_Toc1\">One</a></p>"
      "<p><A HREF=R_p1.htm#_Toc2>Two</A></p>"
      "<p><a href='R_p2.htm#_Toc3'>Three</a><abbr>x</abbr></p>");
  EXPECT_EQ(contents.MarkedFor("R_p1.htm"),
            "<p><a aria-current=\"page\" href=\"R_p1.htm#_Toc1\">One</a></p>"
            "<p><A aria-current=\"page\" HREF=R_p1.htm#_Toc2>Two</A></p>"
            "<p><a href='R_p2.htm#_Toc3'>Three</a><abbr>x</abbr></p>");
  EXPECT_EQ(contents.MarkedFor("R_p9.htm"),
            ContentsMarker("<p><a href=\"R_p1.htm#_Toc1\">One</a></p>"
                           "<p><A HREF=R_p1.htm#_Toc2>Two</A></p>"
                           "<p><a href='R_p2.htm#_Toc3'>Three</a><abbr>x</abbr>"
                           "</p>")
                .MarkedFor(""));
}

}  // namespace
}  // namespace quillery
