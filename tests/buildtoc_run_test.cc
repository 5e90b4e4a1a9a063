// Whole-program runs with /BUILDTOC=1 on plain documents: the frames page
// and contents page made for them, and the document left as it is.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <vector>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadBytes;
using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;
using Tree = std::map<std::string, std::string>;

const std::string kPlain =
    "<html><head><title>Coastal birds</title></head><body>\r\n"
    "<p class=MsoToc1><a href=\"#_Toc5\">Gulls</a></p>\r\n"  // its own toc
    "<p>Intro</p>\r\n"
    "<h1><a name=\"_Toc5\"></a>Gulls</h1><p>a</p>\r\n"
    "<h2>Herring gull</h2><p>b</p>\r\n"
    "<h1>Terns</h1><p>c <a href=\"#_Toc5\">back</a></p>\r\n"
    "</body></html>\r\n";

class BuildTocRunTest : public ::testing::Test {
 protected:
  testing::RunResult Run(const std::string& document,
                         std::vector<std::string> words) {
    words.insert(words.begin(), {"/MAINFILE=site/" + document,
                                 "/OPTINCLUDETOC=1", "/BUILDTOC=1"});
    return RunQuillery(words, dir_.path());
  }
  // Every href="X#Y" of the output that names a file of it finds name="Y"
  // there.
  static void ExpectLinksLand(const Tree& site) {
    const std::regex link("href=\"([^\"#]+)#([^\"]+)\"");
    for (const auto& [file, bytes] : site) {
      for (std::sregex_iterator it(bytes.begin(), bytes.end(), link), end;
           it != end; ++it) {
        const std::string target =
            std::regex_replace(std::string((*it)[1]), std::regex("%20"), " ");
        SCOPED_TRACE(file + " -> " + target + "#" + std::string((*it)[2]));
        auto found = site.find(target);
        ASSERT_NE(found, site.end());
        EXPECT_NE(found->second.find("name=\"" + std::string((*it)[2]) + "\""),
                  std::string::npos);
      }
    }
  }

  ScopedTempDir dir_;
};

