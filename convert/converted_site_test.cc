#include "convert/converted_site.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "convert/conversion_driver.h"
#include "convert/memory_file_operations.h"
#include "dress/head_body_tail.h"
#include "dress/header_footer.h"

namespace quillery {
namespace {

using Files = std::map<std::string, std::string>;

// The contents frame page as a splitting run dresses it, by the functions
// the run uses: `headers` header blocks and `footers` footer blocks.
std::string Dressed(const std::string& toc, const std::string& header,
                    const std::string& footer, std::size_t headers,
                    std::size_t footers) {
  const PageParts parts = SplitPageParts(toc);
  return parts.head +
         AddHeaderAndFooter(
             parts.body, header, footer,
             std::vector<std::int32_t>(headers, kHeaderTextCode),
             std::vector<std::int32_t>(footers, kFooterTextCode)) +
         parts.tail;
}

// As Word writes a contents frame page: a blank line after the body tag and
// before its end tag.
const std::string kWordToc =
    "<html><head><title>Contents</title></head>\r\n"
    "<body lang=EN-US>\r\n\r\n<div class=Section1>\r\n\r\n"
    "<p class=MsoToc1><a href=\"Body.htm#_Toc1\" target=Frame1>One</a></p>"
    "\r\n\r\n</div>\r\n\r\n</body>\r\n\r\n</html>\r\n";
const std::string kHeader = "<p class=top>Site \xE9t\xE9</p>";
const std::string kFooter = "<p>&copy; footer</p>";
// A file whose body KeepBodyContent cannot find: the "/body" of the link
// comes before its end tag.
const std::string kWholeFile =
    "<html><body>\r\n<a href=\"files/Body.htm\">x</a>\r\n</body></html>";

TEST(CarriesOurDressing, FindsTheBlocksASplittingRunPutsAroundTheContents) {
  struct Row {
    const char* name;
    std::string toc;
    std::string header;
    std::string footer;
    bool expected;
  };
  const Row rows[] = {
      {"header", Dressed(kWordToc, kHeader, "", 1, 0), kHeader, kFooter, true},
      {"footer", Dressed(kWordToc, "", kFooter, 0, 1), kHeader, kFooter, true},
      {"both", Dressed(kWordToc, kHeader, kFooter, 1, 1), kHeader, kFooter,
       true},
      {"two header placements", Dressed(kWordToc, kHeader, "", 2, 0), kHeader,
       "", true},
      {"three footer placements", Dressed(kWordToc, "", kFooter, 0, 3), "",
       kFooter, true},
      {"dressed twice",
       Dressed(Dressed(kWordToc, kHeader, "", 1, 0), kHeader, "", 1, 0),
       kHeader, "", true},
      {"a header that looks like a break line",
       Dressed(kWordToc, "<BR>", "", 1, 0), "<BR>", "", true},
      {"a footer that looks like a break line",
       Dressed(kWordToc, "", "<BR>", 0, 1), "", "<BR>", true},
      {"a header file that goes in whole, end tag and all",
       Dressed(kWordToc, kWholeFile, "", 1, 0), kWholeFile, "", true},
      {"a footer file that goes in whole, end tag and all",
       Dressed(kWordToc, kWholeFile, kWholeFile, 1, 2), "", kWholeFile, true},
      {"a page without body tags",
       Dressed("<p>Contents</p>", kHeader, "", 1, 0), kHeader, "", true},
      {"dressed with another header", Dressed(kWordToc, "<p>old</p>", "", 1, 0),
       kHeader, kFooter, false},
      // Pages we did not make.
      {"Word's own page", kWordToc, kHeader, kFooter, false},
      {"only the blank lines of a run", Dressed(kWordToc, "", "", 0, 0),
       kHeader, kFooter, false},
      {"no texts asked for", Dressed(kWordToc, kHeader, kFooter, 1, 1), "", "",
       false},
      {"the header pasted in by hand",
       "<html><body>\r\n\r\n\r\n" + kHeader + "\r\n<p>x</p></body></html>",
       kHeader, "", false},
      {"the header with one break tag",
       "<html><body>\r\n\r\n\r\n" + kHeader + "\r\n<BR>\r\n<p>x</p>" +
           "</body></html>",
       kHeader, "", false},
      {"the footer without the blank line before the end tag",
       "<html><body><p>x</p>\r\n<BR>\r\n\r\n<BR>\r\n" + kFooter +
           "</body></html>",
       "", kFooter, false},
      {"the blocks outside the body",
       "<html>\r\n\r\n\r\n" + kHeader + "\r\n<BR>\r\n<BR>\r\n<body>" +
           "<p>x</p></body></html>",
       kHeader, "", false},
      {"empty text", "", kHeader, kFooter, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CarriesOurDressing(row.toc, row.header, row.footer),
              row.expected);
  }
}

TEST(CarriesOurBullets, OnlyTheExactTagsWePutIn) {
  EXPECT_TRUE(CarriesOurBullets("<p><img src=\"main10001.gif\"><a>"));
  EXPECT_TRUE(CarriesOurBullets("<img src=\"bullet10001.gif\">"));
  EXPECT_FALSE(CarriesOurBullets("<img src=\"bullet10001.gif\" alt=\"\">"));
  EXPECT_FALSE(CarriesOurBullets("<IMG SRC=\"main10001.gif\">"));
  EXPECT_FALSE(CarriesOurBullets(kWordToc));
}

// A Word content page: its rules in a style block opened by the font
// definitions, headings of level 1 and 2.
const std::string kStyledContent =
    "<html><head><title>Birds</title><style>\r\n<!--\r\n"
    " /* Font Definitions */\r\np {margin:0}\r\n-->\r\n</style></head>"
    "<body>\r\n<p>pre</p><h2><a name=\"_Toc1\">One</a></h2><p>a</p>"
    "<h2><a name=\"_Toc2\">Two</a></h2></body></html>";
// The same without a style block: nothing but the contents frame page tells
// a run that cut no page.
const std::string kPlainContent =
    "<html><head><title>Birds</title></head><body>\r\n<p>pre</p>"
    "<h2><a name=\"_Toc1\">One</a></h2><p>a</p>"
    "<h2><a name=\"_Toc2\">Two</a></h2></body></html>";
const std::string kToc =
    "<html><body>\r\n\r\n<p class=MsoToc2><a href=\"Body.htm#_Toc1\" "
    "target=Frame1>One</a></p>\r\n<p class=MsoToc2><a "
    "href=\"Body.htm#_Toc2\" target=Frame1>Two</a></p>\r\n\r\n</body></html>";

std::string Frames(const std::string& content) {
  return "<html><frameset cols=\"245,*\">\r\n<frame name=TOC "
         "src=\"toc.htm\">\r\n<frame name=Frame1 src=\"" +
         content + "\">\r\n</frameset></html>\r\n";
}

Files Site(const std::string& content, const std::string& contentName) {
  return {{"doc.htm", Frames(contentName)},
          {"toc.htm", kToc},
          {contentName, content}};
}

// How a row's run is set up; header, footer and template files lie in the
// test's folder.
struct Words {
  std::int32_t levels = 1;
  std::int32_t bullets = 0;
  std::size_t headers = 0;
  std::size_t footers = 0;
  std::string header = "<html><body>" + kHeader + "</body></html>";
  std::string footer = "<body>\r\n" + kFooter + "\r\n</body>";
  std::string templateText;
  std::int32_t templateTocFormat = 0;
};

// The site in memory at "\work\site", the dressing files beside it.
const std::string kMainFile = "\\work\\site\\doc.htm";

void AddSite(MemoryFileOperations& files, const Files& site) {
  for (const auto& [name, bytes] : site) {
    files.AddFile("\\work\\site\\" + name, bytes);
  }
}

ConversionRequest RequestFor(const Words& words, MemoryFileOperations& files) {
  ConversionRequest request("\\work\\program");
  for (const char* image : kBulletImageFiles) {
    files.AddFile(std::string("\\work\\program\\") + image, "GIF89a");
  }
  request.LEVELSTOBREAK = words.levels;
  request.TOCBULLETS = words.bullets;
  request.headerPlacements.assign(words.headers, kHeaderTextCode);
  request.footerPlacements.assign(words.footers, kFooterTextCode);
  request.HEADERFILE = "\\work\\dressing\\header.htm";
  request.FOOTERFILE = "\\work\\dressing\\footer.htm";
  files.AddFile(request.HEADERFILE, words.header);
  files.AddFile(request.FOOTERFILE, words.footer);
  if (!words.templateText.empty()) {
    request.USINGTEMPLATE = 1;
    request.TEMPLATETOCFORMAT = words.templateTocFormat;
    request.HTMLTEMPLATEFILE = "\\work\\dressing\\base.htm";
    files.AddFile(request.HTMLTEMPLATEFILE, words.templateText);
  }
  return request;
}

bool Recognised(MemoryFileOperations& files, const ConversionRequest& request) {
  return WasConvertedInPlace(files, ReadSiteInputs(files, kMainFile, request));
}

// Every shape a conversion in place can leave its site in is known again by
// a run with the same words; the site before it is not.
TEST(WasConvertedInPlace, KnowsEverySiteARunConvertedInPlace) {
  Words levelOne;  // the headings are of level 2
  Words levelTwo;
  levelTwo.levels = 2;
  Words header;
  header.headers = 1;
  Words titledHeader = header;
  titledHeader.header = "<body><p>[DOCTITLE] [PAGENAV]</p></body>";
  Words footers;
  footers.footers = 2;
  Words templateWithoutMarker = header;
  templateWithoutMarker.templateText = "<html><body>no marker</body></html>";
  Words templateCopy = header;
  templateCopy.templateText = "<html><body>[QUILLERY]</body></html>";
  templateCopy.templateTocFormat = 1;
  Words bulletsOnly;
  bulletsOnly.levels = 0;
  bulletsOnly.bullets = 1;
  Words pagesAndBullets = levelTwo;
  pagesAndBullets.bullets = 1;
  struct Row {
    const char* name;
    Files site;
    Words words;
  };
  const Row rows[] = {
      {"split into pages", Site(kStyledContent, "Body.htm"), levelTwo},
      {"split into pages, with bullets", Site(kPlainContent, "Body.htm"),
       pagesAndBullets},
      // Pages are named after the content page's name cut at its first
      // ".htm", and lie where that name says.
      {"split into pages, content in a subfolder",
       Site(kStyledContent, "sub/Body.htm"), levelTwo},
      {"split into pages, content named \".html\"",
       Site(kStyledContent, "Body.html"), levelTwo},
      {"split into pages, content named \".htm.htm\"",
       Site(kStyledContent, "a.b.htm.htm"), levelTwo},
      {"split into pages, content without an extension",
       Site(kStyledContent, "Body"), levelTwo},
      {"split into pages, content named in capitals",
       Site(kStyledContent, "BODY.HTM"), levelTwo},
      {"split into pages, content in a subfolder named \".html\"",
       Site(kStyledContent, "sub/Body.html"), levelTwo},
      {"bullets only", Site(kPlainContent, "Body.htm"), bulletsOnly},
      {"no heading at the split level", Site(kStyledContent, "Body.htm"),
       levelOne},
      {"no heading at the split level, content in a subfolder",
       Site(kStyledContent, "sub/Body.htm"), levelOne},
      {"no heading at the split level, no style block, header",
       Site(kPlainContent, "Body.htm"), header},
      {"no heading at the split level, header with markers",
       Site(kPlainContent, "Body.htm"), titledHeader},
      {"no heading at the split level, two footers",
       Site(kPlainContent, "Body.htm"), footers},
      {"no heading at the split level, template without a marker",
       Site(kPlainContent, "Body.htm"), templateWithoutMarker},
      {"no heading at the split level, template for a copy of page 0",
       Site(kPlainContent, "Body.htm"), templateCopy},
      {"no Frame1 frame, header with markers",
       {{"doc.htm",
         "<html><head><title>Doc</title></head><frameset><frame name=TOC "
         "src=\"toc.htm\"></frameset></html>"},
        {"toc.htm", kToc}},
       titledHeader},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    AddSite(files, row.site);
    const ConversionRequest request = RequestFor(row.words, files);
    EXPECT_FALSE(Recognised(files, request));
    const Files before = files.Tree("\\work\\site");
    ConversionProgress quiet;
    ASSERT_EQ(RunConversion(kMainFile, request, files, quiet),
              ConversionOutcome::kConverted);
    ASSERT_NE(files.Tree("\\work\\site"), before);
    EXPECT_TRUE(Recognised(files, request));
  }
}

// Sites no run of ours made, some with names and files like ours.
TEST(WasConvertedInPlace, NeverTakesASiteWeDidNotMake) {
  Words header;
  header.headers = 1;
  header.footers = 1;
  const std::string styleBlock =
      "<!--\r\n /* Font Definitions */\r\np {margin:0}\r\n-->\r\n";
  // What a split of kStyledContent writes into "Body.css".
  const std::string ourStylesheet =
      "<!--\r\n\r\n/* Font Definitions */\r\np {margin:0}\r\n-->\r\n";
  struct Row {
    const char* name;
    Files site;
    Words words;
  };
  const Row rows[] = {
      {"content named like page 0", Site(kStyledContent, "Intro_p0.htm"),
       header},
      {"page 0 and page 1 without the content page",
       [] {
         Files site = Site(kStyledContent, "Intro_p0.htm");
         site["Intro_p1.htm"] = kPlainContent;
         return site;
       }(),
       header},
      {"page 0 and the content page without page 1",
       [] {
         Files site = Site(kStyledContent, "Intro_p0.htm");
         site["Intro.htm"] = kPlainContent;
         return site;
       }(),
       header},
      {"page 0 and page 1 beside pages whose names only begin alike",
       [] {
         Files site = Site(kStyledContent, "Intro_p0.htm");
         site["Intro_p1.htm"] = site["Intro2.htm"] = site["Intro_old.htm"] =
             site["Intro.txt"] = site["Intro.HTM"] = kPlainContent;
         return site;
       }(),
       header},
      {"page 0 and page 1 beside a folder named like the content page",
       [] {
         Files site = Site(kStyledContent, "Intro_p0.htm");
         site["Intro_p1.htm"] = site["Intro.htm/x.htm"] = kPlainContent;
         return site;
       }(),
       header},
      {"page 0 and page 1 in a subfolder, the content page outside it",
       [] {
         Files site = Site(kStyledContent, "sub/Intro_p0.htm");
         site["sub/Intro_p1.htm"] = site["Intro.htm"] = kPlainContent;
         return site;
       }(),
       header},
      {"page 0 and page 1, the content page in a subfolder",
       [] {
         Files site = Site(kStyledContent, "Intro_p0.htm");
         site["Intro_p1.htm"] = site["sub/Intro.htm"] = kPlainContent;
         return site;
       }(),
       header},
      {"a stylesheet of the user's own",
       [] {
         Files site = Site(kStyledContent, "Body.htm");
         site["Body.css"] = "p {margin:0}\r\n";
         return site;
       }(),
       header},
      {"a stylesheet holding Word's block as Word writes it",
       [&styleBlock] {
         Files site = Site(kStyledContent, "Body.htm");
         site["Body.css"] = styleBlock;
         return site;
       }(),
       header},
      {"a split's stylesheet and pages beside a frames page put back",
       [&ourStylesheet] {
         Files site = Site(kStyledContent, "Body.htm");
         site["Body.css"] = ourStylesheet;
         site["Body_p0.htm"] = site["Body_p1.htm"] = kPlainContent;
         return site;
       }(),
       header},
      {"our stylesheet beside contents without the blank lines of a run",
       [&ourStylesheet] {
         Files site = Site(kStyledContent, "Body.htm");
         site["Body.css"] = ourStylesheet;
         site["toc.htm"] = "<html><body><p class=MsoToc1>x</p></body></html>";
         return site;
       }(),
       header},
      {"our stylesheet beside a content page without a style block",
       [] {
         Files site = Site(kPlainContent, "Body.htm");
         site["Body.css"] = "<!--\r\n\r\n/* Font Definitions */\r\n";
         return site;
       }(),
       header},
      {"the header already in the contents, as Word saved it",
       [] {
         Files site = Site(kPlainContent, "Body.htm");
         site["toc.htm"] = "<html><body>\r\n\r\n" + kHeader +
                           "\r\n\r\n<p class=MsoToc1>x</p>\r\n\r\n" + kFooter +
                           "\r\n\r\n</body></html>";
         return site;
       }(),
       header},
      {"Word's blank lines around the contents",
       Site(kPlainContent, "Body.htm"), header},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    AddSite(files, row.site);
    EXPECT_FALSE(Recognised(files, RequestFor(row.words, files)));
  }
  // Without the pages, and beside contents that open and close with a blank
  // line, the same stylesheet tells.
  MemoryFileOperations files;
  AddSite(files, Site(kStyledContent, "Body.htm"));
  files.AddFile("\\work\\site\\Body.css", ourStylesheet);
  EXPECT_TRUE(Recognised(files, RequestFor(header, files)));
}

}  // namespace
}  // namespace quillery
