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
      BuildContentsFrame(document, "Field notes.htm", "Field notes_toc.htm");
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

TEST(BuildContentsFrame, ADocumentWithoutHeadingsGivesEmptyContents) {
  const BuiltFrames built =
      BuildContentsFrame("<p>plain</p>", "a.htm", "a_toc.htm");
  EXPECT_EQ(built.headings, 0u);
  EXPECT_EQ(built.document, "<p>plain</p>");
  EXPECT_EQ(built.contentsPage,
            "<html>\r\n<head>\r\n\r\n<title>a</title>\r\n</head>\r\n<body>\r\n"
            "</body>\r\n</html>\r\n");
}

}  // namespace
}  // namespace quillery
