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