TEST_F(BuildTocRunTest, PlainDocumentBecomesASiteAndStaysAsItIs) {
  WriteBytes(dir_.File("site/Birds.htm"), kPlain);
  const auto result = Run("Birds.htm", {"/LEVELSTOBREAK=2", "/OUTDIR=out"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "quillery: made a frames page for '" +
                            dir_.File("site/Birds.htm") +
                            "' (3 headings, 2 new bookmarks): open '" +
                            dir_.File("out/Birds_frames.htm") + "'\n");
  EXPECT_EQ(ReadTree(dir_.File("site")), (Tree{{"Birds.htm", kPlain}}));
  const Tree out = ReadTree(dir_.File("out"));
  const std::string toc = out.at("Birds_toc.htm");
  // One entry per heading, each landing on its page: the existing
  // bookmark, and new ones numbered past the document's own.
  EXPECT_NE(toc.find("<p class=MsoToc1><a href=\"Birds_p1.htm#_Toc5\" "
                     "target=Frame1>Gulls</a>"),
            std::string::npos);
  EXPECT_NE(toc.find("<p class=MsoToc2><a href=\"Birds_p2.htm#_Toc6\" "
                     "target=Frame1>Herring gull</a>"),
            std::string::npos);
  EXPECT_NE(toc.find("<a href=\"Birds_p3.htm#_Toc7\" target=Frame1>Terns</a>"),
            std::string::npos);
  EXPECT_NE(out.at("Birds_frames.htm")
                .find("<frame name=Frame1 src=\"Birds_p0.htm\">"),
            std::string::npos);
  EXPECT_NE(out.at("Birds_frames.htm").find("<title>Coastal birds</title>"),
            std::string::npos);
  // The document's own table of contents keeps working.
  EXPECT_NE(out.at("Birds_p0.htm").find("href=\"Birds_p1.htm#_Toc5\""),
            std::string::npos);
  ExpectLinksLand(out);
}

TEST_F(BuildTocRunTest, InPlaceTheDocumentIsOnlyRead) {
  WriteBytes(dir_.File("site/My Birds.htm"), kPlain);
  const auto result = Run("My Birds.htm", {"/LEVELSTOBREAK=1"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const Tree site = ReadTree(dir_.File("site"));
  EXPECT_EQ(site.at("My Birds.htm"), kPlain);
  EXPECT_NE(site.at("My Birds_frames.htm")
                .find("<frame name=TOC src=\"My%20Birds_toc.htm\">"),
            std::string::npos);
  EXPECT_EQ(site.count("My Birds_p2.htm"), 1u);
  ExpectLinksLand(site);
  // A second run makes the same site again: nothing piles up.
  ASSERT_EQ(Run("My Birds.htm", {"/LEVELSTOBREAK=1"}).exitStatus, 0);
  EXPECT_EQ(ReadTree(dir_.File("site")), site);
}

TEST_F(BuildTocRunTest, ADocumentWithoutHeadingsOrContentsIsRefused) {
  const std::string plain =
      "<html><body><p>x <a href=\"#_Toc1\">y</a></p>"
      "<p class=MsoToc1><a href=\"#_Toc2\">no such bookmark</a></p>"
      "<p><a name=\"_Toc1\"></a>z</p></body></html>";
  WriteBytes(dir_.File("site/plain.htm"), plain);
  const Tree before = ReadTree(dir_.path());
  for (const char* outdir : {"/OUTDIR=out", "/USEHEADER=1"}) {
    SCOPED_TRACE(outdir);
    const auto result = Run("plain.htm", {"/LEVELSTOBREAK=2", outdir});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err,
              "quillery: cannot build the contents of '" +
                  dir_.File("site/plain.htm") +
                  "': it has no <h1> to <h3> headings and no contents of its "
                  "own (MsoToc1 to MsoToc9 paragraphs linking to its _Toc "
                  "bookmarks)\n");
    EXPECT_EQ(ReadTree(dir_.path()), before);
    EXPECT_FALSE(testing::Exists(dir_.File("out")));
    EXPECT_FALSE(testing::Exists(dir_.File("site/.quillery")));
  }
}

// The new bookmarks live only in the pages: a document no page would be
// cut from is refused, and nothing is written.
TEST_F(BuildTocRunTest, ADocumentNoPageIsCutFromIsRefused) {
  struct Case {
    const char* name;
    std::string document;
    const char* levelsToBreak;
    std::string why;
  };
  const std::vector<Case> cases = {
      {"deeper headings", "<html><body><p>a</p><h3>One</h3><h3>Two</h3>"
       "</body></html>",
       "/LEVELSTOBREAK=2",
       "its highest heading is <h3>, deeper than /LEVELSTOBREAK=2, so no page "
       "would hold the new bookmarks of its contents; choose "
       "/LEVELSTOBREAK=3"},
      {"upper-case headings", "<HTML><BODY><H1>One</H1><H2>Two</H2>"
       "</BODY></HTML>",
       "/LEVELSTOBREAK=3",
       "no page is cut at its upper-case headings (<H1> to <H3>), so no page "
       "would hold the new bookmarks of its contents; write them in lower "
       "case"},
      {"both", "<html><body><H1>One</H1><h3>Two</h3><h2>Three</h2>"
       "</body></html>",
       "/LEVELSTOBREAK=1",
       "no page is cut at its upper-case headings (<H1> to <H3>) and its "
       "highest lower-case heading is <h2>, deeper than /LEVELSTOBREAK=1, so "
       "no page would hold the new bookmarks of its contents; choose "
       "/LEVELSTOBREAK=2"},
  };
  for (const Case& test : cases) {
    for (const char* outdir : {"/OUTDIR=out", "/USINGTEMPLATE=1"}) {
      SCOPED_TRACE(std::string(test.name) + " " + outdir);
      ScopedTempDir dir;
      WriteBytes(dir.File("site/doc.htm"), test.document);
      const Tree before = ReadTree(dir.path());
      const auto result = RunQuillery(
          {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/BUILDTOC=1",
           test.levelsToBreak, outdir},
          dir.path());
      EXPECT_EQ(result.exitStatus, 1);
      EXPECT_EQ(result.err, "quillery: cannot build the contents of '" +
                                dir.File("site/doc.htm") + "': " + test.why +
                                "\n");
      EXPECT_EQ(ReadTree(dir.path()), before);
    }
  }
}

// Cut somewhere, or with no new bookmark to place, the contents lead where
// they say.
TEST_F(BuildTocRunTest, HeadingsNotCutAtAreFoundInThePages) {
  struct Case {
    const char* name;
    std::string document;
    std::set<std::string> files;
  };
  const std::vector<Case> cases = {
      {"upper-case headings after one cut at",
       "<html><body><p>a</p><h1>One</h1><p>b</p><H1>Two</H1><H2>Three</H2>"
       "<h3>Four</h3></body></html>",
       {"doc_frames.htm", "doc_toc.htm", "doc_p0.htm", "doc_p1.htm"}},
      {"deeper headings with bookmarks of their own",
       "<html><body><h3><a name=\"_Toc5\"></a>One</h3>"
       "<H3><a name=\"_Toc6\"></a>Two</H3></body></html>",
       {"doc.htm", "doc_frames.htm", "doc_toc.htm"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    ScopedTempDir dir;
    WriteBytes(dir.File("site/doc.htm"), test.document);
    const auto result = RunQuillery({"/MAINFILE=site/doc.htm",
                                     "/OPTINCLUDETOC=1", "/BUILDTOC=1",
                                     "/LEVELSTOBREAK=2", "/OUTDIR=out"},
                                    dir.path());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const Tree out = ReadTree(dir.File("out"));
    std::set<std::string> files;
    for (const auto& [file, bytes] : out) {
      if (file != ".quillery-output") files.insert(file);
    }
    EXPECT_EQ(files, test.files);
    EXPECT_NE(out.at("doc_toc.htm").find("#_Toc"), std::string::npos);
    ExpectLinksLand(out);
  }
}

// A manual whose headings are paragraphs of the word processor's own
// styles, with its own contents: a field code in the first entry, hidden
// page numbers, a link with the file name, a bookmark written unquoted in
// upper case, one in a table, and an entry of a level not cut at.
const std::string kManual =
    "<html><head><title>Manual</title></head><body lang=EN-GB>\r\n"
    "<div class=WordSection1>\r\n"
    "<p class=MsoToc1><!--[if supportFields]><span "
    "style='mso-element:field-begin'></span>TOC \\o \"1-3\" \\h<![endif]-->"
    "<a href=\"#_Toc101\">Birds<span style='display:none'>. 2</span></a>"
    "</p>\r\n"
    "<p class=MsoToc2><a href=\"#_Toc102\">Gulls<span "
    "style='display:none'>. 2</span></a></p>\r\n"
    "<p class=MsoToc1><a href=\"Manual.htm#_Toc103\">Terns<span "
    "style='display:none'>. 3</span></a></p>\r\n"
    "<p class=Heading1><a name=\"_Toc101\">Birds</a></p>\r\n"
    "<p>about birds, see <a href=\"#_Toc103\">terns</a></p>\r\n"
    "<p class=Heading2><A NAME=_Toc102>Gulls</A></p>\r\n"
    "<table><tr><td><p><a name=\"_Toc103\"></a>Terns</p></td></tr></table>"
    "\r\n</div>\r\n</body></html>\r\n";

TEST_F(BuildTocRunTest, OwnContentsMakePagesThatTheLinksLandOn) {
  WriteBytes(dir_.File("site/Manual.htm"), kManual);
  const auto result = Run("Manual.htm", {"/LEVELSTOBREAK=1", "/OUTDIR=out"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "quillery: made a frames page for '" +
                            dir_.File("site/Manual.htm") +
                            "' (3 entries of its own contents): open '" +
                            dir_.File("out/Manual_frames.htm") + "'\n");
  EXPECT_EQ(ReadTree(dir_.File("site")), (Tree{{"Manual.htm", kManual}}));
  const Tree out = ReadTree(dir_.File("out"));
  EXPECT_EQ(out.at("Manual_toc.htm"),
            "<html>\r\n<head>\r\n\r\n<title>Manual</title>\r\n</head>\r\n"
            "<body>\r\n\r\n\r\n"
            "<p class=MsoToc1><a href=\"Manual_p1.htm#_Toc101\" "
            "target=Frame1>Birds</a></p>\r\n"
            "<p class=MsoToc2><a href=\"Manual_p1.htm#_Toc102\" "
            "target=Frame1>Gulls</a></p>\r\n"
            "<p class=MsoToc1><a href=\"Manual_p2.htm#_Toc103\" "
            "target=Frame1>Terns</a></p>\r\n"
            "\r\n\r\n</body>\r\n</html>\r\n");
  // Each page of a level-1 entry begins with the block of its bookmark;
  // what the reader sees of the pages is the document's own text.
  const std::string& first = out.at("Manual_p1.htm");
  const std::size_t body = first.find("<body lang=EN-GB>\r\n");
  ASSERT_NE(body, std::string::npos);
  EXPECT_EQ(first.substr(body),
            "<body lang=EN-GB>\r\n\r\n"
            "<h0></h0><p class=Heading1><a name=\"_Toc101\">Birds</a></p>\r\n"
            "<p>about birds, see <a href=\"Manual_p2.htm#_Toc103\">terns</a>"
            "</p>\r\n"
            "<p class=Heading2><A name=\"_Toc102\">Gulls</A></p>\r\n"
            "\r\n\r\n</body></html>\r\n");
  EXPECT_NE(out.at("Manual_p2.htm")
                .find("<h0></h0><table><tr><td><p><a name=\"_Toc103\">"),
            std::string::npos);
  EXPECT_EQ(out.count("Manual_p3.htm"), 0u);
  // The document's own contents on page 0 lead into the pages too.
  EXPECT_NE(out.at("Manual_p0.htm").find("<a href=\"Manual_p1.htm#_Toc102\">"),
            std::string::npos);
  ExpectLinksLand(out);
}

// Every file of `site` that the main file reaches through href= and src=
// values naming files of it.
std::set<std::string> Reachable(const Tree& site, const std::string& main) {
  const std::regex reference("(?:href|src)=\"([^\"#]+)[^\"]*\"");
  std::set<std::string> reached = {main};
  std::vector<std::string> next = {main};
  while (!next.empty()) {
    const std::string file = next.back();
    next.pop_back();
    const std::string& bytes = site.at(file);
    for (std::sregex_iterator it(bytes.begin(), bytes.end(), reference), end;
         it != end; ++it) {
      const std::string target =
          std::regex_replace(std::string((*it)[1]), std::regex("%20"), " ");
      if (site.count(target) && reached.insert(target).second) {
        next.push_back(target);
      }
    }
  }
  return reached;
}

TEST_F(BuildTocRunTest, WithATemplateEveryFileWrittenIsReached) {
  // The contents in every page, the contents as the main file, and page 0
  // as the main file: no frames page is left to show the contents page.
  struct Case {
    const char* name;
    std::string templateText;
    std::vector<std::string> words;
  };
  const std::vector<Case> cases = {
      {"contents in the pages",
       "<html><head><title>[PAGETITLE]</title></head><body><nav>[WORDTOC]"
       "</nav>[QUILLERY]</body></html>",
       {}},
      {"contents as the main file",
       "<html><head><title>t</title></head><body>[QUILLERY]</body></html>",
       {"/TEMPLATETOCFORMAT=0"}},
      {"page 0 as the main file",
       "<html><head><title>t</title></head><body>[QUILLERY]</body></html>",
       {"/TEMPLATETOCFORMAT=1"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    ScopedTempDir dir;
    WriteBytes(dir.File("site/Manual.htm"), kManual);
    WriteBytes(dir.File("tpl.htm"), test.templateText);
    std::vector<std::string> words = {
        "/MAINFILE=site/Manual.htm", "/OPTINCLUDETOC=1", "/BUILDTOC=1",
        "/LEVELSTOBREAK=1",          "/USINGTEMPLATE=1", "/TOCBULLETS=1",
        "/HTMLTEMPLATEFILE=tpl.htm"};
    words.insert(words.end(), test.words.begin(), test.words.end());
    const auto result = RunQuillery(words, dir.path());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const Tree site = ReadTree(dir.File("site"));
    EXPECT_EQ(site.count("Manual_toc.htm"), 0u);
    std::set<std::string> written;
    for (const auto& [file, bytes] : site) {
      if (file != "Manual.htm") written.insert(file);
    }
    // Page 0 is linked only by the navigation markers, which these
    // templates lack, as in any templated run.
    written.erase("Manual_p0.htm");
    std::set<std::string> reached = Reachable(site, "Manual_frames.htm");
    reached.erase("Manual.htm");
    reached.erase("Manual_p0.htm");
    EXPECT_EQ(reached, written);
    ExpectLinksLand(site);
  }
}

TEST_F(BuildTocRunTest, AFramesPageIsConvertedAsWithoutTheKey) {
  const std::string frames =
      "<frameset><frame name=TOC src=\"toc.htm\"><frame name=Frame1 "
      "src=\"Birds.htm\"></frameset>";
  const std::string toc =
      "<html><body><p class=MsoToc1><a href=\"Birds.htm#_Toc5\">Gulls</a>"
      "</p></body></html>";
  Tree results[2];
  for (int withKey = 0; withKey < 2; ++withKey) {
    ScopedTempDir dir;
    WriteBytes(dir.File("site/doc.htm"), frames);
    WriteBytes(dir.File("site/toc.htm"), toc);
    WriteBytes(dir.File("site/Birds.htm"), kPlain);
    std::vector<std::string> words = {"/MAINFILE=site/doc.htm",
                                      "/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"};
    if (withKey == 1) words.push_back("/BUILDTOC=1");
    ASSERT_EQ(RunQuillery(words, dir.path()).exitStatus, 0);
    results[withKey] = ReadTree(dir.File("site"));
  }
  EXPECT_EQ(results[1], results[0]);
}

TEST_F(BuildTocRunTest, WithoutASplitLevelTheRunIsRefused) {
  WriteBytes(dir_.File("site/Birds.htm"), kPlain);
  const auto result = Run("Birds.htm", {"/OUTDIR=out"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot build the contents of '" +
                            dir_.File("site/Birds.htm") +
                            "': /BUILDTOC=1 needs /LEVELSTOBREAK=1 to 9, for "
                            "the new bookmarks live only in the pages\n");
  EXPECT_FALSE(testing::Exists(dir_.File("out")));
  EXPECT_EQ(ReadTree(dir_.File("site")), (Tree{{"Birds.htm", kPlain}}));
}

}  // namespace
}  // namespace quillery
