// Whole-program runs that split a document into pages: one case per kind of
// result (no template; template contents page; copy of page 0; contents in
// every page), plus the failures that must leave no half-converted site.
#include <gtest/gtest.h>

#include <regex>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadBytes;
using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;

const std::string kStyleBlock =
    "<style>\r\n<!--\r\n /* Font Definitions */\r\np {margin:0}\r\n-->\r\n"
    "</style>";
const std::string kHeadBeforeStyle =
    "<html><head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
    "charset=utf-8\">\r\n";
const std::string kBodyTag = "<body lang=EN>";
const std::string kPage0 = "\r\n<p>See <a href=\"#_Toc2\">two</a>.</p>\r\n";
const std::string kPage1 =
    "<h1><a name=\"_Toc1\">One</a></h1>\r\n<p>a</p>\r\n"
    "<h2><a name=\"_Toc2\">Two</a></h2>\r\n<p>Back to "
    "<a href=\"#_Toc1\">one</a>.</p>\r\n";
const std::string kPage2 =
    "<h1><a name=\"_Toc3\">Three</a></h1>\r\n<p>c <a href=\"#_Toc2\">2</a>"
    "</p>\r\n";
const std::string kContent = kHeadBeforeStyle + kStyleBlock + "</head>" +
                             kBodyTag + kPage0 + kPage1 + kPage2 +
                             "</body>\r\n</html>\r\n";

const std::string kTocBody =
    "\r\n<p class=MsoToc1><a href=\"doc.htm#_Toc1\">One</a></p>\r\n"
    "<p class=MsoToc2><a href=\"doc.htm#_Toc2\">Two</a></p>\r\n"
    "<p class=MsoToc1><a href=\"doc.htm#_Toc3\">Three</a></p>\r\n";
const std::string kTocPage = "<html><body>" + kTocBody + "</body></html>";

const std::string kFrames =
    "<html><frameset cols=\"245,*\">\r\n<frame name=TOC src=\"toc.htm\">\r\n"
    "<frame name=Frame1 src=\"doc.htm\">\r\n</frameset></html>\r\n";

const std::string kStylesheetLink =
    "\r\n<link rel=\"StyleSheet\" href=\"Body.css\">\r\n";
const std::string kVmlStyle =
    "<style>\r\nv\\:* {behavior:url(#default#VML);}\r\n"
    "o\\:* {behavior:url(#default#VML);}\r\n"
    "w\\:* {behavior:url(#default#VML);}\r\n"
    ".shape {behavior:url(#default#VML);}\r\n</style>";

