#include "dress/template_fill.h"

#include <gtest/gtest.h>

#include <string>

#include "dress/head_body_tail.h"
#include "dress/header_footer.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

std::string ProgramFile(const std::string& name) {
  return testing::ReadBytes(std::string(QUILLERY_SOURCE_DIR) + "/dress/" +
                            name);
}

TEST(KeepBodyContent, TakesTheTextBetweenTheBodyTags) {
  struct Row {
    const char* name;
    std::string html;
    std::string expected;
  };
  const Row rows[] = {
      {"usual file, bytes above 127 and CRLF kept",
       "<html><head></head><body lang=EN>\r\n<p>\xE4</p>\r\n</body>",
       "\r\n<p>\xE4</p>\r\n"},
      {"blanks, tabs and capitals", "<html>< \t Body>H< \t/BODY>", "H"},
      {"empty body", "<body></body>", ""},
      {"class name before the body tag",
       "<style>p.MsoBodyText {}</style><body>H</body>",
       "<style>p.MsoBodyText {}</style><body>H</body>"},
      {"only blanks before the first body", " \tbody>H</body>",
       " \tbody>H</body>"},
      {"body at byte 0", "body>H</body>", "body>H</body>"},
      {"start tag without its end", "<body", "<body"},
      {"no end tag", "<body>H", "<body>H"},
      {"end tag not opened by <", "<body>H/body>", "<body>H/body>"},
      {"no body at all", "<p>H</p>", "<p>H</p>"},
      {"empty text", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(KeepBodyContent(row.html), row.expected);
  }
}

TEST(PutWordNamespaces, ReplacesTheHtmlStartTag) {
  const std::string tag(kWordNamespaceTag);
  struct Row {
    const char* name;
    std::string templateText;
    std::string expected;
  };
  const Row rows[] = {
      {"plain tag", "<!DOCTYPE html>\n<html>\n<head>",
       "<!DOCTYPE html>\n" + tag + "\n<head>"},
      {"only the first, in any case", "<Html><html>", tag + "<html>"},
      {"tag with attributes", "<html lang=en><head>",
       tag + "<html lang=en><head>"},
      {"empty template", "", ""},
      {"language marker: the namespaces join its tag",
       "<!DOCTYPE html>\n<html lang=\"[LANG]\">\n<head>",
       "<!DOCTYPE html>\n<html lang=\"[LANG]\"" + tag.substr(5) + "\n<head>"},
      {"a plain tag first wins over the language tag",
       "<html><html lang=\"[LANG]\">", tag + "<html lang=\"[LANG]\">"},
      {"language tag in another form is an attribute like any",
       "<html lang='[LANG]'>", tag + "<html lang='[LANG]'>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PutWordNamespaces(row.templateText), row.expected);
  }
}

TEST(FillTemplate, PoursTheDressedPageIntoTheTemplate) {
  DressingOptions options;
  options.headerPlacements = {kHeaderTextCode};
  options.footerPlacements = {kFooterTextCode};
  auto dressed = [](const std::string& page) {
    return "\r\nH\r\n<BR>\r\n" + page + "\r\n<BR>\r\n\r\nF";
  };
  const std::string d = dressed("PAGE");
  struct Row {
    const char* name;
    std::string page;
    std::string templateText;
    std::string contents;
    std::string expected;
  };
  const Row rows[] = {
      {"no template", "PAGE", "", "TOC", d},
      {"two page markers", "PAGE", "[QUILLERY]|[QUILLERY]", "", d + "|" + d},
      {"contents", "PAGE", "[WORDTOC]|[QUILLERY]|[WORDTOC]", "TOC",
       "TOC|" + d + "|TOC"},
      {"no contents text", "PAGE", "[WORDTOC]|[QUILLERY]", "",
       "[WORDTOC]|" + d},
      {"page marker not filled again", "[QUILLERY]", "<[QUILLERY]>", "",
       "<" + dressed("[QUILLERY]") + ">"},
      {"contents marker in the page", "[WORDTOC]", "[QUILLERY]", "TOC",
       dressed("TOC")},
      {"template without page marker", "[WORDTOC]", "<p>[WORDTOC]</p>", "TOC",
       dressed("TOC")},
      {"template without any marker", "[WORDTOC]", "<p></p>", "TOC",
       dressed("[WORDTOC]")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const DressingTexts texts{"H", "F", row.templateText};
    EXPECT_EQ(FillTemplate(row.page, texts, row.contents, options),
              row.expected);
  }
}

TEST(FillTemplate, PageInTheTemplateNamesNoFrame) {
  DressingOptions options;
  options.headerPlacements = {kHeaderTextCode};
  options.footerPlacements = {kFooterTextCode};
  const std::string header = "<a href=start.htm target=Frame1>S</a>";
  const std::string footer = "<a href=\"end.htm\" target=\"Frame1\">E</a>";
  const std::string page = "<a href=\"#x\" target=\"Frame1\">x</a>";
  auto dressed = [](const std::string& top, const std::string& middle,
                    const std::string& bottom) {
    return "\r\n" + top + "\r\n<BR>\r\n" + middle + "\r\n<BR>\r\n\r\n" + bottom;
  };
  struct Row {
    const char* name;
    std::string templateText;
    std::string contents;
    std::string expected;
  };
  const Row rows[] = {
      {"page, header and footer poured in", "<p>[QUILLERY]</p>", "",
       "<p>" +
           dressed("<a href=start.htm>S</a>", "<a href=\"#x\">x</a>",
                   "<a href=\"end.htm\">E</a>") +
           "</p>"},
      {"frames mode keeps the targets", "", "", dressed(header, page, footer)},
      {"template without page marker keeps them", "<p>[WORDTOC]</p>", "TOC",
       dressed(header, page, footer)},
      {"template's own target stays", "<a target=Frame1>[QUILLERY]", "",
       "<a target=Frame1>" + dressed("<a href=start.htm>S</a>",
                                     "<a href=\"#x\">x</a>",
                                     "<a href=\"end.htm\">E</a>")},
      {"contents go in as the caller gives them", "[WORDTOC][QUILLERY]",
       "<a target=Frame1>",
       "<a target=Frame1>" + dressed("<a href=start.htm>S</a>",
                                     "<a href=\"#x\">x</a>",
                                     "<a href=\"end.htm\">E</a>")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const DressingTexts texts{header, footer, row.templateText};
    EXPECT_EQ(FillTemplate(page, texts, row.contents, options), row.expected);
  }
}

TEST(RemoveFrameTargets, DropsBothFormsOfTheFrameTargetExactly) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"empty text", "", ""},
      {"no target", "<a href=\"p1.htm\">A</a>", "<a href=\"p1.htm\">A</a>"},
      {"quoted", "<a href=\"p1.htm#_Toc1\" target=\"Frame1\">A</a>",
       "<a href=\"p1.htm#_Toc1\">A</a>"},
      {"unquoted", "<a href=p2.htm target=Frame1>B</a>",
       "<a href=p2.htm>B</a>"},
      {"both, side by side", " target=Frame1 target=\"Frame1\"", ""},
      {"at the very end, CRLF and bytes above 127 kept",
       "\xE4\r\n<a target=Frame1", "\xE4\r\n<a"},
      {"the name elsewhere stays", "<frame name=Frame1 src=p.htm>",
       "<frame name=Frame1 src=p.htm>"},
      {"another frame stays", "<a target=\"Frame2\">C</a>",
       "<a target=\"Frame2\">C</a>"},
      // Exact bytes: a longer name loses them too.
      {"longer name", "<a target=Frame1x>D</a>", "<ax>D</a>"},
      {"other case stays",
       "<a Target=\"Frame1\"><a TARGET=Frame1><a target=frame1>",
       "<a Target=\"Frame1\"><a TARGET=Frame1><a target=frame1>"},
      {"single quotes stay", "<a target='Frame1'>", "<a target='Frame1'>"},
      {"no blank before", "<a\ttarget=Frame1>", "<a\ttarget=Frame1>"},
      {"cut off by the end", "<a target=\"Frame1", "<a target=\"Frame1"},
      // The unquoted pass runs after the quoted one and sees its joins; a
      // quoted form joined by the quoted pass stays.
      {"unquoted form joined by the first pass",
       " target target=\"Frame1\"=Frame1", ""},
      {"quoted form joined by the first pass",
       " target=\" target=\"Frame1\"Frame1\"", " target=\"Frame1\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(RemoveFrameTargets(row.text), row.expected);
  }
}

TEST(FillTemplate, NarrowsPicturesOfThePageOnly) {
  DressingOptions options;
  options.headerPlacements = {kHeaderTextCode};
  options.limitImageWidth = true;
  options.maxWidth = 420;
  const std::string picture = "<img width=840 height=300>";
  EXPECT_EQ(FillTemplate(picture, DressingTexts{picture, "", ""}, "", options),
            "\r\n" + picture + "\r\n<BR>\r\n<img width=420 height=150>");
  options.keepProportions = false;
  EXPECT_EQ(FillTemplate(picture, DressingTexts{}, "", options),
            "<img width=420 height=300>");
  options.limitImageWidth = false;
  EXPECT_EQ(FillTemplate(picture, DressingTexts{}, "", options), picture);
}

TEST(FillTemplate, ReplacesContentsMarkersOfTheWholeFilledTemplate) {
  EXPECT_EQ(FillTemplate("TOC]", DressingTexts{"", "", "[WORD[QUILLERY]"},
                         "<ul>", DressingOptions{}),
            "<ul>");
}

// The default header, footer and template that sit beside the program.
TEST(DefaultDressingFiles, HeaderAndFooterGiveTheirBodyContent) {
  for (const char* name : {"header.htm", "footer.htm"}) {
    SCOPED_TRACE(name);
    const std::string file = ProgramFile(name);
    const std::string body = KeepBodyContent(file);
    EXPECT_NE(body, file);
    EXPECT_EQ(body, SplitPageParts(file).body);
    EXPECT_EQ(body.find("<head"), std::string::npos);
  }
}

TEST(DefaultDressingFiles, TemplateTakesTheNamespacesAndTheStylesheetLink) {
  std::string templateText = ProgramFile("base.htm");
  EXPECT_NE(templateText.find(kQuilleryMarker), std::string::npos);
  EXPECT_NE(templateText.find("[SITEHEAD]"), std::string::npos);
  EXPECT_NE(templateText.find("[SITECONTENTS]"), std::string::npos);
  EXPECT_NE(templateText.find("<title>[PAGETITLE]</title>"), std::string::npos);
  EXPECT_EQ(templateText.find("charset="), std::string::npos);
  const std::size_t headClose = FindHeadClose(templateText);
  ASSERT_NE(headClose, std::string::npos);
  EXPECT_EQ(templateText.compare(headClose, 7, "</head>"), 0);
  templateText = PutWordNamespaces(templateText);
  const std::size_t tag = templateText.find(
      "<html lang=\"[LANG]\"" + std::string(kWordNamespaceTag.substr(5)));
  ASSERT_NE(tag, std::string::npos);
  EXPECT_EQ(templateText.find("<html"), tag);
  EXPECT_EQ(templateText.find("<html", tag + 1), std::string::npos);
}

}  // namespace
}  // namespace quillery