std::string Retarget(std::string text, const std::string& from,
                     const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Every href="X#Y" of an output page that names a page of the site must name
// a file that holds name="Y".
void ExpectLinksResolve(const std::map<std::string, std::string>& site) {
  const std::regex link("href=\"([^\"#]+)#([^\"]+)\"");
  for (const auto& [file, bytes] : site) {
    if (file.size() < 4 || file.substr(file.size() - 4) != ".htm") continue;
    for (std::sregex_iterator it(bytes.begin(), bytes.end(), link), end;
         it != end; ++it) {
      const std::string target = (*it)[1];
      const std::string anchor = (*it)[2];
      SCOPED_TRACE(file + " -> " + target + "#" + anchor);
      auto found = site.find(target);
      ASSERT_NE(found, site.end());
      EXPECT_NE(found->second.find("name=\"" + anchor + "\""),
                std::string::npos);
    }
  }
}

class SplitRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_.File("site/doc.htm"), kFrames);
    WriteBytes(dir_.File("site/toc.htm"), kTocPage);
    // The content page is doc.htm too in the word processor's layout, but
    // the frames page holds that name: keep the content in a subfolder-free
    // name of its own and point Frame1 at it.
    WriteBytes(dir_.File("site/doc.htm"),
               Retarget(kFrames, "src=\"doc.htm\"", "src=\"Body.htm\""));
    WriteBytes(dir_.File("site/Body.htm"), kContent);
  }
  testing::RunResult Run(std::vector<std::string> words) {
    words.insert(words.begin(), {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1"});
    return RunQuillery(words, dir_.path());
  }
  std::string Site(const std::string& name) {
    return ReadBytes(dir_.File("site/" + name));
  }

  ScopedTempDir dir_;
};

TEST_F(SplitRunTest, WithoutTemplateFramesPagePointsAtPageZero) {
  auto result = Run({"/LEVELSTOBREAK=1"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "quillery: converted in place: open '" +
                            dir_.File("site/doc.htm") + "'\n");
  auto site = ReadTree(dir_.File("site"));
  EXPECT_EQ(site.size(), 7u);

  const std::string head =
      kHeadBeforeStyle + kStylesheetLink + "</head>" + kBodyTag + "\r\n\r\n";
  const std::string tail = "\r\n\r\n</body>\r\n</html>\r\n";
  EXPECT_EQ(site["Body.css"],
            "<!--\r\n\r\n/* Font Definitions */\r\np {margin:0}\r\n-->\r\n");
  EXPECT_EQ(
      site["Body_p0.htm"],
      head + Retarget(kPage0, "\"#_Toc2\"", "\"Body_p1.htm#_Toc2\"") + tail);
  EXPECT_EQ(site["Body_p1.htm"], head + kPage1 + tail);
  EXPECT_EQ(
      site["Body_p2.htm"],
      head + Retarget(kPage2, "\"#_Toc2\"", "\"Body_p1.htm#_Toc2\"") + tail);
  EXPECT_EQ(site["doc.htm"],
            Retarget(kFrames, "src=\"doc.htm\"", "src=\"Body_p0.htm\""));
  EXPECT_EQ(site["Body.htm"], kContent);
  // Splitting puts a blank line pair after the body start tag and before
  // the body end tag of the contents page.
  std::string toc =
      "<html><body>\r\n\r\n" + kTocBody + "\r\n\r\n</body></html>";
  toc = Retarget(toc, "doc.htm#_Toc1", "Body_p1.htm#_Toc1");
  toc = Retarget(toc, "doc.htm#_Toc2", "Body_p1.htm#_Toc2");
  toc = Retarget(toc, "doc.htm#_Toc3", "Body_p2.htm#_Toc3");
  EXPECT_EQ(site["toc.htm"], toc);
  ExpectLinksResolve(site);
}

TEST_F(SplitRunTest, DeeperLevelMakesMorePages) {
  auto result = Run({"/LEVELSTOBREAK=2", "/TOCBULLETS=1"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  auto site = ReadTree(dir_.File("site"));
  EXPECT_EQ(site.count("Body_p3.htm"), 1u);
  EXPECT_EQ(site.count("Body_p4.htm"), 0u);
  EXPECT_NE(site["toc.htm"].find("<img src=\"main10001.gif\"><a "
                                 "href=\"Body_p1.htm#_Toc1\">"),
            std::string::npos);
  EXPECT_NE(site["toc.htm"].find("<img src=\"bullet10001.gif\"><a "
                                 "href=\"Body_p2.htm#_Toc2\">"),
            std::string::npos);
  ExpectLinksResolve(site);
}

TEST_F(SplitRunTest, TemplateContentsPageBecomesTheMainFile) {
  WriteBytes(dir_.File("site/tpl.htm"),
             "<HTML><head><title>T</title></head><body>[QUILLERY]</body>"
             "</html>");
  WriteBytes(dir_.File("site/head.htm"), "<html><body>HEADER</body></html>");
  auto result = Run({"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1",
                     "/HTMLTEMPLATEFILE=site/tpl.htm", "/USEHEADER=1",
                     "/HEADERFILE=site/head.htm"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  auto site = ReadTree(dir_.File("site"));
  const std::string namespaces =
      "<html xmlns:v=\"urn:schemas-microsoft-com:vml\"\r\n"
      "xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
      "xmlns:w=\"urn:schemas-microsoft-com:office:word\"\r\n"
      "xmlns=\"http://www.w3.org/TR/REC-html40\">\r\n";
  std::string dressedToc = "\r\nHEADER\r\n<BR>\r\n<BR>\r\n" + kTocBody;
  dressedToc = Retarget(dressedToc, "doc.htm#_Toc1", "Body_p1.htm#_Toc1");
  dressedToc = Retarget(dressedToc, "doc.htm#_Toc2", "Body_p1.htm#_Toc2");
  dressedToc = Retarget(dressedToc, "doc.htm#_Toc3", "Body_p2.htm#_Toc3");
  const std::string charset =
      "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">";
  EXPECT_EQ(site["doc.htm"], namespaces + "<head><title>T</title>" +
                                 kStylesheetLink + kVmlStyle + charset +
                                 "</head><body>" + dressedToc +
                                 "</body></html>");
  EXPECT_EQ(site["Body_p1.htm"], namespaces + "<head><title>T</title>" +
                                     charset + kStylesheetLink + kVmlStyle +
                                     "</head><body>\r\nHEADER\r\n<BR>\r\n" +
                                     kPage1 + "</body></html>");
  EXPECT_EQ(site["toc.htm"],
            "<html><body>\r\n\r\n" + dressedToc + "\r\n\r\n</body></html>");
  ExpectLinksResolve(site);
}

TEST_F(SplitRunTest, TemplatedFilesNameNoFrameAndLinkNoMissingStylesheet) {
  // A content page without Word's style block, contents and a header whose
  // links name the Frame1 frame, quoted and not.
  std::string content = kContent;
  content.erase(content.find(kStyleBlock), kStyleBlock.size());
  WriteBytes(dir_.File("site/Body.htm"), content);
  WriteBytes(dir_.File("site/toc.htm"),
             Retarget(kTocPage, "\">", "\" target=Frame1>"));
  WriteBytes(dir_.File("site/head.htm"),
             "<html><body><a href=\"doc.htm\" target=\"Frame1\">Home</a>"
             "</body></html>");
  WriteBytes(dir_.File("site/tpl.htm"),
             "<html><head></head><body>[QUILLERY]</body></html>");
  auto result = Run({"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1",
                     "/HTMLTEMPLATEFILE=site/tpl.htm", "/USEHEADER=1",
                     "/HEADERFILE=site/head.htm"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  auto site = ReadTree(dir_.File("site"));
  EXPECT_EQ(site.count("Body.css"), 0u);

  const std::string namespaces =
      "<html xmlns:v=\"urn:schemas-microsoft-com:vml\"\r\n"
      "xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
      "xmlns:w=\"urn:schemas-microsoft-com:office:word\"\r\n"
      "xmlns=\"http://www.w3.org/TR/REC-html40\">\r\n";
  const std::string charset =
      "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">";
  std::string tocLinks = kTocBody;
  tocLinks = Retarget(tocLinks, "doc.htm#_Toc1", "Body_p1.htm#_Toc1");
  tocLinks = Retarget(tocLinks, "doc.htm#_Toc2", "Body_p1.htm#_Toc2");
  tocLinks = Retarget(tocLinks, "doc.htm#_Toc3", "Body_p2.htm#_Toc3");
  const std::string header = "<a href=\"doc.htm\">Home</a>";
  EXPECT_EQ(site["doc.htm"],
            namespaces + "<head>" + kVmlStyle + charset + "</head><body>\r\n" +
                header + "\r\n<BR>\r\n<BR>\r\n" + tocLinks + "</body></html>");
  EXPECT_EQ(site["Body_p1.htm"],
            namespaces + "<head>" + charset + kVmlStyle + "</head><body>\r\n" +
                header + "\r\n<BR>\r\n" + kPage1 + "</body></html>");
  // The contents frame page stands in the frameset: its links keep the
  // frame, the header's too.
  EXPECT_EQ(site["toc.htm"],
            "<html><body>\r\n\r\n\r\n"
            "<a href=\"doc.htm\" target=\"Frame1\">Home</a>"
            "\r\n<BR>\r\n<BR>\r\n" +
                Retarget(tocLinks, "\">", "\" target=Frame1>") +
                "\r\n\r\n</body></html>");
  ExpectLinksResolve(site);
}

TEST_F(SplitRunTest, TemplateFormatOneCopiesPageZero) {
  WriteBytes(dir_.File("site/tpl.htm"),
             "<html><head></head><body>[QUILLERY]</body></html>");
  auto result = Run({"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1",
                     "/HTMLTEMPLATEFILE=site/tpl.htm", "/TEMPLATETOCFORMAT=1"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(Site("doc.htm"), Site("Body_p0.htm"));
  ExpectLinksResolve(ReadTree(dir_.File("site")));
}

TEST_F(SplitRunTest, ContentsInEveryPagePointIntoThePages) {
  WriteBytes(dir_.File("site/tpl.htm"),
             "<html><head></head><body><div>[WORDTOC]</div>[QUILLERY]</body>"
             "</html>");
  auto result = Run({"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1",
                     "/HTMLTEMPLATEFILE=site/tpl.htm"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  auto site = ReadTree(dir_.File("site"));
  EXPECT_EQ(site["doc.htm"], site["Body_p0.htm"]);
  EXPECT_EQ(site["toc.htm"],
            "<html><body>\r\n\r\n" + kTocBody + "\r\n\r\n</body></html>");
  for (const char* page : {"Body_p0.htm", "Body_p1.htm", "Body_p2.htm"}) {
    SCOPED_TRACE(page);
    EXPECT_NE(site[page].find("<a href=\"Body_p2.htm#_Toc3\">Three</a>"),
              std::string::npos);
  }
  site.erase("toc.htm");  // keeps its old targets, into the content page
  ExpectLinksResolve(site);
}

TEST_F(SplitRunTest, NoSplitPointLeavesTheMainFileAlone) {
  WriteBytes(dir_.File("site/Body.htm"),
             Retarget(Retarget(kContent, "<h1", "<H1"), "<h2", "<H2"));
  auto before = ReadTree(dir_.File("site"));
  auto result = Run({"/LEVELSTOBREAK=9"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  auto after = ReadTree(dir_.File("site"));
  EXPECT_EQ(after.count("Body.css"), 1u);
  after.erase("Body.css");
  // The contents keep their links to the untouched content page.
  before["toc.htm"] =
      "<html><body>\r\n\r\n" + kTocBody + "\r\n\r\n</body></html>";
  EXPECT_EQ(after, before);
}

TEST_F(SplitRunTest, ProblemsWithTheContentPageWriteNothing) {
  struct Row {
    const char* name;
    std::string frameSource;
    std::string expectedError;
  };
  const Row rows[] = {
      {"missing content page", "\"Gone.htm\"",
       "quillery: cannot read '" + dir_.File("site/Gone.htm") +
           "': No such file or directory\n"},
      {"outside the folder", "\"../Body.htm\"",
       "quillery: refusing the Frame1 frame source '../Body.htm' of '" +
           dir_.File("site/doc.htm") +
           "': it leads out of the document's folder\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteBytes(dir_.File("site/doc.htm"),
               Retarget(kFrames, "src=\"doc.htm\"", "src=" + row.frameSource));
    for (const char* templateKey :
         {"/USINGTEMPLATE=0", "/HTMLTEMPLATEFILE=site/tpl.htm"}) {
      WriteBytes(dir_.File("site/tpl.htm"),
                 "<html><head></head>[WORDTOC][QUILLERY]</html>");
      auto before = ReadTree(dir_.File("site"));
      auto result = Run({"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1", templateKey});
      EXPECT_EQ(result.exitStatus, 1);
      EXPECT_EQ(result.err, row.expectedError);
      EXPECT_EQ(ReadTree(dir_.File("site")), before);
    }
  }
}

TEST_F(SplitRunTest, ContentsPageInASubfolderLinksFromItsFolder) {
  WriteBytes(dir_.File("site/doc.htm"),
             Retarget(Retarget(kFrames, "src=\"doc.htm\"", "src=\"Body.htm\""),
                      "src=\"toc.htm\"", "src=\"doc_files/toc.htm\""));
  WriteBytes(dir_.File("site/doc_files/toc.htm"),
             Retarget(kTocPage, "\"doc.htm#", "\"../Body.htm#"));
  auto result = Run({"/LEVELSTOBREAK=1", "/TOCBULLETS=1"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const std::string toc = Site("doc_files/toc.htm");
  EXPECT_NE(toc.find("href=\"../Body_p1.htm#_Toc1\""), std::string::npos);
  EXPECT_NE(toc.find("href=\"../Body_p2.htm#_Toc3\""), std::string::npos);
  EXPECT_TRUE(testing::Exists(dir_.File("site/doc_files/bullet10001.gif")));
}

TEST_F(SplitRunTest, PagesCarryingTheContentsNameNoFrameAndHaveTheBullets) {
  WriteBytes(dir_.File("site/doc.htm"),
             Retarget(Retarget(kFrames, "src=\"doc.htm\"", "src=\"Body.htm\""),
                      "src=\"toc.htm\"", "src=\"doc_files/toc.htm\""));
  WriteBytes(dir_.File("site/doc_files/toc.htm"),
             Retarget(Retarget(kTocPage, "\"doc.htm#", "\"../Body.htm#"), "\">",
                      "\" target=\"Frame1\">"));
  WriteBytes(dir_.File("site/tpl.htm"),
             "<html><head></head><body>[WORDTOC][QUILLERY]</body></html>");
  auto result = Run({"/LEVELSTOBREAK=1", "/TOCBULLETS=1", "/USINGTEMPLATE=1",
                     "/HTMLTEMPLATEFILE=site/tpl.htm"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  auto site = ReadTree(dir_.File("site"));
  // The contents frame page stands in the frameset and keeps its frame.
  EXPECT_NE(site["doc_files/toc.htm"].find("target=\"Frame1\""),
            std::string::npos);
  for (const char* page : {"Body_p0.htm", "Body_p1.htm", "doc.htm"}) {
    SCOPED_TRACE(page);
    EXPECT_EQ(site[page].find("target="), std::string::npos);
    EXPECT_NE(site[page].find("<img src=\"main10001.gif\">"),
              std::string::npos);
  }
  for (const char* image :
       {"bullet10001.gif", "main10001.gif", "doc_files/bullet10001.gif",
        "doc_files/main10001.gif"}) {
    EXPECT_EQ(site.count(image), 1u) << image;
  }
}

TEST_F(SplitRunTest, NavigationMarkersLeaveNoLiteralMarkerAnywhere) {
  WriteBytes(dir_.File("site/head.htm"),
             "<body><p>[DOCTITLE]</p>[PAGENAV]</body>");
  for (const char* format : {"/TEMPLATETOCFORMAT=0", "/TEMPLATETOCFORMAT=1"}) {
    for (const std::string& tpl :
         {std::string("<html><head><title>[PAGETITLE]</title></head><body>"
                      "[QUILLERY]</body></html>"),
          std::string("<html><head><title>[PAGETITLE]</title></head><body>"
                      "<nav>[CONTENTS]</nav>[QUILLERY]</body></html>")}) {
      SCOPED_TRACE(std::string(format) + " " + tpl);
      SetUp();
      WriteBytes(dir_.File("site/tpl.htm"), tpl);
      auto result = Run({"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1", format,
                         "/HTMLTEMPLATEFILE=site/tpl.htm", "/USEHEADER=1",
                         "/HEADERFILE=site/head.htm"});
      ASSERT_EQ(result.exitStatus, 0) << result.err;
      for (const auto& [name, bytes] : ReadTree(dir_.File("site"))) {
        if (name == "head.htm" || name == "tpl.htm") continue;  // inputs
        for (const char* marker : {"[PAGETITLE]", "[DOCTITLE]", "[PAGENAV]",
                                   "[CONTENTS]", "[WORDTOC]", "[QUILLERY]"}) {
          EXPECT_EQ(bytes.find(marker), std::string::npos) << name;
        }
      }
      // The content page has no title: the document is named after it.
      // Outside the pages there is no previous or next page to show.
      EXPECT_NE(Site("toc.htm").find("<p>Body</p>"), std::string::npos);
      EXPECT_EQ(Site("toc.htm").find("q-pages"), std::string::npos);
      EXPECT_NE(Site("Body_p2.htm").find("<title>Three &ndash; Body</title>"),
                std::string::npos);
    }
  }
}

TEST_F(SplitRunTest, FolderInTheWayOfAPageChangesNothing) {
  WriteBytes(dir_.File("site/Body_p1.htm/keep"), "a folder in the way");
  const auto before = ReadTree(dir_.path());
  auto result = Run({"/LEVELSTOBREAK=1", "/TOCBULLETS=1"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot write '" +
                            dir_.File("site/Body_p1.htm") +
                            "': a folder is in the way\n");
  // Nothing written, nothing staged left behind.
  EXPECT_EQ(ReadTree(dir_.path()), before);
  EXPECT_FALSE(testing::Exists(dir_.File("site/.quillery")));
}

}  // namespace
}  // namespace quillery
